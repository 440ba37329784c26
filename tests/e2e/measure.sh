#!/usr/bin/env bash
# Prints start-up and idle figures of the built program against the pseudo-terminal phone:
# time to the first shown window, time to the end of the phone search, and CPU time and
# memory while idle. Needs xvfb-run, xwininfo and /usr/bin/time.
#   tests/e2e/measure.sh [build-folder] [idle-seconds]
set -euo pipefail
build=$(realpath "${1:-build}")
idle=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$idle"
fi

dir=$(mktemp -d)
trap 'kill $app $phone 2>/dev/null || true; rm -rf "$dir"' EXIT
cp "$build/corvina-sms" "$dir/"
/usr/bin/python3 "$here/ptyphone.py" --link "$dir/COM1" --transcript "$dir/transcript.txt" \
    --lifetime $((idle + 60)) &
phone=$!
while [ ! -e "$dir/COM1" ]; do sleep 0.01; done

now() { date +%s%N; }
t0=$(now)
/usr/bin/time -v -o "$dir/time.txt" "$dir/corvina-sms" &
timer=$!
shown=""
searched=""
while [ -z "$searched" ]; do
    if [ -z "$shown" ] && xwininfo -root -tree 2>/dev/null | grep -q '"SMS - Corvina"'; then
        shown=$(( ($(now) - t0) / 1000000 ))
    fi
    if [ -f "$dir/transcript.txt" ] && [ "$(grep -c . "$dir/transcript.txt")" -ge 12 ]; then
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
echo "search commands written:       $(grep -c . "$dir/transcript.txt")"
awk -v c="$((c1 - c0))" -v hz="$hz" -v s="$idle" \
    'BEGIN { printf "idle CPU over %d s:            %.2f %% (%d ticks)\n", s, 100 * c / hz / s, c }'
echo "resident memory while idle:    ${rss} kB"
echo "peak resident memory:          $(awk -F': ' '/Maximum resident/ {print $2}' "$dir/time.txt") kB"
