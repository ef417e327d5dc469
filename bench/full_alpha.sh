#!/usr/bin/env bash
# Measures whole runs of the morvane process writing the full-alpha outputs next to the GIFs.
#
#   bench/full_alpha.sh [-n RUNS] [-d=0|1] [--formats="SET SET ..."] [--threads=LIST]
#                       [--shape=FRAMES,DIRECTIONS,SIZE] [build-dir]
#
# Builds and writes the measuring sprite as whole_run.sh does, then runs `morvane -d=D -f=SET
# march.spr` for every output set (default "gif gif,png gif,sheet gif,webp gif,png,webp,sheet",
# or $FORMATS) at every thread count (default 1,2; MORVANE_THREADS set per process), RUNS times
# (default 5, or $RUNS) with the sets and counts alternating within each round, each run into
# an empty output directory. Dithering is off unless -d=1.
#
# The first table has a row per set and thread count: the median wall time, the median user +
# system time, the time against the first set's at the same thread count (`x first`), the
# largest peak resident set size over the runs (/usr/bin/time's %M, the figure -v prints as
# "Maximum resident set size") and the same against the first set's. The second table gives,
# per kind of file (GIFs, PNG frames, WebPs, sheets, atlases) of the last run of the set that
# wrote the most kinds, the files, the pixels they hold (frames x canvas, a sheet's width x
# height) and the bytes per pixel.
set -euo pipefail

# shellcheck source=bench/whole_run.sh
source "$(dirname "${BASH_SOURCE[0]}")/whole_run.sh"

usage() {
  echo "usage: bench/full_alpha.sh [-n RUNS] [-d=0|1] [--formats=\"SET SET ...\"]" \
    "[--threads=LIST] [--shape=FRAMES,DIRECTIONS,SIZE] [build-dir]" >&2
  exit 2
}

# Prints "kind files pixels bytes" for each kind of output in a directory. PNG frames, sheets
# and WebPs are read for their size: a PNG's IHDR, a WebP's VP8X canvas times its ANMF chunks
# (one frame when it has none). A PNG with a JSON atlas of its stem beside it is a sheet.
output_stats() {
  python3 - "$1" <<'EOF'
import os, sys

root = sys.argv[1]
names = sorted(os.listdir(root))
atlases = {n[:-5] for n in names if n.endswith(".json")}
kinds = {}

def add(kind, pixels, size):
    files, total_pixels, total_bytes = kinds.get(kind, (0, 0, 0))
    kinds[kind] = (files + 1, total_pixels + pixels, total_bytes + size)

def gif_pixels(data):
    # The logical screen times the image descriptors, found by walking the blocks.
    def skip(p):
        while data[p]:
            p += data[p] + 1
        return p + 1
    p = 13 + ((3 << ((data[10] & 7) + 1)) if data[10] & 0x80 else 0)
    frames = 0
    while data[p] != 0x3B:
        if data[p] == 0x21:
            p = skip(p + 2)
        else:
            flags = data[p + 9]
            p = skip(p + 11 + ((3 << ((flags & 7) + 1)) if flags & 0x80 else 0))
            frames += 1
    return frames * int.from_bytes(data[6:8], "little") * int.from_bytes(data[8:10], "little")

def webp_pixels(data):
    p, frames, canvas = 12, 0, 0
    while p + 8 <= len(data):
        tag, size = data[p:p + 4], int.from_bytes(data[p + 4:p + 8], "little")
        if tag == b"VP8X":
            w = int.from_bytes(data[p + 12:p + 15], "little") + 1
            h = int.from_bytes(data[p + 15:p + 18], "little") + 1
            canvas = w * h
        elif tag == b"ANMF":
            frames += 1
        elif tag == b"VP8L" and not canvas:
            bits = int.from_bytes(data[p + 9:p + 13], "little")
            canvas = ((bits & 0x3FFF) + 1) * (((bits >> 14) & 0x3FFF) + 1)
        p += 8 + size + (size & 1)
    return max(frames, 1) * canvas

for name in names:
    path = os.path.join(root, name)
    data = open(path, "rb").read()
    if name.endswith(".gif"):
        add("gif", gif_pixels(data), len(data))
    elif name.endswith(".png"):
        pixels = int.from_bytes(data[16:20], "big") * int.from_bytes(data[20:24], "big")
        add("sheet" if name[:-4] in atlases else "png", pixels, len(data))
    elif name.endswith(".webp"):
        add("webp", webp_pixels(data), len(data))
    elif name.endswith(".json"):
        add("atlas", 0, len(data))
for kind, (files, pixels, size) in kinds.items():
    print(kind, files, pixels, size)
EOF
}

summarise_formats() {
  python3 - "$RESULTS" "$SCRATCH/output" "${SETS[0]}" <<'EOF'
import statistics, sys

runs = {}
for line in open(sys.argv[1]):
    label, wall, user, system, rss = line.split()
    runs.setdefault(tuple(label.split("/")), []).append(
        (float(wall), float(user) + float(system), int(rss)))
first = sys.argv[3]

print(f"{'formats':<22} {'threads':>7} {'median s':>9} {'cpu s':>7} {'x first':>8} "
      f"{'peak RSS':>10} {'x first':>8}  wall times (s)")
for (formats, threads), samples in runs.items():
    wall = statistics.median(s[0] for s in samples)
    cpu = statistics.median(s[1] for s in samples)
    rss = max(s[2] for s in samples)
    base = runs[(first, threads)]
    base_wall = statistics.median(s[0] for s in base)
    base_rss = max(s[2] for s in base)
    times = " ".join(f"{s[0]:.3f}" for s in samples)
    print(f"{formats:<22} {threads:>7} {wall:>9.3f} {cpu:>7.2f} {wall / base_wall:>8.2f} "
          f"{rss / 1024:>6.1f} MiB {rss / base_rss:>8.2f}  {times}")

print()
print(f"{'output':<8} {'files':>6} {'pixels':>12} {'bytes':>12} {'bytes/px':>9}")
order = ["gif", "png", "webp", "sheet", "atlas"]
lines = sorted((line.split() for line in open(sys.argv[2])), key=lambda f: order.index(f[0]))
for kind, files, pixels, size in lines:
    per_pixel = f"{int(size) / int(pixels):>9.3f}" if int(pixels) else f"{'':>9}"
    print(f"{kind:<8} {int(files):>6} {int(pixels):>12,} {int(size):>12,} {per_pixel}")
EOF
}

main() {
  RUNS=${RUNS:-5}
  SHAPE=(32 8 256)
  DITHER=0
  read -r -a SETS <<<"${FORMATS:-gif gif,png gif,sheet gif,webp gif,png,webp,sheet}"
  THREAD_COUNTS=(1 2)
  local build=build-bench
  while [ $# -gt 0 ]; do
    case $1 in
      -n) [ $# -ge 2 ] || usage; RUNS=$2; shift ;;
      -d=0 | -d=1) DITHER=${1#-d=} ;;
      --formats=*) read -r -a SETS <<<"${1#--formats=}" ;;
      --threads=*) parse_threads "${1#--threads=}" ;;
      --shape=*) parse_shape "${1#--shape=}" ;;
      -*) usage ;;
      *) build=$1 ;;
    esac
    shift
  done
  [[ $RUNS =~ ^[1-9][0-9]*$ && ${#SETS[@]} -gt 0 ]] || usage
  [ "$build" = build-bench ] && build=$REPO/build-bench
  BUILD=$(realpath -m "$build")

  need_commands /usr/bin/time:time python3:python3 cmake:cmake
  ensure_build "$BUILD"

  make_scratch full-alpha

  local counts="${THREAD_COUNTS[*]}"
  echo "morvane whole runs with full-alpha outputs"
  echo "  build        $BUILD ($BUILD_TYPE)"
  source_line
  machine_line
  echo "  sprite       ${SHAPE[0]} frames x ${SHAPE[1]} directions, ${SHAPE[2]}x${SHAPE[2]} boxes, 4 layers, packed"
  echo "  runs         $RUNS rounds of morvane -d=$DITHER -f=SET march.spr, SET in: ${SETS[*]}"
  echo "               at ${counts// /, } thread(s) (MORVANE_THREADS), alternating; median wall time"
  echo

  local run set threads most=0 kinds
  for ((run = 1; run <= RUNS; run++)); do
    for set in "${SETS[@]}"; do
      for threads in "${THREAD_COUNTS[@]}"; do
        rm -rf "$SCRATCH/march"
        (cd "$SCRATCH" &&
          MORVANE_THREADS=$threads timed "$set/$threads" "$BUILD/src/app/morvane" "-d=$DITHER" \
            "-f=$set" march.spr)
        check_morvane_output 1
      done
      # Keep the sizes of the set writing the most kinds (the same files in every round).
      kinds=$(output_stats "$SCRATCH/march")
      if [ "$(wc -l <<<"$kinds")" -gt "$most" ]; then
        most=$(wc -l <<<"$kinds")
        echo "$kinds" >"$SCRATCH/output"
      fi
    done
  done
  summarise_formats
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  main "$@"
fi
