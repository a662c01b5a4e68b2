#!/usr/bin/env bash
# Installs the Debian packages the panel needs to build, test and run, if any
# is missing. Safe to run again; it does nothing when all are present.
set -euo pipefail
PKGS=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-serialport-dev qt6-charts-dev libqcustomplot-dev
      qt6-translations-l10n
      libgl-dev libglu1-mesa-dev libgl1-mesa-dri
      xvfb xauth imagemagick lintian)
missing=()
for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
