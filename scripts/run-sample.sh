#!/usr/bin/env bash
# Sets everything up, builds, and converts the bundled sample sprite into out/hero/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
mkdir -p out
cd out
../build/src/app/morvane ../sample/hero.spr
echo
echo "GIFs written to $(pwd)/hero/:"
ls hero
