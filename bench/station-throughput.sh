#!/usr/bin/env bash
# A station's throughput: four simulated modules, each on a line of its own (COM 1 to 4), each
# wired by the example loopback fixture (settle_ms=50) and carrying bytes at a 9600 baud line's
# pace (rzm530-sim --paced). Each run times one module tested alone, on COM 1, then the four at
# once with one console command, so that drift on the machine hits both alike; the test time
# only, from the command's start to its exit, with --no-history so that no history is written
# or waited for. Prints each run, then modules an hour for one slot and for four, and four at
# once against one alone (target at most 1.2).
# With "separate", the four at once are four consoles side by side, one port each, instead of
# one console with four: the same figures for the tester as it was before the station.
# Usage: bench/station-throughput.sh [runs] [separate]   (default 5; needs a build in build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
runs="${1:-5}"
separate="${2:-}"
slots=4

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
# Nothing the runs keep reaches the user's own history or settings.
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
cp "$root/bench/lib/loopback-fixture.ini" "$work/fixture.ini"
settle_ms=$(sed -n 's/^settle_ms=//p' "$work/fixture.ini")

start_sims "$slots" --paced --fixture "$work/fixture.ini"
ports=$(seq -s, "$slots")
serials=$(seq -s, -f 'T-%g' "$slots")
self_test=("$bin/rzm530-cli" --self-test --fixture "$work/fixture.ini" --no-history)

# Seconds since the epoch, to the nanosecond.
now() { date +%s.%N; }
# Complains about a run that did not pass, with its output, and ends the script.
failed() {
    echo "$(basename "$0"): $1 did not pass (exit $2):" >&2
    cat "${@:3}" >&2
    exit 1
}

# One module on COM 1; prints its seconds.
one_alone() {
    local code=0 start end
    start=$(now)
    "${self_test[@]}" --port 1 --serial T-1 >"$work/one" 2>&1 || code=$?
    end=$(now)
    if [ "$code" -ne 0 ] || ! tail -n 1 "$work/one" | grep -q '^PASS'; then
        failed "one module alone" "$code" "$work/one"
    fi
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", e - s }'
}

# Every slot at once; prints the seconds until the last has finished.
all_at_once() {
    local code=0 start end n
    start=$(now)
    if [ -z "$separate" ]; then
        "${self_test[@]}" --port "$ports" --serial "$serials" >"$work/all" 2>&1 || code=$?
        end=$(now)
        # One line a slot as it finishes: "COM 3  T-3  PASS".
        if [ "$code" -ne 0 ] ||
            [ "$(grep -cE '^COM [0-9]+  T-[0-9]+  PASS' "$work/all")" -ne "$slots" ]; then
            failed "$slots modules at once" "$code" "$work/all"
        fi
    else
        local pids=()
        for n in $(seq "$slots"); do
            "${self_test[@]}" --port "$n" --serial "T-$n" >"$work/all-$n" 2>&1 &
            pids+=($!)
        done
        for n in $(seq "$slots"); do wait "${pids[n - 1]}" || code=$?; done
        end=$(now)
        for n in $(seq "$slots"); do
            tail -n 1 "$work/all-$n" | grep -q '^PASS' || [ "$code" -ne 0 ] || code=1
        done
        [ "$code" -eq 0 ] || failed "$slots consoles side by side" "$code" "$work"/all-*
    fi
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", e - s }'
}

if [ -z "$separate" ]; then
    how="--port $ports --serial $serials"
else
    how="--port N --serial T-N, $slots side by side"
fi
echo "${self_test[*]##*/} $how; rzm530-sim --paced --fixture on COM 1 to $slots," \
    "settle_ms=$settle_ms"
printf '%-4s %-10s %-10s %s\n' run "1 (s)" "$slots (s)" "$slots / 1"
for run in $(seq "$runs"); do
    one=$(one_alone)
    all=$(all_at_once)
    awk -v r="$run" -v a="$one" -v b="$all" 'BEGIN { printf "%-4d %-10.2f %-10.2f %.3f\n", r, a, b, b / a }' |
        tee -a "$work/runs"
done
stop_sims

# Median and spread of column $1 of the runs: "median least most".
stats() {
    awk -v c="$1" '{print $c}' "$work/runs" | sort -n |
        awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)], a[1], a[NR]}'
}
read -r one_m one_lo one_hi < <(stats 2)
read -r all_m all_lo all_hi < <(stats 3)
read -r ratio_m ratio_lo ratio_hi < <(stats 4)
awk -v n="$slots" -v runs="$runs" -v m1="$one_m" -v l1="$one_lo" -v h1="$one_hi" \
    -v m4="$all_m" -v l4="$all_lo" -v h4="$all_hi" \
    -v rm="$ratio_m" -v rl="$ratio_lo" -v rh="$ratio_hi" 'BEGIN {
    printf "1 slot:  median %.2f s, spread %.2f to %.2f s: %.0f modules an hour (%.0f to %.0f)\n",
           m1, l1, h1, 3600 / m1, 3600 / h1, 3600 / l1
    printf "%d slots: median %.2f s, spread %.2f to %.2f s: %.0f modules an hour (%.0f to %.0f)\n",
           n, m4, l4, h4, n * 3600 / m4, n * 3600 / h4, n * 3600 / l4
    printf "%d at once / 1 alone, run by run: median %.3f, spread %.3f to %.3f (target at most 1.2); " \
           "medians %.3f\n", n, rm, rl, rh, m4 / m1
}'
