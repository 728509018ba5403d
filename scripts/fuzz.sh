#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang (in build-fuzz/) and runs each for SECONDS
# (default 60), one after the other, or only the targets named (RegistryFile, CommandLine, ...).
# Each target works on a copy of its seed corpus in build-fuzz/fuzz-work/<target>/, which
# keeps growing from run to run; the repository's corpus is left as it is. An input that breaks
# a property is written to build-fuzz/fuzz-work/<target>/artifacts/; the script then fails.
# Installs what it needs first.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build="$root/build-fuzz"
all_targets=(RegistryFile CommandLine ServiceOutput StatusVector MonitorBlock FileNameText
    ToolOutput OdsPages RecordDecode)
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=("${all_targets[@]}")
fi

"$root/scripts/install-packages.sh" test
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DONARIM_BUILD_FUZZERS=ON -DONARIM_BUILD_TESTS=OFF -DONARIM_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/Fuzz}"

failed=()
for target in "${targets[@]}"; do
    name=${target}Fuzz
    work="$build/fuzz-work/$name"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp "$root/tests/fuzz/corpus/$name/"* "$work/corpus/"
    echo "== $name: ${seconds}s"
    if ! "$build/tests/fuzz/$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/last-run.log" 2>&1; then
        failed+=("$name")
        tail -n 40 "$work/last-run.log"
    fi
    # The last status line: executions per second, coverage (cov:) and features (ft:).
    grep -E '^#[0-9]+' "$work/last-run.log" | tail -n 1 || true
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
        "$work/last-run.log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Properties broken in: ${failed[*]} (inputs in build-fuzz/fuzz-work/*/artifacts/)" >&2
    exit 1
fi
