#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize, builds and tests under
# AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
preset=default
[ "${1:-}" = "--sanitize" ] && preset=sanitize
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
