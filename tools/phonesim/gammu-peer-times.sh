#!/usr/bin/env bash
# Prints the wall time gammu (a real AT client) needs against the simulated phone for
# identify, getallmemory SM (20 entries) and a 3-part sendsms, at 0 ms and 50 ms reply
# latency. These are the peer figures for the program's own timings.
#
#   tools/phonesim/gammu-peer-times.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
sim="$build/tools/phonesim/phonesim"
command -v gammu >/dev/null || { echo "gammu is not installed" >&2; exit 1; }
[ -x "$sim" ] || { echo "$sim is missing; build first" >&2; exit 1; }

work=$(mktemp -d)
simpid=
cleanup() {
    if [ -n "$simpid" ]; then kill -TERM "$simpid" 2>/dev/null || true; wait "$simpid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

text=$(printf 'Prova di invio lungo numero %02d. ' $(seq 0 19) | cut -c1-400)
printf '[gammu]\ndevice = %s\nconnection = at\n' "$work/COM1" > "$work/gammurc"

now() { date +%s.%N; }
printf '%-10s %-22s %10s %10s %10s\n' latency operation median_s min_s max_s
for latency in 0 50; do
    /usr/bin/python3 - "$here/scenarios/demo.json" "$work/scenario.json" "$latency" <<'PY'
import json, sys
s = json.load(open(sys.argv[1]))
s["timing"] = {"latencyMs": int(sys.argv[3]), "jitterMs": 0, "chunks": 1, "chunkGapMs": 0}
json.dump(s, open(sys.argv[2], "w"))
PY
    "$sim" --scenario "$work/scenario.json" --link "$work/COM1" >/dev/null &
    simpid=$!
    for _ in $(seq 100); do [ -L "$work/COM1" ] && break; sleep 0.05; done
    for op in identify "getallmemory SM" "sendsms 3 parts"; do
        times=()
        for _ in $(seq "$runs"); do
            t0=$(now)
            case "$op" in
                identify) gammu -c "$work/gammurc" identify >/dev/null 2>&1 ;;
                "getallmemory SM") gammu -c "$work/gammurc" getallmemory SM >/dev/null 2>&1 ;;
                *) gammu -c "$work/gammurc" sendsms TEXT +393391234567 -autolen 400 -text "$text" >/dev/null 2>&1 ;;
            esac
            t1=$(now)
            times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')")
        done
        printf '%s\n' "${times[@]}" | sort -n | awk -v l="$latency ms" -v op="$op" '
            { v[NR] = $1 } END { printf "%-10s %-22s %10.2f %10.2f %10.2f\n", l, op, v[int((NR + 1) / 2)], v[1], v[NR] }'
    done
    kill -TERM "$simpid"; wait "$simpid" 2>/dev/null || true; simpid=
done
