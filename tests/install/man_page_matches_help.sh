#!/usr/bin/env bash
# Fails when a man page source lacks an option that the program's --help describes (each must
# stand in bold, *--name*), or, given --exit-table, when its EXIT STATUS table differs from
# the exit-status table of --help, row by row and word by word.
#   man_page_matches_help.sh PROGRAM PAGE.scd [--exit-table]
set -euo pipefail
program=$1
page=$2
help=$("$program" --help)
status=0

# The options --help describes: the lines that start with "  -x, --name" or "  --name".
options=$(sed -nE 's/^  (-[a-zA-Z], )?(--[a-z][a-z-]*).*/\2/p' <<<"$help" | sort -u)
[[ -n $options ]] || { echo "$program --help describes no option"; exit 1; }
for option in $options; do
    if ! grep -qF -- "*$option*" "$page"; then
        echo "$page: no *$option*, which $program --help describes"
        status=1
    fi
done

if [[ ${3:-} == --exit-table ]]; then
    # One "STATUS text" line per row, blanks folded.
    from_help=$(awk '/^exit status:/ {on = 1; next}
        on && /^  [0-9]+ / {if (row) print row; row = $0; next}
        on && /^   / {row = row " " $0; next}
        on {exit}
        END {if (row) print row}' <<<"$help" | tr -s ' ' | sed 's/^ //')
    from_page=$(awk '/^# EXIT STATUS/ {on = 1; next}
        on && /^\|  [0-9]+$/ {if (row) print row; row = substr($0, 4); next}
        on && row && /^:  / {row = row " " substr($0, 4); next}
        on && row && /^   / {row = row " " $0; next}
        on && row && /^$/ {exit}
        END {if (row) print row}' "$page" | tr -s ' ' | sed 's/^ //')
    if [[ -z $from_help || $from_help != "$from_page" ]]; then
        echo "$page: the EXIT STATUS table differs from $program --help's:"
        diff <(echo "$from_help") <(echo "$from_page") || true
        status=1
    fi
fi
exit $status
