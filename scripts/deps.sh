#!/usr/bin/env bash
# Installs the Debian packages that are missing, if any; safe to run again.
#   ./scripts/deps.sh             what the programs need to build and run, and
#                                 what the tests need besides (the default);
#   ./scripts/deps.sh --programs  only what the programs need (the demo).
set -euo pipefail
# Building and running vantor-cp, vantor-cli and vantor-board-sim: compiler
# and build tools, Qt with serial port and OpenGL widgets, Qt's SQLite driver
# for the change journal, the log viewer's plotting library, Qt's own Russian
# texts, OpenGL with GLU and its software driver for the 3D view.
PKGS=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-serialport-dev libqcustomplot-dev
      libqt6sql6-sqlite qt6-translations-l10n
      libgl-dev libglu1-mesa-dev libgl1-mesa-dri)
# The tests besides: a virtual X server for the window suites, lintian for the
# Debian package check.
if [ "${1:-}" != --programs ]; then
    PKGS+=(xvfb xauth lintian)
fi
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
