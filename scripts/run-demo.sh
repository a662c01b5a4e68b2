#!/usr/bin/env bash
# Installs what the programs need, builds the panel and the simulated board
# (nothing of the tests or benchmarks), and starts the panel on the simulated
# board. Options go to vantor-cp (see build/app/vantor-cp --help).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh --programs
BUILD_TARGETS="vantor-cp vantor-board-sim" ./scripts/build.sh
exec build/app/vantor-cp --demo "$@"
