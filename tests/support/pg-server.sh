#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests, in a folder of its own:
#   pg-server.sh start DIR [PORT]  makes the cluster when DIR has none, and starts it on
#                                  127.0.0.1, on PORT or the first free port from 55432; the
#                                  port is written to DIR/port
#   pg-server.sh stop DIR          stops it, keeping its data, so that start brings it back
#   pg-server.sh remove DIR        stops it and removes DIR
# Trust authentication, on loopback only. As root the server runs as the `postgres` user made
# by the Debian package (or `nobody`), since PostgreSQL refuses to run as root. Without
# PostgreSQL's programs it says so, starts nothing and exits 0: the tests then skip.
set -euo pipefail

command=${1:-}
dir=${2:-}
[ -n "$command" ] && [ -n "$dir" ] || {
    echo "usage: $0 start|stop|remove DIR [PORT]" >&2
    exit 2
}

bin=${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "$0: PostgreSQL's programs are not installed (package postgresql)" >&2
    [ "$command" = start ] && mkdir -p "$dir" && rm -f "$dir/port"
    exit 0
fi

as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    user=postgres
    id -u "$user" >/dev/null 2>&1 || user=nobody
    as_owner=(runuser -u "$user" --)
fi

pg_ctl() {
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" "$@"
}

running() {
    [ -d "$dir/data" ] && pg_ctl status >/dev/null 2>&1
}

case "$command" in
start)
    mkdir -p "$dir"
    [ ${#as_owner[@]} -eq 0 ] || chown "$user" "$dir"
    if [ ! -d "$dir/data" ]; then
        "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 \
            --no-locale >"$dir/initdb.log"
    fi
    running && exit 0
    if [ -f "$dir/port" ]; then
        ports=$(cat "$dir/port")
    elif [ -n "${3:-}" ]; then
        ports=$3
    else
        ports=$(seq 55432 55531)
    fi
    for port in $ports; do
        # A port taken fails the start at once; the next one is tried.
        if pg_ctl -w -t 30 -l "$dir/server.log" \
            -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories='$dir' -c fsync=off" \
            start >/dev/null; then
            echo "$port" >"$dir/port"
            echo "PostgreSQL on 127.0.0.1:$port, in $dir"
            exit 0
        fi
    done
    echo "$0: PostgreSQL did not start; see $dir/server.log" >&2
    exit 1
    ;;
stop)
    ! running || pg_ctl -w -m fast stop >/dev/null
    ;;
remove)
    ! running || pg_ctl -w -m immediate stop >/dev/null
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop|remove DIR [PORT]" >&2
    exit 2
    ;;
esac
