#!/usr/bin/env bash
# Builds Onarım and runs it with the given arguments. With a display ($DISPLAY or
# $WAYLAND_DISPLAY set) it opens the window, onarim, with the database given as its only
# argument; without one it runs onarim-cli with the arguments (a database path, and options such
# as --verbose). Given no arguments, it first makes a damaged sample database and hands that
# over, so that a newcomer sees a real repair. Installs what it needs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-packages.sh" run
"$root/scripts/write-registry.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DONARIM_BUILD_TESTS=OFF -DONARIM_BUILD_BENCHMARKS=OFF
cmake --build "$root/build" -j "$(nproc)"

window="$root/build/gui/onarim"
cli="$root/build/cli/onarim-cli"
have_display=
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    have_display=yes
fi

if [ $# -gt 0 ]; then
    if [ -n "$have_display" ]; then
        exec "$window" "$@"
    fi
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
if [ -n "$have_display" ]; then
    echo "Opening the window with it: press \"Onar\" and give any SYSDBA password (the local"
    echo "engine takes any)."
    exec "$window" "$sample"
fi
echo "Repairing it: onarim-cli \"$sample\""
echo "(The local engine takes any SYSDBA password; \"masterkey\" is given on standard input.)"
echo
status=0
echo masterkey | "$cli" "$sample" || status=$?
echo
echo "onarim-cli ended with exit status $status (0: repaired, 4: repaired with losses)."
echo "Beside the database: the kept original and the report:"
ls -1 "$sample_dir"
# A repair with losses is what this sample shows; anything else is a failure of the run.
[ "$status" -eq 0 ] || [ "$status" -eq 4 ]
