#!/usr/bin/env bash
# Builds VKT32.dll and vkt.exe for Windows with the mingw-w64 cross compiler and runs their
# tests under Wine (the unit tests, the export table, the C caller, and vkt.exe and the caller
# against the Linux vkt-server).
#   scripts/windows.sh                the 32-bit build (preset windows)
#   scripts/windows.sh windows-x64    the 64-bit one
# The Linux vkt-server and vkt-keygen the tests talk to are built first (preset default).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
preset=${1:-windows}
jobs=$(nproc)

cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs" --target vkt-server vkt-keygen

cmake --preset "$preset"
cmake --build --preset "$preset" -j "$jobs"
ctest --preset "$preset" -j "$jobs"
