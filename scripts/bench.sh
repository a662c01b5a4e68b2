#!/usr/bin/env bash
# Builds in release mode and runs the benchmarks; prints a table and writes
# build-bench/bench.json.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
BUILD_DIR=build-bench BUILD_TYPE=Release ./scripts/build.sh
cd build-bench
./bench/vantor-bench --sim sim/vantor-board-sim --json bench.json "$@"
