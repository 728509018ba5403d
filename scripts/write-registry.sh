#!/usr/bin/env bash
# Writes the registry file in which Onarım looks up the Firebird tools, for the Firebird that
# Debian installs (instance directory /usr/, tools in /usr/bin), where the program reads it:
# ONARIM_REGISTRY if set, else /etc/onarim/registry.reg. A file already there is left alone.
# The content is packaging/registry.reg, the file `cmake --install` and the package install.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

registry=${ONARIM_REGISTRY:-/etc/onarim/registry.reg}
if [ -e "$registry" ]; then
    echo "Registry file $registry is there already; left as it is."
    exit 0
fi
mkdir -p "$(dirname "$registry")"
cp "$root/packaging/registry.reg" "$registry"
echo "Wrote registry file $registry (Firebird tools in /usr/bin)."
