#!/bin/sh
# Compiles the locales that the date tests use into a folder of the build,
# so that no system-wide locale generation (and no root) is needed.
set -e
out=$1
mkdir -p "$out"
for entry in de_DE:de_DE.UTF-8 sv_SE:sv_SE.UTF-8 en_US:en_US.UTF-8; do
    src=${entry%%:*}
    name=${entry#*:}
    [ -d "$out/$name" ] && continue
    localedef -i "$src" -f UTF-8 "$out/$name" 2>/dev/null || localedef -c -i "$src" -f UTF-8 "$out/$name" || true
done
