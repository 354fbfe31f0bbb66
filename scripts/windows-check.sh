#!/usr/bin/env bash
# Builds modbus/ and the plain C++ layers for Windows with MinGW-w64, warning-free, with their check program,
# and runs it under Wine without a display. Installs the cross compiler and Wine when missing.
# The check program's "N passed, M failed" is the last line; any failure fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64

build=build-windows
cmake -S tests/windows -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/MinGW-w64.cmake" > /dev/null
cmake --build "$build" -j"$(nproc)"

# Debian's wine64 package alone puts its programs outside the PATH.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX="$PWD/$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# A prefix of its own, made once: without Mono and Gecko, which would ask to be downloaded.
if [ ! -f "$WINEPREFIX/.booted" ]; then
    rm -rf "$WINEPREFIX"
    timeout 300 "$wine" wineboot --init > /dev/null 2>&1
    timeout 60 "$wineserver" -w
    touch "$WINEPREFIX/.booted"
fi

# Wine takes its zone from the host's TZ; the check program drops TZ, which the Windows C
# runtime would misread, and so meets Berlin's offset through Windows' own time zone calls.
TZ=Europe/Berlin timeout 120 "$wine" "$build/bin/windows_check.exe"
