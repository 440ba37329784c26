#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every test under AddressSanitizer and UndefinedBehaviorSanitizer in its own folder
# and runs them all, the fuzz corpus replays included; any finding fails the run.
# Usage: fuzz/sanitize.sh [BUILD_DIR]   (JOBS sets the parallel jobs, default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}
jobs=${JOBS:-2}

start=$(date +%s)
if [ ! -f "$build/build.ninja" ]; then
    # Benchmarks are not tests: they are left out of this build.
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSMS_SANITIZE=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
fi
cmake --build "$build" -j "$jobs"
built=$(date +%s)

# Only our own programs carry the sanitizers; python3 and gammu run by the tests ignore these.
# Leak checking stays on: the suite has no leak to suppress, in our code or in Qt's.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
status=0
(cd "$build" && ctest --output-on-failure -j "$jobs") || status=$?
done=$(date +%s)

echo "Sanitizer run: build $((built - start)) s, tests $((done - built)) s," \
     "total $((done - start)) s"
exit "$status"
