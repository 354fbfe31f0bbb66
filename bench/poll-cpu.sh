#!/usr/bin/env bash
# Polling's cost in the tester's own process, with and without the line monitor
# (or the trend) open: RUNS runs of SECONDS each, taking turns, under Xvfb,
# against the simulated module. Prints each run, then the median and the
# spread of each, and of what the tool adds, run by run. With "busy", every
# relay and input is on and the analog inputs move each second, so that every
# lane of the trend has something to draw. With the monitor open the pointer
# rests in the middle of its table, or with POINTER=off in a corner of the
# screen, off every window; each run says where it was. Beside each run, fixed_work
# does the same small work once a second over the same seconds, as a control: what
# moves the control from run to run is the machine's doing, not the program's. The
# kernel's share of each run is sampled by the tick and says little at these loads
# (docs/measurements.md, "What the kernel time is").
# With ALTERNATE=1 (the monitor only), one bench_poll process measures polling with the
# monitor closed and then open, in turns (bench_poll --alternate), the control beside each:
# each pair shares one process, whose own figures move between starts by more than the
# monitor adds; the monitor's rows build up over the runs, as in a long session.
# With "pixels" in place of a tool: polling alone, the windows' pixels handed to the X server in
# Qt's shared memory (RZM530_BENCH_X_SHM=1) and through the socket as the tester sends them, in
# turns, shared memory first in each pair.
# Usage: bench/poll-cpu.sh [seconds=120] [runs=5] [monitor|trend|pixels] [busy]
#        (needs rzm530-sim, bench_poll and fixed_work built in build/)
#        POINTER=off bench/poll-cpu.sh ...
#        ALTERNATE=1 bench/poll-cpu.sh [seconds] [runs] monitor
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
seconds="${1:-120}"
runs="${2:-5}"
tool="${3:-monitor}"
case "$tool" in monitor | trend | pixels) ;; *) echo "the tool is monitor, trend or pixels" >&2; exit 2 ;; esac
busy="${4:-}"
pointer="${POINTER:-table}"
case "$pointer" in table | off) ;; *) echo "POINTER is table or off" >&2; exit 2 ;; esac

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@"
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
options=(--analog 300,700,1023)
[ "$busy" = busy ] && options+=(--inputs 1,1,1,1 --relays 11111111)
start_sim --console "${options[@]}" # its console stays open for as long as the script runs
if [ "$busy" = busy ]; then
    (for ((i = 0; ; ++i)); do
        echo "analog 1 $((300 + i * 37 % 400))"
        echo "analog 2 $((700 - i * 53 % 300))"
        sleep 1
    done) >&3 &
fi

# Runs a benchmark, its line added to the file named first, with the control beside it over
# its measured seconds (after the benchmark's 3 s of warm-up); prints both.
with_control() {
    local file=$1 control
    shift
    (sleep 3 && exec "$bin/fixed_work" "$seconds") >"$work/control-run" &
    control=$!
    "$@" | tee -a "$file"
    wait "$control"
    sed 's/^/    control: /' "$work/control-run"
    cat "$work/control-run" >>"$work/control"
}
if [ -n "${ALTERNATE:-}" ]; then
    [ "$tool" = monitor ] || { echo "ALTERNATE is for the monitor" >&2; exit 2; }
    # The control's spans follow bench_poll's: each after 3 s, SECONDS long.
    (for ((i = 0; i < 2 * runs; ++i)); do
        sleep 3
        "$bin/fixed_work" "$seconds" | tee -a "$work/control" | sed 's/^/    control: /'
    done) &
    "$bin/bench_poll" "$seconds" "--alternate=$runs" "--pointer=$pointer" | tee "$work/alternate"
    wait $!
    grep -v 'monitor open' "$work/alternate" >"$work/polling" || true
    grep 'monitor open' "$work/alternate" >"$work/tool" || true
else
    for _ in $(seq "$runs"); do
        if [ "$tool" = pixels ]; then
            with_control "$work/polling" env RZM530_BENCH_X_SHM=1 "$bin/bench_poll" "$seconds"
            with_control "$work/tool" "$bin/bench_poll" "$seconds"
            continue
        fi
        with_control "$work/polling" "$bin/bench_poll" "$seconds"
        with_control "$work/tool" "$bin/bench_poll" "$seconds" "--$tool" "--pointer=$pointer"
    done
fi
summary() {
    awk -v what="$2" '{print $1}' "$1" | sort -n | awk -v what="$2" '
        {a[NR] = $1} END {printf "%-22s median %.3f %%, from %.3f to %.3f %% (%d runs)\n",
                          what, (a[int((NR + 1) / 2)] + a[int(NR / 2) + 1]) / 2, a[1], a[NR], NR}'
}
summary "$work/control" "control, fixed work:"
if [ "$tool" = pixels ]; then
    summary "$work/polling" "polling, shared memory:"
    summary "$work/tool" "polling, the socket:"
    paste <(awk '{print $1}' "$work/polling") <(awk '{print $1}' "$work/tool") |
        awk '{print $1 - $2}' >"$work/added"
    summary "$work/added" "the socket saves:"
    exit 0
fi
summary "$work/polling" "polling:"
where=
[ "$tool" = monitor ] && where=", pointer $pointer"
summary "$work/tool" "polling, $tool open${busy:+ ($busy)}$where:"
# Each open run less the run just before it, without the tool.
paste <(awk '{print $1}' "$work/polling") <(awk '{print $1}' "$work/tool") |
    awk '{print $2 - $1}' >"$work/added"
summary "$work/added" "the $tool adds:"
if [ "$tool" = monitor ]; then
    echo "the pointer was on the table in $(grep -c 'pointer on the table' "$work/tool" || true)" \
         "of $runs runs, asked for: $pointer"
fi
