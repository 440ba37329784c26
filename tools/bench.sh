#!/usr/bin/env bash
# Runs the benchmarks from the build folder; each prints its own figures.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
for b in bench_encoder bench_files bench_send bench_phonebook; do
    exe="$build/bench/$b"
    if [ -x "$exe" ]; then
        echo "== $b"
        "$exe"
    fi
done
echo "== start-up and idle"
"$(dirname "$0")/../bench/startup.sh" "$build"
echo "== message browser: 50 stored messages, beside gammu getallsms"
"$(dirname "$0")/../bench/browse.sh" "$build"
