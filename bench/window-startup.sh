#!/usr/bin/env bash
# How long the window takes to appear: starts build/gui/onarim RUNS times (10 unless given) on
# a virtual display (Xvfb) and reads the time from the process's start by the system to the
# first paint of its window, which the program prints when ONARIM_REPORT_STARTUP is set, with
# the processor time it used until then. Prints each run and the minimum, median and maximum in
# milliseconds. Run it on an otherwise idle machine, after a build: on a busy one the wall time
# grows with the load, the processor time does not.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/virtual-display.sh"
runs=${1:-10}
program="$root/build/gui/onarim"
[ -x "$program" ] || { echo "Build $program first." >&2; exit 1; }

log=$(mktemp)
trap 'stop_virtual_display; rm -f "$log"' EXIT
start_virtual_display

times=()
cpu=()
for run in $(seq "$runs"); do
    : >"$log"
    ONARIM_REPORT_STARTUP=1 "$program" 2>"$log" >/dev/null &
    pid=$!
    for _ in $(seq 100); do
        grep -q 'painted' "$log" && break
        sleep 0.05
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    ms=$(sed -n 's/.*painted \([0-9]*\) ms.*/\1/p' "$log")
    used=$(sed -n 's/.*(\([0-9]*\) ms of processor time.*/\1/p' "$log")
    [ -n "$ms" ] || { echo "run $run: no paint reported" >&2; exit 1; }
    echo "run $run: $ms ms ($used ms of processor time)"
    times+=("$ms")
    cpu+=("$used")
done
summary() {
    local sorted=($(printf '%s\n' "$@" | sort -n))
    echo "min ${sorted[0]} ms, median ${sorted[$(( ${#sorted[@]} / 2 ))]} ms, max ${sorted[-1]} ms"
}
echo "window painted after: $(summary "${times[@]}")"
echo "processor time until then: $(summary "${cpu[@]}")"
