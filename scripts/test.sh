#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test suite:
#   1. the normal build (warnings are errors), all suites;
#   2. AddressSanitizer + UndefinedBehaviorSanitizer build, all suites but
#      the fault matrix (it waits out the operations' own time limits, which
#      would double the run; the code it drives is covered by the others);
#   3. ThreadSanitizer build, the link and exchange suites.
# Widget suites run under a virtual X server (the 3D view needs a real GL
# context). Set VANTOR_QUICK=1 to run only the first stage.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
./scripts/deps.sh
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
XVFB=(xvfb-run -a -s "-screen 0 1280x1024x24")

stage() { echo; echo "=== $* ==="; }

stage "build and test"
rm -rf build-test
BUILD_DIR=build-test ./scripts/build.sh -DVANTOR_WERROR=ON
(cd build-test && "${XVFB[@]}" ctest --output-on-failure -j2)

[ "${VANTOR_QUICK:-0}" = 1 ] && exit 0

stage "AddressSanitizer + UndefinedBehaviorSanitizer"
rm -rf build-asan
BUILD_DIR=build-asan BUILD_TYPE=Debug ./scripts/build.sh -DVANTOR_SANITIZE=address,undefined
(cd build-asan && \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "${XVFB[@]}" ctest --output-on-failure -j2 -E "^tst_(faults_|bench_)")

stage "ThreadSanitizer: link and exchange"
rm -rf build-tsan
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTOR_SANITIZE=thread \
    -DVANTOR_BUILD_GUI=OFF >/dev/null
cmake --build build-tsan --target tst_comport tst_conversation tst_lines tst_sim_faults vantor-board-sim
(cd build-tsan && \
    TSAN_OPTIONS="suppressions=$ROOT/tests/tsan.supp die_after_fork=0 halt_on_error=1" \
    ctest --output-on-failure -R '^tst_(comport|conversation|lines|sim_faults)$')
