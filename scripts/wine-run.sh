#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly and without asking to install anything:
#   scripts/wine-run.sh PROGRAM.exe [ARGUMENT...]
# The Wine prefix is WINEPREFIX when set, else one beside the program's build tree
# (<build>/wine-prefix, made at the first start, which takes a few seconds).
set -euo pipefail
program=$1
shift
if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$program")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" != / ] || dir=${TMPDIR:-/tmp}
  export WINEPREFIX="$dir/wine-prefix"
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
exec /usr/lib/wine/wine64 "$program" "$@"
