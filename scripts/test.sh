#!/usr/bin/env bash
# Runs the whole test suite: installs what is missing, then builds and tests each preset.
#   scripts/test.sh            every preset: default (optimised), asan (ASan + UBSan), and
#                              tsan (ThreadSanitizer over the runtime, protocol-case and end-to-end tests)
#   scripts/test.sh default    one preset
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
presets=("$@")
((${#presets[@]})) || presets=(default asan tsan)

jobs=$(nproc)
for preset in "${presets[@]}"; do
    echo "=== preset $preset ==="
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done
