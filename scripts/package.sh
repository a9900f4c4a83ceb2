#!/usr/bin/env bash
# Installs VKT as a packager does and checks the result: a Release build (preset "package",
# prefix /usr, no tests or benchmarks) installed into a DESTDIR; the library's SONAME and its
# seven exports; two small programs of a developer's built against the installed library (one
# with pkg-config, one with find_package(VKT32)) that call VKTEstado and run; vkt finding the
# library by its SONAME in a tree without the development link; the man pages, the desktop
# entry and the systemd unit checked with their tools, and the service's user and folders made
# in an empty root from its sysusers.d and tmpfiles.d entries; then the Debian packages built
# by CPack, each listed, and lintian, which must report no error. Any failure ends it with a
# non-zero status.
#
# The packages are left in build/package/packages/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
cmake --preset package
cmake --build --preset package

build=$PWD/build/package
root=$build/root
work=$build/checks
export VKT_SHM_PREFIX=VKTpackage$$.

cleanup() { rm -f /dev/shm/"$VKT_SHM_PREFIX"* 2>/dev/null || true; }
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "package: FAILED: $*" >&2
    exit 1
}
step() { echo "--- $*"; }

rm -rf "$root" "$work" "$build/packages"
mkdir -p "$work"

step "cmake --install into $root"
DESTDIR=$root cmake --install "$build" >/dev/null
library=$(find "$root" -name libVKT32.so.1 -type l)
[[ -n $library ]] || fail "libVKT32.so.1 is not installed"
libdir=$(dirname "$library")
for path in "$libdir/libVKT32.so.1.0.0" "$libdir/libVKT32.so" /usr/include/vkt32.h \
    "$libdir/pkgconfig/vkt32.pc" "$libdir/cmake/VKT32/VKT32Config.cmake" \
    /usr/bin/vkt /usr/bin/vkt-keygen /usr/bin/VKT /usr/sbin/vkt-server \
    /usr/share/man/man1/vkt.1.gz /usr/share/man/man1/vkt-keygen.1.gz \
    /usr/share/man/man1/VKT.1.gz /usr/share/man/man8/vkt-server.8.gz \
    /usr/share/applications/org.vkt.VKT.desktop \
    /usr/share/icons/hicolor/scalable/apps/org.vkt.VKT.svg \
    /lib/systemd/system/vkt-server.service /etc/default/vkt-server \
    /usr/lib/sysusers.d/vkt-server.conf /usr/lib/tmpfiles.d/vkt-server.conf; do
    [[ $path == "$root"* ]] || path=$root$path
    [[ -e $path ]] || fail "not installed: ${path#"$root"}"
done

step "SONAME and exports of ${library#"$root"}"
soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ $soname == libVKT32.so.1 ]] || fail "SONAME is '$soname', not libVKT32.so.1"
exports=$(nm -D --defined-only "$library" | awk '{print $NF}' | sort | tr '\n' ' ')
expected="VKTConectar VKTDesconectar VKTEnviar VKTError VKTEstado VKTSolicitar VKTVerificar "
[[ $exports == "$expected" ]] || fail "exports are '$exports', not '$expected'"
echo "SONAME $soname; exports $exports"

step "a program built with pkg-config"
cc -O2 -Wall -Wextra -Werror -o "$work/consumer-pkg-config" tests/install/consumer/consumer.c \
    $(PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_LIBDIR=$libdir/pkgconfig \
        pkg-config --cflags --libs vkt32)
LD_LIBRARY_PATH=$libdir "$work/consumer-pkg-config" || fail "the pkg-config consumer"

step "a program built with find_package(VKT32)"
cmake -S tests/install/consumer -B "$work/consumer-cmake" -G Ninja \
    -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$work/consumer-cmake" >/dev/null
LD_LIBRARY_PATH=$libdir "$work/consumer-cmake/consumer" || fail "the find_package consumer"

step "vkt loads the library by its SONAME"
# The library's and the tools' files only, as their packages install them: no libVKT32.so.
# Loaded, the library lets vkt go on to ask for the password, which it lacks (2); without the
# library vkt stops at loading it (3).
run_vkt() {
    env -u VKT_PASSWORD -u VKT_LIBRARY VKT_HOME="$work" LD_LIBRARY_PATH="$1" "$2" verify x \
        --server 127.0.0.1 --port 9 --user NADIE --keys "$work" </dev/null 2>"$work/vkt.err"
}
DESTDIR=$work/runtime cmake --install "$build" --component lib >/dev/null
DESTDIR=$work/runtime cmake --install "$build" --component tools >/dev/null
runtime_lib=$work/runtime${libdir#"$root"}
[[ ! -e $runtime_lib/libVKT32.so ]] || fail "the lib component holds the development link"
status=0
run_vkt "$runtime_lib" "$work/runtime/usr/bin/vkt" || status=$?
[[ $status -eq 2 ]] || fail "vkt with libVKT32.so.1 only: status $status: $(cat "$work/vkt.err")"
status=0
run_vkt "$work" "$work/runtime/usr/bin/vkt" || status=$?
[[ $status -eq 3 ]] || fail "vkt without the library: status $status, not 3"
echo "vkt with libVKT32.so.1 alone: loaded (then no password, 2); without it: 3"

step "man pages"
for page in "$root"/usr/share/man/man*/*.gz; do
    # The check lintian makes: groff's warnings on formatting the page.
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "${page#"$root"}: $warnings"
    echo "${page#"$root"}: $(zcat "$page" | grep -c '^\.SH') sections"
done

step "desktop entry"
desktop-file-validate "$root/usr/share/applications/org.vkt.VKT.desktop"

step "systemd unit"
# The installed unit with its two paths into the install tree (the program it starts, its
# environment file), verified as it stands; any complaint, a warning too, fails. Where
# systemd-analyze is absent, that is said and the check passes over it.
if command -v systemd-analyze >/dev/null; then
    sed -e "s|/usr/sbin/vkt-server|$root/usr/sbin/vkt-server|" \
        -e "s|/etc/default/vkt-server|$root/etc/default/vkt-server|" \
        "$root/lib/systemd/system/vkt-server.service" >"$work/vkt-server.service"
    complaints=$(systemd-analyze verify --man=no "$work/vkt-server.service" 2>&1) ||
        fail "systemd-analyze verify: $complaints"
    [[ -z $complaints ]] || fail "systemd-analyze verify: $complaints"
    echo "systemd-analyze verify: no complaint"
else
    echo "systemd-analyze not available: unit not verified"
fi

step "the service's user and folders"
# What the package's postinst makes with systemd's tools, made here in an empty root.
if command -v systemd-sysusers >/dev/null && command -v systemd-tmpfiles >/dev/null; then
    sysroot=$work/sysroot
    mkdir -p "$sysroot/etc"
    systemd-sysusers --root="$sysroot" "$root/usr/lib/sysusers.d/vkt-server.conf" >/dev/null
    systemd-tmpfiles --root="$sysroot" --create "$root/usr/lib/tmpfiles.d/vkt-server.conf"
    uid=$(awk -F: '$1 == "vkt-server" {print $3}' "$sysroot/etc/passwd")
    [[ -n $uid ]] || fail "sysusers.d makes no user vkt-server"
    owners=$(cd "$sysroot/var/lib/vkt-server" && stat -c '%n:%u:%g:%a' inbox outbox users | tr '\n' ' ')
    [[ $owners == "inbox:$uid:$uid:750 outbox:0:$uid:750 users:0:$uid:750 " ]] ||
        fail "service folders (name:uid:gid:mode): $owners"
    echo "user vkt-server ($uid); folders $owners"
else
    echo "systemd-sysusers or systemd-tmpfiles not available: not checked"
fi

step "Debian packages"
(cd "$build" && cpack -G DEB -B "$build/packages" >/dev/null)
rm -rf "$build/packages/_CPack_Packages"
shopt -s nullglob
debs=("$build"/packages/*.deb)
((${#debs[@]} == 5)) || fail "expected five packages, found ${#debs[@]}"
for deb in "${debs[@]}"; do
    echo "== $(basename "$deb")"
    dpkg-deb --field "$deb" Package Version Depends
    dpkg-deb --contents "$deb" | awk '{$1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print "   " $0}'
done
if command -v lintian >/dev/null; then
    lintian --fail-on error "${debs[@]}"
    echo "lintian: no error"
else
    fail "lintian is not installed (scripts/bootstrap.sh installs it)"
fi
echo "package: all checks passed; packages in ${build#"$PWD"/}/packages"
