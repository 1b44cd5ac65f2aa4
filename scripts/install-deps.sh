#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine (run as root).
# Skips the package step when every tool is already present.
set -euo pipefail

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
command -v clang++ >/dev/null || need+=(clang)
command -v i686-w64-mingw32-g++-win32 >/dev/null || need+=(g++-mingw-w64-i686-win32)
command -v i686-w64-mingw32-objdump >/dev/null || need+=(binutils-mingw-w64-i686)
# The x86_64 build and 64-bit Wine run the e2e tests where the kernel refuses 32-bit programs.
command -v x86_64-w64-mingw32-g++-win32 >/dev/null || need+=(g++-mingw-w64-x86-64-win32)
command -v x86_64-w64-mingw32-objdump >/dev/null || need+=(binutils-mingw-w64-x86-64)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v xmllint >/dev/null || need+=(libxml2-utils)
command -v xsltproc >/dev/null || need+=(xsltproc)
command -v python3 >/dev/null || need+=(python3)
# Fetching and unpacking the sources of SQLite and libxml2, and generating SQLite's amalgamation.
command -v dpkg-source >/dev/null || need+=(dpkg-dev)
command -v make >/dev/null || need+=(make)
command -v tclsh >/dev/null || need+=(tcl)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
# sorvik-fleet: its libraries, and the sqlite3 shell the documentation's queries run in.
[ -f /usr/include/sqlite3.h ] || need+=(libsqlite3-dev)
[ -f /usr/include/libxml2/libxml/xmlschemas.h ] || need+=(libxml2-dev)
command -v sqlite3 >/dev/null || need+=(sqlite3)
# The fleet page is tested in headless Chromium.
command -v chromium >/dev/null || need+=(chromium)
# The fleet benchmark reads peak memory from GNU time.
[ -x /usr/bin/time ] || need+=(time)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
if ! dpkg --print-foreign-architectures | grep -qx i386 || ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  need+=(wine wine32:i386)
fi

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# sorvik-fleet.exe links SQLite and libxml2 statically. Debian ships no MinGW builds of them, so the
# win64 preset builds them from Debian's own source packages, fetched once into an ignored cache.
cd "$(dirname "$0")/.."
deps=$PWD/.cache/mingw-deps
src_list=/etc/apt/sources.list.d/sorvik-deb-src

# The machine's own package sources, retyped deb-src: the same mirrors and suites that it
# installs from, and no address of ours.
derive_deb822_sources() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$src_list.sources" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
         {
           keep = 0; out = ""
           for (i = 1; i <= NF; i++) {
             line = $i
             if (line ~ /^#/) continue
             if (line ~ /^Types:/) {
               if (line ~ /[ \t]deb([ \t]|$)/) keep = 1
               line = "Types: deb-src"
             }
             out = out line "\n"
           }
           if (keep) printf "%s\n", out
         }' "$f"
  done
}

derive_one_line_sources() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && [ "$f" != "$src_list.list" ] || continue
    sed -n -E 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$f"
  done
}

# Only the derived entries are read, so a third-party source without a Sources index can't fail it.
update_derived_sources() {
  local list=$1
  apt-get update -qq -o Dir::Etc::sourcelist="$list" -o Dir::Etc::sourceparts=- \
    -o APT::Get::List-Cleanup=0
}

fetch_source_packages() {
  local work=$1 list
  derive_deb822_sources >"$src_list.sources"
  derive_one_line_sources >"$src_list.list"
  for list in "$src_list.sources" "$src_list.list"; do
    if [ -s "$list" ]; then update_derived_sources "$list"; else rm -f "$list"; fi
  done
  (cd "$work" && apt-get source -qq -o APT::Sandbox::User=root sqlite3 libxml2 >/dev/null)
}

# The package holds SQLite's full source tree; the one-file amalgamation is generated from it.
make_sqlite_amalgamation() {
  local tree=$1 out=$2 gen=$1/.amalgamation
  mkdir -p "$gen" "$out"
  (cd "$gen" && ../configure --disable-tcl >/dev/null && make -j2 sqlite3.c >/dev/null)
  cp "$gen/sqlite3.c" "$gen/sqlite3.h" "$gen/sqlite3ext.h" "$tree/VERSION" "$tree/LICENSE.md" "$out/"
}

if [ ! -f "$deps/complete" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  fetch_source_packages "$work"
  rm -rf "$deps"
  mkdir -p "$deps"
  make_sqlite_amalgamation "$(echo "$work"/sqlite3-*/)" "$deps/sqlite3"
  mv "$(echo "$work"/libxml2-*/)" "$deps/libxml2"
  (cd "$work" && ls ./*.dsc) >"$deps/complete"
fi
