#!/usr/bin/env bash
# Writes docs/main-window.png, the README's picture of the main window: builds the program,
# makes a damaged sample database in a folder whose name has blanks and Turkish letters, opens
# the window with it on a virtual display (Xvfb) and photographs the window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/virtual-display.sh"

"$root/scripts/install-packages.sh" screenshot
if [ ! -f "$root/build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DONARIM_BUILD_TESTS=OFF -DONARIM_BUILD_BENCHMARKS=OFF
fi
cmake --build "$root/build" -j "$(nproc)" --target onarim onarim-damaged-sample

work=$(mktemp -d)
program_pid=
finish() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
    stop_virtual_display
    rm -rf "$work"
}
trap finish EXIT

# Given relative to the program's folder, the name in the box is the folder and the file alone.
database="Müşteri Verileri/Şirket 2024.fdb"
mkdir -p "$work/Müşteri Verileri"
(cd "$work" && "$root/build/tests/sample/onarim-damaged-sample" "$database" >/dev/null)

start_virtual_display
(cd "$work" && exec "$root/build/gui/onarim" "$database" >/dev/null 2>&1) &
program_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'BELVANOX')
sleep 1 # let the first paint settle
mkdir -p "$root/docs"
import -window "$window" "$root/docs/main-window.png"
echo "Wrote $root/docs/main-window.png"
