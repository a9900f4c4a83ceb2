#!/usr/bin/env bash
# Runs the whole test suite: installs what is missing, then builds and tests each preset.
#   scripts/test.sh            every preset: default (optimised), asan (ASan + UBSan),
#                              tsan (ThreadSanitizer over the runtime, protocol-case and end-to-end
#                              tests), windows-x64 and windows (VKT32.dll and vkt.exe, 64- and
#                              32-bit, under Wine)
#   scripts/test.sh default    one preset
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
presets=("$@")
((${#presets[@]})) || presets=(default asan tsan windows-x64 windows)

jobs=$(nproc)
for preset in "${presets[@]}"; do
    echo "=== preset $preset ==="
    if [[ $preset == windows* ]]; then
        scripts/windows.sh "$preset"
        continue
    fi
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done
