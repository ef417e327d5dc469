#!/usr/bin/env bash
# Cross-builds morvane.exe for 64-bit Windows with mingw-w64 and packs it for users:
#   scripts/build-windows.sh [-B BUILD_DIR] [CMAKE_ARGUMENT...]
# Installs the Debian packages the build needs when some are missing, configures with the
# windows preset (build-windows/ unless -B says otherwise), builds the statically linked
# morvane.exe and makes morvane-<version>-win64.zip in the build directory: morvane.exe,
# morvane.cfg, colors.cfg and README.txt. The zip's path is the last line printed.
set -euo pipefail
cd "$(dirname "$0")/.."

# googletest: the sources of the unit tests, which the windows preset configures too.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libstb-dev googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing the missing packages: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

build_dir=build-windows
if [ "${1:-}" = -B ]; then
  build_dir=$2
  shift 2
fi
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset windows -B "$build_dir" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build_dir" --target morvane

version=$(sed -n 's/^project(morvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=morvane-$version-win64
stage=$build_dir/package/$name
rm -rf "$stage" "$build_dir/$name.zip"
mkdir -p "$stage"
cp "$build_dir/src/app/morvane.exe" config/morvane.cfg config/colors.cfg "$stage/"
# Notepad and every other Windows editor read CR LF.
sed 's/$/\r/' >"$stage/README.txt" <<TEXT
morvane $version for Windows 10 and later
==========================================

morvane converts sprite files (.spr) into animated GIFs, one per sequence and direction,
many files at once. It is a console program: morvane.exe needs no other file but the two
configuration files beside it, and no installation. Keep the three files together in one
folder you may write to.

Running it
  From cmd or PowerShell, in the folder that holds your sprites:
    C:\\Tools\\morvane\\morvane.exe hero.spr
    C:\\Tools\\morvane\\morvane.exe @sprites.txt       (a list file, one sprite a line)
    C:\\Tools\\morvane\\morvane.exe --help
  A sprite named on the command line gets a folder of its own in the current folder
  (.\\hero\\walk_N.gif, ...); one named in a list file gets it beside the sprite.
  Dragging a sprite file onto morvane.exe in Explorer converts it too: the file is then the
  first argument, and the GIFs go to a folder in the directory the program starts in.

Settings
  morvane.cfg beside morvane.exe holds the option defaults ([defaults] section); colors.cfg
  names the colours that options may use.

The error log
  Errors in sprite files are recorded in errors.log beside morvane.exe. When that folder
  cannot be written, the log goes to %LOCALAPPDATA%\\morvane\\errors.log; the program names
  the file at the end of the run.
TEXT
(cd "$build_dir/package" && rm -f "../$name.zip" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "$(cd "$build_dir" && pwd)/$name.zip"
