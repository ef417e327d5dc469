#!/usr/bin/env bash
# Converts the sprites of one list file on several machines at once with GNU parallel over ssh.
#
#   scripts/convert-on-hosts.sh [-j JOBS] [--morvane PATH] [--dir DIR] LISTFILE[::pattern] HOST...
#                               [-- OPTION...]
#
# The list is split round-robin (line 1 to part 1, line 2 to part 2, ...) so that a list sorted by
# folder or by size still gives every part a fair share. Each HOST gets JOBS parts of its own
# (default 1; a host named twice gets twice as many) and runs `morvane OPTION... @part-K.lst` for
# each of them at the same time. HOST is whatever parallel's --sshlogin takes for one machine
# (host, user@host); ":" is this machine, without ssh.
#
# Every host must see the current directory, the list's sprites and DIR under the same paths as
# this machine (shared storage): morvane runs in the current directory on every host, reads its
# part from DIR and writes the GIFs beside each sprite as usual. --morvane names the program on
# the hosts (default: `morvane` from each host's PATH; a relative path is taken from the current
# directory). MORVANE_THREADS, when set here, is passed on to every host.
#
# DIR (default: the list's name with ".hosts" instead of its extension, in the current directory)
# receives part-K.lst, each host's console output as host-NAME.log and parallel's joblog. The
# summary shows one line per part; a part fails when its morvane did not run to its summary line
# (ssh or the program failed, its part could not be read, an option was refused). The exit status
# is 1 when a part failed, 2 for a usage error, else 0; files that fail to convert are counted in
# the summary but, as with morvane itself, do not fail the run. A failed part is a list file of
# its own: run this script on DIR/part-K.lst to convert it again.
#
# Parts that run one copy of morvane share its errors.log; each part's block stands whole in it.
set -euo pipefail

program=${0##*/}

usage() {
  echo "usage: $program [-j JOBS] [--morvane PATH] [--dir DIR] LISTFILE[::pattern] HOST..." \
    "[-- OPTION...]"
  echo "(the comment at the top of $0 tells what each argument means)"
}

fail_usage() {
  echo "$program: $*" >&2
  usage >&2
  exit 2
}

jobs_per_host=1
morvane=morvane
run_dir=
while [ $# -gt 0 ]; do
  case $1 in
    -h | --help) usage; exit 0 ;;
    -j) [ $# -ge 2 ] || fail_usage "-j needs a number"; jobs_per_host=$2; shift 2 ;;
    -j*) jobs_per_host=${1#-j}; shift ;;
    --morvane) [ $# -ge 2 ] || fail_usage "--morvane needs a path"; morvane=$2; shift 2 ;;
    --morvane=*) morvane=${1#--morvane=}; shift ;;
    --dir) [ $# -ge 2 ] || fail_usage "--dir needs a directory"; run_dir=$2; shift 2 ;;
    --dir=*) run_dir=${1#--dir=}; shift ;;
    -*) fail_usage "unknown option $1" ;;
    *) break ;;
  esac
done
[[ $jobs_per_host =~ ^[1-9][0-9]{0,2}$ ]] || fail_usage "-j takes a number from 1 to 999"
[ $# -ge 1 ] || fail_usage "no list file given"
list_arg=$1
shift

# Hosts in the order given; a host named again adds its parts to its first entry.
hosts=()
declare -A host_slots=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  host=$1
  shift
  [ -n "$host" ] || fail_usage "empty host name"
  # parallel reads "N/host" as a slot count and "@group/host" as a host group.
  [[ $host != */* && $host != @* ]] || fail_usage "host '$host': write only [user@]host or ':'"
  if [ -z "${host_slots[$host]:-}" ]; then
    hosts+=("$host")
    host_slots[$host]=0
  fi
  host_slots[$host]=$((host_slots[$host] + jobs_per_host))
done
[ ${#hosts[@]} -gt 0 ] || fail_usage "no host given"
[ $# -gt 0 ] && shift  # the "--"
morvane_options=("$@")

# Debian's moreutils has a different program of the same name.
parallel_version=$(parallel --version 2>/dev/null || true)
if [[ $parallel_version != "GNU parallel"* ]]; then
  echo "$program: needs GNU parallel (Debian package 'parallel')" >&2
  exit 2
fi

list_file=${list_arg%%::*}
pattern=
[[ $list_arg == *::* ]] && pattern=::${list_arg#*::}
if [ ! -f "$list_file" ] || [ ! -r "$list_file" ]; then
  fail_usage "cannot read the list file '$list_file'"
fi

# The list's files, read before the run directory is cleared (the list may be an earlier part).
# Empty lines are dropped as morvane would skip them; every other line goes on as it stands.
mapfile -t files < <(awk '$0 != "" && $0 != "\r"' "$list_file")
file_count=${#files[@]}
if [ "$file_count" -eq 0 ]; then
  echo "$list_file names no files: nothing to convert"
  exit 0
fi

if [ -z "$run_dir" ]; then
  list_name=${list_file##*/}
  run_dir=${list_name%.*}.hosts
fi
mkdir -p "$run_dir"
run_dir=$(cd "$run_dir" && pwd -P)
work_dir=$(pwd -P)
rm -f "$run_dir"/part-*.lst "$run_dir"/part-*.log "$run_dir"/part-*.log.err \
  "$run_dir"/part-*.log.seq "$run_dir"/host-*.log "$run_dir"/joblog "$run_dir"/run-part.sh

# Parts in rounds over the hosts (each host's first part, then each host's second, ...), so that
# a list with fewer files than slots still spreads over every host.
part_host=()  # part K's host at index K - 1
for ((round = 0; ${#part_host[@]} < file_count; round++)); do
  added=0
  for host in "${hosts[@]}"; do
    if [ "${host_slots[$host]}" -gt "$round" ] && [ ${#part_host[@]} -lt "$file_count" ]; then
      part_host+=("$host")
      added=1
    fi
  done
  [ $added -eq 1 ] || break
done
part_count=${#part_host[@]}
for i in "${!files[@]}"; do
  printf '%s\n' "${files[$i]}" >>"$run_dir/part-$((i % part_count + 1)).lst"
done

# What one part runs on its host; bash quotes every word, so any path or option travels intact.
{
  echo '#!/usr/bin/env bash'
  echo "# Converts part \$1 of $(printf %q "$list_file"): written by $program."
  echo "cd $(printf %q "$work_dir") || exit 1"
  printf 'exec %q' "$morvane"
  [ ${#morvane_options[@]} -eq 0 ] || printf ' %q' "${morvane_options[@]}"
  # shellcheck disable=SC2016 # $1 is the part number when the written script runs
  printf ' @%q/part-"$1".lst' "$run_dir"
  [ -z "$pattern" ] || printf '%q' "$pattern"
  echo ' 2>&1'
} >"$run_dir/run-part.sh"

# One host group per host pins each part to the host it was made for.
declare -A host_group=()
logins=()
for i in "${!hosts[@]}"; do
  host_group[${hosts[$i]}]=h$((i + 1))
  logins+=(--sshlogin "@h$((i + 1))/${host_slots[${hosts[$i]}]}/${hosts[$i]}")
done
part_args=()
for ((k = 1; k <= part_count; k++)); do
  part_args+=("$k@${host_group[${part_host[$((k - 1))]}]}")
done

export MORVANE_PARTS_SCRIPT="$run_dir/run-part.sh"
env_args=(--env MORVANE_PARTS_SCRIPT)
[ -z "${MORVANE_THREADS+set}" ] || env_args+=(--env MORVANE_THREADS)

echo "Converting $file_count file(s) of $list_file in $part_count part(s) on ${#hosts[@]} host(s)"
# parallel runs in the run directory so that no path of ours passes through its templates.
# shellcheck disable=SC2016 # the job expands the variable on its host
(cd "$run_dir" && parallel --will-cite --hostgroups "${env_args[@]}" "${logins[@]}" \
  --joblog joblog --results 'part-{}.log' 'bash "$MORVANE_PARTS_SCRIPT" {}' \
  ::: "${part_args[@]}" >/dev/null) || true

# Exit value and signal of each part that ran, from the joblog (its last column ends with K).
declare -A part_exit=() part_signal=()
while IFS=$'\t' read -r _ _ _ _ _ _ exit_value signal command; do
  k=${command##* }
  part_exit[$k]=$exit_value
  part_signal[$k]=$signal
done < <(tail -n +2 "$run_dir/joblog" 2>/dev/null)

# Reads one part's console output: "processed errors records" when it reached its summary line,
# else "failed <its last line>".
summarize_log() {
  awk '
    /^Error in list file / { list_error = $0 }
    /^[0-9]+ file\(s\) processed$/ { processed = $1; done = 1 }
    /^[0-9]+ error\(s\) encountered$/ { errors = $1 }
    /^WARNING: [0-9]+ record\(s\) in the Error Log/ { records = $2 }
    /^WARNING: could not write the Error Log/ { records = "unwritten" }
    NF { last = $0 }
    END {
      if (list_error != "") print "failed " list_error
      else if (done) print processed + 0, errors + 0, (records == "" ? 0 : records)
      else print "failed " (last == "" ? "no output" : "stopped early: " last)
    }' "$@"
}

declare -A host_log=()
for host in "${hosts[@]}"; do
  name=local
  [ "$host" = : ] || name=${host//[^A-Za-z0-9._@-]/_}
  log=$run_dir/host-$name.log
  [ ! -e "$log" ] || log=$run_dir/host-$name-${host_group[$host]}.log
  : >"$log"
  host_log[$host]=$log
done

echo
failed_parts=0
total_processed=0
total_errors=0
for ((k = 1; k <= part_count; k++)); do
  host=${part_host[$((k - 1))]}
  out=$run_dir/part-$k.log
  touch "$out" "$out.err"
  cat "$out" "$out.err" >>"${host_log[$host]}"
  read -r first rest < <(summarize_log "$out" "$out.err")
  if [ -z "${part_exit[$k]:-}" ]; then
    status="FAILED: did not run"
  elif [ "${part_exit[$k]}" != 0 ] || [ "${part_signal[$k]}" != 0 ]; then
    status="FAILED: exit ${part_exit[$k]}"
    [ "${part_signal[$k]}" = 0 ] || status="FAILED: signal ${part_signal[$k]}"
    [ "$first" != failed ] || status="$status: ${rest#stopped early: }"
  elif [ "$first" = failed ]; then
    status="FAILED: $rest"
  else
    read -r errors records <<<"$rest"
    status="$first file(s) processed, $errors error(s) encountered"
    case $records in
      0) ;;
      unwritten) status="$status, error log not written" ;;
      *) status="$status, $records record(s) in the Error Log" ;;
    esac
    total_processed=$((total_processed + first))
    total_errors=$((total_errors + errors))
  fi
  [[ $status != FAILED* ]] || failed_parts=$((failed_parts + 1))
  where=$host
  [ "$host" != : ] || where="this machine"
  printf 'part %d on %s: %s\n' "$k" "$where" "$status"
  rm -f "$out" "$out.err" "$out.seq"
done

echo
echo "$total_processed file(s) processed, $total_errors error(s) encountered"
echo "Console output of each host: $run_dir/host-*.log"
if [ $failed_parts -gt 0 ]; then
  echo "$failed_parts of $part_count part(s) failed; convert one again with"
  echo "  $0 $run_dir/part-K.lst HOST... [-- OPTION...]"
  exit 1
fi
