#!/usr/bin/env bash
# wine_e2e.sh all|caller WINE_RUN VKT_EXE VKT_CALLER_EXE VKT32_DLL LINUX_TOOLS WORK
#
# The Windows build against the Linux reference server on loopback, every Windows program run
# under Wine:
#  1. vkt.exe verifies a formatted record file (the server's field list comes back), sends it
#     with the field values, and requests a file back; both arrive intact.
#  2. vkt_caller.exe, a C caller of VKT32.dll through LoadLibraryA/GetProcAddress and
#     __stdcall pointers, with guard bytes around every record, connects, verifies, sends a
#     plain file, requests a file and disconnects; both files arrive intact.
#  3. Two Wine processes share the session table: while one holds a session, a second
#     process's VKTConectar gets 40033; once the first has disconnected, a new one connects.
# "caller" runs 2 and 3 only (the 32-bit build, where Wine may run under emulation).
# The time-outs are long: under emulation a 32-bit program needs seconds for what takes
# milliseconds natively.
# The server's key pair comes from the Linux vkt-keygen. Any failure ends it with status 1;
# the server is stopped on every way out.
set -euo pipefail
scope=$1 wine_run=$2 vkt_exe=$3 caller=$4 dll=$5 tools=$6 work=$7
here=$(cd "$(dirname "$0")" && pwd)

for program in "$tools/server/vkt-server" "$tools/keygen/vkt-keygen"; do
    if [[ ! -x $program ]]; then
        echo "wine_e2e: $program is missing: build the default preset first (scripts/windows.sh does)" >&2
        exit 1
    fi
done
[[ $(dirname "$vkt_exe") == "$(dirname "$dll")" ]] || {
    echo "wine_e2e: vkt.exe and VKT32.dll are not in one folder" >&2
    exit 1
}

# 77 (skipped): this machine cannot run the build's programs (cmake/wine-run.sh says why).
status=0
"$wine_run" --can-run "$caller" || status=$?
[[ $status == 77 ]] && exit 77

export VKT_PASSWORD=WINE2026
# A table of this run's own: nothing else on the machine shares it.
export VKT_SHM_PREFIX=VKTwine$$.
export VKT_HOME=$work/home
password=$VKT_PASSWORD

source "$here/../../scripts/vkt_server.sh"
holder=
cleanup() {
    [[ -n $holder ]] && kill "$holder" 2>/dev/null || true
    stop_vkt_server
}
trap cleanup EXIT

fail() {
    echo "wine_e2e: FAILED: $*" >&2
    [[ -f $work/server.log ]] && { echo "--- server log" >&2; cat "$work/server.log" >&2; }
    exit 1
}
step() { echo "--- $*"; }
on_wine() { "$wine_run" "$@"; }

rm -rf "$work"
mkdir -p "$work"/{keys,users,inbox,outbox/DEMO,received,received2,home}
"$tools/keygen/vkt-keygen" --bits 2048 --out "$work/keys" DEMO >/dev/null
cp "$work/keys/DEMO.pub" "$work/users/"

for i in $(seq 1 3000); do printf 'Linea %04d del informe para Windows\r\n' "$i"; done >"$work/outbox/DEMO/informe.txt"
head -c 200000 /dev/urandom >"$work/datos.bin"
printf 'nomina\tImporte,8,N;Concepto,12\n' >"$work/answers"
body=$'0001 PEREZ JUAN      00012500\r\n0002 GOMEZ ANA       00009800\r\n'
record=$'ANOMINA    20240131235959000000002\r\n'
printf '%s' "00$record$body""99$record" >"$work/nomina.txt"
printf '%s' "$body" >"$work/nomina.body"

start_vkt_server "$tools/server/vkt-server" "$work/server.out" "$work/server.log" \
    --users "$work/users" --inbox "$work/inbox" --outbox "$work/outbox" \
    --answers "$work/answers" --handshake-timeout 600 || fail "vkt-server did not start"
printf '127.0.0.1,%s,300,DEMO,%s\n' "$port" "$work/keys" >"$VKT_HOME/VKT32.cnf"

if [[ $scope == all ]]; then
step "vkt.exe verify, send and get"
fields=$(on_wine "$vkt_exe" verify "$work/nomina.txt" | tr -d '\r') || fail "vkt.exe verify"
[[ $fields == "Importe,8,N;Concepto,12" ]] || fail "unexpected field list: $fields"
on_wine "$vkt_exe" send "$work/nomina.txt" --field Importe=125 --field Concepto=Pago || fail "vkt.exe send"
cmp -s "$work/inbox/DEMO/nomina" "$work/nomina.body" || fail "the server's nomina differs"
on_wine "$vkt_exe" get informe.txt --to "$work/received" || fail "vkt.exe get"
cmp -s "$work/received/informe.txt" "$work/outbox/DEMO/informe.txt" || fail "informe.txt differs"
fi

step "vkt_caller.exe: the seven functions through __stdcall pointers"
on_wine "$caller" session 127.0.0.1 "$port" DEMO "$password" "$work/keys" "$work/datos.bin" \
    informe.txt "$work/received2" || fail "vkt_caller session"
cmp -s "$work/inbox/DEMO/datos" "$work/datos.bin" || fail "the server's datos differs"
cmp -s "$work/received2/informe.txt" "$work/outbox/DEMO/informe.txt" || fail "informe.txt differs"

step "two Wine processes, one session table"
on_wine "$caller" hold 127.0.0.1 "$port" DEMO "$password" "$work/keys" "$work/ready" "$work/release" \
    >"$work/holder.out" 2>&1 &
holder=$!
for _ in $(seq 1 3000); do
    [[ -f $work/ready ]] && break
    kill -0 "$holder" 2>/dev/null || { cat "$work/holder.out"; fail "the holder ended early"; }
    sleep 0.1
done
[[ -f $work/ready ]] || fail "the holder did not connect"
on_wine "$caller" refused 127.0.0.1 "$port" DEMO "$password" "$work/keys" || fail "the second process was not refused"
touch "$work/release"
wait "$holder" || { cat "$work/holder.out"; fail "the holder failed"; }
holder=
if [[ $scope == all ]]; then
    on_wine "$vkt_exe" verify "$work/nomina.txt" >/dev/null || fail "no new session after the holder disconnected"
fi

echo "wine_e2e: passed"
