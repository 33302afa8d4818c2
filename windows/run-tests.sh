#!/usr/bin/env bash
# The Windows build's tests under Wine (bash setup.sh windows-test runs this):
#   bash windows/run-tests.sh BUILD_FOLDER PREFIX SETUP_EXE
# 1. every Qt Test program of the Windows build, through ctest, with wine64 as
#    the cross-compiling emulator and an X display from Xvfb (Qt's event loop
#    makes a hidden window even offscreen);
# 2. the setup program: installed silently (/S) into a fresh Wine user, the
#    installed Mehrsan started and its main window drawn to a picture, a
#    clinic's working day (register, key, print to PDF, back up, restore) on a
#    copy of the installed program folder, an update over it that keeps the
#    records, and the uninstaller, which keeps them too unless asked.
set -uo pipefail
build=$(cd "$1" && pwd) prefix=$2 setup=$(readlink -f "$3")
here=$(cd "$(dirname "$0")" && pwd)
wine=/usr/lib/wine/wine64
export WINEDEBUG=-all
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if eval "$1"; then echo "ok: $2"; else fail "$2"; fi; }

# Wine wants a display for the window the event loop makes.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

export WINEPREFIX=$build/wine
[ -d "$WINEPREFIX/drive_c" ] || $wine wineboot --init >/dev/null 2>&1
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

echo "== Qt Test programs under Wine"
(cd "$build" && ctest -j2 --output-on-failure --timeout 600) | tee "$build/windows-ctest.log"
ctest_status=${PIPESTATUS[0]}
[ "$ctest_status" = 0 ] || fail "Qt Test programs under Wine (see $build/windows-ctest.log)"
grep -E "tests passed|Windows tests" "$build/windows-ctest.log" "$build/CMakeCache.txt" 2>/dev/null | tail -2
sed -n 's/^-- Windows tests: /Left out and run: /p' "$build/windows-configure.log" 2>/dev/null

echo "== The windows drawn under Wine"
rm -rf "$build/pictures"
(cd "$build/tests/windows" && WINEPATH="$prefix/bin" timeout 600 $wine ./render_windows.exe "Z:$build/pictures" -platform offscreen) \
  >"$build/render.log" 2>&1
check '[ "$(ls "$build/pictures"/*.png 2>/dev/null | wc -l)" -ge 10 ]' \
  "the windows drawn under Wine: $(ls "$build/pictures"/*.png 2>/dev/null | wc -l) pictures in $build/pictures"

echo "== The setup program"
export WINEPREFIX=$build/wine-setup
rm -rf "$WINEPREFIX"
$wine wineboot --init >/dev/null 2>&1
user=$(ls "$WINEPREFIX/drive_c/users" | grep -v Public | head -1)
profile=$WINEPREFIX/drive_c/users/$user
installed=$profile/AppData/Local/Programs/Mehrsan
startmenu="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"

timeout 300 $wine "$setup" /S
$wineserver -w
check '[ -f "$installed/Mehrsan.exe" ] && [ -f "$installed/Zelqupdate.exe" ] && [ -f "$installed/Uninstall.exe" ]' \
  "the programs are installed in the user's own profile (no administrator)"
for f in platforms/qwindows.dll platforms/qoffscreen.dll sqldrivers/qsqlite.dll sqldrivers/qsqlpsql.dll libpq.dll \
         Qt6Core.dll Qt6Widgets.dll qt.conf translations/qtbase_fa.qm fonts/nazli.ttf fonts/titr.ttf \
         fonts/NotoNaskhArabic-Regular.ttf DBTavor/DBTavor.mdb; do
  check '[ -f "$installed/$f" ]' "installed: $f"
done
check 'ls "$installed"/*.skn >/dev/null 2>&1 && [ -d "$installed/Back" ]' "installed: the skins and Back"
check '[ -f "$startmenu/مهرسان.lnk" ] && [ -f "$profile/Desktop/مهرسان.lnk" ]' \
  "Start-menu and desktop shortcuts with the Persian name"

# The installed Mehrsan, started as the shortcut starts it (its own folder as
# working folder), with the operator's stand-in plugin, which draws the main
# window to a picture and ends the program.
mkdir -p "$installed/generic"
cp "$build/tests/windows/mehrsan_ui_driver.dll" "$installed/generic/"
picture=$build/Windows-mainwindow.png
rm -f "$picture" "$build/ui.log"
(cd "$installed" && MEHRSAN_UI_GRAB="Frm1=Z:$picture" MEHRSAN_UI_LOG="Z:$build/ui.log" MEHRSAN_UI_QUIT_AFTER_MS=20000 \
   timeout 120 $wine ./Mehrsan.exe -plugin mehrsanuidriver)
check '[ -s "$picture" ]' "the installed Mehrsan showed its main window ($picture)"
check '! grep -q "Error|" "$build/ui.log" 2>/dev/null' "no error box at the start ($(grep -a "|" "$build/ui.log" 2>/dev/null | head -2))"
check '[ -f "$installed/DBTavor/DBTavor.mdb" ]' "the database is where the program left it"
rm -rf "$installed/generic"

# A working day on the installed program folder: the end-to-end test program
# copies its database and skins from there.
# Qt Test's results go to a file: what a program writes to its standard
# output under Wine does not always reach this shell.
rm -f "$build/workingday.log"
(cd "$build/tests/windows" && MEHRSAN_TEST_PROGRAM_DIR="Z:$installed" timeout 600 $wine ./tst_workingday.exe -platform offscreen \
   -o "Z:$build/workingday.log,txt") >/dev/null 2>&1
check 'grep -q "^Totals: [0-9]* passed, 0 failed" "$build/workingday.log"' \
  "register, key, print to PDF, back up and restore on the installed folder ($(grep ^Totals "$build/workingday.log"))"

# The clinic's records before the update and the uninstall.
echo "records of the clinic" >"$installed/Back/backup-of-the-clinic"
printf 'kept' >>"$installed/DBTavor/DBTavor.mdb"
cp "$installed/DBTavor/DBTavor.mdb" "$build/records-before.mdb"
timeout 300 $wine "$setup" /S
$wineserver -w
check 'cmp -s "$installed/DBTavor/DBTavor.mdb" "$build/records-before.mdb"' "an update keeps the database"

timeout 300 $wine "$installed/Uninstall.exe" /S
$wineserver -w
check '[ ! -f "$installed/Mehrsan.exe" ] && [ ! -f "$installed/Qt6Core.dll" ] && [ ! -d "$installed/platforms" ]' \
  "the uninstaller removes the program"
check '[ ! -f "$startmenu/مهرسان.lnk" ] && [ ! -f "$profile/Desktop/مهرسان.lnk" ]' "and its shortcuts"
check 'cmp -s "$installed/DBTavor/DBTavor.mdb" "$build/records-before.mdb" && [ -f "$installed/Back/backup-of-the-clinic" ]' \
  "the uninstaller keeps the database and the backups"

echo "== $((failures)) failed"
[ "$failures" = 0 ]
