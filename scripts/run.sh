#!/usr/bin/env bash
# Builds Onarım and runs it. Installs what it needs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-packages.sh" run
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DONARIM_BUILD_TESTS=OFF -DONARIM_BUILD_BENCHMARKS=OFF
cmake --build "$root/build" -j "$(nproc)"
exec "$root/build/cli/onarim-client-check"
