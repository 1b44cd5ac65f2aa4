#!/usr/bin/env bash
# Builds the fuzz targets with clang into build/fuzz and runs each one for SECONDS (default 10),
# starting from its seed corpus in fuzz/corpus/<target>/. New inputs go to
# build/fuzz/corpus/<target>/, never into the repository; a crashing input is kept in
# build/fuzz/artifacts/<target>/. Exits non-zero when any target crashed or could not run.
#
#   bash fuzz/run.sh [SECONDS] [TARGET...]      (targets: see fuzz_targets in fuzz/CMakeLists.txt)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-10}
shift || true
build=build/fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSORVIK_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_all -j2

# Each target's longest input: past every capacity it guards (1024-character record lines,
# 2048-character drive lists, 4096-character values), with room to spare.
declare -A max_len=(
  [sw_info]=4096 [escape]=12000 [xml_writer]=12000 [drive_list]=4096 [ram_size]=256
  [record_file]=8192 [profile_ini]=4096 [profile_reg]=8192
)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(sw_info escape xml_writer drive_list ram_size record_file
                                      profile_ini profile_reg)

failed=0
for target in "${targets[@]}"; do
  if [ -z "${max_len[$target]:-}" ]; then
    echo "fuzz $target: FAILED: no such target"
    failed=$((failed + 1))
    continue
  fi
  corpus=$build/corpus/$target
  artifacts=$build/artifacts/$target
  log=$build/logs/$target.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  status=0
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)
  if [ "$status" -eq 0 ] && [ -n "$runs" ]; then
    echo "fuzz $target: ok, $runs inputs in ${seconds} s ($(ls "$corpus" | wc -l) kept in $corpus)"
  else
    echo "fuzz $target: FAILED (exit $status); log $log, inputs in $artifacts/"
    grep -E "ERROR|invariant broken|SUMMARY|^    #[0-9]+ " "$log" | head -n 30 || true
    failed=$((failed + 1))
  fi
done

if [ "$failed" -gt 0 ]; then
  echo "fuzz: $failed of ${#targets[@]} targets FAILED"
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets ran ${seconds} s each without a finding"
