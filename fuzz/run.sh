#!/usr/bin/env bash
# Builds the fuzz targets with clang, replays the seeds and the past findings, then runs each
# target for SECONDS (default 120) on a copy of its seeds. Fails on any crash, leak, timeout
# (10 s for one input) or memory bound passed: one allocation over 1200 MiB or a resident set
# over 2 GiB, both above the 1 GiB a collection's image data may take and the README's bound
# for one GIF. Inputs are at most 1 MiB, so a packed one can still unpack to a gigabyte. The
# input that did it is kept in build-fuzz/findings/ and shown in hexadecimal.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-120}"
build=build-fuzz
scripts/setup.sh fuzz
ctest --test-dir "$build/fuzz" --output-on-failure

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
findings="$build/findings"
mkdir -p "$findings"
for kind in convert image_set; do
  mkdir -p "$work/$kind"
  cp fuzz/corpus/"$kind"/* "$work/$kind/"
  echo "Fuzzing fuzz_$kind for $seconds s"
  # libFuzzer ends without running destructors, so the scratch directory goes with $work.
  if ! TMPDIR="$work" "$build/fuzz/fuzz_$kind" -dict=fuzz/morvane.dict -max_total_time="$seconds" \
      -timeout=10 -malloc_limit_mb=1200 -rss_limit_mb=2048 -max_len=1048576 \
      -print_final_stats=1 -artifact_prefix="$findings/${kind}-" \
      "$work/$kind" >"$work/$kind.log" 2>&1; then
    tail -n 80 "$work/$kind.log"
    for finding in "$findings/${kind}-"*; do
      [ -f "$finding" ] || continue
      echo "Input $finding:"
      od -A x -t x1z -v "$finding" | head -n 64
    done
    echo "fuzz_$kind found a fault"
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' \
    "$work/$kind.log" || true
  echo "corpus: $(ls "$work/$kind" | wc -l) inputs"
done
