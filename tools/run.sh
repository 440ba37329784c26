#!/usr/bin/env bash
# Starts the program from the build folder.
set -euo pipefail
build=${1:-build}
exec "$build/corvina-sms"
