#!/usr/bin/env bash
# Builds everything (sorvik.exe, sorvik-replay, the tests) and runs every test:
# the native tests under the sanitizers and the end-to-end tests of sorvik.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2
cmake --preset native >/dev/null
cmake --build --preset native -j2

ctest --preset native -j2

# The parsers and the writer under libFuzzer, briefly (its own clang build in build/fuzz).
bash fuzz/run.sh 10
