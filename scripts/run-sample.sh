#!/usr/bin/env bash
# Sets everything up, builds the converter alone, and converts the bundled sample sprite into
# out/hero/. It builds into build/ as scripts/test.sh does, which then adds only the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --target morvane
mkdir -p out
cd out
../build/src/app/morvane ../sample/hero.spr
echo
echo "GIFs written to $(pwd)/hero/:"
ls hero
