#!/usr/bin/env bash
# What the station window costs with four idle slots (target at most 0.1 % of one core), under
# Xvfb: `rzm530-tester --station FILE`, its four slots on four simulated modules, COM 1 to 4, no
# serial entered. Three kinds of run take turns, so that drift on the machine hits them alike:
#   bare     a bare Qt Widgets window (bare-window), what any idle window costs here;
#   station  the station window with no window manager: never active, so no cursor blinks;
#   active   the same under openbox, active, the first slot's serial field focused and its
#            cursor blinking, as it waits for a barcode at a real station.
# The CPU is the process's own, every thread, from the scheduler's count, over each run after a
# 3 s settling. Prints each run, then the median and spread of each kind.
# Usage: bench/station-idle.sh [seconds] [runs]   (defaults 60 and 5; needs a build in build/,
#        xvfb, xdotool, openbox)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
seconds="${1:-60}"
runs="${2:-5}"
kinds=(bare station active)

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96 -noreset" "$0" "$@"
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
# Settings and history of their own: a server in the user's settings would add its upload.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
cp "$root/bench/lib/loopback-fixture.ini" "$work/fixture.ini"
cat >"$work/station.ini" <<EOF
[station]
name=bench station
fixture=fixture.ini
operator=bench

[slots]
1=1
2=2
3=3
4=4
EOF
start_sims 4 --fixture "$work/fixture.ini"

# CPU time of every thread, in nanoseconds: the clock ticks of /proc/PID/stat (10 ms) are too
# coarse for a process this idle.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {print s}'; }
# Ends the process whose id is given and waits until it is gone.
end_process() {
    kill "$1" 2>/dev/null || true
    while kill -0 "$1" 2>/dev/null; do sleep 0.05; done
}

# One run of the kind named; appends "percent wake-ups-a-second" to $work/<kind>.
run_once() {
    local kind=$1 wm= pid title t0 t1 w0 w1
    if [ "$kind" = active ]; then
        openbox >/dev/null 2>&1 &
        wm=$!
        sleep 1
    fi
    if [ "$kind" = bare ]; then
        "$bin/bare-window" >/dev/null 2>&1 &
        title="Bare Window"
    else
        "$bin/rzm530-tester" --station "$work/station.ini" >"$work/tester.out" 2>&1 &
        title="RZM-530 Station"
    fi
    pid=$!
    if ! timeout 30 xdotool search --sync --onlyvisible --name "^$title\$" >/dev/null; then
        echo "$(basename "$0"): no \"$title\" window:" >&2
        cat "$work/tester.out" >&2 2>/dev/null || true
        exit 1
    fi
    sleep 3
    t0=$(cpu_ns "$pid")
    w0=$(awk '/^voluntary_ctxt_switches/ {print $2}' /proc/"$pid"/status)
    sleep "$seconds"
    t1=$(cpu_ns "$pid")
    w1=$(awk '/^voluntary_ctxt_switches/ {print $2}' /proc/"$pid"/status)
    end_process "$pid"
    [ -z "$wm" ] || end_process "$wm"
    awk -v d=$((t1 - t0)) -v w=$((w1 - w0)) -v s="$seconds" \
        'BEGIN {printf "%.4f %.1f\n", d / 1e7 / s, w / s}' | tee -a "$work/$kind" |
        awk -v k="$kind" '{printf "%-8s %s %% of one core, %s wake-ups a second\n", k, $1, $2}'
}

for _ in $(seq "$runs"); do
    for kind in "${kinds[@]}"; do run_once "$kind"; done
done
stop_sims

for kind in "${kinds[@]}"; do
    sort -n "$work/$kind" | awk -v k="$kind" -v s="$seconds" '{a[NR] = $1} END {
        printf "%-8s median %.4f %% of one core, spread %.4f to %.4f %% (%d runs of %d s)\n",
               k, a[int((NR + 1) / 2)], a[1], a[NR], NR, s}'
done
echo "target: the station with four idle slots at most 0.1 % of one core"
