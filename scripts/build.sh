#!/usr/bin/env bash
# Configures and builds into build/; the programs land in build/bin/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
