#!/usr/bin/env bash
# What the station window costs with four idle slots (target at most 0.1 % of one core), under
# Xvfb: `rzm530-tester --station FILE`, its four slots on four simulated modules, COM 1 to 4, no
# serial entered. Four kinds of run take turns, so that drift on the machine hits them alike:
#   bare     a bare Qt Widgets window (bare-window), no window manager: an idle window's floor;
#   station  the station window, no window manager: never active, so no cursor blinks;
#   field    under openbox, a bare window with one line edit, active, focused, its cursor
#            blinking: what any window waiting for typing costs here;
#   active   the station window under openbox, active, the first slot's serial field focused
#            and its cursor blinking, as it waits for a barcode at a real station.
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
kinds=(bare station field active)

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

# Each thread's CPU time from the scheduler's count, and how often it was woken:
# "thread nanoseconds wake-ups". The clock ticks of /proc/PID/stat (10 ms) are too coarse for a
# process this idle.
threads() {
    local task
    for task in /proc/"$1"/task/*; do
        echo "${task##*/} $(cut -d' ' -f1 "$task/schedstat" 2>/dev/null)" \
            "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status" 2>/dev/null)"
    done
}
# "nanoseconds wake-ups" between two of those, thread by thread: Qt's pooled threads end after
# 30 s idle, and a thread gone must not take its earlier time off the sum. What it spent in the
# run before it ended is lost; ending is all such a thread does then.
spent() {
    awk 'NR == FNR {ns[$1] = $2; woken[$1] = $3; next}
         NF == 3 {s += $2 - ns[$1]; w += $3 - woken[$1]} END {print s + 0, w + 0}' "$1" "$2"
}
# Ends the process whose id is given and waits until it is gone.
end_process() {
    kill "$1" 2>/dev/null || true
    while kill -0 "$1" 2>/dev/null; do sleep 0.05; done
}

# One run of the kind named; appends "percent wake-ups-a-second" to $work/<kind>.
run_once() {
    local kind=$1 wm= pid title
    if [ "$kind" = field ] || [ "$kind" = active ]; then
        openbox >/dev/null 2>&1 &
        wm=$!
        sleep 1
    fi
    if [ "$kind" = bare ]; then
        "$bin/bare-window" >/dev/null 2>&1 &
        title="Bare Window"
    elif [ "$kind" = field ]; then
        "$bin/bare-window" --field >/dev/null 2>&1 &
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
    threads "$pid" >"$work/before"
    sleep "$seconds"
    threads "$pid" >"$work/after"
    end_process "$pid"
    [ -z "$wm" ] || end_process "$wm"
    spent "$work/before" "$work/after" |
        awk -v s="$seconds" '{printf "%.4f %.1f\n", $1 / 1e7 / s, $2 / s}' | tee -a "$work/$kind" |
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
