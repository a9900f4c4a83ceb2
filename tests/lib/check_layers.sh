#!/usr/bin/env bash
# Fails when a layer of the library includes a header of a layer above it: the cryptographic
# layer sits below the runtime, the runtime below the protocol, the protocol below the exported
# functions.
set -euo pipefail
lib=$1
status=0
check() {
    local layer=$1 above=$2
    local found
    found=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($above)/" "$lib/$layer" || true)
    if [[ -n "$found" ]]; then
        echo "lib/$layer includes a layer above it:"
        echo "$found"
        status=1
    fi
}
check crypto 'runtime|protocol|exports'
check runtime 'protocol|exports'
check protocol 'exports'
exit $status
