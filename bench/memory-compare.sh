#!/usr/bin/env bash
# Resident memory of several builds of the tester against the bare window, in turns, in one run
# under Xvfb, as bench/measure.sh --memory measures it (1 s after the window is shown): for
# trying a build or link option, the same program linked with and without it. Then, with
# --smaps, where each program's resident memory lies beyond the bare window's, by library.
# Usage: bench/memory-compare.sh [--smaps] RUNS TESTER... (needs a build in build/, xvfb, libx11-dev)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
smaps=
if [ "${1:-}" = --smaps ]; then
    smaps=1
    shift
fi
runs=$1
shift
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -noreset" "$0" ${smaps:+--smaps} "$runs" "$@"
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
. "$root/bench/lib/start-window.sh"
start_sim --analog 300,700,1023

for _ in $(seq "$runs"); do
    start_window "$work/bare" "Bare Window" "$bin/bare-window"
    start_window "$work/label" "Bare Window" "$bin/bare-window" --label
    n=0
    for tester in "$@"; do
        n=$((n + 1))
        start_window "$work/tester$n" "RZM-530 Tester" "$tester"
    done
done

names=(bare label)
for n in $(seq $#); do names+=("tester$n"); done
bare_kb=$(cut -d' ' -f2 "$work/bare" | median)
for name in "${names[@]}"; do
    cut -d' ' -f2 "$work/$name" | sort -n |
        awk -v name="$name" -v bare="$bare_kb" '{a[NR] = $1} END {
            printf "%-8s median %d KiB, %d to %d, / bare %.3f\n", name, a[int((NR + 1) / 2)], a[1], a[NR], a[int((NR + 1) / 2)] / bare
        }'
done
n=0
for tester in "$@"; do n=$((n + 1)); echo "tester$n: $tester"; done

[ -n "$smaps" ] || exit 0
# Resident KiB by mapping's file (anonymous ones together), the last start of each, against the
# bare window: what each program holds beyond it.
for name in "${names[@]:1}"; do
    echo "== $name beyond the bare window, KiB (last start)"
    awk '
        /^[0-9a-f]+-[0-9a-f]+ / { file = (NF >= 6) ? $6 : "[anonymous]"; sub(/.*\//, "", file)
                                  if (file ~ /^\[(heap|stack|anonymous)/) file = "[heap and anonymous]" }
        /^Rss:/ { rss[FILENAME == ARGV[1] ? "b" : "t", file] += $2; files[file] = 1 }
        END { for (f in files) { d = rss["t", f] - rss["b", f]; if (d != 0) printf "%7d  %s\n", d, f } }
    ' "$work/bare.smaps" "$work/$name.smaps" | sort -rn
done
