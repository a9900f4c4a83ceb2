# Sourced by the scripts that run a vkt-server of their own (demo.sh, soak.sh).
#
# start_vkt_server SERVER OUT LOG ARGS...  starts SERVER --port 0 ARGS, its standard output in
#     OUT and its standard error in LOG, and sets server_pid and port (the port it listens on);
#     status 1 when it ended or did not report its port within 10 s.
# stop_vkt_server                          stops it, if it runs.
server_pid=
port=

start_vkt_server() {
    local server=$1 out=$2 log=$3 line
    shift 3
    "$server" --port 0 "$@" >"$out" 2>"$log" &
    server_pid=$!
    port=
    for _ in $(seq 1 100); do
        if line=$(grep -m1 '^listening on ' "$out" 2>/dev/null); then
            port=${line##*:}
            return 0
        fi
        kill -0 "$server_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

stop_vkt_server() {
    if [[ -n $server_pid ]]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=
    fi
}
