#!/usr/bin/env bash
# Builds the libraries Mehrsan needs for 64-bit Windows from Debian's own
# source packages (fetched with apt-get source, checked by apt), with the
# MinGW-w64 cross compilers, into a cache folder outside the program's build:
#   $MEHRSAN_WIN_CACHE/src      the unpacked source packages
#   $MEHRSAN_WIN_CACHE/build    each library's build folder
#   $MEHRSAN_WIN_CACHE/prefix   what they install: Qt, SQLite, libpq, OpenSSL, ReadStat
#   $MEHRSAN_WIN_CACHE/logs     one log a step
# A step that has finished leaves a stamp and is not done again; a step that
# fails leaves none, so the next run starts it anew.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${MEHRSAN_WIN_CACHE:-/var/cache/mehrsan-windows}
src=$cache/src build=$cache/build prefix=$cache/prefix logs=$cache/logs stamps=$cache/stamps
mkdir -p "$src" "$build" "$prefix" "$logs" "$stamps"
export MEHRSAN_WIN_PREFIX=$prefix
jobs=${MEHRSAN_WIN_JOBS:-2}
host=x86_64-w64-mingw32
toolchain=$here/toolchain.cmake
# The libraries build at the lowest priority: the machine stays usable.
lowly() { nice -n 19 "$@"; }

# How a step builds now: a stamp left by an older recipe is built again
# (SQLite as a DLL that the program and Qt's driver share, libpq with TLS).
declare -A recipe=([sqlite]=dll [libpq]=tls [sqldrivers]=sqlite-dll)

step() {  # step NAME COMMAND...: runs COMMAND once, logging to logs/NAME.log
  local name=$1; shift
  local want=${recipe[$name]:-}
  if [ -f "$stamps/$name" ] && [ "$(cat "$stamps/$name")" = "$want" ]; then echo "  $name: built before"; return 0; fi
  rm -f "$stamps/$name"
  local start=$SECONDS
  echo "  $name: building (log $logs/$name.log)"
  if "$@" >"$logs/$name.log" 2>&1; then
    printf '%s' "$want" >"$stamps/$name"
    echo "  $name: done in $(( (SECONDS - start) / 60 )) min $(( (SECONDS - start) % 60 )) s"
  else
    echo "  $name: FAILED, see $logs/$name.log" >&2
    tail -20 "$logs/$name.log" >&2
    return 1
  fi
}

# The source packages, by the version the suites hold now. The first version
# apt offers whose files the mirror has is taken.
fetch() {  # fetch PACKAGE: unpacks PACKAGE's source under src/ once
  local package=$1
  if ls -d "$src/$package"-[0-9]* >/dev/null 2>&1; then return 0; fi
  local version
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV -u); do
    if (cd "$src" && apt-get source -qq "$package=$version") >>"$logs/fetch-$package.log" 2>&1; then
      return 0
    fi
  done
  echo "  $package: no source package could be fetched (see $logs/fetch-$package.log)" >&2
  return 1
}
sourcedir() { ls -d "$src/$1"-[0-9]* | head -1; }

build_qtbase() {
  local s; s=$(sourcedir qt6-base)
  mkdir -p "$build/qtbase"
  cd "$build/qtbase"
  cmake -G Ninja -S "$s" -B . -C "$here/qtbase-options.cmake" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DMEHRSAN_WIN_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix"
  lowly cmake --build . -j"$jobs"
  cmake --install .
}

# SQLite's amalgamation is made from the canonical source with tclsh, then
# compiled with Debian's own options into sqlite3.dll: Qt's driver and the
# program (which reads rows and sets the busy handler on the driver's own
# connection) must share one SQLite, as they share Debian's on Linux.
build_sqlite() {
  local s; s=$(sourcedir sqlite3)
  rm -rf "$build/sqlite" && mkdir -p "$build/sqlite" && cd "$build/sqlite"
  "$s/configure" --disable-tcl >/dev/null
  make sqlite3.c sqlite3.h
  local flags=(-O2 -fno-strict-aliasing -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_COLUMN_METADATA
    -DSQLITE_ENABLE_FTS3 -DSQLITE_ENABLE_FTS3_PARENTHESIS -DSQLITE_ENABLE_RTREE=1
    -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_ENABLE_JSON1
    -DSQLITE_LIKE_DOESNT_MATCH_BLOBS -DSQLITE_THREADSAFE=1 -DSQLITE_USE_URI=1
    -DSQLITE_MAX_SCHEMA_RETRY=25 -DSQLITE_ENABLE_STMTVTAB -DSQLITE_MAX_VARIABLE_NUMBER=250000)
  lowly $host-gcc-posix "${flags[@]}" -c sqlite3.c -o sqlite3.o
  $host-gcc-posix -shared -static-libgcc -o sqlite3.dll sqlite3.o -Wl,--out-implib,libsqlite3.dll.a
  mkdir -p "$prefix/include" "$prefix/lib" "$prefix/bin"
  cp sqlite3.h "$s/src/sqlite3ext.h" "$prefix/include/" 2>/dev/null || cp sqlite3.h "$prefix/include/"
  rm -f "$prefix/lib/libsqlite3.a"
  cp libsqlite3.dll.a "$prefix/lib/"
  cp sqlite3.dll "$prefix/bin/"
}

# OpenSSL 3's libcrypto, static, for the updater's Ed25519 signatures.
build_openssl() {
  local s; s=$(sourcedir openssl)
  rm -rf "$build/openssl" && mkdir -p "$build/openssl" && cd "$build/openssl"
  "$s/Configure" mingw64 --cross-compile-prefix=$host- --prefix="$prefix" --libdir=lib \
     no-shared no-tests no-engine no-module no-legacy no-dso no-async
  # The cross compiler of the posix flavour: CC names the whole tool.
  lowly make -j"$jobs" CC=$host-gcc-posix AR=$host-gcc-ar-posix RANLIB=$host-gcc-ranlib-posix build_libs
  make install_dev CC=$host-gcc-posix AR=$host-gcc-ar-posix RANLIB=$host-gcc-ranlib-posix
}

# libpq, the PostgreSQL client library, as libpq.dll, with TLS through the
# static OpenSSL above (a server away from the computer is reached only over
# TLS); OpenSSL's static libraries need these of Windows.
build_libpq() {
  local s; s=$(sourcedir postgresql-15)
  rm -rf "$build/libpq" && mkdir -p "$build/libpq" && cd "$build/libpq"
  "$s/configure" --host=$host CC=$host-gcc-posix AR=$host-gcc-ar-posix RANLIB=$host-gcc-ranlib-posix \
     --prefix="$prefix" --without-readline --without-zlib --without-icu --without-llvm --with-ssl=openssl \
     CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" LIBS="-lws2_32 -lgdi32 -lcrypt32 -lbcrypt"
  lowly make -j"$jobs" -C src/include
  lowly make -j"$jobs" -C src/port
  lowly make -j"$jobs" -C src/common
  lowly make -j"$jobs" -C src/interfaces/libpq
  make -C src/include install
  make -C src/interfaces/libpq install
}

# ReadStat, for SPSS and Stata files.
build_readstat() {
  local s; s=$(sourcedir readstat)
  rm -rf "$build/readstat" && mkdir -p "$build/readstat" && cd "$build/readstat"
  "$s/configure" --host=$host CC=$host-gcc-posix AR=$host-gcc-ar-posix RANLIB=$host-gcc-ranlib-posix \
     --prefix="$prefix" --disable-shared --enable-static
  lowly make -j"$jobs" libreadstat.la
  make install-libLTLIBRARIES install-pkgincludeHEADERS 2>/dev/null || make install
}

# Qt's SQLite and PostgreSQL drivers, built on their own against the Qt above.
build_sqldrivers() {
  local s; s=$(sourcedir qt6-base)
  rm -rf "$build/sqldrivers" && mkdir -p "$build/sqldrivers" && cd "$build/sqldrivers"
  "$prefix/bin/qt-cmake" -G Ninja -S "$s/src/plugins/sqldrivers" -B . \
     -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
     -DFEATURE_system_sqlite=ON -DSQLite3_INCLUDE_DIR="$prefix/include" -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.dll.a" \
     -DPostgreSQL_INCLUDE_DIR="$prefix/include" -DPostgreSQL_LIBRARY="$prefix/lib/libpq.a" \
     -DPostgreSQL_LIBRARY_RELEASE="$prefix/lib/libpq.a" \
     -DFEATURE_sql_odbc=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF
  grep -q "SQLite .*yes" config.summary 2>/dev/null || true
  lowly cmake --build . -j"$jobs"
  cmake --install .
}

# With step names as arguments (qtbase sqlite openssl libpq readstat
# sqldrivers), only those are built.
if [ $# -gt 0 ]; then
  for name in "$@"; do step "$name" "build_$name"; done
  exit 0
fi

echo "Libraries for Windows in $cache"
failed=()
for package in qt6-base sqlite3 openssl postgresql-15 readstat; do
  fetch "$package" || failed+=("$package")
done
has() { ls -d "$src/$1"-[0-9]* >/dev/null 2>&1; }
has qt6-base || { echo "qtbase's source is missing: nothing can be built" >&2; exit 1; }
step qtbase build_qtbase
has sqlite3 && step sqlite build_sqlite
has openssl && step openssl build_openssl
has postgresql-15 && step libpq build_libpq
if has readstat; then step readstat build_readstat || failed+=(readstat); fi
[ -f "$stamps/sqlite" ] && [ -f "$stamps/libpq" ] && step sqldrivers build_sqldrivers
for must in qtbase sqlite openssl libpq sqldrivers; do
  [ -f "$stamps/$must" ] || { echo "$must could not be built" >&2; exit 1; }
done
if [ ! -f "$stamps/readstat" ]; then
  echo "  readstat: not built (${failed[*]}): the Windows program is built without SPSS and Stata files" >&2
fi
