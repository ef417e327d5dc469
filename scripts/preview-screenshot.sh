#!/usr/bin/env bash
# Remakes docs/preview.png, the picture of the preview page in the README: the sample sprite
# converted with binary transparency (so its GIFs stand on the checkerboard) together with a
# copy of it cut short (a sprite that fails, so its folder shows in red), one more GIF cut
# short on purpose (a broken GIF, also in red), the page built by morvane-preview from the list
# and photographed by headless Chromium at 1400 x 1000. Builds what it needs into build/ (or
# $BUILD_DIR) first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-build}

if [ ! -f "$build/build.ninja" ] || ! command -v chromium >/dev/null; then
  scripts/setup.sh --target morvane release -B "$build"  # installs the packages (Chromium among them) and configures
fi
cmake --build "$build" --target morvane morvane-preview >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The converter runs from a copy, so that the cut sprite's record goes to an error log in $work.
cp "$build/src/app/morvane" sample/hero.spr "$work/"
head -c 2000 sample/hero.spr >"$work/hero-cut.spr"
cd "$work"
printf 'hero.spr\nhero-cut.spr\n' >sprites.lst
./morvane -b @sprites.lst >/dev/null
head -c 1000 hero/walk_N.gif >hero/jump.gif
"$root/$build/src/preview/morvane-preview" -o preview.html @sprites.lst

# A fresh profile, and nothing fetched from the network.
timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --disable-dev-shm-usage --user-data-dir="$work/profile" --hide-scrollbars \
  --window-size=1400,1000 --screenshot="$root/docs/preview.png" "file://$work/preview.html" \
  2>/dev/null
echo "Wrote $root/docs/preview.png"
