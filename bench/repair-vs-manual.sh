#!/usr/bin/env bash
# Times a repair by onarim-cli (kept copy and accounting included) against the careful
# operator's procedure by hand on the same damaged database, side by side in one run: copy the
# file, validate it through the service manager, gfix -v -full, gbak backup, gbak restore over
# it, remove the backup, validate again. Prints both times and their ratio.
#
#   bench/repair-vs-manual.sh [BUILD_DIR] [ROWS]
#
# ROWS (default 1000000) sets the size: a million rows make a database of about 250 MB.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rows=${2:-1000000}
work=$(mktemp -d "${TMPDIR:-/tmp}/onarim-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Damage the repair mends without a loss: the figure is the cost of the kept copy and the
# counts, not of writing lost values back (bench/RowMoveBench.cpp measures that).
"$build/tests/sample/onarim-damaged-sample" --no-loss --rows "$rows" "$work/sample.fdb" >/dev/null
cp "$work/sample.fdb" "$work/manual.fdb"
cp "$work/sample.fdb" "$work/tool.fdb"
rm "$work/sample.fdb"
size=$(stat -c %s "$work/manual.fdb")

now() { date +%s.%N; }
validate() {
    fbsvcmgr service_mgr user SYSDBA password masterkey action_repair dbname "$1" \
        rpr_mend_db rpr_ignore_checksum >/dev/null 2>&1 || true
}

start=$(now)
cp "$work/manual.fdb" "$work/manual.copy.fdb"
sync -f "$work/manual.copy.fdb"
validate "$work/manual.fdb"
ISC_USER=SYSDBA ISC_PASSWORD=masterkey gfix -v -full "$work/manual.fdb" >/dev/null 2>&1 || true
ISC_USER=SYSDBA ISC_PASSWORD=masterkey gbak -b -v "$work/manual.fdb" "$work/BACKUP.GBK" >/dev/null 2>&1
ISC_USER=SYSDBA ISC_PASSWORD=masterkey gbak -rep -o -v "$work/BACKUP.GBK" "$work/manual.fdb" >/dev/null 2>&1
rm -f "$work/BACKUP.GBK"
validate "$work/manual.fdb"
manual=$(awk -v a="$(now)" -v b="$start" 'BEGIN { print a - b }')

registry="$work/registry.reg"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\FireBird Project\\Firebird Server\\Instances]\r\n"DefaultInstance"="/usr/"\r\n' >"$registry"
start=$(now)
status=0
echo masterkey | ONARIM_REGISTRY="$registry" "$build/cli/onarim-cli" "$work/tool.fdb" \
    >"$work/cli.out" 2>"$work/cli.err" || status=$?
tool=$(awk -v a="$(now)" -v b="$start" 'BEGIN { print a - b }')

printf 'database: %d MB, %d rows; onarim-cli exit status %d\n' $((size >> 20)) "$rows" "$status"
printf 'by hand:    %6.1f s\n' "$manual"
printf 'onarim-cli: %6.1f s\n' "$tool"
printf 'ratio:      %6.3f\n' "$(awk -v a="$tool" -v b="$manual" 'BEGIN { print a / b }')"
