#!/usr/bin/env bash
# Installs what is missing, builds and checks the Debian package, and runs
# every test: the suite under AddressSanitizer and UndefinedBehaviorSanitizer
# with the fuzzer, the plain C++ layers built for Windows and checked under
# Wine, then the ordinary build's suite, whose CTest summary closes the output.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
# The history's server tests fail, rather than skip, without PostgreSQL.
export RZM530_NEED_SERVER=1
# Two suites at a time: most wait on lines, timers and other processes rather than compute, and
# each has its own line folders, settings and TCP ports; those that cannot share the machine say
# so in tests/CMakeLists.txt (RESOURCE_LOCK). Two, not one per core: that is the number shown
# stable here, with a fuzzer, which does compute, on one core and the waiting suites on the other.
test_jobs=2

scripts/install-deps.sh
scripts/build.sh
scripts/check-package.sh build

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DRZM_SANITIZE=ON -DRZM_FUZZ=ON -DRZM_FUZZ_SECONDS="${RZM_FUZZ_SECONDS:-60}"
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure -j"$test_jobs"

scripts/windows-check.sh

ctest --test-dir build --output-on-failure -j"$test_jobs"
