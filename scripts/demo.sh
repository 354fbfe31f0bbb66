#!/usr/bin/env bash
# Starts the simulated module and the tester wired to it on COM 1. Closing the
# tester ends the simulator too; nothing is left behind.
#
# --tcp: the simulator serves the line over TCP on 127.0.0.1 instead, as a
# serial device server does, and COM 5 is mapped to it in a ports.ini of a
# temporary XDG_CONFIG_HOME (never your own): type 5 in the COM Port field.
set -euo pipefail
bin="$(cd "$(dirname "$0")/.." && pwd)/build/bin"
tcp=
case "${1:-}" in
--tcp) tcp=1 ;;
"") ;;
*) echo "usage: $0 [--tcp]" >&2; exit 2 ;;
esac

line_dir="$(mktemp -d "${TMPDIR:-/tmp}/rzm530-line-XXXXXX")"
sim_out="$line_dir/sim.out"
cleanup() {
    [ -n "${sim:-}" ] && kill -TERM "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    rm -rf "$line_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -n "$tcp" ]; then
    line=(--tcp 0) # any free port; the ready line names it
else
    line=(--dir "$line_dir" --com 1)
fi
"$bin/rzm530-sim" "${line[@]}" --analog 300,700,1023 --inputs 1,0,0,1 >"$sim_out" &
sim=$!
for _ in $(seq 100); do
    grep -q '^ready' "$sim_out" 2>/dev/null && break
    kill -0 "$sim" 2>/dev/null || { cat "$sim_out" >&2; exit 1; }
    sleep 0.05
done

if [ -n "$tcp" ]; then
    server="$(grep -o 'tcp://[^ ]*' "$sim_out" | head -n 1)"
    config="$line_dir/config"
    mkdir -p "$config/rzm530"
    printf '[ports]\nCOM5=%s\n' "$server" >"$config/rzm530/ports.ini"
    echo "COM 5 is $server: type 5 in the COM Port field." >&2
    XDG_CONFIG_HOME="$config" "$bin/rzm530-tester"
else
    RZM530_COM_DIR="$line_dir" "$bin/rzm530-tester"
fi
