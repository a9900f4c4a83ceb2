#!/usr/bin/env bash
# check_exports.sh OBJDUMP VKT32.dll: the DLL's export table holds exactly the seven VKT
# functions under their plain names (no @n decoration, nothing else), and the DLL imports only
# system DLLs, so a caller ships it alone.
set -euo pipefail
objdump=$1 dll=$2

dump=$("$objdump" -p "$dll")
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && /^[ \t]*\[/ {print $NF; next} on {exit}' <<<"$dump" | sort)
expected=$(printf '%s\n' VKTConectar VKTDesconectar VKTEnviar VKTError VKTEstado VKTSolicitar VKTVerificar)
if [[ $exports != "$expected" ]]; then
    echo "check_exports: the export table is not the seven functions:" >&2
    echo "$exports" >&2
    exit 1
fi
grep -q '^Name .*VKT32.dll' <<<"$dump" || { echo "check_exports: the DLL's own name is not VKT32.dll" >&2; exit 1; }

imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump" | sort -u)
for dll_name in $imports; do
    case $dll_name in
        kernel32.dll | ws2_32.dll | bcrypt.dll | msvcrt.dll | advapi32.dll | user32.dll | api-ms-win-*) ;;
        *)
            echo "check_exports: VKT32.dll needs $dll_name, which a caller would have to ship" >&2
            exit 1
            ;;
    esac
done
echo "check_exports: seven exports, undecorated; imports: $(tr '\n' ' ' <<<"$imports")"
