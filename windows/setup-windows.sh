#!/usr/bin/env bash
# The Windows build of Mehrsan, on a Debian 12 machine (as root):
#   bash setup.sh windows       the libraries for Windows (cached), Mehrsan.exe and
#                               Zelqupdate.exe, the program folder and
#                               build-windows/mehrsan-<version>-setup.exe
#   bash setup.sh windows-test  the same with the tests' update key in
#                               build-windows-test, the Qt Test programs run under
#                               Wine, and the setup installed, used and removed
# The libraries come from Debian's own source packages (apt-get source, checked
# by apt) and are built once into $MEHRSAN_WIN_CACHE (/var/cache/mehrsan-windows).
set -euo pipefail
cd "$(dirname "$0")/.."
command=${1:-windows}

packages=(cmake g++ make ninja-build ccache qt6-base-dev qt6-base-dev-tools qt6-translations-l10n sqlite3 tcl
          fonts-farsiweb fonts-noto-core fonts-dejavu-core dpkg-dev poppler-utils signify-openbsd
          g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine64 nsis xvfb xauth)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Source entries for the suites the machine already takes its packages from,
# so that apt-get source fetches (and checks) exactly those.
src_list=/etc/apt/sources.list.d/mehrsan-deb-src.sources
if [ ! -f "$src_list" ] && ! grep -rqs '^\s*deb-src\|^Types:.*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && [ "$f" != "$src_list" ] && sed 's/^Types:.*/Types: deb-src/' "$f" && echo
    done
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^\s*deb\s\+\(\[[^]]*\]\s\+\)\?\(\S\+\)\s\+\(\S\+\)\s\+\(.*\)$/Types: deb-src\nURIs: \2\nSuites: \3\nComponents: \4\n/p' \
        /etc/apt/sources.list
    fi
  } > "$src_list"
  echo "Added source entries: $src_list"
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cache=${MEHRSAN_WIN_CACHE:-/var/cache/mehrsan-windows}
export MEHRSAN_WIN_CACHE=$cache
start=$SECONDS
bash windows/build-libraries.sh
echo "Libraries ready after $(( (SECONDS - start) / 60 )) min"

prefix=$cache/prefix
build=build-windows
keys="${MEHRSAN_UPDATE_KEYS:-}"
targets=(--target Mehrsan Zelqupdate)
if [ "$command" = windows-test ]; then
  build=build-windows-test
  mkdir -p "$build/test-keys"
  [ -f "$build/test-keys/publisher.sec" ] ||
    signify-openbsd -G -n -p "$build/test-keys/publisher.pub" -s "$build/test-keys/publisher.sec"
  keys=$PWD/$build/test-keys/publisher.pub
  targets=()
fi
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
MEHRSAN_WIN_PREFIX=$prefix cmake -G Ninja -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/windows/toolchain.cmake" \
  -DMEHRSAN_WIN_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DOPENSSL_ROOT_DIR="$prefix" \
  -DOPENSSL_USE_STATIC_LIBS=ON -DPostgreSQL_ROOT="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DMEHRSAN_UPDATE_KEYS="$keys" "${launcher[@]}" >"$build.configure.log" 2>&1 ||
  { tail -30 "$build.configure.log"; exit 1; }
mv "$build.configure.log" "$build/windows-configure.log"
start=$SECONDS
cmake --build "$build" -j"${MEHRSAN_WIN_JOBS:-2}" "${targets[@]}"
echo "Programs built in $(( (SECONDS - start) / 60 )) min"
version=$(sed -n 's/^project(Mehrsan VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=$(bash windows/make-setup.sh "$build" "$prefix" "$version" | tail -1)
ls -l "$setup"

if [ "$command" = windows-test ]; then
  bash windows/run-tests.sh "$build" "$prefix" "$setup"
fi
