#!/usr/bin/env bash
# The tester over TCP on loopback against the same tester on a pseudo-terminal,
# both to one simulator serving its line both ways: the CPU of the polling
# window, and the time of the command line's scan of addresses 1 to 247.
# The two lines take turns, so that drift on the machine hits them alike.
# Usage: bench/tcp-measure.sh [poll-seconds] [runs]   (defaults 30 and 3;
# needs a build in build/, xvfb, libx11-dev)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
poll_seconds="${1:-30}"
runs="${2:-3}"

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -noreset" "$0" "$@"
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cc -O2 -o "$work/wait_mapped" "$root/bench/wait_mapped.c" -lX11

start_sim --tcp 0 --analog 300,700,1023
server="$sim_server"

# COM 1 is the pseudo-terminal, or, mapped, the server: the window opens COM 1
# at start. Neither is ever the user's own configuration.
mkdir -p "$work/pty/rzm530" "$work/tcp/rzm530"
printf '[ports]\nCOM1=%s\n' "$server" >"$work/tcp/rzm530/ports.ini"
port_of() { [ "$1" = tcp ] && echo "$server" || echo 1; }

# CPU time of every thread, in nanoseconds, from the scheduler's own count:
# the clock ticks of /proc/PID/stat are too coarse for a process this idle.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {print s}'; }
# The median and spread of a file of figures, and each figure in the order measured.
summary() {
    sort -n "$1" | awk '{a[NR] = $1} END {printf "median %s, spread %s to %s", a[int((NR + 1) / 2)], a[1], a[NR]}'
    printf ' (%s)' "$(paste -sd' ' "$1")"
}

for _ in $(seq "$runs"); do
    for line in pty tcp; do
        read -r pid _ < <(XDG_CONFIG_HOME="$work/$line" "$work/wait_mapped" "RZM-530 Tester" \
            "$bin/rzm530-tester")
        sleep 2
        t0=$(cpu_ns "$pid")
        sleep "$poll_seconds"
        t1=$(cpu_ns "$pid")
        kill "$pid"
        while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
        awk -v d=$((t1 - t0)) -v s="$poll_seconds" 'BEGIN {printf "%.3f\n", d / 1e7 / s}' \
            >>"$work/cpu-$line"

        start=$(date +%s.%N)
        XDG_CONFIG_HOME="$work/$line" "$bin/rzm530-cli" --scan --port "$(port_of $line)" \
            --timeout 100 >/dev/null 2>&1 || true
        end=$(date +%s.%N)
        awk -v s="$start" -v e="$end" 'BEGIN {printf "%.2f\n", e - s}' >>"$work/scan-$line"
    done
done

for line in pty tcp; do
    name=$([ "$line" = tcp ] && echo "TCP loopback" || echo "pseudo-terminal")
    echo "$name, CPU while polling, % of one core over $poll_seconds s, $runs runs: $(summary "$work/cpu-$line")"
    echo "$name, scan of 1-247 at 100 ms, seconds, $runs runs: $(summary "$work/scan-$line")"
done
