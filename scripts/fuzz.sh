#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given number of seconds (60 unless told) over a copy
# of its seeds in fuzz/corpus/<target>, so that the repository's seeds stay as they are. Exits non-zero
# when a target finds a crash, a leak, a timeout or a broken invariant, naming the input that shows it.
#   bash scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
bash scripts/install-deps.sh
cmake --preset fuzz
cmake --build --preset fuzz --target fuzzers

targets=(profile_fuzzer registry_import_fuzzer rc_fuzzer datafile_fuzzer idl_fuzzer typelib_fuzzer)
work="$(mktemp -d "${TMPDIR:-/tmp}/fuzz-run-XXXXXX")"
# Each target runs on its own core, all at once; standard output is closed, since the readers' trace
# lines would only slow the run down.
run_target() {
  local target="$1" corpus="$work/$1/corpus" findings="$work/$1/findings"
  mkdir -p "$corpus" "$findings"
  cp fuzz/corpus/"$target"/* "$corpus"/
  "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=1 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$work/$target/log" 2>&1
}
echo "== ${#targets[@]} targets, ${seconds}s each, at once"
pids=()
for target in "${targets[@]}"; do
  run_target "$target" &
  pids+=("$!")
done
failed=()
for index in "${!targets[@]}"; do
  target="${targets[$index]}"
  echo "== $target"
  if wait "${pids[$index]}"; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$target/log" || tail -n 1 "$work/$target/log"
  else
    tail -n 60 "$work/$target/log"
    for reproducer in "$work/$target/findings"/*; do
      [ -e "$reproducer" ] && echo "reproducer: $reproducer (run: build-fuzz/fuzz/$target $reproducer)"
    done
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (logs and inputs under $work)"
  exit 1
fi
rm -rf "$work"
echo "fuzzing found nothing in ${#targets[@]} targets"
