#!/usr/bin/env bash
# The self-test with a loopback fixture, on a healthy simulated module wired by the same
# fixture, at a 9600 baud line's pace (rzm530-sim --paced), settle_ms=50; each run against the
# line's floor: every byte the line carried either way at the simulator's byte time; each
# turnaround, the 3.5 characters of silence after a request by which a module knows it has
# ended, before its reply (the tester sends on once a reply's length says it is complete, so no
# silence after a reply is counted); and each settle: the self-test waits one before
# each read of the inputs, the first of each input step (every relay off) and the one after
# each wired relay's switching on and off.
# Usage: bench/fixture-pace.sh [runs]   (default 5; needs a build in build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
runs="${1:-5}"

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
# Nothing the runs keep reaches the user's own history or settings.
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"

cp "$root/bench/lib/loopback-fixture.ini" "$work/fixture.ini"
settle_ms=$(sed -n 's/^settle_ms=//p' "$work/fixture.ini")
# Wired inputs, and the input steps that have any: the digital one and the analog one.
wired=$(grep -cE '^[0-9]+=' "$work/fixture.ini")
settles=$((2 * wired + 2))

# The simulator's own byte time, from its help: "one every 1.04 ms".
byte_ms=$("$bin/rzm530-sim" --help | grep -o 'one every [0-9.]* ms' | grep -o '[0-9.]*')

# "carried R requests B bytes, P replies C bytes", once the simulator has said it anew.
carried() {
    local before
    before=$(grep -c '^carried' "$work/sim.out" || true)
    echo carried >&3
    for _ in $(seq 100); do
        if [ "$(grep -c '^carried' "$work/sim.out" || true)" -gt "$before" ]; then
            grep '^carried' "$work/sim.out" | tail -n 1 | grep -o '[0-9]*' | paste -sd' '
            return 0
        fi
        sleep 0.02
    done
    echo "$(basename "$0"): the simulator did not answer \"carried\"" >&2
    exit 1
}

start_sim --console --paced --fixture "$work/fixture.ini"
command=("$bin/rzm530-cli" --self-test --port 1 --fixture "$work/fixture.ini" --no-history)
echo "${command[*]##*/}, rzm530-sim --paced ($byte_ms ms a byte), settle_ms=$settle_ms," \
    "$wired inputs wired, $settles settles"
printf '%-4s %-8s %-6s %-22s %-22s %-9s %s\n' run seconds exit requests replies floor ratio
for run in $(seq "$runs"); do
    read -r q0 qb0 p0 pb0 < <(carried)
    code=0
    start=$(date +%s.%N)
    "${command[@]}" >"$work/out" 2>&1 || code=$?
    end=$(date +%s.%N)
    read -r q1 qb1 p1 pb1 < <(carried)
    if [ "$code" -ne 0 ] || ! tail -n 1 "$work/out" | grep -q '^PASS' || [ $((q1 - q0)) -ne $((p1 - p0)) ]; then
        echo "run $run did not pass with every request answered (exit $code):" >&2
        cat "$work/out" >&2
        exit 1
    fi
    awk -v s="$start" -v e="$end" -v code="$code" -v run="$run" -v byte="$byte_ms" \
        -v settle="$settle_ms" -v settles="$settles" \
        -v q=$((q1 - q0)) -v qb=$((qb1 - qb0)) -v p=$((p1 - p0)) -v pb=$((pb1 - pb0)) 'BEGIN {
            floor = ((qb + pb) * byte + p * 3.5 * byte + settles * settle) / 1000
            printf "%-4d %-8.2f %-6d %-22s %-22s %-9.2f %.2f\n", run, e - s, code,
                   q " (" qb " bytes)", p " (" pb " bytes)", floor, (e - s) / floor
        }' | tee -a "$work/runs"
done
stop_sim

# Five runs' median and spread, against the floor (the same for every run of a healthy module).
sort -k2 -n "$work/runs" | awk '{t[NR] = $2; f = $(NF - 1)} END {
    m = t[int((NR + 1) / 2)]
    printf "median %.2f s, spread %.2f to %.2f s; floor %.2f s; median / floor %.2f (target at most 1.5)\n",
           m, t[1], t[NR], f, m / f
}'
