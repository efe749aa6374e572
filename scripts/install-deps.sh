#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests and the product need.
# Does nothing when all of it is already installed.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config dpkg-dev file
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n
    libsqlite3-dev sqlite3
    libgtest-dev libgmock-dev libbenchmark-dev
    postgresql
    xvfb xauth
    poppler-utils fonts-dejavu-core
    clang-format
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Instalando pacotes: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
