#!/usr/bin/env bash
# Builds the fuzz targets with clang into build/fuzz and runs each for SECONDS (default 10) from
# its seeds in fuzz/corpus/<target>/. New inputs go to build/fuzz/corpus/<target>/, a crashing
# one to build/fuzz/artifacts/<target>/. Exits non-zero when any target crashed or could not run.
#   bash fuzz/run.sh [SECONDS] [TARGET...]      (targets: the fuzz/*_fuzz.cpp files)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10} build=build/fuzz
shift || true
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(cd fuzz && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//'))
failed=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target artifacts=$build/artifacts/$target log=$build/logs/$target.log
  mkdir -p "$corpus" "$artifacts" "$build/logs"
  # The longest input: past every capacity a target guards (4096-character values), with room.
  if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=12000 -timeout=20 \
      -rss_limit_mb=2048 -artifact_prefix="$artifacts/" "$corpus" "fuzz/corpus/$target" \
      >"$log" 2>&1 && runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log") && [ -n "$runs" ]; then
    echo "fuzz $target: ok, $runs inputs in $seconds s"
  else
    echo "fuzz $target: FAILED; log $log, inputs in $artifacts/"
    grep -E "ERROR|invariant broken|SUMMARY|^    #[0-9]+ " "$log" | head -n 30 || true
    failed=$((failed + 1))
  fi
done
[ "$failed" -eq 0 ] || { echo "fuzz: $failed of ${#targets[@]} targets FAILED"; exit 1; }
echo "fuzz: all ${#targets[@]} targets ran $seconds s each without a finding"
