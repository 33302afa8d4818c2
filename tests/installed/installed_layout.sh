#!/bin/bash
# The installed layout, as a user meets it: install into a temporary prefix as
# root, then start both programs as the unprivileged user "nobody" with a fresh
# home, offscreen, and check where every file lands. The update is driven by
# the generic plugin UiDriverPlugin (clicks by objectName, answers message
# boxes) against a local HTTP server.
#
# installed_layout.sh <build folder> <ui driver plugin file> [installed prefix]
# With a prefix (the /usr of an unpacked Debian package, say) that tree is
# checked instead of one made with cmake --install.
set -u
build="$1"
driver="$2"
given_prefix="${3:-}"

if [ "$(id -u)" != 0 ]; then
  echo "SKIP: installing and switching to another user needs root"
  exit 77
fi
for tool in runuser python3 cmake timeout; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if eval "$1"; then echo "ok: $2"; else fail "$2"; fi; }

work="$(mktemp -d /tmp/mehrsan-installed.XXXXXX)"
chmod 755 "$work"
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A prefix with shell syntax in its name: nothing the launcher writes may run it.
prefix="$work/pre'fix \$(touch $work/pwned)"
if [ -n "$given_prefix" ]; then
  prefix="$given_prefix"
else
  (umask 022 && cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1) \
    || { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }
fi
mkdir -p "$work/plugins/generic"
cp "$driver" "$work/plugins/generic/"
chmod -R a+rX "$work/plugins"

# The vendor's site: a newer version and a "setup" that notes who ran it where.
site="$work/site"
mkdir -p "$site/Soft/Zelq"
echo "9.9" >"$site/Soft/Zelq/LastVersion.txt"
printf '%s\n' '#!/bin/sh' 'here="$(dirname "$(readlink -f "$0")")"' '{ id -un; echo "$here"; } >"$HOME/.setup-ran"' \
  'mv "$HOME/.setup-ran" "$HOME/setup-ran"' \
  >"$site/Soft/Zelq/setup-Zelq.exe"
# Signed by the test build's publisher key, as the publisher signs a release.
secret="$(sed -n 's/^MEHRSAN_UPDATE_KEYS:[A-Z]*=\(.*\)\.pub$/\1.sec/p' "$build/CMakeCache.txt" | cut -d';' -f1)"
[ -f "$secret" ] || { echo "SKIP: the build has no publisher key (bash setup.sh test makes one)"; exit 77; }
setup="$site/Soft/Zelq/setup-Zelq.exe"
printf 'version 9.9\nfile setup-Zelq.exe\nsize %s\nsha256 %s\n' "$(stat -c %s "$setup")" \
  "$(sha256sum "$setup" | cut -d' ' -f1)" >"$setup.manifest"
signify-openbsd -S -s "$secret" -m "$setup.manifest" || { echo "FAIL: signify"; exit 1; }
chmod -R a+rX "$site"
python3 -u -c '
import functools, http.server, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
handler.log_message = lambda *a: None
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
print(server.server_address[1], flush=True)
server.serve_forever()' "$site" >"$work/port" 2>/dev/null &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(cat "$work/port")"
[ -n "$port" ] || { echo "FAIL: no HTTP server"; exit 1; }

home="$work/home"
mkdir -p "$home" "$work/log"
chown nobody: "$home" "$work/log"
userfolder="$home/.local/share/Mehrsan"
log="$work/log/ui.log"

snapshot() { (cd "$prefix" && find . -printf '%p %s %m %T@\n' | sort); }
snapshot >"$work/installed-before"

# Runs a command as nobody with a fresh environment; $1 are the driver's steps.
as_nobody() {
  local steps="$1"
  shift
  umask 022
  timeout 120 runuser -u nobody -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false' \
    QT_PLUGIN_PATH="$work/plugins" QT_QPA_GENERIC_PLUGINS=mehrsanuidriver \
    MEHRSAN_UI_STEPS="$steps" MEHRSAN_UI_LOG="$log" MEHRSAN_UI_QUIT_AFTER_MS=60000 \
    MEHRSAN_SITE_URL="http://127.0.0.1:$port" "$@"
}

# Waits for the setup program to have run, then checks it ran as the user,
# from the checked copy in a folder of the user's alone.
expect_setup_in_user_folder() {
  local how="$1"
  for _ in $(seq 600); do [ -s "$home/setup-ran" ] && break; sleep 0.1; done
  local ran_in
  ran_in="$(sed -n 2p "$home/setup-ran" 2>/dev/null)"
  check '[ "$(sed -n 1p "$home/setup-ran" 2>/dev/null)" = nobody ]' "$how: the setup ran as nobody"
  check '[[ "$(basename "$ran_in")" == Zelqupdate-* ]] && [ "$(stat -c %a:%U "$ran_in")" = 700:nobody ]' \
    "$how: the setup ran from a copy in a 0700 folder of the user's own ($ran_in)"
  check 'cmp -s "$userfolder/setup-Zelq.exe" "$site/Soft/Zelq/setup-Zelq.exe"' \
    "$how: the setup was downloaded whole into the user's folder"
  check '! grep -q "Cannot write\|Error|" "$log"' "$how: no error box ($(grep -a "Error|" "$log" | head -1))"
  check '! grep -q "|timeout" "$log"' "$how: the updater ended by itself"
  rm -f "$home/setup-ran" "$userfolder/setup-Zelq.exe"
  : >"$log"
}

# 1. The menu's launcher starts Mehrsan; its update check starts Zelqupdate.
as_nobody "Frm1/Command17 FrmUpdate/Command1 Progress/cmdUpdate" "$prefix/bin/mehrsan"
check 'runuser -u nobody -- test -w "$userfolder/DBTavor/DBTavor.mdb"' "the database is in the user's folder, writable"
check '[ -d "$userfolder/Back" ] && ls "$userfolder"/*.skn >/dev/null 2>&1' "Back/ and the skins are in the user's folder"
check '[ -f "$userfolder/Zelqupdate" ] && [ ! -L "$userfolder/Zelqupdate" ] && [ -x "$userfolder/Zelqupdate" ]' \
  "the user's folder has a Zelqupdate of its own to start"
check 'grep -q "click|FrmUpdate/Command1" "$log"' "Mehrsan's update check ran"
expect_setup_in_user_folder "started by Mehrsan"

# 2. By hand, by its full path, from another folder, without MEHRSAN_HOME.
as_nobody "Progress/cmdUpdate" sh -c 'cd / && "$0"' "$userfolder/Zelqupdate"
expect_setup_in_user_folder "started by hand by full path"

# 3. By hand, from its folder, by a relative path.
as_nobody "Progress/cmdUpdate" sh -c 'cd "$0" && ./Zelqupdate' "$userfolder"
expect_setup_in_user_folder "started by hand as ./Zelqupdate"

# 4. Through a link the user made elsewhere, with another MEHRSAN_HOME about.
mkdir -p "$work/links"
ln -s "$userfolder/Zelqupdate" "$work/links/zelq"
as_nobody "Progress/cmdUpdate" env MEHRSAN_HOME="$work/links" "$work/links/zelq"
expect_setup_in_user_folder "started through a link"
check '[ ! -e "$work/links/setup-Zelq.exe" ]' "nothing landed beside the link"

# The records are the user's alone: every folder 0700, every file 0600 (0700
# for the two programs to run), whatever the umask; another user reads nothing.
loose="$(find "$userfolder" \( -type d ! -perm 700 \) -o \( -type f -perm /077 \) | head -3)"
check '[ -z "$loose" ]' "every folder is 0700 and no file is open to others ($loose)"
check '[ "$(stat -c %a "$userfolder/DBTavor/DBTavor.mdb")" = 600 ]' "the database is 0600"
other_reads=0
while IFS= read -r f; do
  runuser -u daemon -- head -c1 "$f" >/dev/null 2>&1 && other_reads=$((other_reads + 1))
done < <(find "$userfolder" -type f)
check '[ "$other_reads" = 0 ]' "another user reads none of the files ($other_reads read)"
# A folder made loose before is tightened by the next start.
chmod 755 "$userfolder" "$userfolder/Back"
chmod 644 "$userfolder/DBTavor/DBTavor.mdb"
as_nobody "" env MEHRSAN_UI_QUIT_AFTER_MS=2000 "$prefix/bin/mehrsan"
check '[ "$(stat -c %a "$userfolder")/$(stat -c %a "$userfolder/Back")/$(stat -c %a "$userfolder/DBTavor/DBTavor.mdb")" = 700/700/600 ]' \
  "the launcher tightens a folder made loose before"
check '[ ! -e "$work/pwned" ]' "nothing in the install path was run as a command"

# The installed folder is as installed: nothing written, nothing changed.
snapshot >"$work/installed-after"
check 'diff "$work/installed-before" "$work/installed-after" >/dev/null' "the installed prefix is unchanged"

# The menu entry names one main category, so menus list it once.
entry="$prefix/share/applications/mehrsan.desktop"
main_categories="$(grep '^Categories=' "$entry" | cut -d= -f2 | tr ';' '\n' |
  grep -cxE 'AudioVideo|Audio|Video|Development|Education|Game|Graphics|Network|Office|Science|Settings|System|Utility')"
check '[ "$main_categories" = 1 ]' "the menu entry has one main category ($main_categories)"
if command -v desktop-file-validate >/dev/null; then
  check 'desktop-file-validate "$entry"' "desktop-file-validate accepts the menu entry"
fi

[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
