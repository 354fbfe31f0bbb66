#!/usr/bin/env bash
# Where polling's wake-ups come from, the monitor never shown and then open: for each thread of
# the tester, the times it gave up the processor to wait (voluntary context switches, from
# /proc/PID/task/*/status) over SECONDS once polling has settled, a run each way, each thread's
# count over the time measured between the two readings. Each wait ended is a wake-up. A thread
# that started or ended between the readings is listed apart, its count not divided, as Qt's
# pooled painting threads do when idle for 30 s; bench_poll's own line after each run gives the
# whole process's wake-ups, those threads' included.
# Usage: bench/poll-wakeups.sh [seconds=20]   (needs rzm530-sim and bench_poll built in build/)
#        SETTLE=200 bench/poll-wakeups.sh ...   counts from 200 s after start (15 unless told),
#                                               the monitor's table long past full
#        RZM530_BENCH_X_SHM=1 bench/poll-wakeups.sh ...   the pixels in Qt's shared memory, not
#                                               through the socket as the tester sends them
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
seconds="${1:-20}"
settle="${SETTLE:-15}"
[ "$seconds" -gt 0 ] 2>/dev/null || { echo "seconds: a whole number over 0" >&2; exit 2; }

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
    done 2>/dev/null | LC_ALL=C sort -k1,1
}
# Ends the script with bench_poll's own words if it is no longer running.
still_running() {
    kill -0 "$tester" 2>/dev/null && return 0
    wait "$tester" || true
    echo "$(basename "$0"): bench_poll ended early:" >&2
    cat "$work/poll" "$work/poll.err" >&2
    exit 1
}

for tool in "" --monitor; do
    "$bin/bench_poll" "$((settle + seconds + 5))" $tool >"$work/poll" 2>"$work/poll.err" &
    tester=$!
    sleep "$settle"
    still_running
    from=$(date +%s%N)
    switches "$tester" >"$work/before"
    sleep "$seconds"
    still_running
    switches "$tester" >"$work/after"
    to=$(date +%s%N)
    echo "${tool:-polling, the monitor never shown}: waits a second, by thread"
    # In the order sort gave them, so that join pairs every thread.
    LC_ALL=C join -a1 -a2 -e - -o 0,1.2,1.3,2.2,2.3 "$work/before" "$work/after" |
        awk -v ns="$((to - from))" '
            $3 == "-" { printf "  %-16s %5d waits, started during the count\n", $4, $5; next }
            $5 == "-" { printf "  %-16s ended during the count\n", $2; next }
            { printf "  %-16s %5.2f\n", $2, ($5 - $3) * 1e9 / ns }'
    wait "$tester" || { cat "$work/poll" "$work/poll.err" >&2; exit 1; }
    sed 's/^/  /' "$work/poll"
done
