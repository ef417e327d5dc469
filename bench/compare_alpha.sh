#!/usr/bin/env bash
# Compares the converter's full-alpha outputs with ImageMagick, img2webp and FFmpeg making the
# same files from the same frames.
#
#   bench/compare_alpha.sh [-r ROUNDS] [--shape=FRAMES,DIRECTIONS,SIZE] [build-dir]
#
# Builds as whole_run.sh does (default build-bench) and writes the large measuring sprite. The
# other tools' input is the converter's own composited frames: one `morvane -f=png,sheet` run
# writes them as PNG files, and ImageMagick turns each into a PAM file (8-bit RGBA) before any
# timing, so that no tool's time includes decoding a PNG. The sheet's atlas gives the order of
# the directions (its rows). Then, in each of ROUNDS rounds (default 3, or $ROUNDS):
#   PNG frames  morvane -d=0 -f=png; per direction ImageMagick (zlib level 1, its adaptive row
#               filter: see below) and FFmpeg's PNG encoder (level 1, filter Up)
#   sheet       morvane -d=0 -f=sheet; one ImageMagick process (+append per direction, -append
#               of the rows) and one FFmpeg process (tile per direction, vstack), both at zlib
#               level 1 as above
#   WebP        morvane -d=0 -f=webp; per direction img2webp -lossless -m 0 -q 0, FFmpeg
#               libwebp_anim and FFmpeg libwebp, lossless, method 0, quality 0
# Every tool may use every core: morvane runs with MORVANE_THREADS unset, and per-direction
# processes run nproc at a time (timed_side_by_side from compare.sh). The table gives per
# output and tool the median wall time over the rounds, the median cpu time, nanoseconds per
# output pixel, the time against morvane's, and the files, bytes and bytes per pixel written.
#
# morvane reads the sprite and composites the frames within its time; the others are handed
# the frames composited and unpacked.
set -euo pipefail

# shellcheck source=bench/compare.sh
source "$(dirname "${BASH_SOURCE[0]}")/compare.sh"
# shellcheck source=bench/full_alpha.sh
source "$(dirname "${BASH_SOURCE[0]}")/full_alpha.sh"

usage() {
  echo "usage: bench/compare_alpha.sh [-r ROUNDS] [--shape=FRAMES,DIRECTIONS,SIZE] [build-dir]" >&2
  exit 2
}

# ImageMagick 6 writes filter None on every row when -quality names a single filter (1 to 4);
# 5 (adaptive, libpng's per-row choice) is the only filtering it applies, so it is used here.
IM_PNG=(-strip -quality 15)
FFMPEG_PNG=(-c:v png -pred up -compression_level 1 -pix_fmt rgba)
WEBP_SETTINGS=(-lossless 1 -compression_level 0 -quality 0 -loop 0)

pam_files() {  # direction
  local n
  for ((n = 0; n < FRAME_COUNT; n++)); do printf '%s/pam/%s_%03d.pam\n' "$SCRATCH" "$1" "$n"; done
}

# Records the files a tool wrote: kind (png frames, sheet, webp), files, pixels, bytes.
record_output() {  # label dir expected_files
  local count=0 pixels=0 bytes=0 kind f p b
  while read -r kind f p b; do
    [ "$kind" = atlas ] && continue
    count=$((count + f)) pixels=$((pixels + p)) bytes=$((bytes + b))
  done < <(output_stats "$2")
  if [ "$count" -ne "$3" ] || [ "$pixels" -ne "$PIXELS" ]; then
    echo "$1 wrote $count files of $pixels pixels; expected $3 of $PIXELS" >&2
    exit 1
  fi
  echo "$1 $count $pixels $bytes" >>"$SCRATCH/output"
}

run_morvane_alpha() {  # output round format expected_files
  rm -rf "$SCRATCH/march"
  (cd "$SCRATCH" && timed "$1/morvane/$2" "$BUILD/src/app/morvane" -d=0 "-f=$3" march.spr)
  check_morvane_output 1
  record_output "$1/morvane" "$SCRATCH/march" "$4"
}

fresh() {  # dir
  rm -rf "$1" && mkdir "$1"
}

imagemagick_png_job() {  # n direction
  local files
  mapfile -t files < <(pam_files "$2")
  timed_job "$1" "$IMAGEMAGICK" "${files[@]}" "${IM_PNG[@]}" +adjoin "PNG32:$OUT/${2}_%03d.png"
}

ffmpeg_png_job() {  # n direction
  timed_job "$1" ffmpeg -nostdin -v error -y -i "$SCRATCH/pam/${2}_%03d.pam" "${FFMPEG_PNG[@]}" \
    -start_number 0 "$OUT/${2}_%03d.png"  # numbered from 0 as morvane's frames
}

img2webp_job() {  # n direction
  local files
  mapfile -t files < <(pam_files "$2")
  timed_job "$1" img2webp -loop 0 -lossless -m 0 -q 0 -d 100 "${files[@]}" -o "$OUT/$2.webp"
}

ffmpeg_webp_job() {  # n direction; CODEC from run_peers
  timed_job "$1" ffmpeg -nostdin -v error -y -framerate 10 -i "$SCRATCH/pam/${2}_%03d.pam" \
    -c:v "$CODEC" "${WEBP_SETTINGS[@]}" "$OUT/$2.webp"
}

imagemagick_sheet() {  # label
  local arguments=() direction files
  for direction in "${DIRECTIONS[@]}"; do
    mapfile -t files < <(pam_files "$direction")
    arguments+=("(" "${files[@]}" +append ")")
  done
  timed "$1" "$IMAGEMAGICK" "${arguments[@]}" -append "${IM_PNG[@]}" "PNG32:$OUT/sheet.png"
}

ffmpeg_sheet() {  # label
  local inputs=() graph="" rows="" i=0 direction
  for direction in "${DIRECTIONS[@]}"; do
    inputs+=(-i "$SCRATCH/pam/${direction}_%03d.pam")
    graph+="[$i]tile=${FRAME_COUNT}x1[r$i];"
    rows+="[r$i]"
    i=$((i + 1))
  done
  timed "$1" ffmpeg -nostdin -v error -y "${inputs[@]}" \
    -filter_complex "${graph}${rows}vstack=inputs=$i" -frames:v 1 "${FFMPEG_PNG[@]}" \
    "$OUT/sheet.png"
}

run_peers() {  # round
  local round=$1 OUT=$SCRATCH/peer CODEC
  local frames=$((FRAME_COUNT * ${#DIRECTIONS[@]})) directions=${#DIRECTIONS[@]}
  fresh "$OUT" && timed_side_by_side "png/imagemagick/$round" imagemagick_png_job
  record_output png/imagemagick "$OUT" "$frames"
  fresh "$OUT" && timed_side_by_side "png/ffmpeg/$round" ffmpeg_png_job
  record_output png/ffmpeg "$OUT" "$frames"
  fresh "$OUT" && imagemagick_sheet "sheet/imagemagick/$round"
  record_output sheet/imagemagick "$OUT" 1
  fresh "$OUT" && ffmpeg_sheet "sheet/ffmpeg/$round"
  record_output sheet/ffmpeg "$OUT" 1
  fresh "$OUT" && timed_side_by_side "webp/img2webp/$round" img2webp_job
  record_output webp/img2webp "$OUT" "$directions"
  CODEC=libwebp_anim
  fresh "$OUT" && timed_side_by_side "webp/ffmpeg-anim/$round" ffmpeg_webp_job
  record_output webp/ffmpeg-anim "$OUT" "$directions"
  CODEC=libwebp
  fresh "$OUT" && timed_side_by_side "webp/ffmpeg/$round" ffmpeg_webp_job
  record_output webp/ffmpeg "$OUT" "$directions"
}

summarise_alpha() {
  python3 - "$RESULTS" "$SCRATCH/output" <<'EOF'
import statistics, sys

wall, cpu, output = {}, {}, {}
for line in open(sys.argv[1]):
    label, seconds, user, system, _ = line.split()
    output_kind, tool, round_ = label.split("/")
    wall.setdefault((output_kind, tool), []).append(float(seconds))
    cpu.setdefault((output_kind, tool), []).append(float(user) + float(system))
for line in open(sys.argv[2]):
    label, files, pixels, size = line.split()
    output[tuple(label.split("/"))] = (int(files), int(pixels), int(size))

print(f"{'output':<7} {'tool':<12} {'median s':>9} {'cpu s':>7} {'ns/px':>7} {'x morvane':>10} "
      f"{'files':>6} {'MiB':>7} {'bytes/px':>9}  round times (s)")
for kind in ["png", "sheet", "webp"]:
    ours = statistics.median(wall[(kind, "morvane")])
    for (k, tool), times in wall.items():
        if k != kind:
            continue
        files, pixels, size = output[(kind, tool)]
        median = statistics.median(times)
        rounds = " ".join(f"{s:.3f}" for s in times)
        print(f"{kind:<7} {tool:<12} {median:>9.3f} {statistics.median(cpu[(kind, tool)]):>7.2f} "
              f"{median * 1e9 / pixels:>7.1f} {median / ours:>10.2f} {files:>6} "
              f"{size / 2**20:>7.2f} {size / pixels:>9.3f}  {rounds}")
EOF
}

main() {
  parse_comparison_arguments "$@"

  unset MORVANE_THREADS
  need_commands /usr/bin/time:time python3:python3 cmake:cmake "$IMAGEMAGICK":imagemagick \
    ffmpeg:ffmpeg img2webp:webp
  ensure_build "$BUILD"

  make_scratch compare-alpha

  # The frames as morvane composites them, and the directions in the sheet's row order.
  (cd "$SCRATCH" && "$BUILD/src/app/morvane" -d=0 -f=png,sheet march.spr >/dev/null)
  mapfile -t DIRECTIONS < <(python3 -c '
import json, sys
for tag in json.load(open(sys.argv[1]))["meta"]["frameTags"]:
    print(tag["name"])' "$SCRATCH/march/march.json")
  mkdir "$SCRATCH/pam"
  local direction
  for direction in "${DIRECTIONS[@]}"; do
    "$IMAGEMAGICK" "$SCRATCH/march/${direction}_"[0-9][0-9][0-9].png +adjoin \
      "PAM:$SCRATCH/pam/${direction}_%03d.pam"
  done
  FRAME_COUNT=$(($(find "$SCRATCH/pam" -name '*.pam' | wc -l) / ${#DIRECTIONS[@]}))
  PIXELS=$(output_stats "$SCRATCH/march" | awk '$1 == "png" { print $3 }')
  rm -rf "$SCRATCH/march"

  echo "morvane full-alpha outputs against ImageMagick, img2webp and FFmpeg"
  echo "  build        $BUILD ($BUILD_TYPE)"
  source_line
  machine_line
  echo "  sprite       ${SHAPE[0]} frames x ${SHAPE[1]} directions, ${SHAPE[2]}x${SHAPE[2]} boxes: ${#DIRECTIONS[@]} directions of $FRAME_COUNT frames"
  echo "  input        the others read morvane's own composited frames (-f=png), as 8-bit RGBA PAM files"
  echo "  morvane      one process, MORVANE_THREADS unset ($(nproc) threads): -d=0 -f=png | sheet | webp"
  echo "  imagemagick  $("$IMAGEMAGICK" -version | sed -n 's/^Version: ImageMagick \([^ ]*\).*/\1/p'), ${IM_PNG[*]} (zlib level 1, adaptive filter);"
  echo "               frames: per direction, $(nproc) at once, +adjoin; sheet: one process, +append / -append"
  echo "  ffmpeg       $(ffmpeg -version | sed -n '1s/^ffmpeg version \([^ ]*\).*/\1/p'), ${FFMPEG_PNG[*]}; sheet: tile + vstack, one process;"
  echo "               WebP: per direction, libwebp_anim | libwebp ${WEBP_SETTINGS[*]}"
  echo "  img2webp     $(img2webp -version 2>&1 | sed -n 's/^WebP Encoder version: //p'), per direction: -loop 0 -lossless -m 0 -q 0 -d 100 FRAMES"
  echo "  rounds       $ROUNDS; a tool's time runs from its first process's start to its last one's end"
  echo

  local round
  for ((round = 1; round <= ROUNDS; round++)); do
    run_morvane_alpha png "$round" png $((FRAME_COUNT * ${#DIRECTIONS[@]}))
    run_morvane_alpha sheet "$round" sheet 1
    run_morvane_alpha webp "$round" webp "${#DIRECTIONS[@]}"
    run_peers "$round"
  done
  summarise_alpha
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  main "$@"
fi
