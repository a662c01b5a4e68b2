#!/usr/bin/env bash
# Pictures every window of the panel against the simulated board, one PNG
# each, into the folder given (default: docs/screenshots). Runs under a
# virtual X server, so it needs no display.
#   ./scripts/screenshots.sh [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=$(realpath -m "${1:-docs/screenshots}")
./scripts/deps.sh
./scripts/build.sh >/dev/null
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 1400x900x24" build/app/vantor-cp --demo --screenshots "$OUT"
echo "Pictures in $OUT:"
ls "$OUT"
