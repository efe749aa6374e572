#!/usr/bin/env bash
# Runs the product: installs what is missing, builds, creates the demo database
# (var/zel.db) on first run, and opens zel-host with its own zel-appserver on 127.0.0.1
# (stopped when the host exits). Without a display it says so and runs the headless
# example instead, printing its transcript. Arguments go to zel-host.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
bin="${ZEL_BUILD_DIR:-$root/build}/bin"
mkdir -p "$root/var"
db="$root/var/zel.db"
if [ ! -f "$db" ]; then
    "$bin/zel-appserver" init-db "sqlite:$db" --demo
    echo "Banco de demonstração criado em $db"
fi
cd "$root"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$bin/zel-host" --with-server --db "sqlite:$db" "$@"
fi
echo "Sem tela gráfica (DISPLAY não definido): executando os exemplos sem interface."
# Each example bills the deliveries it uses, so each runs on a demo database of its own,
# seeded afresh each time, on the date the demo data was made for.
demo=$(mktemp -d /tmp/zel-demo.XXXXXX)
trap 'rm -rf "$demo"' EXIT
for example in billing-demo fee-demo computations-demo; do
    echo
    echo "== examples/$example.zel"
    "$bin/zel-appserver" init-db "sqlite:$demo/$example.db" --demo --today 2025-06-20 >/dev/null
    "$bin/zel-script" --with-server --db "sqlite:$demo/$example.db" --today 2025-06-20 \
        "$root/examples/$example.zel"
done
