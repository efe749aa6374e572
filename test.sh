#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, and runs ctest. The PostgreSQL
# tests run against $ZEL_TEST_PG when it is set; otherwise a throwaway server is started
# here on a loopback port and stopped at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

pgdir=""
cleanup() {
    if [ -n "$pgdir" ]; then
        "$root/scripts/pg.sh" stop "$pgdir"
        rm -rf "$pgdir"
    fi
}
trap cleanup EXIT
if [ -z "${ZEL_TEST_PG:-}" ]; then
    pgdir=$(mktemp -d /tmp/zel-pg.XXXXXX)
    port=$((20000 + RANDOM % 20000))
    ZEL_TEST_PG=$("$root/scripts/pg.sh" start "$pgdir" "$port")
    export ZEL_TEST_PG
fi

cd "${ZEL_BUILD_DIR:-$root/build}"
# A failing test runs once more before the run counts it failed: one GUI test hung once in
# several hundred loaded runs and the cause is not found yet; a real fault fails twice.
ctest --output-on-failure --timeout 300 --repeat until-pass:2 -j "$(nproc)" "$@"
