#!/usr/bin/env bash
# Instructions per poll tick in the tester's own process, with and without the
# line monitor open, counted by callgrind over SECONDS after the warm-up: a count
# that the machine's load and idle states do not change, unlike its CPU time.
# Keeps the profiles (callgrind_annotate them) in OUT.
# The warm-up lasts until the monitor's table is full and follows the newest row,
# as it does in use.
# Usage: bench/poll-callgrind.sh [seconds=30] [out=build/callgrind]   (needs valgrind)
#        WARM_UP=200 bench/poll-callgrind.sh ...    a longer warm-up (30 s unless told): the
#                                                   table holds about 230 rows after 200 s, as
#                                                   in a long session; a short one, not yet full
#        WHAT=monitor bench/poll-callgrind.sh ...   profiles the one case alone
#        POINTER=off bench/poll-callgrind.sh ...    the pointer off the monitor's table
#                                                   (in the middle of it unless told)
#        ALTERNATE=RUNS bench/poll-callgrind.sh ... one process, the monitor closed and open in
#                                                   turns, RUNS times (bench_poll --alternate):
#                                                   whether a monitor once shown leaves work behind
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
seconds="${1:-30}"
out="${2:-$root/build/callgrind}"
pointer="${POINTER:-table}"
warm_up="${WARM_UP:-30}"
case "$pointer" in table | off) ;; *) echo "POINTER is table or off" >&2; exit 2 ;; esac

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@"
fi

mkdir -p "$out"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
start_sim --analog 300,700,1023

if [ -n "${ALTERNATE:-}" ]; then
    [ -z "${WHAT:-}" ] || { echo "ALTERNATE measures both: leave WHAT out" >&2; exit 2; }
    rm -f "$out"/alternate.*
    valgrind --tool=callgrind --callgrind-out-file="$out/alternate.%p" \
        "$bin/bench_poll" "$seconds" "--alternate=$ALTERNATE" "--pointer=$pointer" \
        "--warm-up=$warm_up" 2>"$work/valgrind.err" | tee "$work/alternate.lines"
    # The n-th span's line and its profile, numbered n.
    n=0
    while read -r line; do
        n=$((n + 1))
        profile="$(ls "$out"/alternate.*."$n")"
        instructions="$(awk '/^summary:/ {print $2}' "$profile")"
        ticks="$(awk '{for (i = 2; i <= NF; ++i) if ($i ~ /^transactions/) print $(i - 1)}' <<<"$line")"
        case "$line" in *"monitor open"*) what="monitor open" ;; *) what="monitor closed" ;; esac
        echo "span $n, $what: $instructions instructions over $ticks ticks," \
             "$((instructions / ticks)) a tick ($profile)"
    done <"$work/alternate.lines"
    exit 0
fi

for what in ${WHAT:-polling monitor}; do
    case "$what" in polling | monitor) ;; *) echo "WHAT is polling or monitor" >&2; exit 2 ;; esac
    rm -f "$out/$what".*
    option=()
    [ "$what" = monitor ] && option=(--monitor "--pointer=$pointer")
    valgrind --tool=callgrind --callgrind-out-file="$out/$what.%p" \
        "$bin/bench_poll" "$seconds" "${option[@]}" "--warm-up=$warm_up" 2>"$work/valgrind.err" | tee "$work/$what.line"
    profile="$(ls "$out/$what".*.1)"
    instructions="$(awk '/^summary:/ {print $2}' "$profile")"
    ticks="$(awk '{for (i = 2; i <= NF; ++i) if ($i ~ /^transactions/) print $(i - 1)}' "$work/$what.line")"
    echo "$what: $instructions instructions over $ticks ticks," \
         "$((instructions / ticks)) a tick ($profile)"
done
