#!/usr/bin/env bash
# Splits one file's conversion into the work that runs serially and the work that runs side by
# side, and estimates from that split how the converter scales with threads.
#
#   bench/serial_share.sh [-n RUNS] [--shape=FRAMES,DIRECTIONS,SIZE] [build-dir]
#
# Builds as whole_run.sh does (default build-bench) and also pipeline_bench, which times each
# stage of a conversion per frame pixel (medians of 3 repetitions). It then times the whole
# converter on the measuring sprite at MORVANE_THREADS=1, RUNS times per mode (default 5, or
# $RUNS), alternating -d=1 and -d=0, taking its processor time (user + system) as the stages
# are timed: a busy machine stretches wall times but hardly these. Each stage is put in the
# class it runs in within one file:
#   once per file   loading the image data (one zlib stream per collection), and the rest of
#                   the run (whole run minus the stages: process start, reading the file,
#                   writing the GIFs, the console), counted as serial though the GIFs are
#                   written side by side; the stages run on 32 frames of 256x256, so the rest
#                   is meaningful only for the default --shape;
#   per direction   drawing the frames and the colour-map optimisation, which run serially
#                   within a GIF while the GIFs run side by side;
#   per frame       octree palettes, mapping to them (four frames in step) and encoding.
# and the time at N threads is estimated as
#   once per file + per direction / min(N, directions) + per frame / min(N, frame groups),
# which leaves out the overlap of one GIF's serial stages with other GIFs' frames, so it errs
# on the slow side. Nothing is timed inside the converter.
set -euo pipefail

# shellcheck source=bench/whole_run.sh
source "$(dirname "${BASH_SOURCE[0]}")/whole_run.sh"

usage() {
  echo "usage: bench/serial_share.sh [-n RUNS] [--shape=FRAMES,DIRECTIONS,SIZE] [build-dir]" >&2
  exit 2
}

main() {
  RUNS=${RUNS:-5}
  SHAPE=(32 8 256)
  local build=build-bench
  while [ $# -gt 0 ]; do
    case $1 in
      -n) [ $# -ge 2 ] || usage; RUNS=$2; shift ;;
      --shape=*) parse_shape "${1#--shape=}" ;;
      -*) usage ;;
      *) build=$1 ;;
    esac
    shift
  done
  [[ $RUNS =~ ^[1-9][0-9]*$ ]] || usage
  [ "$build" = build-bench ] && build=$REPO/build-bench
  BUILD=$(realpath -m "$build")

  need_commands /usr/bin/time:time python3:python3 cmake:cmake
  ensure_build "$BUILD"
  quietly cmake --build "$BUILD" --target pipeline_bench

  make_scratch serial-share

  echo "morvane serial share"
  echo "  build        $BUILD ($BUILD_TYPE)"
  source_line
  machine_line
  echo "  sprite       ${SHAPE[0]} frames x ${SHAPE[1]} directions, ${SHAPE[2]}x${SHAPE[2]} boxes (whole runs);" \
    "stages on 32 frames of 256x256"
  echo "  runs         pipeline_bench (processor time, median of 3), then $RUNS whole run(s) per mode at"
  echo "               MORVANE_THREADS=1 (median user + system time)"
  echo

  if ! "$BUILD/bench/pipeline_bench" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_format=json \
    --benchmark_filter='BM_(LoadImages|DrawFrames|OctreePalette|MapNearest|MapFloydSteinbergInStep|OptimizeColorMaps|Encode)' \
    >"$SCRATCH/stages.json" 2>"$SCRATCH/stderr"; then
    cat "$SCRATCH/stderr" >&2
    exit 1
  fi

  local run mode gifs frames pixels bytes
  for ((run = 1; run <= RUNS; run++)); do
    for mode in 1 0; do
      rm -rf "$SCRATCH/march"
      (cd "$SCRATCH" && MORVANE_THREADS=1 timed "-d=$mode" "$BUILD/src/app/morvane" "-d=$mode" march.spr)
      check_morvane_output 1
    done
  done
  read -r gifs frames pixels bytes < <(gif_stats "$SCRATCH"/march/*.gif)
  echo "load average after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo
  python3 - "$SCRATCH/stages.json" "$RESULTS" "$pixels" "$frames" "$gifs" "$(nproc)" <<'EOF'
import json, statistics, sys

stages_file, results_file, pixels, frames, gifs, cores = sys.argv[1:]
pixels, frames, gifs, cores = int(pixels), int(frames), int(gifs), int(cores)

per_pixel = {}  # stage -> median nanoseconds per frame pixel
for b in json.load(open(stages_file))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        per_pixel[b["run_name"]] = b["per_pixel"] * 1e9

# The whole run's processor time (user + system), like the stages' figures: at one thread it is
# the wall time of a quiet machine, and a busy one does not inflate it.
whole = {}
for line in open(results_file):
    label, _, user, system, _ = line.split()
    whole.setdefault(label, []).append(float(user) + float(system))
whole = {label: statistics.median(cpu) * 1e9 / pixels for label, cpu in whole.items()}

# (stage, class, benchmark with dithering, benchmark without)
stages = [
    ("loading the image data", "file", "BM_LoadImages", "BM_LoadImages"),
    ("drawing four layers", "direction", "BM_DrawFrames", "BM_DrawFrames"),
    ("colour-map optimisation", "direction",
     "BM_OptimizeColorMaps/dither:1", "BM_OptimizeColorMaps/dither:0"),
    ("octree palette", "frame", "BM_OctreePalette", "BM_OctreePalette"),
    ("mapping: FS in step | nearest", "frame", "BM_MapFloydSteinbergInStep", "BM_MapNearest"),
    ("LZW encoding", "frame", "BM_Encode/rle:0/dither:1", "BM_Encode/rle:0/dither:0"),
]
classes = {"file": "once per file", "direction": "per direction", "frame": "per frame"}
modes = ["-d=1", "-d=0"]

share = {m: {"file": 0.0, "direction": 0.0, "frame": 0.0} for m in modes}
print(f"{'stage':<30} {'runs':<14} {'-d=1 ns/px':>11} {'-d=0 ns/px':>11}")
for name, kind, *benchmarks in stages:
    figures = [per_pixel[b] for b in benchmarks]
    for m, f in zip(modes, figures):
        share[m][kind] += f
    print(f"{name:<30} {classes[kind]:<14} {figures[0]:>11.1f} {figures[1]:>11.1f}")
rest = {m: whole[m] - sum(share[m].values()) for m in modes}
for m in modes:
    share[m]["file"] += max(rest[m], 0.0)
print(f"{'rest of the run':<30} {'once per file':<14} {rest['-d=1']:>11.1f} {rest['-d=0']:>11.1f}"
      + ("  (below 0: the stages ran slower than the whole run; counted as 0)"
         if min(rest.values()) < 0 else ""))
print(f"{'whole run, 1 thread (cpu)':<30} {'':<14} {whole['-d=1']:>11.1f} {whole['-d=0']:>11.1f}")
print()

groups = (frames + 3) // 4
for m in modes:
    total = sum(share[m].values())
    print(f"{m}: once per file {share[m]['file'] / total:.0%}, per direction "
          f"{share[m]['direction'] / total:.0%}, per frame {share[m]['frame'] / total:.0%}")
print()
print(f"estimate: once per file + per direction / min(N, {gifs} directions)"
      f" + per frame / min(N, {groups} frame groups)")
counts = sorted({1, 2, cores, 16, 64})
print(f"{'threads':>8} {'-d=1 speedup':>13} {'-d=0 speedup':>13}")
def speedup(m, n):
    s = share[m]
    return sum(s.values()) / (s["file"] + s["direction"] / min(n, gifs) + s["frame"] / min(n, groups))
for n in counts:
    print(f"{n:>8} {speedup('-d=1', n):>13.2f} {speedup('-d=0', n):>13.2f}")
print(f"{'limit':>8} {speedup('-d=1', 10**9):>13.2f} {speedup('-d=0', 10**9):>13.2f}")
EOF
}

main "$@"
