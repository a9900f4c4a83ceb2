#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh PROGRAM.exe [ARGUMENTS...]
# wine-run.sh --can-run PROGRAM.exe: 0 when this machine can run it, else 77, without running it.
#
# CTest runs every cross-built test through this script (the toolchain's emulator). The loader
# follows the program's machine: wine64 for x86-64 programs, the 32-bit wine for i386 ones.
# Where this machine cannot start 32-bit programs at all (a kernel or sandbox without 32-bit
# support), a 32-bit program is not run: the script says so and exits with 77, which CTest
# reports as a skipped test.
#
# The Wine prefix is $WINEPREFIX (the windows test presets give each build folder its own),
# else build/wine in the source tree. The first run creates it; runs in parallel wait for that
# under a lock. No desktop integration, no Mono or Gecko installs, no debug chatter.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/../build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
unset DISPLAY  # no window ever opens; a test never waits for an X server

probe=false
if [[ ${1:-} == --can-run ]]; then
    probe=true
    shift
fi
program=${1:?usage: wine-run.sh [--can-run] PROGRAM.exe [ARGUMENTS...]}
loaders=/usr/lib/wine
if [[ ! -x $loaders/wine64 ]]; then
    echo "wine-run.sh: Wine is not installed (scripts/bootstrap.sh installs it)" >&2
    exit 127
fi

# The PE header's machine field: 014c for i386, 8664 for x86-64.
pe_machine() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
case $(pe_machine "$program") in
    8664) loader=$loaders/wine64 ;;
    014c)
        loader=$loaders/wine
        if ! "$loader" --version > /dev/null 2>&1; then
            echo "wine-run.sh: this machine cannot run 32-bit programs; $program is not run" >&2
            exit 77
        fi
        ;;
    *)
        echo "wine-run.sh: $program is not a Windows program for i386 or x86-64" >&2
        exit 126
        ;;
esac

$probe && exit 0

mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    # A prefix made while 32-bit programs could not start lacks its 32-bit system folder: it
    # is made again.
    if [[ $loader == "$loaders/wine" && -f $WINEPREFIX/system.reg &&
          ! -f $WINEPREFIX/drive_c/windows/syswow64/kernel32.dll ]]; then
        wineserver --kill > /dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
    fi
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
        "$loaders/wine64" wineboot --init > /dev/null 2>&1 || true
        wineserver --wait || true
    fi
) 9> "$WINEPREFIX.lock"

# A server that outlives one program by a few seconds spares the next one its start.
wineserver --persistent=15 > /dev/null 2>&1 || true
exec "$loader" "$@"
