#!/usr/bin/env bash
# Checks that the folders include one another only along the layers' arrows (README, Layout):
# gui, cli -> repair -> recovery -> services -> trace -> client -> platform; repair and
# recovery -> ods -> platform; widgets -> Qt only. Prints each include against an arrow and
# exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A allowed=(
    [platform]="platform"
    [client]="client platform"
    [trace]="trace client platform"
    [services]="services trace client platform"
    [ods]="ods platform"
    [recovery]="recovery ods services trace client platform"
    [repair]="repair recovery ods services trace client platform"
    [widgets]="widgets"
    [gui]="gui widgets repair recovery ods services trace client platform"
    [cli]="cli repair recovery ods services trace client platform"
)
status=0
for folder in "${!allowed[@]}"; do
    [ -d "$folder" ] || continue
    while IFS= read -r line; do
        target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$line")
        if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
            echo "$line"
            status=1
        fi
    done < <(grep -rHn '#include "[a-z]*/' "$folder" || true)
    if [ "$folder" != gui ] && [ "$folder" != widgets ]; then
        if grep -rHn '#include <Q' "$folder"; then status=1; fi
    fi
done
exit $status
