#!/usr/bin/env bash
# Soak run (not part of CI): several client processes, each running connect / verify / send /
# get / disconnect cycles through the library against one vkt-server for MINUTES minutes.
# Prints the descriptors, threads and resident memory of the server before the clients start
# and after they end, and each client's after its first and its last cycle. Fails when a cycle
# fails, or when the server or a client holds more descriptors or threads at the end than at
# the start.
#
#   scripts/soak.sh MINUTES [CLIENTS]     (CLIENTS: default 4)
#
# Builds the default preset's server, key generator, library and soak client first.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:?usage: scripts/soak.sh MINUTES [CLIENTS]}
clients=${2:-4}
[[ $minutes =~ ^[0-9]+$ && $clients =~ ^[0-9]+$ && $clients -ge 1 ]] ||
    { echo "usage: scripts/soak.sh MINUTES [CLIENTS]" >&2; exit 2; }

if command -v ccache >/dev/null; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cmake --preset default >/dev/null
cmake --build --preset default --target vkt-server vkt-keygen VKT32 vkt-soak-client >/dev/null

build=$PWD/build/default
work=$(mktemp -d /tmp/vkt-soak-XXXXXX)
prefix=VKTsoak$$.
source scripts/vkt_server.sh
cleanup() {
    stop_vkt_server
    rm -f /dev/shm/"$prefix"* 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# descriptors threads rss-KiB of a process
usage() {
    local fds threads rss
    fds=$(find "/proc/$1/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
    threads=$(awk '/^Threads:/ {print $2}' "/proc/$1/status")
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$1/status")
    echo "$fds $threads $rss"
}
describe() {
    read -r fds threads rss <<<"$1"
    echo "$fds descriptors, $threads threads, $rss KiB resident"
}

mkdir -p "$work"/{users,inbox,outbox,keys,clients}
printf 'ciclo\tImporte,8,N;Concepto,12\n' >"$work/answers"
users=()
for i in $(seq 1 "$clients"); do
    user=$(printf 'S%02d' "$i")
    users+=("$user")
    mkdir -p "$work/keys/$user" "$work/outbox/$user" "$work/clients/$user"
    VKT_PASSWORD="CLAVE$user" "$build/tools/keygen/vkt-keygen" --out "$work/keys/$user" "$user" \
        >/dev/null
    cp "$work/keys/$user/$user.pub" "$work/users/"
done

if ! start_vkt_server "$build/tools/server/vkt-server" "$work/server.out" "$work/server.log" \
    --users "$work/users" --inbox "$work/inbox" --outbox "$work/outbox" \
    --answers "$work/answers" --max-sessions $((clients + 4)) \
    --max-per-address $((clients + 4)); then
    echo "soak: vkt-server did not start or report its port" >&2
    exit 1
fi

server_start=$(usage "$server_pid")
echo "soak: $clients clients for $minutes min against vkt-server on 127.0.0.1:$port"
echo "server at the start: $(describe "$server_start")"

pids=()
for user in "${users[@]}"; do
    VKT_E2E_SHM_PREFIX="$prefix$user." "$build/tests/faults/vkt-soak-client" "$port" "$user" \
        "CLAVE$user" "$work/keys/$user" "$work/clients/$user" "$work/inbox/$user" \
        "$work/outbox/$user" $((minutes * 60)) >"$work/clients/$user.out" 2>&1 &
    pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done

# The server ends the last sessions on its own threads: a few seconds to settle.
read -r start_fds start_threads _ <<<"$server_start"
for _ in $(seq 1 100); do
    read -r fds threads _ <<<"$(usage "$server_pid")"
    ((fds <= start_fds && threads <= start_threads)) && break
    sleep 0.1
done
server_end=$(usage "$server_pid")
echo "server at the end:   $(describe "$server_end")"
read -r fds threads _ <<<"$server_end"
if ((fds > start_fds || threads > start_threads)); then
    echo "soak: the server holds more than at the start" >&2
    failed=1
fi
cycles=0
for user in "${users[@]}"; do
    cat "$work/clients/$user.out"
    count=$(sed -n 's/^[^:]*: \([0-9]*\) cycles.*/\1/p' "$work/clients/$user.out")
    cycles=$((cycles + ${count:-0}))
done
echo "soak: $cycles cycles in all; $(grep -c 'signature good' "$work/server.log") signatures good"
if ((failed)); then
    echo "soak: FAILED" >&2
    tail -n 20 "$work/server.log" >&2
fi
exit "$failed"
