#!/usr/bin/env bash
# Where polling's wake-ups come from, with the monitor closed and open: for each thread of the
# tester, the times it gave up the processor to wait (voluntary context switches, from
# /proc/PID/task/*/status) over SECONDS once polling has settled, a run each way. Each wait ended
# is a wake-up; the main thread and the thread that reads the X server's replies are where the
# open monitor's come from.
# Usage: bench/poll-wakeups.sh [seconds=20]   (needs rzm530-sim and bench_poll built in build/)
#        SETTLE=200 bench/poll-wakeups.sh ...   counts from 200 s after start (15 unless told),
#                                               the monitor's table long past full
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
seconds="${1:-20}"
settle="${SETTLE:-15}"

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@"
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
start_sim --analog 300,700,1023

# Each thread of the process: its id, its name and its voluntary switches so far.
switches() {
    for task in /proc/"$1"/task/*; do
        printf '%s %s %s\n' "${task##*/}" "$(tr ' ' _ <"$task/comm")" \
            "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status")"
    done 2>/dev/null | sort
}

for tool in "" --monitor; do
    "$bin/bench_poll" "$((settle + seconds + 5))" $tool >"$work/poll" &
    tester=$!
    sleep "$settle"
    switches "$tester" >"$work/before"
    sleep "$seconds"
    switches "$tester" >"$work/after"
    echo "${tool:-polling}: waits a second, by thread, over $seconds s"
    # Threads that came or went in between are left out: their counts have no start.
    join "$work/before" "$work/after" |
        awk -v s="$seconds" '{printf "  %-16s %5.2f\n", $2, ($5 - $3) / s}'
    wait "$tester"
    sed 's/^/  /' "$work/poll"
done
