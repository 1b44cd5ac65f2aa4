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
