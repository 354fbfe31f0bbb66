#!/usr/bin/env bash
# Installs the Debian 12 packages the tester needs to build, run, test and package, or, when
# given packages, those.
set -euo pipefail

packages=(
    git cmake g++ make pkgconf
    qt6-base-dev qt6-serialport-dev qt6-serialbus-dev qt6-qpa-plugins
    libqt6sql6-sqlite libqt6sql6-psql postgresql libpq-dev
    fonts-liberation fonts-dejavu-core
    clang libclang-rt-14-dev libbenchmark-dev
    dpkg-dev file lintian help2man
)
[ $# -eq 0 ] || packages=("$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
