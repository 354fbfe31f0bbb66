# The bench scripts' one way to start the simulated module. Sourced, not run:
#
#   . "$root/bench/lib/start-sim.sh"
#   start_sim [--console] [rzm530-sim options...]
#   ...
#   stop_sim
#
# It needs $bin (the build's bin folder) and $work (the script's scratch folder,
# whose EXIT trap kills the script's jobs). The simulator runs headless with its
# line in $work/line, which RZM530_COM_DIR is set to, and its output in
# $work/sim.out; start_sim returns once it has printed its ready line, and ends
# the script if it never does. It sets
#   sim         the simulator's process id
#   sim_server  the tcp://HOST:PORT it serves (with --tcp), else empty
# With --console the simulator's standard input is a FIFO that the script holds
# open on descriptor 3, so that `echo COMMAND >&3` reaches its console;
# otherwise it reads nothing. stop_sim ends it and waits, so that the next
# start_sim finds the line free.
#
# A station's lines, one module on each:
#
#   start_sims N [rzm530-sim options...]
#   ...
#   stop_sims
#
# starts N simulators with the same options, the n-th on COM n in $work/line,
# its output in $work/sim-COMn.out, reading nothing; sets sims, their process ids.

# Waits for the ready line in the file named first from the process whose id is second; the
# rest is the command, for the complaint if it never comes.
await_sim_ready() {
    local out=$1 pid=$2 _
    shift 2
    for _ in $(seq 100); do
        grep -q '^ready' "$out" 2>/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "$(basename "$0"): the simulator did not start ($*)" >&2
    cat "$out" >&2 2>/dev/null || true
    exit 1
}

start_sim() {
    local console=
    if [ "${1:-}" = --console ]; then
        console=1
        shift
    fi
    # A ready line left by a simulator started before must not pass for this one's.
    rm -f "$work/sim.out"
    if [ -n "$console" ]; then
        [ -p "$work/commands" ] || mkfifo "$work/commands"
        "$bin/rzm530-sim" --headless --dir "$work/line" "$@" <"$work/commands" >"$work/sim.out" &
        sim=$!
        exec 3>"$work/commands" # opening the write end lets the simulator open the read end
    else
        "$bin/rzm530-sim" --headless --dir "$work/line" "$@" </dev/null >"$work/sim.out" &
        sim=$!
    fi
    export RZM530_COM_DIR="$work/line"
    await_sim_ready "$work/sim.out" "$sim" rzm530-sim --headless --dir "$work/line" "$@"
    sim_server="$(grep -o 'tcp://[^ ]*' "$work/sim.out" | head -n 1 || true)"
}

stop_sim() {
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
}

start_sims() {
    local count=$1 n
    shift
    sims=()
    for n in $(seq "$count"); do
        rm -f "$work/sim-COM$n.out"
        "$bin/rzm530-sim" --headless --dir "$work/line" --com "$n" "$@" \
            </dev/null >"$work/sim-COM$n.out" &
        sims+=($!)
    done
    export RZM530_COM_DIR="$work/line"
    for n in $(seq "$count"); do
        await_sim_ready "$work/sim-COM$n.out" "${sims[n - 1]}" \
            rzm530-sim --headless --dir "$work/line" --com "$n" "$@"
    done
}

stop_sims() {
    local pid
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${sims[@]}"; do wait "$pid" 2>/dev/null || true; done
}
