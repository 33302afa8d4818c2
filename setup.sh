#!/usr/bin/env bash
# Sets up a Debian 12 machine for Mehrsan and builds it.
#   bash setup.sh run    build and start Mehrsan on the shipped database
#   bash setup.sh test   build and run every test offscreen (the server tests start
#                        and remove a PostgreSQL cluster of their own on 127.0.0.1)
#   bash setup.sh package  build a release and make build-package/mehrsan_<version>_amd64.deb
#   bash setup.sh windows  cross-build for Windows and make build-windows/mehrsan-<version>-setup.exe
#   bash setup.sh windows-test  the Windows build's tests under Wine (windows/setup-windows.sh)
set -euo pipefail
cd "$(dirname "$0")"
case "${1:-run}" in
  windows|windows-test) exec bash windows/setup-windows.sh "$1" ;;
esac

packages=(cmake g++ make qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-translations-l10n
          libgl1-mesa-dev libsqlite3-dev fonts-farsiweb fonts-noto-core fonts-dejavu-core sqlite3 python3 poppler-utils
          libqt6sql6-psql libpq-dev postgresql libssl-dev signify-openbsd
          libreadstat-dev readstat pspp dpkg-dev lintian appstream)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests' build carries a publisher key of its own, made here with signify,
# so that they can sign releases; the build to run carries none (a release
# build names the publisher's key: cmake -DMEHRSAN_UPDATE_KEYS=publisher.pub).
keys=
build=build
# A package is built on its own, without the tests' key: a publisher's build
# names its key with MEHRSAN_UPDATE_KEYS=/path/publisher.pub bash setup.sh package.
if [ "${1:-run}" = package ]; then
  build=build-package
  keys="${MEHRSAN_UPDATE_KEYS:-}"
fi
if [ "${1:-run}" = test ]; then
  mkdir -p build/test-keys
  [ -f build/test-keys/publisher.sec ] ||
    signify-openbsd -G -n -p build/test-keys/publisher.pub -s build/test-keys/publisher.sec
  keys=$PWD/build/test-keys/publisher.pub
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMEHRSAN_UPDATE_KEYS="$keys" >/dev/null
if [ "$build" = build-package ]; then
  cmake --build "$build" -j"$(nproc)" --target Mehrsan Zelqupdate
else
  cmake --build "$build" -j"$(nproc)"
fi

case "${1:-run}" in
  run)
    exec ./build/Mehrsan/Mehrsan ;;
  test)
    cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" ;;
  package)
    cd "$build" && cpack -G DEB && ls -1 "$PWD"/mehrsan_*_amd64.deb ;;
  *)
    echo "usage: bash setup.sh run|test|package|windows|windows-test" >&2; exit 2 ;;
esac
