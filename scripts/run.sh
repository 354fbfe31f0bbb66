#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tester together with the
# simulated module on COM 1; with --tcp, on COM 5 over TCP (see demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec scripts/demo.sh "$@"
