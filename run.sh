#!/usr/bin/env bash
# Runs the product: installs what is missing, builds, and creates the demo database
# (var/zel.db) on first run.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
mkdir -p "$root/var"
db="$root/var/zel.db"
if [ ! -f "$db" ]; then
    "${ZEL_BUILD_DIR:-$root/build}/bin/zel-appserver" init-db "sqlite:$db" --demo
    echo "Banco de demonstração criado em $db"
fi
