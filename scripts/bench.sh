#!/usr/bin/env bash
# Builds in release mode and runs the benchmarks against the simulated board
# on a pty; prints a table and writes build-bench/bench.json. Options go to
# vantor-bench (--quick for a short trial run, --help for the rest). The panel
# opens its windows, so the run gets its own X server.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
BUILD_DIR=build-bench BUILD_TYPE=Release ./scripts/build.sh
cd build-bench
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ./bench/vantor-bench --sim sim/vantor-board-sim --json bench.json "$@"
