#!/bin/sh
# Builds the Debian package (build/package/quorvel-backup_<version>_amd64.deb)
# and lists its contents. With --check it also installs the package with apt,
# starts the installed program briefly, and removes the package again.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
QUORVEL_EXTRA_PACKAGES="dpkg-dev file" "$top/scripts/deps.sh"
build="$top/build/package"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release \
      -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && rm -f ./*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quorvel-backup_*.deb)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Maintainer Depends
dpkg-deb --contents "$deb"

[ "${1:-}" = "--check" ] || exit 0
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb"
trap '$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q quorvel-backup >/dev/null' EXIT
test -x /usr/lib/quorvel-backup/7z
QT_QPA_PLATFORM=offscreen timeout -s TERM 3 /usr/bin/Vimblor || [ $? -eq 124 ]
echo "== installed and started from the package"
