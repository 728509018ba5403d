#!/usr/bin/env bash
# Builds Onarım and runs every test against the real Firebird (embedded engine, tools, and a
# server on 127.0.0.1), then builds everything again under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the tests once more, and runs each fuzz target for 10 s
# so that the fuzzers keep building and their properties keep holding. Installs what it needs
# first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/install-packages.sh" test
. "$root/scripts/firebird-test-server.sh"

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DONARIM_BUILD_TESTS=ON -DONARIM_BUILD_BENCHMARKS=ON
cmake --build "$root/build" -j "$jobs"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DONARIM_SANITIZE=ON -DONARIM_BUILD_TESTS=ON -DONARIM_BUILD_BENCHMARKS=OFF
cmake --build "$root/build-sanitize" -j "$jobs"
# Every test again, the embedded engine's without the leak check (tests/CMakeLists.txt), but
# the campaigns of damage and killed runs, which ran once above.
ctest --test-dir "$root/build-sanitize" --output-on-failure -j "$jobs" -E '^Campaign/'

"$root/scripts/fuzz.sh" 10
