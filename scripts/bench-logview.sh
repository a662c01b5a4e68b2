#!/usr/bin/env bash
# Figures of the flight log viewer (10 MB and 100 MB simulated flights) and of
# QCustomPlot alone on one million points, each in its own process.
# Needs a built tree (default build/) and an X server (run under xvfb-run).
set -euo pipefail
BUILD_DIR=${BUILD_DIR:-build}
B="$BUILD_DIR/bench/vantor-bench-logview"
"$B" --part plot
"$B" --part viewer --size 10M
"$B" --part viewer --size 100M
