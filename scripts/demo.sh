#!/usr/bin/env bash
# The main job: builds everything, makes a demo key pair with vkt-keygen and checks it with the
# library's own key loader (vkt-keygen --check).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)"

keygen=build/default/tools/keygen/vkt-keygen
work=build/demo
rm -rf "$work"
mkdir -p "$work/keys"

export VKT_PASSWORD=DEMO1999
echo "--- making the key pair of user DEMO in $work/keys"
"$keygen" --bits 2048 --out "$work/keys" DEMO
ls -l "$work/keys"
echo "--- checking DEMO.pri through the library's loader"
"$keygen" --check "$work/keys/DEMO.pri"
echo "--- the same file with a wrong password must be refused"
if VKT_PASSWORD=WRONG "$keygen" --check "$work/keys/DEMO.pri"; then
    echo "demo: a wrong password was accepted" >&2
    exit 1
fi
echo "demo: done"
