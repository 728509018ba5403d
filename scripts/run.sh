#!/usr/bin/env bash
# Builds Onarım and runs onarim-cli with the given arguments (a database path, and options such
# as --verbose). Given none, makes a damaged sample database first and repairs that, so that a
# newcomer sees a real repair. Installs what it needs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-packages.sh" run
"$root/scripts/write-registry.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DONARIM_BUILD_TESTS=OFF -DONARIM_BUILD_BENCHMARKS=OFF
cmake --build "$root/build" -j "$(nproc)"

cli="$root/build/cli/onarim-cli"
if [ $# -gt 0 ]; then
    exec "$cli" "$@"
fi

sample_dir="$root/build/sample"
sample="$sample_dir/Örnek Veri Tabanı.fdb"
rm -rf "$sample_dir"
mkdir -p "$sample_dir"
echo
echo "No database given: making a damaged sample database to repair."
"$root/build/tests/sample/onarim-damaged-sample" "$sample"
echo
echo "Repairing it: onarim-cli --verbose \"$sample\""
echo "(The local engine takes any SYSDBA password; \"masterkey\" is given on standard input.)"
echo
echo masterkey | "$cli" --verbose "$sample"
