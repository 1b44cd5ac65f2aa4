#!/usr/bin/env bash
# Builds sorvik.exe, runs it under Wine in a fresh prefix the way a login script would (no
# switches, from a C:\ folder) and prints the path of the report it wrote. Where the kernel
# can't run Wine's 32-bit loader, the x86_64 build runs in a 64-bit prefix instead.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# The e2e tests' runner (SORVIK_E2E_ARCH=win32|win64 chooses, as for them).
runner=$(PYTHONPATH=tests/replay python3 tests/e2e/harness.py --runner)
read -r arch loader <<<"$runner"
cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" -j2 >/dev/null
echo "running build/$arch/sorvik.exe in a $arch prefix" >&2

prefix=$PWD/build/report-prefix-$arch
export WINEPREFIX=$prefix WINEARCH=$arch WINELOADER=$loader WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME=$PWD/build/report-home
unset DISPLAY
mkdir -p "$HOME"
[ -d "$prefix/drive_c" ] || "$loader" wineboot -i >/dev/null 2>&1

folder=$prefix/drive_c/sorvik
mkdir -p "$folder"
cp "build/$arch/sorvik.exe" "$folder/"
stamp=$(mktemp)
(cd "$folder" && "$loader" 'C:\sorvik\sorvik.exe' >/dev/null 2>&1) || true
wineserver -w || true

report=$(find "$folder" -maxdepth 1 -name '*.xml' -newer "$stamp" | head -n 1)
rm -f "$stamp"
if [ -z "$report" ]; then
  echo "sorvik.exe wrote no report in $folder" >&2
  exit 1
fi
echo "$report"
