#!/usr/bin/env bash
# Installs what building and testing morvane needs (Debian packages) when some of it is
# missing, then configures with a preset of CMakePresets.json and builds.
#   scripts/setup.sh [--target NAME]... [PRESET [-B BUILD_DIR] [CMAKE_ARGUMENT...]]
# PRESET is release (the default: build/, the configuration scripts/test.sh and
# scripts/run-sample.sh share, so each adds to what the other built), sanitize, tsan, fuzz or
# bench (build-<preset>/); -B builds into another directory. --target builds only the targets
# named (and what they need) instead of everything.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=()
while [ $# -gt 0 ] && [ "$1" = --target ]; do
  targets+=(--target "$2")
  shift 2
done

packages=(cmake ninja-build g++ clang libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
          libdeflate-dev libgif-dev libspng-dev libstb-dev libpng-dev libwebp-dev libclang-rt-14-dev
          nlohmann-json3-dev dpkg-dev parallel chromium python3-pil)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# npm installs the game engine of the browser client test. A Node.js from outside Debian brings
# its own npm and conflicts with Debian's package, so the package is only asked for where there
# is no npm command.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing the missing packages: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

preset=${1:-release}
[ $# -eq 0 ] || shift
build_dir=build-$preset
[ "$preset" != release ] || build_dir=build
if [ "${1:-}" = -B ]; then
  build_dir=$2
  shift 2
fi
cmake --preset "$preset" -B "$build_dir" "$@" >/dev/null
cmake --build "$build_dir" "${targets[@]}"
