#!/bin/bash
# The Debian package as an IT person meets it: made with cpack from the build,
# its file list, lintian (no errors), the AppStream file validated, its
# dependencies resolvable by apt, and the unpacked tree run as a user runs it
# (both programs, through installed_layout.sh).
#
# debian_package.sh <build folder> <ui driver plugin file>
set -u
build="$1"
driver="$2"
here="$(dirname "$(readlink -f "$0")")"
for tool in cpack dpkg-deb lintian appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (bash setup.sh test installs it)"; exit 77; }
done
[ "$(id -u)" = 0 ] || { echo "SKIP: the unpacked tree is run as another user, which needs root"; exit 77; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if eval "$1"; then echo "ok: $2"; else fail "$2"; fi; }

work="$(mktemp -d /tmp/mehrsan-deb.XXXXXX)"
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
deb="$work/out/mehrsan_${version}_amd64.deb"
check '[ -f "$deb" ]' "cpack made mehrsan_${version}_amd64.deb"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/mehrsan /usr/lib/mehrsan/Mehrsan /usr/lib/mehrsan/Zelqupdate /usr/lib/mehrsan/DBTavor/DBTavor.mdb \
  /usr/lib/mehrsan/Back/ /usr/share/applications/mehrsan.desktop /usr/share/icons/hicolor/scalable/apps/mehrsan.svg \
  /usr/share/metainfo/ir.zelq.Mehrsan.metainfo.xml /usr/share/doc/mehrsan/copyright /usr/share/doc/mehrsan/changelog.gz \
  /usr/share/man/man1/mehrsan.1.gz /usr/share/man/man1/zelqupdate.1.gz; do
  check 'grep -qx "$f" "$work/files"' "the package holds $f"
done
check '[ "$(grep -c "^/usr/lib/mehrsan/[^/]*\.skn$" "$work/files")" = 14 ]' "the package holds the 14 skin files"
check '! grep -qv "^/usr/" "$work/files"' "everything lies under /usr"
check 'dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" && dpkg-deb -f "$deb" Depends | grep -q "libqt6sql6-sqlite"' \
  "dependencies from dpkg-shlibdeps and the Qt plugins"

lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
lintian_rc=$?
check '[ "$lintian_rc" = 0 ] && ! grep -q "^[EW]: " "$work/lintian.log"' "lintian reports no errors and no warnings"
grep '^[EW]: ' "$work/lintian.log"

mkdir -p "$work/tree"
dpkg-deb -x "$deb" "$work/tree"
# Persian as the program spells it: Arabic yeh, never the Farsi one.
check '! grep -q "ی" "$work/tree/usr/share/metainfo/ir.zelq.Mehrsan.metainfo.xml" "$work/tree/usr/share/applications/mehrsan.desktop"' \
  "the AppStream file and the menu entry spell Persian as the program does"
for page in mehrsan zelqupdate; do
  check 'LC_ALL=C.UTF-8 MANROFFSEQ= man --warnings -E UTF-8 -l -Tutf8 "$work/tree/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null | { ! grep -q .; }' \
    "the manual page of $page reads without warnings"
done
check 'appstreamcli validate --no-net "$work/tree/usr/share/metainfo/ir.zelq.Mehrsan.metainfo.xml" >"$work/appstream.log" 2>&1' \
  "appstreamcli validate passes"
if command -v apt-get >/dev/null; then
  check 'apt-get install -s -qq "$deb" >"$work/apt.log" 2>&1' "apt can install it with what it depends on"
fi

# The unpacked tree, run as a user runs the installed package.
chmod -R a+rX "$work/tree"
bash "$here/installed_layout.sh" "$build" "$driver" "$work/tree/usr" || fail "the unpacked tree as installed"

[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
