#!/usr/bin/env bash
# Configures and builds the project into build/ (or $ZEL_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZEL_BUILD_DIR:-$root/build}
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$root" -B "$build" -G Ninja -DZEL_WERROR=$werror "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
