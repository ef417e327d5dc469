#!/usr/bin/env bash
# Compares the converter with ImageMagick and FFmpeg making the same animated GIFs.
#
#   bench/compare.sh [-r ROUNDS] [--shape=FRAMES,DIRECTIONS,SIZE] [build-dir]
#
# Builds as whole_run.sh does (default build-bench), writes the large measuring sprite and
# dumps its composited frames as PPM files with morvane-ppmdump. Then, in each of ROUNDS
# rounds (default 3, or $ROUNDS), it runs one after another:
#   morvane -d=1 and morvane -d=0 on the sprite (one process for every direction),
#   ImageMagick per direction, with Floyd-Steinberg dithering and without,
#   FFmpeg per direction, palettegen + paletteuse with Floyd-Steinberg dithering and without.
# A tool's time for the sprite is the sum of its processes' wall times in that round; the
# table shows the median over the rounds. Every tool makes one GIF per direction from the same
# frames, with its own default LZW coding; the script checks the GIF and frame counts.
#
# morvane reads the sprite and composites the frames itself; the other tools are handed the
# frames already composited, so their times leave out that step.
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

run_imagemagick() {  # mode round dither
  local out=$SCRATCH/imagemagick direction files
  rm -rf "$out" && mkdir "$out"
  for direction in "${DIRECTIONS[@]}"; do
    mapfile -t files < <(frame_files "$direction")
    timed "$1/imagemagick/$2" "$IMAGEMAGICK" -delay 10 -loop 0 "${files[@]}" \
      -dither "$3" -colors 256 "$out/$direction.gif"
  done
  check_output "$1/imagemagick" "$out"
}

# One process per direction: split feeds the frames both to palettegen and, with the palette
# it makes, to paletteuse. That gives the same bytes as a palettegen process followed by a
# paletteuse process, and was faster (0.60-0.72 s against 0.78-0.81 s for 32 frames of
# 256x256 when this script was written), since the frames are read and decoded once.
run_ffmpeg() {  # mode round dither
  local out=$SCRATCH/ffmpeg direction
  rm -rf "$out" && mkdir "$out"
  for direction in "${DIRECTIONS[@]}"; do
    timed "$1/ffmpeg/$2" ffmpeg -nostdin -v error -y -framerate 10 \
      -i "$SCRATCH/frames/${direction}_%03d.ppm" \
      -lavfi "split[a][b];[a]palettegen=max_colors=256:stats_mode=full[p];[b][p]paletteuse=dither=$3" \
      -loop 0 "$out/$direction.gif"
  done
  check_output "$1/ffmpeg" "$out"
}

# Sums each tool's processes per round, takes the median over the rounds and prints the table.
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
tools = ["morvane", "imagemagick", "ffmpeg"]
print(f"{'mode':<13} {'tool':<12} {'median s':>9} {'cpu s':>7} {'ns/px':>7} {'x morvane':>10} "
      f"{'x best other':>13} {'GIF MiB':>8}  round times (s)")
for mode in ["dither", "none"]:
    median = {t: statistics.median(wall[(mode, t)].values()) for t in tools}
    best_other = min(median["imagemagick"], median["ffmpeg"])
    for tool in tools:
        pixels, size = output[(mode, tool)]
        rounds = " ".join(f"{s:.3f}" for s in wall[(mode, tool)].values())
        print(f"{names[mode]:<13} {tool:<12} {median[tool]:>9.3f} "
              f"{statistics.median(cpu[(mode, tool)].values()):>7.2f} "
              f"{median[tool] * 1e9 / pixels:>7.1f} {median[tool] / median['morvane']:>10.2f} "
              f"{median[tool] / best_other:>13.2f} {size / 2**20:>8.2f}  {rounds}")
EOF
}

main() {
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

  need_commands /usr/bin/time:time python3:python3 cmake:cmake "$IMAGEMAGICK":imagemagick \
    ffmpeg:ffmpeg
  ensure_build "$BUILD"

  SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/morvane-compare.XXXXXX")
  trap 'rm -rf "$SCRATCH"' EXIT
  RESULTS=$SCRATCH/results
  : >"$RESULTS"
  : >"$SCRATCH/output"
  write_sprite "$SCRATCH/march.spr"
  "$BUILD/tools/ppmdump/morvane-ppmdump" "$SCRATCH/march.spr" "$SCRATCH/frames" >/dev/null
  mapfile -t DIRECTIONS < <(directions)
  FRAME_COUNT=$(find "$SCRATCH/frames" -name '*.ppm' | wc -l)

  echo "morvane against ImageMagick and FFmpeg"
  echo "  build        $BUILD ($BUILD_TYPE)"
  source_line
  machine_line
  echo "  sprite       ${SHAPE[0]} frames x ${SHAPE[1]} directions, ${SHAPE[2]}x${SHAPE[2]} boxes: ${#DIRECTIONS[@]} GIFs, $FRAME_COUNT frames"
  echo "  morvane      one process: morvane -d=1 | -d=0 march.spr"
  echo "  imagemagick  $("$IMAGEMAGICK" -version | sed -n 's/^Version: ImageMagick \([^ ]*\).*/\1/p')," \
    "$("$IMAGEMAGICK" -list resource | awk '/Thread/ {print $2}') thread(s), one process per direction:"
  echo "               convert -delay 10 -loop 0 FRAMES -dither FloydSteinberg | None -colors 256 OUT.gif"
  echo "  ffmpeg       $(ffmpeg -version | sed -n '1s/^ffmpeg version \([^ ]*\).*/\1/p'), one process per direction:"
  echo "               -framerate 10 -i FRAMES_%03d.ppm -lavfi split,palettegen=max_colors=256:stats_mode=full,"
  echo "               paletteuse=dither=floyd_steinberg | none -loop 0 OUT.gif"
  echo "  rounds       $ROUNDS, each running all six in turn; a tool's time is the sum of its processes"
  echo

  local round
  for ((round = 1; round <= ROUNDS; round++)); do
    run_morvane dither "$round" -d=1
    run_morvane none "$round" -d=0
    run_imagemagick dither "$round" FloydSteinberg
    run_imagemagick none "$round" None
    run_ffmpeg dither "$round" floyd_steinberg
    run_ffmpeg none "$round" none
  done
  summarise
}

main "$@"
