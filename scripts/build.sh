#!/usr/bin/env bash
# Configures and builds the project into build/ (or $ZEL_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZEL_BUILD_DIR:-$root/build}
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
launcher=()
# A compiler cache, when the machine has one, makes rebuilds of other checkouts cheap.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DZEL_WERROR=$werror "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
