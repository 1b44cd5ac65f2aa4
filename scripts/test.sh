#!/usr/bin/env bash
# Builds everything (sorvik.exe, sorvik-replay, the tests) and runs every test:
# the native tests under the sanitizers and the end-to-end tests of sorvik.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# The product (i686) and the test vehicle for kernels that refuse 32-bit programs (x86_64):
# both stay built and warning-free; the e2e harness runs the one this machine can run.
for arch in win32 win64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" -j2
done
cmake --preset native >/dev/null
cmake --build --preset native -j2

PYTHONPATH=tests/replay python3 tests/e2e/harness.py
log=build/native/ctest-summary.log
ctest --preset native -j2 | tee "$log"

# The parsers and the writer under libFuzzer, briefly (its own clang build in build/fuzz).
bash fuzz/run.sh 10

# ctest's count as the closing line, since the fuzz runs print after it.
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$summary")
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
echo "tests: $((total - failed)) passed, $failed failed"
