#!/usr/bin/env bash
# Formats the C and C++ sources with the project's clang-format (the root .clang-format), or
# checks them.
#   scripts/format.sh           rewrites every tracked .c, .cpp and .h file in place
#   scripts/format.sh --check   changes nothing; lists each file that differs and fails
# The project formats with clang-format 14 (Debian's clang-format-14): other major versions
# lay out some constructs differently, so the check insists on that one.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly version=14
formatter=clang-format-$version
if ! command -v "$formatter" > /dev/null; then
    echo "format: $formatter is not installed (scripts/bootstrap.sh installs it)" >&2
    exit 2
fi
if ! "$formatter" --version | grep -q "version $version\."; then
    echo "format: $formatter is not version $version: $("$formatter" --version)" >&2
    exit 2
fi

mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [[ ${1:-} == --check ]]; then
    # One run over every file; each violation names its file.
    if ! report=$("$formatter" --dry-run "${files[@]}" 2>&1); then
        echo "$report" >&2
        exit 2
    fi
    mapfile -t unformatted < <(grep -- '-Wclang-format-violations' <<< "$report" | cut -d: -f1 | sort -u)
    if ((${#unformatted[@]})); then
        printf 'format: %s is not formatted (run scripts/format.sh)\n' "${unformatted[@]}" >&2
        exit 1
    fi
    echo "format: ${#files[@]} files formatted"
    exit 0
fi
"$formatter" -i "${files[@]}"
