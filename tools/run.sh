#!/usr/bin/env bash
# Starts the program from the build folder. When no real phone is configured, a simulated
# phone (tools/phonesim, demo scenario) is linked as COMN in the program's folder first.
# Without a display the program runs under Xvfb: once the automatic phone search is over,
# a screenshot is written, both processes are ended and the files are listed.
#
#   tools/run.sh [BUILD_DIR [PROGRAM_ARGUMENTS...]]    (e.g. --trace trace.txt)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
shift || true
args=("$@")
here=$(cd "$(dirname "$0")" && pwd)
prog="$build/corvina-sms"
sim="$build/tools/phonesim/phonesim"
scenario="$here/phonesim/scenarios/demo.json"
out="$build/run-output"

[ -x "$prog" ] || { echo "run: $prog is missing; build first (make run)" >&2; exit 1; }

# The port the program will open: line 1 of Setting.sms, else 1.
port=1
if [ -f "$build/Setting.sms" ]; then
    first=$(head -n 1 "$build/Setting.sms" | tr -d '\r ')
    if [[ "$first" =~ ^[0-9]+$ ]] && [ "$first" -gt 0 ]; then port=$first; fi
fi
link="$build/COM$port"

# A real phone: COMN names something other than a simulator's pseudo-terminal, or the
# USB serial device the program falls back to exists.
real_phone() {
    if [ -L "$link" ]; then
        case "$(readlink "$link")" in
            /dev/pts/*) return 1 ;;     # a simulator's link, perhaps left by a killed one
            *) [ -e "$link" ] && return 0 ;;
        esac
    elif [ -e "$link" ]; then
        return 0
    fi
    [ -e "/dev/ttyUSB$((port - 1))" ] || [ -e "/dev/ttyACM$((port - 1))" ]
}
if real_phone; then
    echo "run: using the phone configured on port $port"
    exec "$prog" "${args[@]}"
fi

[ -x "$sim" ] || { echo "run: $sim is missing; build first (make run)" >&2; exit 1; }
mkdir -p "$out"
transcript="$out/transcript.jsonl"
screenshot="$out/screenshot.png"
rm -f "$screenshot"

"$sim" --scenario "$scenario" --link "$link" --transcript "$transcript" >/dev/null &
simpid=$!
stop_sim() {
    if kill -0 "$simpid" 2>/dev/null; then
        kill -TERM "$simpid" 2>/dev/null || true
        wait "$simpid" 2>/dev/null || true
    fi
}
trap stop_sim EXIT
trap 'exit 130' INT TERM HUP

for _ in $(seq 200); do
    [ -L "$link" ] && break
    kill -0 "$simpid" 2>/dev/null || { echo "run: the simulated phone did not start" >&2; exit 1; }
    sleep 0.05
done
[ -L "$link" ] || { echo "run: no link $link after 10 s" >&2; exit 1; }
echo "run: simulated phone ($scenario) linked as $link"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    # In the background so that a signal to this script ends the program as well.
    "$prog" "${args[@]}" &
    app=$!
    trap 'kill -TERM "$app" 2>/dev/null; wait "$app" 2>/dev/null; exit 130' INT TERM HUP
    set +e
    wait "$app"
    rc=$?
    set -e
    echo "run: transcript of the simulated phone: $transcript"
    exit "$rc"
fi

command -v xvfb-run >/dev/null || { echo "run: no display and no xvfb-run (apt-get install xvfb)" >&2; exit 1; }
command -v import >/dev/null || { echo "run: import is missing (apt-get install imagemagick)" >&2; exit 1; }

# Inside Xvfb: start the program, wait for the end of the search (the phone's second
# phonebook range reply, SIM then phone), give the status tick time to show it, take the
# picture, end the program.
headless='
    prog=$1 transcript=$2 screenshot=$3
    shift 3
    "$prog" "$@" &
    app=$!
    deadline=$((SECONDS + 45))
    found=0
    while kill -0 "$app" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
        n=$(grep -F -c "\"command\":\"AT+CPBR=?\",\"data\":\"\\r\\n+CPBR: " "$transcript" || true)
        if [ "${n:-0}" -ge 2 ]; then found=1; break; fi
        sleep 0.25
    done
    if kill -0 "$app" 2>/dev/null; then
        sleep 2
        import -window root "$screenshot"
        kill -TERM "$app" 2>/dev/null || true
    fi
    wait "$app" 2>/dev/null || true
    [ "$found" = 1 ] || echo "run: the phone search did not finish within 45 s" >&2
'
set +e
xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$headless" headless "$prog" "$transcript" \
    "$screenshot" "${args[@]}"
set -e
stop_sim
if [ -f "$screenshot" ]; then echo "run: screenshot: $screenshot"; fi
echo "run: transcript: $transcript"
[ -f "$screenshot" ]
