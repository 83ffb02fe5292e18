#!/bin/sh
# deb-test.sh BUILD_DIR VERSION: builds the Debian package from the build
# tree with cpack, runs lintian on it, installs it with dpkg (apt-get brings
# what is missing), uses both programs and the manual pages, and removes it
# again, checking that the user's database stays.
set -eu
build=$(cd "$1" && pwd)
version=$2

skip() {
    echo "SKIP   : tst_debpackage: $*"
    exit 77
}
fail() {
    echo "FAIL!  : tst_debpackage: $*" >&2
    exit 1
}

command -v dpkg >/dev/null || skip "not a Debian system: there is no dpkg to install a package with"
if [ "$(id -u)" = 0 ]; then
    root=
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    root="sudo -n"
else
    skip "installing a package needs root, or sudo without a password"
fi
for tool in cpack lintian dpkg-shlibdeps man; do
    command -v "$tool" >/dev/null ||
        fail "$tool is missing; make test installs it (lintian, dpkg-dev, man-db)"
done
if dpkg-query -W -f='${Status}' quorvel 2>/dev/null | grep -q 'ok installed'; then
    skip "a quorvel package is installed on this machine already; the test would replace it"
fi

work=$(mktemp -d)
installed=
cleanup() {
    if [ -n "$installed" ]; then
        $root dpkg --purge quorvel >/dev/null ||
            echo "tst_debpackage: could not remove the package; run: dpkg --purge quorvel" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack could not build the package (is the build complete? make test builds it)"
}
deb=$(echo "$work"/out/quorvel_"$version"-*_*.deb)
[ -f "$deb" ] || fail "cpack made no quorvel_$version-*.deb in $work/out"
echo "Built $(basename "$deb")"

clean=yes
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || clean=
grep -v 'running with root privileges' "$work/lintian.log" || true
[ -n "$clean" ] || fail "lintian reports errors on $(basename "$deb")"

installed=yes
# Debian's container images keep dpkg from unpacking manual pages; these are
# part of what is tested.
if ! $root dpkg --path-include='/usr/share/man/man1/quorvel*' -i "$deb" >"$work/dpkg.log" 2>&1; then
    $root env DEBIAN_FRONTEND=noninteractive apt-get -f install -y -q >>"$work/dpkg.log" 2>&1 || {
        cat "$work/dpkg.log"
        fail "the package could not be installed, nor its dependencies by apt-get -f install"
    }
fi
dpkg-query -W -f='${Status}' quorvel | grep -q 'install ok installed' || {
    cat "$work/dpkg.log"
    fail "the package is not installed after dpkg -i and apt-get -f install"
}

home=$work/home
mkdir "$home"
run() { env -u XDG_DATA_HOME -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" "$@"; }

said=$(run /usr/bin/quorvel-cli --version) || fail "quorvel-cli --version failed"
[ "$said" = "quorvel-cli $version" ] || fail "quorvel-cli --version said \"$said\""
# The program loads every library it links before it looks at its arguments.
said=$(run /usr/bin/quorvel --version) || fail "quorvel --version failed"
[ "$said" = "quorvel $version" ] || fail "quorvel --version said \"$said\""

db=$home/.local/share/Quorvel/quorvel.db
said=$(run /usr/bin/quorvel-cli init-db) || fail "quorvel-cli init-db failed"
[ "$said" = "Created an empty Quorvel database at $db" ] ||
    fail "quorvel-cli init-db said \"$said\", not where it made $db"
run /usr/bin/quorvel-cli check-db "$db" || fail "init-db made no Quorvel database at $db"

for page in quorvel quorvel-cli; do
    found=$(man -w "$page") || fail "man -w $page finds no manual page"
    [ "$found" = "/usr/share/man/man1/$page.1.gz" ] || fail "man -w $page found $found"
done
[ -f /usr/share/applications/quorvel.desktop ] || fail "the menu entry is not installed"

# What apt remove does; the user's database is not the package's.
$root dpkg --remove quorvel >"$work/dpkg.log" 2>&1 || {
    cat "$work/dpkg.log"
    fail "dpkg --remove quorvel failed"
}
installed=
[ ! -e /usr/bin/quorvel-cli ] || fail "quorvel-cli is still there after the package was removed"
[ -f "$db" ] || fail "removing the package removed the user's database $db"
echo "PASS   : tst_debpackage: built, lintian-clean, installed, used and removed"
