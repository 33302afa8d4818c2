#!/bin/sh
# Starts Mehrsan from the desktop menu. The installed program folder is
# read-only, so each user works in a program folder of their own: the one
# named by MEHRSAN_HOME, else ~/.local/share/Mehrsan, filled on first start
# with the shipped database (never over an existing one), the skins and Back/.
set -e
installed="$(cd "$(dirname "$(readlink -f "$0")")/../@CMAKE_INSTALL_LIBDIR@/mehrsan" && pwd)"
home="${MEHRSAN_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/Mehrsan}"
mkdir -p "$home/DBTavor" "$home/Back"
if [ ! -e "$home/DBTavor/DBTavor.mdb" ]; then
  cp "$installed/DBTavor/DBTavor.mdb" "$home/DBTavor/DBTavor.mdb"
  chmod u+w "$home/DBTavor/DBTavor.mdb"
fi
for skin in "$installed"/*.skn; do
  [ -e "$skin" ] && cp -f "$skin" "$home/"
done
# The updater is started from the program folder too.
[ -x "$installed/Zelqupdate" ] && ln -sf "$installed/Zelqupdate" "$home/Zelqupdate"
export MEHRSAN_HOME="$home"
exec "$installed/Mehrsan" "$@"
