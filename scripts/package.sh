#!/usr/bin/env bash
# Builds the Debian packages zel-appserver and zel-desktop into build/ (or $ZEL_BUILD_DIR)
# with CPack. The version is the one of project() in CMakeLists.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZEL_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" "$@"
cd "$build"
rm -f zel-appserver_*.deb zel-desktop_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
ls -1 "$build"/zel-appserver_*.deb "$build"/zel-desktop_*.deb
