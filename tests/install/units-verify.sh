#!/bin/sh
# Installs the build into a temporary prefix and checks the scheduled-backup
# units there: both are installed (so the package, made from the same
# install, carries them), the service runs the installed program with
# --backup, nothing enables the timer, and systemd-analyze accepts both.
# Exits 77 (skipped) where systemd-analyze is missing.
set -eu
build=$1
command -v systemd-analyze >/dev/null 2>&1 || { echo "systemd-analyze is not installed"; exit 77; }
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; exit 1; }
rm -f "$prefix.log"
units="$prefix/lib/systemd/user"
test -f "$units/quorvel-backup.service"
test -f "$units/quorvel-backup.timer"
grep -qx "ExecStart=$prefix/bin/Vimblor --backup" "$units/quorvel-backup.service"
grep -qx "Persistent=true" "$units/quorvel-backup.timer"
grep -qx "OnCalendar=daily" "$units/quorvel-backup.timer"
# Off by default: no link into a .wants folder is installed.
if find "$prefix" -name '*.wants' | grep -q .; then echo "the timer is enabled by the install"; exit 1; fi
runtime=$(mktemp -d)
cd "$units"
XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify ./quorvel-backup.service ./quorvel-backup.timer
rm -rf "$runtime"
grep -q "^StartupWMClass=Vimblor$" "$prefix/share/applications/quorvel-backup.desktop"
echo "units verified"
