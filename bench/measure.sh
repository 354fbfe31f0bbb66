#!/usr/bin/env bash
# Start-up, memory and CPU of the tester against a bare Qt Widgets window, on
# this machine in one run, under Xvfb. The tester talks to the simulated module.
# Then the tester on a chattering line (bench_chatter), as many seconds.
# With --memory, start-up and memory alone, RUNS starts of each (5), and the spread of each.
# Usage: bench/measure.sh [poll-seconds]   (needs a build in build/, xvfb, libx11-dev)
#        bench/measure.sh --memory [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
memory_only=
if [ "${1:-}" = --memory ]; then
    memory_only=1
    runs="${2:-5}"
else
    poll_seconds="${1:-60}"
    runs=15
fi

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -noreset" "$0" "$@"
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
# Settings and history of their own: a server in the user's settings would add its upload.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
. "$root/bench/lib/start-window.sh"

start_sim --analog 300,700,1023

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

medians() { echo "$(cut -d' ' -f1 "$1" | median) $(cut -d' ' -f2 "$1" | median)"; }
# "least to most" of column $2 of the file named first.
spread() { cut -d' ' -f"$2" "$1" | sort -n | awk 'NR == 1 {lo = $1} {hi = $1} END {print lo " to " hi}'; }

# The three programs take turns, so that drift on the machine hits them alike.
for _ in $(seq $runs); do
    start_window "$work/bare" "Bare Window" "$bin/bare-window"
    start_window "$work/label" "Bare Window" "$bin/bare-window" --label
    start_window "$work/tester" "RZM-530 Tester" "$bin/rzm530-tester"
done
read -r bare_ms bare_kb < <(medians "$work/bare")
read -r label_ms label_kb < <(medians "$work/label")
read -r tester_ms tester_kb < <(medians "$work/tester")

if [ -n "$memory_only" ]; then
    for who in bare label tester; do
        printf "%-7s start-up %s ms (median %s), resident %s KiB (median %s)\n" "$who" \
            "$(spread "$work/$who" 1)" "$(cut -d' ' -f1 "$work/$who" | median)" \
            "$(spread "$work/$who" 2)" "$(cut -d' ' -f2 "$work/$who" | median)"
    done
    awk -v bk="$bare_kb" -v tk="$tester_kb" -v lk="$label_kb" -v n="$runs" 'BEGIN {
        printf "resident memory, medians of %d starts: tester / bare window %.2f, / with a label %.2f\n",
            n, tk / bk, tk / lk
    }'
    exit 0
fi

read -r pid _ < <("$work/wait_mapped" "RZM-530 Tester" "$bin/rzm530-tester")
sleep 2
hz=$(getconf CLK_TCK)
t0=$(cpu_ticks "$pid")
sleep "$poll_seconds"
t1=$(cpu_ticks "$pid")
kill "$pid"

awk -v bm="$bare_ms" -v tm="$tester_ms" -v bk="$bare_kb" -v tk="$tester_kb" \
    -v lm="$label_ms" -v lk="$label_kb" \
    -v dt=$((t1 - t0)) -v hz="$hz" -v s="$poll_seconds" 'BEGIN {
    printf "start-up to window shown: tester %.1f ms, bare window %.1f ms, ratio %.2f\n", tm, bm, tm / bm
    printf "  against one with a label: %.1f ms, ratio %.2f\n", lm, tm / lm
    printf "resident memory:          tester %d KiB, bare window %d KiB, ratio %.2f\n", tk, bk, tk / bk
    printf "  against one with a label: %d KiB, ratio %.2f\n", lk, tk / lk
    printf "CPU while polling %d s:   %.3f%% of one core\n", s, 100 * dt / hz / s
}'

# A chattering line: one byte per wake-up (the harshest), then 16 bytes every
# 16.7 ms as a USB adapter hands them over.
"$bin/bench_chatter" "$poll_seconds" 1
"$bin/bench_chatter" "$poll_seconds" 16

# The command line's scan and self-test against the simulator.
"$root/bench/line-timing.sh"
