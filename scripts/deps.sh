#!/bin/sh
# Installs the Debian packages that building and testing need, when missing.
# Runs apt-get through sudo when not root.
set -e
packages="cmake g++ make qt6-base-dev libgtest-dev 7zip locales clang-tidy clang-format clang-14 libclang-rt-14-dev exfatprogs exfat-fuse"
[ -n "$QUORVEL_EXTRA_PACKAGES" ] && packages="$packages $QUORVEL_EXTRA_PACKAGES"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-install-recommends $missing
