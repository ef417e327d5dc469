#!/usr/bin/env bash
# Sets everything up, builds, and runs the converter.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
build/src/app/morvane
