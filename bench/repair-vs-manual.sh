#!/usr/bin/env bash
# Times a repair by onarim-cli (kept copy and accounting included) against the careful
# operator's procedure by hand on the same damaged database, side by side in one run: copy the
# file, validate it through the service manager, gfix -v -full, gbak backup, gbak restore over
# it, remove the backup, validate again. Each round repairs a fresh copy of the damaged
# database both ways, by hand first; prints each round's times and the ratio of the totals,
# and the most disk the repair's folder took beyond the database during one more run of the
# tool, untimed.
#
#   bench/repair-vs-manual.sh [BUILD_DIR] [ROWS] [ROUNDS] [loss] [LARGE_EVERY]
#
# ROWS (default 1000000) sets the size: a million rows make a database of about 170 MB, and
# 1 300 000 rows about 210 MB. ROUNDS defaults to 3. "loss" damages a page of the notes' blob
# records instead, whose values gbak drops and the repair writes back from the kept copy.
# LARGE_EVERY gives every so many rows a note of 8000 characters, kept on blob pages: with 15,
# 200 000 rows make a table of about 190 MB, rows of about a kilobyte.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rows=${2:-1000000}
rounds=${3:-3}
case=${4:-}
large=${5:+--large-every $5}
work=$(mktemp -d "${TMPDIR:-/tmp}/onarim-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# By default damage the repair mends without a loss: the figure is the cost of the kept copy
# and the counts. With "loss", the cost of writing lost values back is in it too.
if [ "$case" = loss ]; then
    "$build/tests/sample/onarim-damaged-sample" --rows "$rows" $large "$work/sample.fdb" >/dev/null
else
    "$build/tests/sample/onarim-damaged-sample" --no-loss --rows "$rows" $large "$work/sample.fdb" >/dev/null
fi
size=$(stat -c %s "$work/sample.fdb")

registry="$work/registry.reg"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\FireBird Project\\Firebird Server\\Instances]\r\n"DefaultInstance"="/usr/"\r\n' >"$registry"

now() { date +%s.%N; }
since() { awk -v a="$(now)" -v b="$1" 'BEGIN { print a - b }'; }
validate() {
    fbsvcmgr service_mgr user SYSDBA password masterkey action_repair dbname "$1" \
        rpr_mend_db rpr_ignore_checksum >/dev/null 2>&1 || true
}
# A fresh copy of the damaged database in its own folder; neither run pays for writing back
# what the preparation or the other run left in the page cache.
fresh() {
    rm -rf "$work/$1"
    mkdir "$work/$1"
    cp "$work/sample.fdb" "$work/$1/db.fdb"
    sync
}

by_hand() {
    local db="$work/manual/db.fdb"
    cp "$db" "$work/manual/db.copy.fdb"
    sync -f "$work/manual/db.copy.fdb"
    validate "$db"
    ISC_USER=SYSDBA ISC_PASSWORD=masterkey gfix -v -full "$db" >/dev/null 2>&1 || true
    ISC_USER=SYSDBA ISC_PASSWORD=masterkey gbak -b -v "$db" "$work/manual/BACKUP.GBK" >/dev/null 2>&1
    ISC_USER=SYSDBA ISC_PASSWORD=masterkey gbak -rep -o -v "$work/manual/BACKUP.GBK" "$db" >/dev/null 2>&1
    rm -f "$work/manual/BACKUP.GBK"
    validate "$db"
}

# The largest sum of the folder's file sizes while the tool runs, sampled every 0.1 s.
watch_disk() {
    local peak=0 now
    while [ -e "$work/watching" ]; do
        now=$(du -sb "$work/tool" 2>/dev/null | cut -f1 || echo 0)
        [ "${now:-0}" -gt "$peak" ] && peak=$now
        echo "$peak" >"$work/peak"
        sleep 0.1
    done
}

# onarim-cli on the tool's copy; with "watch", sampling the folder's size meanwhile (not in
# a timed round: the sampling's processes would take time from the tool's).
with_tool() {
    status=0
    if [ "${1:-}" = watch ]; then
        touch "$work/watching"
        watch_disk &
        watcher=$!
    fi
    echo masterkey | ONARIM_REGISTRY="$registry" "$build/cli/onarim-cli" "$work/tool/db.fdb" \
        >"$work/cli.out" 2>"$work/cli.err" || status=$?
    if [ "${1:-}" = watch ]; then
        rm -f "$work/watching"
        wait "$watcher"
        peak_total=$(cat "$work/peak")
    fi
    if [ "$status" -ne 0 ] && [ "$status" -ne 4 ]; then
        echo "onarim-cli exit status $status:" >&2
        cat "$work/cli.out" >&2
    fi
}

printf 'database: %d MB, %d rows\n' $((size >> 20)) "$rows"
manual_total=0
tool_total=0
peak_total=0
for round in $(seq 1 "$rounds"); do
    fresh manual
    start=$(now); by_hand; manual=$(since "$start")
    fresh tool
    start=$(now); with_tool; tool=$(since "$start")
    printf 'round %d: by hand %6.1f s, onarim-cli %6.1f s\n' "$round" "$manual" "$tool"
    manual_total=$(awk -v a="$manual_total" -v b="$manual" 'BEGIN { print a + b }')
    tool_total=$(awk -v a="$tool_total" -v b="$tool" 'BEGIN { print a + b }')
done
fresh tool
with_tool watch
printf 'by hand:    %6.1f s\n' "$manual_total"
printf 'onarim-cli: %6.1f s\n' "$tool_total"
printf 'ratio:      %6.3f\n' "$(awk -v a="$tool_total" -v b="$manual_total" 'BEGIN { print a / b }')"
printf 'peak extra disk of onarim-cli: %d MB, %.2f × the database\n' \
    $(((peak_total - size) >> 20)) "$(awk -v p="$peak_total" -v s="$size" 'BEGIN { print (p - s) / s }')"
