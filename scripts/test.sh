#!/bin/sh
# Builds and runs every test: once in a normal build, once under
# AddressSanitizer and UBSan, then every fuzz target for a short while
# (clang, build/fuzz). Installs what is missing first.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
jobs=$(nproc)
status=0
for config in test asan; do
    build="$top/build/$config"
    if [ "$config" = asan ]; then
        extra="-DQUORVEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"
    else
        extra="-DCMAKE_BUILD_TYPE=RelWithDebInfo"
    fi
    echo "== $config build =="
    # shellcheck disable=SC2086
    cmake -S "$top" -B "$build" $extra >/dev/null
    cmake --build "$build" -j"$jobs"
    echo "== $config tests =="
    ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$top/scripts/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "$build" --output-on-failure -j"$jobs" || status=1
done
# The parsers' fuzz targets, each for QUORVEL_FUZZ_SECONDS (30): only the
# targets and the libraries they need are built with clang.
echo "== fuzz build =="
fuzz="$top/build/fuzz"
cmake -S "$top" -B "$fuzz" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_FUZZ=ON -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$fuzz" -j"$jobs" -t fuzz_targets
echo "== fuzz tests =="
ctest --test-dir "$fuzz" -L fuzz --output-on-failure -j"$jobs" || status=1
exit $status
