#!/usr/bin/env bash
# Measures whole runs of the morvane process on the large measuring sprite.
#
#   bench/whole_run.sh [-n RUNS] [--shape=FRAMES,DIRECTIONS,SIZE] [--batch[=K]] [--threads=LIST]
#                      [build-dir]
#
# Builds a Release tree when build-dir (default build-bench) has none, writes the sprite with
# morvane-benchsprite (32 frames, 8 directions, 256x256 boxes unless --shape says otherwise)
# into a scratch directory, and runs `morvane -d=1` and `morvane -d=0` on it RUNS times each
# (default 5, or $RUNS), alternating the two. For each mode it prints the median wall time,
# the output pixels (frames x logical screen of every GIF written, read from the GIFs), output
# pixels per second, nanoseconds per output pixel and the peak resident memory.
#
# --batch converts the same sprite copied K times (default 8) in one run against a run of one
# copy, to show that memory stays flat over a batch.
#
# --threads=1,2,all runs every mode at each thread count of the list (MORVANE_THREADS set for
# that process; "all" is nproc; 1 is added when missing), alternating, and adds the thread
# count and the speedup against 1 thread to the table. Without it the runs take
# MORVANE_THREADS from the environment as it is.
#
# compare.sh sources this file for its helper functions; the measurement runs only when the
# file is executed.
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# ---- helpers shared with compare.sh ----

# Installs the Debian package of each command that is missing; arguments are command:package.
need_commands() {
  local missing=() pair
  for pair in "$@"; do
    [ -x "${pair%%:*}" ] || command -v "${pair%%:*}" >/dev/null 2>&1 || missing+=("${pair#*:}")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Runs a command with its output shown only when it fails.
quietly() {
  local log
  if ! log=$("$@" 2>&1); then
    echo "$log" >&2
    echo "FAILED: $*" >&2
    exit 1
  fi
}

# Makes sure build_dir holds the converter and the two tools the scripts run. A directory
# without a CMake cache is set up as a Release tree with the benchmarks and without the tests
# (scripts/setup.sh installs the build dependencies); an existing tree keeps its configuration.
ensure_build() {
  local build_dir=$1
  if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    echo "Configuring a Release build in $build_dir" >&2
    quietly "$REPO/scripts/setup.sh" bench -B "$build_dir"
  fi
  local type
  type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
  [ "$type" = Release ] || echo "WARNING: $build_dir is a '$type' build, not Release" >&2
  quietly cmake --build "$build_dir" --target morvane morvane-benchsprite morvane-ppmdump
  BUILD_TYPE=$type
}

# Parses --shape's FRAMES,DIRECTIONS,SIZE into SHAPE (a word list for morvane-benchsprite).
parse_shape() {
  [[ $1 =~ ^[0-9]+,[0-9]+,[0-9]+$ ]] || { echo "bad --shape '$1'" >&2; exit 2; }
  IFS=, read -r -a SHAPE <<<"$1"
}

# Parses --threads' comma-separated list (counts and "all" for nproc) into THREAD_COUNTS, in
# the order given without repeats, with 1 first when the list lacks it: every speedup is taken
# against one thread.
parse_threads() {
  local items item count
  THREAD_COUNTS=(1)
  IFS=, read -r -a items <<<"$1"
  [ ${#items[@]} -gt 0 ] || { echo "bad --threads '$1'" >&2; exit 2; }
  for item in "${items[@]}"; do
    if [ "$item" = all ]; then
      count=$(nproc)
    elif [[ $item =~ ^[1-9][0-9]*$ ]]; then
      count=$item
    else
      echo "bad --threads '$1'" >&2
      exit 2
    fi
    [[ " ${THREAD_COUNTS[*]} " == *" $count "* ]] || THREAD_COUNTS+=("$count")
  done
}

# The thread count the converter runs with when MORVANE_THREADS is left as it is.
environment_threads() {
  if [ -n "${MORVANE_THREADS-}" ]; then
    echo "MORVANE_THREADS=$MORVANE_THREADS"
  else
    echo "MORVANE_THREADS unset: $(nproc), the CPUs the process may run on"
  fi
}

# Writes the measuring sprite to path with the shape in SHAPE.
write_sprite() {
  "$BUILD/tools/benchsprite/morvane-benchsprite" "$1" "${SHAPE[@]}"
}

# Makes $SCRATCH, a scratch directory named after $1 and removed when the script exits, with
# an empty $RESULTS and $SCRATCH/output and the measuring sprite as $SCRATCH/march.spr.
make_scratch() {
  SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/morvane-$1.XXXXXX")
  trap 'rm -rf "$SCRATCH"' EXIT
  RESULTS=$SCRATCH/results
  : >"$RESULTS"
  : >"$SCRATCH/output"
  write_sprite "$SCRATCH/march.spr"
}

# Runs a command with its standard output in $SCRATCH/stdout and its standard error in
# $SCRATCH/stderr, and appends "label wall_s user_s sys_s maxrss_kib" to $RESULTS. The wall
# time is taken around the process (including /usr/bin/time's own start, well under a
# millisecond); user and system time (0.01 s steps) and the peak resident set size come from
# /usr/bin/time, whose %M is the "Maximum resident set size" that -v prints.
timed() {
  local label=$1
  shift
  local start=${EPOCHREALTIME//[.,]/}
  if ! /usr/bin/time -f "%U %S %M" -o "$SCRATCH/time" "$@" >"$SCRATCH/stdout" 2>"$SCRATCH/stderr"
  then
    echo "FAILED: $*" >&2
    cat "$SCRATCH/stderr" >&2
    exit 1
  fi
  local end=${EPOCHREALTIME//[.,]/}
  local micros=$((end - start))
  printf '%s %d.%06d %s\n' "$label" $((micros / 1000000)) $((micros % 1000000)) \
    "$(tail -n 1 "$SCRATCH/time")" >>"$RESULTS"
}

# The converter's console must report every file converted and none failed (its exit code is
# always 0).
check_morvane_output() {
  local files=$1
  if ! grep -qx "$files file(s) processed" "$SCRATCH/stdout" ||
    grep -q "error(s) encountered" "$SCRATCH/stdout"; then
    echo "morvane did not convert cleanly:" >&2
    cat "$SCRATCH/stdout" >&2
    exit 1
  fi
}

# Prints "gifs frames pixels bytes" for the GIF files given: frames counts the image
# descriptors, pixels sums frames x logical screen width x height, bytes the file sizes.
gif_stats() {
  python3 - "$@" <<'EOF'
import sys

def frames(data):
    """Counts the image descriptors of a GIF by walking its blocks."""
    def skip_sub_blocks(p):
        while data[p]:
            p += data[p] + 1
        return p + 1
    p = 13
    if data[10] & 0x80:
        p += 3 << ((data[10] & 7) + 1)
    count = 0
    while data[p] != 0x3B:
        if data[p] == 0x21:  # extension: label, sub-blocks
            p = skip_sub_blocks(p + 2)
        elif data[p] == 0x2C:  # image: descriptor, local colour table, LZW code size, data
            flags = data[p + 9]
            p += 10 + (3 << ((flags & 7) + 1) if flags & 0x80 else 0)
            p = skip_sub_blocks(p + 1)
            count += 1
        else:
            sys.exit(f"unexpected GIF block {data[p]:#x} at {p}")
    return count

total_frames = pixels = size = 0
for path in sys.argv[1:]:
    data = open(path, "rb").read()
    n = frames(data)
    total_frames += n
    pixels += n * int.from_bytes(data[6:8], "little") * int.from_bytes(data[8:10], "little")
    size += len(data)
print(len(sys.argv) - 1, total_frames, pixels, size)
EOF
}

# Prints the sprite file's size and, summed over its image sets, the image data as stored
# (after each 16-byte "<spranim_img>" tag, and after the unpacked size of a packed set) and as
# it is before packing (the unpacked size of a packed set; a plain set is stored as it is).
sprite_sizes() {
  python3 - "$1" <<'EOF'
import sys

data = open(sys.argv[1], "rb").read()
tag = b"<spranim_img>\0"
starts = []
p = data.find(tag)
while p >= 0:
    starts.append(p)
    p = data.find(tag, p + 1)
stored = unpacked = 0
for i, p in enumerate(starts):
    end = starts[i + 1] if i + 1 < len(starts) else len(data)
    if data[p + 14:p + 15] == b"2":  # packed: the int32 unpacked size, then the zlib stream
        stored += end - (p + 20)
        unpacked += int.from_bytes(data[p + 16:p + 20], "little", signed=True)
    else:
        stored += end - (p + 16)
        unpacked += end - (p + 16)
print(f"sprite file {len(data):,} bytes; image data {stored:,} bytes stored, "
      f"{unpacked:,} bytes before packing ({len(starts)} image set(s))")
EOF
}

# The commit measured, and whether the working tree differed from it.
source_line() {
  echo "  source       $(git -C "$REPO" describe --always --dirty 2>/dev/null || echo unknown)"
}

machine_line() {
  local cpu
  cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
  echo "  machine      ${cpu:-unknown cpu}, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
}

# ---- whole-run measurement ----

usage() {
  echo "usage: bench/whole_run.sh [-n RUNS] [--shape=FRAMES,DIRECTIONS,SIZE] [--batch[=K]]" \
    "[--threads=LIST] [build-dir]" >&2
  exit 2
}

# Runs morvane under timed in the current directory on the sprite files named after the label,
# into empty output directories, and checks that it converted them all: once at each thread
# count of THREAD_COUNTS (labelled LABEL/THREADS) or, without --threads, once with the
# environment as it is (labelled LABEL).
run_morvane_timed() {
  local label=$1 threads
  shift
  local files=0 argument
  for argument in "$@"; do [[ $argument == -* ]] || files=$((files + 1)); done
  for threads in "${THREAD_COUNTS[@]:-}"; do
    rm -rf ./march*/
    if [ -z "$threads" ]; then
      timed "$label" "$BUILD/src/app/morvane" "$@"
    else
      MORVANE_THREADS=$threads timed "$label/$threads" "$BUILD/src/app/morvane" "$@"
    fi
    check_morvane_output "$files"
  done
}

# Both dithering modes, alternating, RUNS times each (at each thread count).
measure_modes() {
  local run mode gifs frames pixels bytes
  for ((run = 1; run <= RUNS; run++)); do
    for mode in 1 0; do
      (cd "$SCRATCH" && run_morvane_timed "-d=$mode" "-d=$mode" march.spr)
      # The output is the same shape in both modes; keep the last run's figures.
      read -r gifs frames pixels bytes < <(gif_stats "$SCRATCH"/march/*.gif)
      printf -- "-d=%s %s %s %s %s\n" "$mode" "$gifs" "$frames" "$pixels" "$bytes" >>"$SCRATCH/output"
    done
  done
  summarise
}

# One copy of the sprite against K copies in one run, alternating, RUNS times each.
measure_batch() {
  local i run gifs frames pixels bytes
  mkdir -p "$SCRATCH/batch"
  local names=()
  for ((i = 1; i <= BATCH; i++)); do
    names+=("$(printf 'march%02d.spr' "$i")")
    cp "$SCRATCH/march.spr" "$SCRATCH/batch/${names[-1]}"
  done
  for ((run = 1; run <= RUNS; run++)); do
    (cd "$SCRATCH/batch" && run_morvane_timed "files=1" "${names[0]}")
    read -r gifs frames pixels bytes < <(gif_stats "$SCRATCH"/batch/march01/*.gif)
    echo "files=1 $gifs $frames $pixels $bytes" >>"$SCRATCH/output"
    (cd "$SCRATCH/batch" && run_morvane_timed "files=$BATCH" "${names[@]}")
    read -r gifs frames pixels bytes < <(gif_stats "$SCRATCH"/batch/march??/*.gif)
    echo "files=$BATCH $gifs $frames $pixels $bytes" >>"$SCRATCH/output"
  done
  summarise
}

# Prints the table from $RESULTS (timings) and $SCRATCH/output (GIF figures per label).
summarise() {
  python3 - "$RESULTS" "$SCRATCH/output" <<'EOF'
import statistics, sys

runs, output = {}, {}
for line in open(sys.argv[1]):
    label, wall, user, system, rss = line.split()
    runs.setdefault(label, []).append((float(wall), float(user) + float(system), int(rss)))
for line in open(sys.argv[2]):
    label, *figures = line.split()
    output[label] = tuple(int(x) for x in figures)

# With --threads the labels are MODE/THREADS: a row per mode and thread count, with the
# speedup of the median wall time against the mode's run at one thread.
threaded = all("/" in label for label in runs)
print(f"{'run':<12} " + (f"{'threads':>7} " if threaded else "") +
      f"{'GIFs':>5} {'frames':>7} {'out pixels':>12} {'median s':>9} "
      f"{'cpu s':>7} {'Mpx/s':>7} {'ns/px':>7} {'peak RSS':>10}  " +
      (f"{'x 1 thread':>10}  " if threaded else "") + "wall times (s)")
for label, samples in runs.items():
    mode, _, threads = label.partition("/")
    gifs, frames, pixels, size = output[mode]
    wall = statistics.median(s[0] for s in samples)
    cpu = statistics.median(s[1] for s in samples)
    rss = max(s[2] for s in samples)
    times = " ".join(f"{s[0]:.3f}" for s in samples)
    row = f"{mode:<12} " + (f"{threads:>7} " if threaded else "")
    row += (f"{gifs:>5} {frames:>7} {pixels:>12,} {wall:>9.3f} {cpu:>7.2f} "
            f"{pixels / wall / 1e6:>7.2f} {wall * 1e9 / pixels:>7.1f} {rss / 1024:>6.1f} MiB  ")
    if threaded:
        one = statistics.median(s[0] for s in runs[mode + "/1"])
        row += f"{one / wall:>10.2f}  "
    print(row + times)
EOF
}

main() {
  RUNS=${RUNS:-5}
  BATCH=0
  SHAPE=(32 8 256)
  THREAD_COUNTS=()
  local build=build-bench
  while [ $# -gt 0 ]; do
    case $1 in
      -n) [ $# -ge 2 ] || usage; RUNS=$2; shift ;;
      --shape=*) parse_shape "${1#--shape=}" ;;
      --batch) BATCH=8 ;;
      --batch=*) BATCH=${1#--batch=} ;;
      --threads=*) parse_threads "${1#--threads=}" ;;
      -*) usage ;;
      *) build=$1 ;;
    esac
    shift
  done
  [[ $RUNS =~ ^[1-9][0-9]*$ && $BATCH =~ ^[0-9]+$ ]] || usage
  # A relative build directory is taken from the caller's current directory; the default
  # lives in the repository.
  [ "$build" = build-bench ] && build=$REPO/build-bench
  BUILD=$(realpath -m "$build")

  need_commands /usr/bin/time:time python3:python3 cmake:cmake
  ensure_build "$BUILD"

  make_scratch whole-run

  echo "morvane whole-run measurement"
  echo "  build        $BUILD ($BUILD_TYPE)"
  source_line
  machine_line
  echo "  sprite       ${SHAPE[0]} frames x ${SHAPE[1]} directions, ${SHAPE[2]}x${SHAPE[2]} boxes, 4 layers, packed"
  echo "  sizes        $(sprite_sizes "$SCRATCH/march.spr")"
  local each=""
  if [ ${#THREAD_COUNTS[@]} -eq 0 ]; then
    echo "  threads      $(environment_threads)"
  else
    local counts="${THREAD_COUNTS[*]}"
    echo "  threads      ${counts// /, } (MORVANE_THREADS set per run; all = nproc = $(nproc))"
    each=" at each thread count in turn"
  fi
  if [ "$BATCH" -gt 0 ]; then
    echo "  runs         $RUNS of each, alternating: 1 copy, then $BATCH copies in one run (-d=1)$each"
    echo
    measure_batch
  else
    echo "  runs         $RUNS per mode, alternating -d=1 and -d=0$each; median wall time"
    echo
    measure_modes
  fi
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  main "$@"
fi
