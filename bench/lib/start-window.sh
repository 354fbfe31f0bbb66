# The bench scripts' one way to time a window's start and read its memory. Sourced, not run,
# after $work is made (the script's scratch folder); it builds $work/wait_mapped there.
#
#   start_window FILE TITLE COMMAND...
#
# starts COMMAND, waits until its window TITLE is shown, then 1 s more; appends
# "START_MS RESIDENT_KIB" to FILE, keeps the process's /proc smaps as FILE.smaps, and ends it.
#
#   median     the median of the numbers on standard input, one a line
cc -O2 -o "$work/wait_mapped" "$root/bench/wait_mapped.c" -lX11

median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

start_window() {
    local samples=$1 title=$2 pid ms
    shift 2
    read -r pid ms < <("$work/wait_mapped" "$title" "$@")
    sleep 1
    echo "$ms $(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")" >>"$samples"
    cp "/proc/$pid/smaps" "$samples.smaps"
    kill "$pid"
    while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
}
