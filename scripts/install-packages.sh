#!/usr/bin/env bash
# Installs the Debian 12 packages Onarım needs: "run" for building and running the program,
# "test" for that plus the test tools and a Firebird server, "screenshot" for running the
# window on a virtual display and photographing it. Installs nothing when everything
# is already there, so it is safe to run again.
set -euo pipefail

run_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-translations-l10n nlohmann-json3-dev
    firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
)
# firebird3.0-examples: the employee database's script, which the schema tests build from.
test_packages=(
    "${run_packages[@]}"
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    firebird3.0-server firebird3.0-examples gzip
    clang libclang-rt-14-dev
)

screenshot_packages=(
    "${run_packages[@]}"
    xvfb xdotool imagemagick
)

case "${1:-run}" in
    run) packages=("${run_packages[@]}") ;;
    test) packages=("${test_packages[@]}") ;;
    screenshot) packages=("${screenshot_packages[@]}") ;;
    *) echo "usage: $0 [run|test|screenshot]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
