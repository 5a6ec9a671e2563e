#!/bin/sh
# The house rules the compiler does not check: no source file of the program
# longer than 400 lines (tests and benchmarks aside), and every C++ file
# formatted by the project's .clang-format. Prints each offender; exits 1
# when there is any.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 2
status=0
files=$(git ls-files -co --exclude-standard -- '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
for f in $files; do
    case "$f" in
    tests/* | bench/* | build*) continue ;;
    esac
    lines=$(wc -l <"$f")
    if [ "$lines" -gt 400 ]; then
        echo "$f: $lines lines, more than 400"
        status=1
    fi
done
if command -v clang-format >/dev/null 2>&1; then
    for f in $files; do
        case "$f" in build*) continue ;; esac
        if ! clang-format --dry-run -Werror "$f" >/dev/null 2>&1; then
            echo "$f: not formatted by .clang-format (clang-format -i $f)"
            status=1
        fi
    done
else
    echo "clang-format is not installed; formatting not checked"
    status=1
fi
exit $status
