#!/usr/bin/env bash
# Fails when the shared library exports any defined symbol outside the VKT operations.
set -euo pipefail
lib=$1
allowed='^(VKTConectar|VKTVerificar|VKTEnviar|VKTSolicitar|VKTDesconectar|VKTError|VKTEstado)$'
extra=$(nm -D --defined-only "$lib" | awk '{print $NF}' | grep -v -E "$allowed" || true)
if [[ -n "$extra" ]]; then
    echo "unexpected exports in $lib:"
    echo "$extra"
    exit 1
fi
echo "exports of $lib: $(nm -D --defined-only "$lib" | awk '{print $NF}' | tr '\n' ' ')"
