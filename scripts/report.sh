#!/usr/bin/env bash
# Builds sorvik.exe, runs it under Wine in a fresh 32-bit prefix the way a login script
# would (no switches, from a C:\ folder) and prints the path of the report it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null

prefix=$PWD/build/report-prefix
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME=$PWD/build/report-home
unset DISPLAY
mkdir -p "$HOME"
[ -d "$prefix/drive_c" ] || wineboot -i >/dev/null 2>&1

folder=$prefix/drive_c/sorvik
mkdir -p "$folder"
cp build/win32/sorvik.exe "$folder/"
stamp=$(mktemp)
(cd "$folder" && wine 'C:\sorvik\sorvik.exe' >/dev/null 2>&1) || true
wineserver -w || true

report=$(find "$folder" -maxdepth 1 -name '*.xml' -newer "$stamp" | head -n 1)
rm -f "$stamp"
if [ -z "$report" ]; then
  echo "sorvik.exe wrote no report in $folder" >&2
  exit 1
fi
echo "$report"
