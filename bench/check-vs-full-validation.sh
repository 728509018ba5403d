#!/usr/bin/env bash
# Times onarim-cli --check (online validation and the header facts, through the server on
# 127.0.0.1) against gfix -v -full of the same database, by the embedded engine as an
# operator runs it and through the same server, ROUNDS times each in turn; prints each run
# and the median of each. The database stays in the page cache between runs (the machine's
# memory holds it), so the figures compare the validations, not the disk.
#
#   bench/check-vs-full-validation.sh [BUILD_DIR] [DATABASE] [ROUNDS]
#
# Without DATABASE, bench/make-large-database.sh makes one of about 1 GB (a minute or two).
# The server runs as its own user: the database and its folder are made readable and
# writable for it. The SYSDBA password is ISC_PASSWORD, else Debian's SYSDBA.password.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
database=${2:-}
rounds=${3:-5}
if [ -z "${ISC_PASSWORD:-}" ]; then
    ISC_PASSWORD=$(. /etc/firebird/3.0/SYSDBA.password && printf '%s' "$ISC_PASSWORD")
fi
export ISC_USER=SYSDBA ISC_PASSWORD

work=$(mktemp -d "${TMPDIR:-/tmp}/onarim-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 0755 "$work"
if [ -z "$database" ]; then
    database=$work/large.fdb
    # The embedded engine takes any password for the database it makes.
    ISC_PASSWORD=masterkey "$root/bench/make-large-database.sh" "$database" 1024 >/dev/null
    gfix -user SYSDBA -password masterkey -write sync "$database"
fi
chmod 0666 "$database"
ls -l "$database"

now() { date +%s.%N; }
elapsed() { awk -v a="$(now)" -v b="$1" 'BEGIN { printf "%.2f", a - b }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

check_times=() local_times=() server_times=()
for ((round = 1; round <= rounds; ++round)); do
    start=$(now)
    status=0
    line=$("$build/cli/onarim-cli" --check "$database" </dev/null) || status=$?
    check_times+=("$(elapsed "$start")")
    [ "$status" -le 1 ] || { echo "check: $line" >&2; exit 1; }

    start=$(now)
    gfix -v -full -user SYSDBA -password masterkey "$database" >"$work/gfix.out" 2>&1
    local_times+=("$(elapsed "$start")")

    start=$(now)
    gfix -v -full "127.0.0.1:$database" >"$work/gfix-server.out" 2>&1
    server_times+=("$(elapsed "$start")")
    echo "round $round: check ${check_times[-1]} s, gfix -v -full ${local_times[-1]} s" \
         "(through the server ${server_times[-1]} s)"
done
echo "$line"
printf 'median: check %s s, gfix -v -full %s s, through the server %s s\n' \
    "$(printf '%s\n' "${check_times[@]}" | median)" \
    "$(printf '%s\n' "${local_times[@]}" | median)" \
    "$(printf '%s\n' "${server_times[@]}" | median)"
