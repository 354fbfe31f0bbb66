#!/usr/bin/env bash
# What each of the line monitor's painting shortcuts saves: polling with the
# monitor open, every shortcut kept, and then without each one named, taking
# turns run by run (all, -a, -b, ..., all, -a, ...) so that the machine's load
# hits each alike. Each run is bench_poll's own CPU time, user and system. Prints
# each run, then each variant's median and spread, and what taking each shortcut
# out adds, run by run against the all-kept run of its round.
# Usage: bench/shortcut-cpu.sh [seconds=120] [runs=5] [shortcut...]
#   shortcuts: cells box bands timeline (the default: all four)
#   needs a build in build/ configured with -DRZM530_BENCH_TOGGLES=ON
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
seconds="${1:-120}"
runs="${2:-5}"
shift $(($# < 2 ? $# : 2))
shortcuts=("$@")
[ ${#shortcuts[@]} -gt 0 ] || shortcuts=(cells box bands timeline)

if ! grep -q '^RZM530_BENCH_TOGGLES:BOOL=ON' "$root/build/CMakeCache.txt" 2>/dev/null; then
    echo "$(basename "$0"): configure build/ with -DRZM530_BENCH_TOGGLES=ON first" >&2
    exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$seconds" "$runs" "${shortcuts[@]}"
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
start_sim --analog 300,700,1023

for round in $(seq "$runs"); do
    for variant in all "${shortcuts[@]}"; do
        plain=$([ "$variant" = all ] || echo "$variant")
        printf '%d %-9s ' "$round" "$variant"
        RZM530_MONITOR_PLAIN="$plain" "$bin/bench_poll" "$seconds" --monitor | tee -a "$work/$variant"
    done
done
summary() {
    awk '{print $1}' "$1" | sort -n | awk -v what="$2" '
        {a[NR] = $1} END {printf "%-34s median %.3f %%, from %.3f to %.3f %% (%d runs)\n",
                          what, a[int((NR + 1) / 2)], a[1], a[NR], NR}'
}
summary "$work/all" "monitor open, every shortcut:"
for s in "${shortcuts[@]}"; do
    summary "$work/$s" "monitor open, without $s:"
done
for s in "${shortcuts[@]}"; do
    paste <(awk '{print $1}' "$work/all") <(awk '{print $1}' "$work/$s") |
        awk '{print $2 - $1}' >"$work/added-$s"
    summary "$work/added-$s" "taking $s out adds:"
done
