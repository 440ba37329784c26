#!/usr/bin/env bash
# Prints start-up and idle figures of the built program against the simulated phone: time to
# the first shown window, time to the end of the automatic phone search, CPU time and memory
# while idle. Needs xvfb-run, xwininfo and /usr/bin/time.
#   bench/startup.sh [build-folder] [idle-seconds] [scenario]
set -euo pipefail
build=$(realpath "${1:-build}")
idle=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
scenario=$(realpath "${3:-$here/../tools/phonesim/scenarios/demo.json}")

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$idle" "$scenario"
fi

dir=$(mktemp -d)
app="" phone=""
trap 'kill $app $phone 2>/dev/null || true; rm -rf "$dir"' EXIT
# The program keeps its files beside itself: a copy in a fresh folder starts clean.
cp "$build/corvina-sms" "$dir/"
"$build/tools/phonesim/phonesim" --scenario "$scenario" --link "$dir/COM1" \
    --transcript "$dir/transcript.jsonl" &
phone=$!
while [ ! -e "$dir/COM1" ]; do sleep 0.01; done

now() { date +%s%N; }
t0=$(now)
/usr/bin/time -v -o "$dir/time.txt" "$dir/corvina-sms" &
timer=$!
shown="" searched=""
# The search ends with the second phonebook range question.
while [ -z "$searched" ]; do
    if [ -z "$shown" ] && xwininfo -root -tree 2>/dev/null | grep -q '"SMS - Corvina"'; then
        shown=$(( ($(now) - t0) / 1000000 ))
    fi
    if [ "$(grep -c '"line":"AT+CPBR=?"' "$dir/transcript.jsonl" 2>/dev/null)" -ge 2 ]; then
        searched=$(( ($(now) - t0) / 1000000 ))
    fi
    sleep 0.01
done
app=$(pgrep -P "$timer" corvina-sms)
sleep 1
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
c0=$(ticks)
sleep "$idle"
c1=$(ticks)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")
hz=$(getconf CLK_TCK)
kill "$app"
wait "$timer" 2>/dev/null || true

echo "first window shown after:      ${shown} ms"
echo "search complete after:         ${searched} ms (the first status tick comes at 1000 ms)"
echo "commands written by the search: $(grep -c '"type":"command"' "$dir/transcript.jsonl")"
awk -v c="$((c1 - c0))" -v hz="$hz" -v s="$idle" \
    'BEGIN { printf "idle CPU over %d s:            %.2f %% (%d ticks)\n", s, 100 * c / hz / s, c }'
echo "resident memory while idle:    ${rss} kB"
echo "peak resident memory:          $(awk -F': ' '/Maximum resident/ {print $2}' "$dir/time.txt") kB"
