#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer harnesses with Clang in their own folder and runs each one for a set
# time from its committed corpus, then prints executions per second and coverage per harness.
# Usage: fuzz/run.sh [BUILD_DIR]
#   FUZZ_SECONDS  seconds per harness (default 60)
#   FUZZ_ONLY     run only these harnesses (names without fuzz_, blank separated)
#   FUZZ_MERGE=1  fold the inputs that reach new code into fuzz/corpus/<name>/ afterwards
#   JOBS          parallel build jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
jobs=${JOBS:-2}

missing=""
for p in clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
        || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=; [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi

if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSMS_FUZZ=ON -DBUILD_TESTING=OFF
fi
cmake --build "$build" -j "$jobs" --target sms_fuzzers

names=${FUZZ_ONLY:-$(cd fuzz && ls fuzz_*.cpp | sed 's/^fuzz_//; s/\.cpp$//')}
mkdir -p "$build/corpus" "$build/findings" "$build/logs"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
status=0
summary=()
for name in $names; do
    work="$build/corpus/$name"
    log="$build/logs/$name.log"
    mkdir -p "$work"
    dict=(); [ -f "fuzz/$name.dict" ] && dict=(-dict="fuzz/$name.dict")
    echo "== fuzz_$name for $seconds s"
    result=ok
    "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
        -print_final_stats=1 "${dict[@]}" -artifact_prefix="$build/findings/$name-" \
        "$work" "fuzz/corpus/$name" >"$log" 2>&1 || { result="FINDING (see $log)"; status=1; }
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p' <<<"$last")
    summary+=("$(printf '%-12s %10s %8s %7s %7s %12s  %s' "$name" "${runs:-?}" "${speed:-?}" \
        "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result")")
    if [ "${FUZZ_MERGE:-0}" = 1 ] && [ "$result" = ok ]; then
        "$build/fuzz/fuzz_$name" -merge=1 -use_counters=0 -max_len=8192 "fuzz/corpus/$name" "$work" \
            >"$build/logs/$name-merge.log" 2>&1
    fi
done

echo
printf '%-12s %10s %8s %7s %7s %12s  %s\n' harness runs exec/s cov ft corpus result
printf '%s\n' "${summary[@]}"
exit "$status"
