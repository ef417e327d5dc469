#!/usr/bin/env bash
# Runs scripts/convert-on-hosts.sh on "hosts" that are all this machine: ":" itself, and named
# hosts reached through a stand-in for ssh that runs the command here (one of them unreachable).
# Every GIF and the error log must come out as one direct run of morvane on the whole list writes
# them.
#
#   convert_on_hosts_test.sh MORVANE SPRWRITER SOURCE_DIR
set -euo pipefail

morvane=$1
sprwriter=$2
source_dir=$3
script=$source_dir/scripts/convert-on-hosts.sh

parallel_version=$(parallel --version 2>/dev/null || true)
if [[ $parallel_version != "GNU parallel"* ]]; then
  echo "SKIPPED: GNU parallel is not installed (Debian package 'parallel')"
  exit 77
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# A tree of sprites and its list: good ones, one cut short (a parse error, logged), one missing
# (console only), a name with a blank and a pattern of its own; the runs give the list a pattern
# for the other lines.
make_tree() {
  local root=$1
  mkdir -p "$root/sprites/a" "$root/sprites/b" "$root/sprites/c d"
  cp "$source_dir/sample/hero.spr" "$root/sprites/a/hero.spr"
  cp "$source_dir/sample/hero.spr" "$root/sprites/a/knight.spr"
  cp "$source_dir/sample/hero.spr" "$root/sprites/c d/mage one.spr"
  "$sprwriter" demo "$root/sprites/b/demo.spr"
  head -c 1000 "$source_dir/sample/hero.spr" >"$root/sprites/b/cut.spr"
  cp "$root/sprites/b/demo.spr" "$root/sprites/b/imp.spr"
  printf '%s\n' sprites/a/hero.spr sprites/b/demo.spr sprites/b/cut.spr "" \
    'sprites/c d/mage one.spr' sprites/a/missing.spr 'sprites/b/imp.spr::w*' \
    sprites/a/knight.spr >"$root/all.lst"
}

# A program directory of its own for each run, so that each has its own errors.log.
install_morvane() {
  mkdir -p "$1"
  cp "$morvane" "$1/morvane"
}

# Every file under the sprites of two trees, GIFs and sprites alike, byte for byte.
same_output() {
  diff -r "$1/sprites" "$2/sprites" >/dev/null || {
    diff -rq "$1/sprites" "$2/sprites" >&2 || true
    fail "$3: the GIFs differ from the direct run"
  }
}

error_records() {
  grep -c '^Error: ' "$1/errors.log"
}

# The reference: one direct run over the whole list.
make_tree "$tmp/direct"
install_morvane "$tmp/direct-bin"
(cd "$tmp/direct" && "$tmp/direct-bin/morvane" -bg=#FFF -d=0 '@all.lst::*a*' >console.txt)
[ "$(find "$tmp/direct/sprites" -name '*.gif' | wc -l)" -ge 20 ] ||
  fail "the direct run wrote too few GIFs"
grep -qx '5 file(s) processed' "$tmp/direct/console.txt" || fail "unexpected direct run"
grep -qx '2 error(s) encountered' "$tmp/direct/console.txt" || fail "unexpected direct run"

# This machine named twice with two jobs each: four parts side by side, one program directory.
make_tree "$tmp/local"
install_morvane "$tmp/local-bin"
(cd "$tmp/local" && "$script" -j 2 --morvane "$tmp/local-bin/morvane" 'all.lst::*a*' : : \
  -- -bg=#FFF -d=0 >summary.txt) ||
  fail "the run on this machine failed: $(cat "$tmp/local/summary.txt")"
same_output "$tmp/direct" "$tmp/local" "on this machine"
[ "$(error_records "$tmp/local-bin")" = 1 ] || fail "the cut sprite is not in the error log once"
grep -qx '5 file(s) processed, 2 error(s) encountered' "$tmp/local/summary.txt" ||
  fail "wrong totals: $(cat "$tmp/local/summary.txt")"
[ "$(grep -c '^part [1-4] on this machine: ' "$tmp/local/summary.txt")" = 4 ] ||
  fail "not four parts: $(cat "$tmp/local/summary.txt")"
# The host's log holds each part's console: every file's line once, each option echoed per part.
diff <(grep '^Parsing' "$tmp/direct/console.txt" | sort) \
  <(grep '^Parsing' "$tmp/local/all.hosts/host-local.log" | sort) >&2 ||
  fail "the host log does not hold every file's console lines"
[ "$(grep -c '^bgcolor=#FFF$' "$tmp/local/all.hosts/host-local.log")" = 4 ] ||
  fail "the options did not reach every part"

# Named hosts through a stand-in for ssh that runs the command here; "down" cannot be reached.
cat >"$tmp/fake-ssh" <<'EOF'
#!/usr/bin/env bash
while [ $# -gt 0 ]; do
  case $1 in
    -l | -p | -o | -S | -i | -F) shift 2 ;;
    -*) shift ;;
    *) break ;;
  esac
done
host=$1
shift
[ "${1:-}" != -- ] || shift
if [ "$host" = down ]; then
  echo "ssh: connect to host down port 22: Connection refused" >&2
  exit 255
fi
# sshd gives the remote command the login shell in SHELL; parallel relies on it.
SHELL=/bin/bash exec bash -c "$*"
EOF
chmod +x "$tmp/fake-ssh"
export PARALLEL_SSH=$tmp/fake-ssh

make_tree "$tmp/remote"
install_morvane "$tmp/remote-bin"
status=0
(cd "$tmp/remote" && "$script" --morvane "$tmp/remote-bin/morvane" --dir run 'all.lst::*a*' \
  alpha down beta -- -bg=#FFF -d=0 >summary.txt) || status=$?
summary=$(cat "$tmp/remote/summary.txt")
[ $status = 1 ] || fail "an unreachable host must fail the run (status $status): $summary"
grep -qx 'part 2 on down: FAILED: exit 255: ssh: connect to host down port 22: Connection refused' \
  <<<"$summary" || fail "the unreachable host's part is not reported: $summary"
grep -qx 'part 1 on alpha: 3 file(s) processed, 0 error(s) encountered' <<<"$summary" ||
  fail "part 1 not converted on alpha: $summary"
beta_line='part 3 on beta: 1 file(s) processed, 1 error(s) encountered,'
beta_line+=' 1 record(s) in the Error Log'
grep -qxF "$beta_line" <<<"$summary" || fail "part 3 not converted on beta: $summary"
grep -q '^Parsing .hero' "$tmp/remote/run/host-alpha.log" || fail "alpha's log lacks its files"
grep -q '^Parsing .cut' "$tmp/remote/run/host-beta.log" || fail "beta's log lacks its files"
[ ! -e "$tmp/remote/sprites/b/demo" ] || fail "part 2 was converted although its host is down"

# The failed part is a list file of its own: converting it on a host that works completes the run.
(cd "$tmp/remote" && "$script" --morvane "$tmp/remote-bin/morvane" 'run/part-2.lst::*a*' beta \
  -- -bg=#FFF -d=0 >rerun.txt) || fail "the rerun failed: $(cat "$tmp/remote/rerun.txt")"
same_output "$tmp/direct" "$tmp/remote" "on named hosts after the rerun"
[ "$(error_records "$tmp/remote-bin")" = 1 ] || fail "the cut sprite is not in the error log once"

# Usage errors say so with status 2 and touch nothing.
for arguments in "all.lst" "-j 0 all.lst :" "missing.lst :" "all.lst 2/host"; do
  status=0
  # shellcheck disable=SC2086 # each case is a list of words
  (cd "$tmp/remote" && "$script" $arguments >/dev/null 2>&1) || status=$?
  [ $status = 2 ] || fail "'$arguments' ended with status $status, not 2"
done

echo "PASSED"
