#!/usr/bin/env bash
# Compares the converter with ImageMagick, FFmpeg and Pillow making the same animated GIFs.
#
#   bench/compare.sh [-r ROUNDS] [--shape=FRAMES,DIRECTIONS,SIZE] [build-dir]
#
# Builds as whole_run.sh does (default build-bench), writes the large measuring sprite and
# dumps its composited frames as PPM files with morvane-ppmdump. Then, in each of ROUNDS
# rounds (default 3, or $ROUNDS), it runs one after another:
#   morvane -d=1 and morvane -d=0 on the sprite (one process for every direction),
#   ImageMagick per direction, with Floyd-Steinberg dithering and without,
#   FFmpeg per direction, palettegen + paletteuse with Floyd-Steinberg dithering and without,
#   Pillow per direction (Debian's python3-pil): the fast octree quantiser and its GIF writer,
#   without dithering, and its palette with a Floyd-Steinberg remap.
# Every tool may use every core: morvane runs with MORVANE_THREADS unset (a thread per CPU),
# and the per-direction processes of the other two run side by side, nproc at a time, each
# with its own threading left at its default. A tool's time for the sprite is the wall time
# from the start of its first process to the end of its last one in that round, its cpu time
# the sum over its processes; the table shows the medians over the rounds. Every tool makes
# one GIF per direction from the same frames, with its own default LZW coding; the script
# checks the GIF and frame counts.
#
# morvane reads the sprite and composites the frames itself; the other tools are handed the
# frames already composited, so their times leave out that step. Pillow's row "pillow" is its
# whole processes like the others; "pillow warm" takes from each process the best of three
# passes over its frames already decoded (Python's start and the PPM reading left out) and
# spreads their sum over min(nproc, directions) cores.
#
# compare_alpha.sh does the same for the PNG frames, sheets and WebPs, sourcing this file's
# helpers.
set -euo pipefail

# shellcheck source=bench/whole_run.sh
source "$(dirname "${BASH_SOURCE[0]}")/whole_run.sh"

IMAGEMAGICK=/usr/bin/convert-im6.q16  # by full path: another `convert` may stand first in PATH

usage() {
  echo "usage: bench/compare.sh [-r ROUNDS] [--shape=FRAMES,DIRECTIONS,SIZE] [build-dir]" >&2
  exit 2
}

# The GIF names (sequence and direction suffix) the frames belong to, and the ordered frame
# files of one of them.
directions() {
  find "$SCRATCH/frames" -name '*.ppm' -printf '%f\n' | sed 's/_[0-9]*\.ppm$//' | sort -u
}
frame_files() {
  local count
  count=$(find "$SCRATCH/frames" -name "$1_*.ppm" | wc -l)
  local n
  for ((n = 0; n < count; n++)); do printf '%s/frames/%s_%03d.ppm\n' "$SCRATCH" "$1" "$n"; done
}

# Records the GIFs a tool wrote for a mode, and fails when they are not one per direction
# with every frame.
check_output() {
  local label=$1 dir=$2
  local gifs frames pixels bytes
  read -r gifs frames pixels bytes < <(gif_stats "$dir"/*.gif)
  if [ "$gifs" -ne "${#DIRECTIONS[@]}" ] || [ "$frames" -ne "$FRAME_COUNT" ]; then
    echo "$label wrote $gifs GIFs with $frames frames; expected ${#DIRECTIONS[@]} with $FRAME_COUNT" >&2
    exit 1
  fi
  echo "$label $gifs $frames $pixels $bytes" >>"$SCRATCH/output"
}

run_morvane() {  # mode round option
  rm -rf "$SCRATCH/march"
  (cd "$SCRATCH" && timed "$1/morvane/$2" "$BUILD/src/app/morvane" "$3" march.spr)
  check_morvane_output 1
  check_output "$1/morvane" "$SCRATCH/march"
}

# Runs "JOB N DIRECTION" for every direction, up to nproc at once, and appends one line to
# $RESULTS as timed does: the wall time from the first start to the last end, the user and
# system times summed over the processes, and the largest peak RSS of any one of them. A job
# runs its process under `timed_job N`, which keeps the times in $SCRATCH/job.N.
timed_side_by_side() {  # label job
  local label=$1 job=$2 n=0 direction
  rm -f "$SCRATCH"/job.* "$SCRATCH/failed"
  local start=${EPOCHREALTIME//[.,]/}
  for direction in "${DIRECTIONS[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
    n=$((n + 1))
    "$job" "$n" "$direction" &
  done
  wait
  local end=${EPOCHREALTIME//[.,]/}
  [ ! -e "$SCRATCH/failed" ] || exit 1
  local micros=$((end - start))
  printf '%s %d.%06d %s\n' "$label" $((micros / 1000000)) $((micros % 1000000)) \
    "$(awk '{ usr += $1; sys += $2; if ($3 > rss) rss = $3 }
            END { printf "%.2f %.2f %d", usr, sys, rss }' "$SCRATCH"/job.*.time)" >>"$RESULTS"
}

timed_job() {  # n command...
  local n=$1
  shift
  if ! /usr/bin/time -f "%U %S %M" -o "$SCRATCH/job.$n.time" "$@" >"$SCRATCH/job.$n.out" 2>&1; then
    echo "FAILED: $*" >&2
    cat "$SCRATCH/job.$n.out" >&2
    : >"$SCRATCH/failed"
  fi
}

imagemagick_job() {  # n direction; DITHER and OUT from run_imagemagick
  local files
  mapfile -t files < <(frame_files "$2")
  timed_job "$1" "$IMAGEMAGICK" -delay 10 -loop 0 "${files[@]}" -dither "$DITHER" -colors 256 \
    "$OUT/$2.gif"
}

run_imagemagick() {  # mode round dither
  local OUT=$SCRATCH/imagemagick DITHER=$3
  rm -rf "$OUT" && mkdir "$OUT"
  timed_side_by_side "$1/imagemagick/$2" imagemagick_job
  check_output "$1/imagemagick" "$OUT"
}

# One process per direction: split feeds the frames both to palettegen and, with the palette
# it makes, to paletteuse. That gives the same bytes as a palettegen process followed by a
# paletteuse process, and was faster (0.60-0.72 s against 0.78-0.81 s for 32 frames of
# 256x256 when this script was written), since the frames are read and decoded once.
ffmpeg_job() {  # n direction; DITHER and OUT from run_ffmpeg
  timed_job "$1" ffmpeg -nostdin -v error -y -framerate 10 -i "$SCRATCH/frames/${2}_%03d.ppm" \
    -lavfi "split[a][b];[a]palettegen=max_colors=256:stats_mode=full[p];[b][p]paletteuse=dither=$DITHER" \
    -loop 0 "$OUT/$2.gif"
}

run_ffmpeg() {  # mode round dither
  local OUT=$SCRATCH/ffmpeg DITHER=$3
  rm -rf "$OUT" && mkdir "$OUT"
  timed_side_by_side "$1/ffmpeg/$2" ffmpeg_job
  check_output "$1/ffmpeg" "$OUT"
}

# One process per direction; it decodes the frames, then reduces and writes the GIF three
# times, and keeps the fastest pass's seconds in $SCRATCH/job.N.warm.
pillow_job() {  # n direction; DITHER and OUT from run_pillow
  local files
  mapfile -t files < <(frame_files "$2")
  timed_job "$1" "$PILLOW_PYTHON" "$SCRATCH/pillow_gif.py" "$DITHER" "$OUT/$2.gif" \
    "$SCRATCH/job.$1.warm" "${files[@]}"
}

run_pillow() {  # mode round dither
  local OUT=$SCRATCH/pillow DITHER=$3
  rm -rf "$OUT" && mkdir "$OUT"
  timed_side_by_side "$1/pillow/$2" pillow_job
  check_output "$1/pillow" "$OUT"
  local cores=$(( $(nproc) < ${#DIRECTIONS[@]} ? $(nproc) : ${#DIRECTIONS[@]} ))
  awk -v label="$1/pillow-warm/$2" -v cores="$cores" '{ sum += $1 }
      END { printf "%s %.6f %.2f 0.00 0\n", label, sum / cores, sum }' "$SCRATCH"/job.*.warm \
    >>"$RESULTS"
}

write_pillow_script() {
  cat >"$SCRATCH/pillow_gif.py" <<'PY'
import sys, time
from PIL import Image

dither, out, warm, *files = sys.argv[1:]
frames = [Image.open(f) for f in files]
for frame in frames:
    frame.load()
best = None
for _ in range(3):
    start = time.perf_counter()
    if dither == "none":
        reduced = [f.quantize(256, method=Image.Quantize.FASTOCTREE) for f in frames]
    else:
        reduced = [f.quantize(palette=f.quantize(256, method=Image.Quantize.FASTOCTREE),
                              dither=Image.Dither.FLOYDSTEINBERG) for f in frames]
    reduced[0].save(out, save_all=True, append_images=reduced[1:], duration=100, loop=0)
    seconds = time.perf_counter() - start
    best = seconds if best is None else min(best, seconds)
with open(warm, "w") as f:
    f.write(f"{best:.6f}\n")
PY
}

# Takes each tool's time per round, the median over the rounds, and prints the table.
summarise() {
  python3 - "$RESULTS" "$SCRATCH/output" <<'EOF'
import statistics, sys

wall, cpu, output = {}, {}, {}
for line in open(sys.argv[1]):
    label, seconds, user, system, _ = line.split()
    mode, tool, round_ = label.split("/")
    key = (mode, tool)
    wall.setdefault(key, {}).setdefault(round_, 0.0)
    cpu.setdefault(key, {}).setdefault(round_, 0.0)
    wall[key][round_] += float(seconds)
    cpu[key][round_] += float(user) + float(system)
for line in open(sys.argv[2]):
    label, gifs, frames, pixels, size = line.split()
    output[tuple(label.split("/"))] = (int(pixels), int(size))

names = {"dither": "dithering", "none": "no dithering"}
tools = ["morvane", "imagemagick", "ffmpeg", "pillow", "pillow-warm"]
print(f"{'mode':<13} {'tool':<12} {'median s':>9} {'cpu s':>7} {'ns/px':>7} {'x morvane':>10} "
      f"{'x best other':>13} {'GIF MiB':>8}  round times (s)")
for mode in ["dither", "none"]:
    median = {t: statistics.median(wall[(mode, t)].values()) for t in tools}
    best_other = min(median[t] for t in tools if t != "morvane")
    for tool in tools:
        pixels, size = output[(mode, tool.replace("-warm", ""))]
        rounds = " ".join(f"{s:.3f}" for s in wall[(mode, tool)].values())
        print(f"{names[mode]:<13} {tool:<12} {median[tool]:>9.3f} "
              f"{statistics.median(cpu[(mode, tool)].values()):>7.2f} "
              f"{median[tool] * 1e9 / pixels:>7.1f} {median[tool] / median['morvane']:>10.2f} "
              f"{median[tool] / best_other:>13.2f} {size / 2**20:>8.2f}  {rounds}")
EOF
}

# The arguments both comparison scripts take: sets ROUNDS, SHAPE and BUILD.
parse_comparison_arguments() {
  ROUNDS=${ROUNDS:-3}
  SHAPE=(32 8 256)
  local build=build-bench
  while [ $# -gt 0 ]; do
    case $1 in
      -r) [ $# -ge 2 ] || usage; ROUNDS=$2; shift ;;
      --shape=*) parse_shape "${1#--shape=}" ;;
      -*) usage ;;
      *) build=$1 ;;
    esac
    shift
  done
  [[ $ROUNDS =~ ^[1-9][0-9]*$ ]] || usage
  [ "$build" = build-bench ] && build=$REPO/build-bench
  BUILD=$(realpath -m "$build")
}

main() {
  parse_comparison_arguments "$@"

  unset MORVANE_THREADS  # morvane takes a thread per CPU, as the other tools use every core
  need_commands /usr/bin/time:time python3:python3 cmake:cmake "$IMAGEMAGICK":imagemagick \
    ffmpeg:ffmpeg
  # Pillow from Debian's package, for Debian's own Python (another python3 may stand first in
  # PATH without it).
  PILLOW_PYTHON=/usr/bin/python3
  "$PILLOW_PYTHON" -c 'import PIL' 2>/dev/null || need_commands /nonexistent/pil:python3-pil
  ensure_build "$BUILD"

  make_scratch compare
  "$BUILD/tools/ppmdump/morvane-ppmdump" "$SCRATCH/march.spr" "$SCRATCH/frames" >/dev/null
  mapfile -t DIRECTIONS < <(directions)
  write_pillow_script
  FRAME_COUNT=$(find "$SCRATCH/frames" -name '*.ppm' | wc -l)

  echo "morvane against ImageMagick, FFmpeg and Pillow"
  echo "  build        $BUILD ($BUILD_TYPE)"
  source_line
  machine_line
  echo "  sprite       ${SHAPE[0]} frames x ${SHAPE[1]} directions, ${SHAPE[2]}x${SHAPE[2]} boxes: ${#DIRECTIONS[@]} GIFs, $FRAME_COUNT frames"
  echo "  morvane      one process with MORVANE_THREADS unset, $(nproc) thread(s): morvane -d=1 | -d=0 march.spr"
  echo "  imagemagick  $("$IMAGEMAGICK" -version | sed -n 's/^Version: ImageMagick \([^ ]*\).*/\1/p')," \
    "$("$IMAGEMAGICK" -list resource | awk '/Thread/ {print $2}') thread(s) each, one process per direction, $(nproc) at once:"
  echo "               convert -delay 10 -loop 0 FRAMES -dither FloydSteinberg | None -colors 256 OUT.gif"
  echo "  ffmpeg       $(ffmpeg -version | sed -n '1s/^ffmpeg version \([^ ]*\).*/\1/p'), its own threading, one process per direction, $(nproc) at once:"
  echo "               -framerate 10 -i FRAMES_%03d.ppm -lavfi split,palettegen=max_colors=256:stats_mode=full,"
  echo "               paletteuse=dither=floyd_steinberg | none -loop 0 OUT.gif"
  echo "  pillow       $("$PILLOW_PYTHON" -c 'import PIL; print(PIL.__version__)'), one process per direction, $(nproc) at once:"
  echo "               quantize(256, FASTOCTREE) | its palette, Floyd-Steinberg remap; save_all GIF"
  echo "               (warm: the best of 3 passes per process, summed over min(nproc, GIFs) cores)"
  echo "  rounds       $ROUNDS, each running all eight in turn; a tool's time runs from its first process's"
  echo "               start to its last one's end, its cpu time is the sum over its processes"
  echo

  local round
  for ((round = 1; round <= ROUNDS; round++)); do
    run_morvane dither "$round" -d=1
    run_morvane none "$round" -d=0
    run_imagemagick dither "$round" FloydSteinberg
    run_imagemagick none "$round" None
    run_ffmpeg dither "$round" floyd_steinberg
    run_ffmpeg none "$round" none
    run_pillow dither "$round" floyd
    run_pillow none "$round" none
  done
  summarise
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  main "$@"
fi
