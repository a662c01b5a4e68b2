#!/usr/bin/env bash
# Installs what is missing, builds, and starts the panel on the simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh
exec build/app/vantor-cp --demo "$@"
