#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test suite
# under a virtual X server (the 3D view needs a real GL context).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
export BUILD_DIR=${BUILD_DIR:-build-test}
rm -rf "$BUILD_DIR"
./scripts/build.sh -DVANTOR_WERROR=ON
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
cd "$BUILD_DIR"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j2
