#!/usr/bin/env bash
# Reading 50 stored messages: the program's browser (bench_browse, over a modelled line and
# over a pseudo-terminal) and Debian's gammu getallsms against the same simulated phone, at
# 0 ms and 50 ms reply latency. The 50 positions repeat the demo phone's stored messages.
#   bench/browse.sh [build-folder] [gammu-runs]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
sim="$build/tools/phonesim/phonesim"
bench="$build/bench/bench_browse"
[ -x "$bench" ] && [ -x "$sim" ] || { echo "$bench or $sim is missing; build first" >&2; exit 1; }

work=$(mktemp -d)
simpid=
cleanup() {
    if [ -n "$simpid" ]; then
        kill -TERM "$simpid" 2>/dev/null || true
        wait "$simpid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
printf '[gammu]\ndevice = %s\nconnection = at\n' "$work/COM1" > "$work/gammurc"
now() { date +%s.%N; }

for latency in 0 50; do
    scenario="$work/browse-$latency.json"
    /usr/bin/python3 - "$here/../tools/phonesim/scenarios/demo.json" "$scenario" "$latency" <<'PY'
import json, sys
s = json.load(open(sys.argv[1]))
demo = [m for m in s["messages"]["stored"] if m.get("memory", "ME") == "ME"]
stored = [dict(demo[k % len(demo)], memory="ME", index=k + 1) for k in range(50)]
s["messages"].update({"phoneCapacity": 50, "simCapacity": 0, "stored": stored})
s["timing"] = {"latencyMs": int(sys.argv[3]), "jitterMs": 0, "chunks": 1, "chunkGapMs": 0}
json.dump(s, open(sys.argv[2], "w"))
PY
    echo "== 50 stored messages, phone latency $latency ms"
    BENCH_BROWSE_SCENARIO="$scenario" "$bench" --benchmark_counters_tabular=true
    command -v gammu >/dev/null || { echo "gammu is not installed"; continue; }
    "$sim" --scenario "$scenario" --link "$work/COM1" >/dev/null 2>&1 &
    simpid=$!
    for _ in $(seq 100); do [ -L "$work/COM1" ] && break; sleep 0.05; done
    times=()
    for _ in $(seq "$runs"); do
        t0=$(now)
        gammu -c "$work/gammurc" getallsms >"$work/gammu.txt" 2>&1
        t1=$(now)
        times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')")
    done
    listed=$(grep -c ', folder "' "$work/gammu.txt" || true)
    printf '%s\n' "${times[@]}" | sort -n | awk -v n="$listed" '
        { v[NR] = $1 }
        END { printf "gammu getallsms: median %.2f s (min %.2f, max %.2f), %d messages listed\n",
                     v[int((NR + 1) / 2)], v[1], v[NR], n }'
    kill -TERM "$simpid"; wait "$simpid" 2>/dev/null || true; simpid=
done
