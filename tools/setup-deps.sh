#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
set -euo pipefail
pkgs=(cmake g++ make pkg-config libsqlcipher-dev libssl-dev sqlcipher qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
      mdbtools mdbtools-dev libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev sqlite3 clang-format-14 fonts-liberation fonts-dejavu-core xdg-utils)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
