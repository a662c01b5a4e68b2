#!/usr/bin/env bash
# Installs what is missing, builds, and starts the panel on the simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh
if [ -x build/app/vantor-cp ]; then
    exec build/app/vantor-cp --demo "$@"
fi
# Until the main window lands: start the simulated board and say how to reach it.
LINK=${TMPDIR:-/tmp}/vantor-board
echo "Simulated board on $LINK (Ctrl+C stops it). Connect any terminal program, e.g.:"
echo "    picocom -b 115200 $LINK"
exec build/sim/vantor-board-sim --link "$LINK"
