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
# The updater is started from the program folder too, by Mehrsan or by hand. A
# link would make it take the read-only installed folder for its own: this
# starter names the folder it lies in, however it is started.
if [ -x "$installed/Zelqupdate" ]; then
  starter="$home/Zelqupdate"
  rm -f "$starter.new"
  printf '%s\n' '#!/bin/sh' \
    '# Starts the installed Zelqupdate with the folder of this file as its program folder.' \
    "MEHRSAN_HOME=\"\$(dirname \"\$(readlink -f \"\$0\")\")\" exec \"$installed/Zelqupdate\" \"\$@\"" \
    > "$starter.new"
  chmod 755 "$starter.new"
  mv -f "$starter.new" "$starter"
fi
export MEHRSAN_HOME="$home"
exec "$installed/Mehrsan" "$@"
