#!/bin/sh
# Installs the program into a temporary prefix, makes the program folder
# read-only, and as the unprivileged user "nobody":
#   - runs a complete backup and restore against the installed program folder,
#   - starts the installed program and checks that it comes up.
# Needs root (to act as another user); exits 77 (skipped) otherwise.
# Usage: install-and-run.sh <build folder> <install_run_test binary> <locale folder>
set -u
build=$1
testbin=$2
locales=$3

if [ "$(id -u)" -ne 0 ] || ! command -v runuser >/dev/null 2>&1; then
    echo "SKIP: needs root and runuser to run as an ordinary user"
    exit 77
fi

work=$(mktemp -d /tmp/quorvel-install-XXXXXX)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
prefix="$work/prefix"
home="$work/home"

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: install"; exit 1; }
program="$prefix/lib/quorvel-backup"
for f in "$program/Vimblor" "$program/7z" "$prefix/bin/Vimblor" \
         "$prefix/share/applications/quorvel-backup.desktop" \
         "$prefix/share/icons/hicolor/scalable/apps/quorvel-backup.svg" \
         "$prefix/share/icons/hicolor/48x48/apps/quorvel-backup.png"; do
    [ -e "$f" ] || { echo "FAIL: not installed: $f"; exit 1; }
done
chmod -R a-w "$prefix"

mkdir "$home" && chown nobody "$home"
cp "$testbin" "$work/install_run_test" && chmod 755 "$work/install_run_test"
cp -r "$locales" "$work/locales" && chmod -R a+rX "$work/locales"

as_nobody() {
    runuser -u nobody -- env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 \
        QT_QPA_PLATFORM=offscreen LOCPATH="$work/locales" \
        ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" "$@"
}

as_nobody env QUORVEL_INSTALLED_PROGRAM_DIR="$program" "$work/install_run_test" || {
    echo "FAIL: backup and restore as an ordinary user"; exit 1; }

# The installed program, started through its launcher link, comes up and
# keeps running until it is asked to end.
as_nobody timeout -s TERM 4 "$prefix/bin/Vimblor"
rc=$?
[ $rc -eq 124 ] || { echo "FAIL: the installed program ended by itself with $rc"; exit 1; }
state="$home/.local/state/Quorvel Backup"
[ -d "$state" ] || { echo "FAIL: no per-user folder $state"; exit 1; }
[ "$(stat -c %a "$state")" = 700 ] || { echo "FAIL: $state is not private"; exit 1; }
[ -L "$state/7z" ] || { echo "FAIL: no 7z link in $state"; exit 1; }
echo "installed program: backup, restore and start-up as nobody passed"
exit 0
