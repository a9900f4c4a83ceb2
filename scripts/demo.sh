#!/usr/bin/env bash
# The main job: builds everything, then shows VKT end to end on this machine. It makes the key
# pair of a demo user DEMO with vkt-keygen, starts the reference server vkt-server on a free
# loopback port, and with the command-line client vkt verifies and sends a formatted record
# file (answering the server's additional fields) and requests a file back, checking every
# byte. When a display is available the desktop program VKT then opens on the same server, its
# configuration pre-filled, so a person can connect with the demo password and send, request
# and read the history. Any failure ends it with a non-zero status; the server is stopped on
# every way out.
#
# VKT_PASSWORD sets the demo key's password (default DEMO1999).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)"

bin=build/default/tools
work=$PWD/build/demo
export VKT_PASSWORD=${VKT_PASSWORD:-DEMO1999}
# A session table and a configuration folder of the demo's own: a session of the user's
# elsewhere on the machine is neither seen nor disturbed.
export VKT_SHM_PREFIX=VKTdemo$$.
export VKT_HOME=$work/home

source scripts/vkt_server.sh
cleanup() {
    stop_vkt_server
    rm -f /dev/shm/"$VKT_SHM_PREFIX"* 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "demo: FAILED: $*" >&2
    if [[ -f $work/server.log ]]; then
        echo "--- server log" >&2
        cat "$work/server.log" >&2
    fi
    exit 1
}

step() { echo "--- $*"; }

rm -rf "$work"
mkdir -p "$work"/{keys,users,inbox,outbox/DEMO,received,home}

step "key pair of user DEMO (vkt-keygen), checked through the library's own loader"
"$bin/keygen/vkt-keygen" --bits 2048 --out "$work/keys" DEMO >/dev/null
"$bin/keygen/vkt-keygen" --check "$work/keys/DEMO.pri" >/dev/null || fail "the key does not load"
if VKT_PASSWORD=WRONG "$bin/keygen/vkt-keygen" --check "$work/keys/DEMO.pri" >/dev/null 2>&1; then
    fail "the key loaded with a wrong password"
fi
cp "$work/keys/DEMO.pub" "$work/users/"

# What the server holds: a report to be requested, and the fields it asks for when the
# formatted file "nomina" is verified.
for i in $(seq 1 400); do
    printf 'Linea %03d del informe mensual de transferencias\n' "$i"
done >"$work/outbox/DEMO/informe.txt"
printf 'nomina\tImporte,8,N;Concepto,12\n' >"$work/answers"

# A formatted record file of type A: a 38-byte header, three body records, a 38-byte footer,
# every record ending in CR LF; header and footer carry the internal name and the count.
body=$'0001 PEREZ JUAN      00012500\r\n0002 GOMEZ ANA       00009800\r\n0003 DIAZ LUIS       00015000\r\n'
record=$'ANOMINA    20240131235959000000003\r\n'
printf '%s' "00$record$body""99$record" >"$work/nomina.txt"
printf '%s' "$body" >"$work/nomina.body"

step "vkt-server on a free loopback port"
start_vkt_server "$bin/server/vkt-server" "$work/server.out" "$work/server.log" \
    --users "$work/users" --inbox "$work/inbox" --outbox "$work/outbox" \
    --answers "$work/answers" || fail "vkt-server did not start or report its port"
echo "listening on 127.0.0.1:$port"

# The connection data as the desktop program keeps it: SERVER,SERVICE,TIMEOUT,USER,KEYDIR.
printf '127.0.0.1,%s,30,DEMO,%s\n' "$port" "$work/keys" >"$VKT_HOME/VKT32.cnf"
vkt=$bin/cli/vkt

step "vkt verify nomina.txt: the server's field list"
fields=$("$vkt" verify "$work/nomina.txt") || fail "vkt verify"
echo "$fields"
[[ $fields == "Importe,8,N;Concepto,12" ]] || fail "unexpected field list: $fields"

step "vkt send nomina.txt --field Importe=125 --field Concepto=Pago"
"$vkt" send "$work/nomina.txt" --field Importe=125 --field Concepto=Pago || fail "vkt send"
cmp -s "$work/inbox/DEMO/nomina" "$work/nomina.body" ||
    fail "the server's copy of nomina differs from the file's body"
grep -q 'additional: 00000125Pago        $' "$work/server.log" ||
    fail "the server did not get the additional text"
echo "the server holds the $(wc -c <"$work/nomina.body")-byte body of nomina, signature good,"
echo "with the additional text \"00000125Pago        \""

step "vkt get informe.txt --to received/"
"$vkt" get informe.txt --to "$work/received" || fail "vkt get"
cmp -s "$work/received/informe.txt" "$work/outbox/DEMO/informe.txt" ||
    fail "the received informe.txt differs from the server's"
echo "received $(wc -c <"$work/received/informe.txt") bytes, equal to the server's file"

# With a display (and not under CI) the desktop program opens on the same demo server: its
# configuration dialog is pre-filled from the VKT32.cnf above, so typing the password connects.
client=build/default/client/VKT
if [[ -z ${CI:-} && ( -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ) && -x $client ]]; then
    step "the desktop program VKT on the demo server"
    echo "type the password $VKT_PASSWORD in the configuration dialog and press Enter; then"
    echo "  Enviar:    $work/nomina.txt (with format; Importe and Concepto are asked for)"
    echo "  Solicitar: informe.txt into any folder"
    echo "  Historial: the day's log ($VKT_HOME/VKT32.log)"
    echo "close VKT (Salir) to end the demo"
    "$client" || fail "VKT ended with status $?"
else
    echo "(no display: the desktop program is not opened; the transfers above used vkt)"
fi

step "the server's log"
sed 's/^[0-9-]* [0-9:]* //' "$work/server.log"

echo "demo: done"
