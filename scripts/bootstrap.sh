#!/usr/bin/env bash
# Installs, idempotently, every Debian package that building and testing VKT needs.
# Packages already present are left alone; apt is only asked when something is missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libssl-dev openssl
    clang-format-14 clang-14 libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n
    xvfb xauth fonts-dejavu-core
    scdoc dpkg-dev file man-db lintian desktop-file-utils systemd
    # The Windows build (VKT32.dll, vkt.exe) and Wine to test it: 32-bit Wine needs the i386
    # architecture, added below.
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
    wine wine64 wine32:i386
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "bootstrap: installing ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
else
    echo "bootstrap: all packages present"
fi
