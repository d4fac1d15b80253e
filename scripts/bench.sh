#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs each of them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset bench
cmake --build --preset bench
for program in build-bench/bench/*_bench; do
  echo "== $(basename "$program")"
  "$program"
done
