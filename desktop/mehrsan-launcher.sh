#!/bin/sh
# Starts Mehrsan from the desktop menu. The installed program folder is
# read-only, so each user works in a program folder of their own: the one
# named by MEHRSAN_HOME, else ~/.local/share/Mehrsan, filled on first start
# with the shipped database (never over an existing one), the skins and Back/.
# The folder holds named people's test results: it and everything in it are
# the user's alone (0700 folders, 0600 files), also when it was made before.
set -e
umask 077
installed="$(cd "$(dirname "$(readlink -f "$0")")/../@CMAKE_INSTALL_LIBDIR@/mehrsan" && pwd)"
home="${MEHRSAN_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/Mehrsan}"
mkdir -p "$home/DBTavor" "$home/Back"
chmod -R go-rwx "$home"
if [ ! -e "$home/DBTavor/DBTavor.mdb" ]; then
  cp "$installed/DBTavor/DBTavor.mdb" "$home/DBTavor/DBTavor.mdb"
  chmod 600 "$home/DBTavor/DBTavor.mdb"
fi
for skin in "$installed"/*.skn; do
  [ -e "$skin" ] && cp -f "$skin" "$home/"
done
# The updater is started from the program folder too, by Mehrsan or by hand. A
# link would make it take the read-only installed folder for its own: this
# starter names the folder it lies in, however it is started.
# The installed path goes in single quotes, each ' of it written '\'', so that
# nothing in it ($, `, ") is taken for shell syntax.
if [ -x "$installed/Zelqupdate" ]; then
  starter="$home/Zelqupdate"
  quoted="$(printf '%s' "$installed/Zelqupdate" | sed "s/'/'\\\\''/g")"
  rm -f "$starter.new"
  printf '%s\n' '#!/bin/sh' \
    '# Starts the installed Zelqupdate with the folder of this file as its program folder.' \
    "MEHRSAN_HOME=\"\$(dirname \"\$(readlink -f \"\$0\")\")\" exec '$quoted' \"\$@\"" \
    > "$starter.new"
  chmod 700 "$starter.new"
  mv -f "$starter.new" "$starter"
fi
export MEHRSAN_HOME="$home"
exec "$installed/Mehrsan" "$@"
