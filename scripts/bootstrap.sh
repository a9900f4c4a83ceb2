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
    wine wine64 wine32:i386 qemu-user
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

# 32-bit programs (the 32-bit Wine that runs VKT32.dll's tests) on a machine whose kernel does
# not start them itself, as in some virtual machines and sandboxes: the kernel is told to hand
# i386 programs to qemu-user's emulator. Only as root, only where binfmt_misc is there, and
# only when a 32-bit program fails to start; nothing changes where they run natively.
enable_32bit_programs() {
    local loader=/usr/lib/wine/wine binfmt=/proc/sys/fs/binfmt_misc
    [[ -x $loader && -x /usr/bin/qemu-i386 ]] || return 0
    "$loader" --version >/dev/null 2>&1 && return 0
    [[ $(id -u) -eq 0 ]] || {
        echo "bootstrap: 32-bit programs do not start here; as root this script would enable them" >&2
        return 0
    }
    [[ -e $binfmt/register ]] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
    [[ -e $binfmt/register && ! -e $binfmt/qemu-i386 ]] || return 0
    # An i386 ELF executable (or shared object): magic, class 32, little-endian, machine 3.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
        >"$binfmt/register" 2>/dev/null || true
    if "$loader" --version >/dev/null 2>&1; then
        echo "bootstrap: 32-bit programs now run through qemu-i386"
    else
        echo "bootstrap: 32-bit programs do not start here: the 32-bit Windows tests will be skipped" >&2
    fi
}
enable_32bit_programs
