#!/usr/bin/env bash
# Lays out the Windows program folder beside the cross-built programs and
# makes the setup program from it with NSIS:
#   bash windows/make-setup.sh BUILD_FOLDER PREFIX VERSION
# The folder gets the DLLs the programs need (found from their imports), Qt's
# plugins (the windows and offscreen platforms, the SQLite and PostgreSQL
# drivers, styles, image formats, TLS), Qt's Persian texts, the Persian
# typefaces from Debian's font packages, and a qt.conf that points Qt at it.
set -euo pipefail
build=$(cd "$1" && pwd) prefix=$2 version=$3
here=$(cd "$(dirname "$0")" && pwd)
program=$build/Mehrsan
host=x86_64-w64-mingw32
search=("$prefix/bin" "$prefix/lib" /usr/lib/gcc/$host/12-posix /usr/$host/lib)

# The DLLs a file imports that are not the system's own, and theirs in turn.
# Windows names are not case-sensitive: Qt's driver imports LIBPQ.dll, which
# libpq's build names libpq.dll.
named() { find "$1" -maxdepth 1 -type f -iname "$2" 2>/dev/null | head -1; }
copy_imports() {
  local file=$1 dll found dir
  for dll in $($host-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
    [ -n "$(named "$program" "$dll")" ] && continue
    found=
    for dir in "${search[@]}"; do
      found=$(named "$dir" "$dll")
      [ -n "$found" ] && break
    done
    [ -n "$found" ] || continue   # a DLL of Windows itself
    cp "$found" "$program/"
    copy_imports "$program/$(basename "$found")"
  done
}

for plugins in platforms/qwindows.dll platforms/qoffscreen.dll sqldrivers/qsqlite.dll sqldrivers/qsqlpsql.dll \
               styles tls imageformats; do
  if [ -e "$prefix/plugins/$plugins" ]; then
    mkdir -p "$program/$(dirname "$plugins")"
    if [ -d "$prefix/plugins/$plugins" ]; then
      mkdir -p "$program/$plugins" && cp "$prefix/plugins/$plugins"/*.dll "$program/$plugins/"
    else
      cp "$prefix/plugins/$plugins" "$program/$plugins"
    fi
  else
    echo "  missing plugin: $plugins" >&2
  fi
done
for file in "$program"/*.exe "$program"/*/*.dll; do
  copy_imports "$file"
done

# Qt's own texts (buttons of message boxes, ...) in Persian.
mkdir -p "$program/translations"
cp /usr/share/qt6/translations/qtbase_fa.qm "$program/translations/"
printf '[Paths]\r\nPrefix=.\r\nPlugins=.\r\nTranslations=translations\r\n' > "$program/qt.conf"

# The typefaces the windows are mapped to, loaded when Windows lacks them.
mkdir -p "$program/fonts"
cp /usr/share/fonts/truetype/farsiweb/{nazli,nazlib,titr}.ttf \
   /usr/share/fonts/truetype/noto/NotoNaskhArabic-{Regular,Bold}.ttf \
   /usr/share/fonts/truetype/dejavu/DejaVuSans{,-Bold}.ttf "$program/fonts/"

# What the uninstaller removes: every file set down here, the folders
# deepest first; DBTavor and Back hold the records and are not listed.
list=$build/uninstall-files.nsh
(
  cd "$program"
  find . -type f ! -path './DBTavor/*' ! -path './Back/*' | sed 's|^\./||' | sort |
    while read -r f; do printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}"; done
  find . -mindepth 1 -type d ! -path './DBTavor*' ! -path './Back*' | sed 's|^\./||' | sort -r |
    while read -r d; do printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}"; done
) > "$list"

setup=$build/mehrsan-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DPROGRAM_DIR="$program" -DOUTFILE="$setup" \
         -DFILE_LIST="$list" "$here/mehrsan.nsi"
echo "$setup"
