#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it as a user would:
#   install_test.sh SOURCE_DIR BUILD_DIR layout     the installed tree, run through bin/morvane
#                                                   from another directory with the installed
#                                                   configuration
#   install_test.sh SOURCE_DIR BUILD_DIR read-only  run by a user who cannot write the prefix
#   install_test.sh SOURCE_DIR BUILD_DIR deb        the Debian package: its files, its
#                                                   dependencies, and the program it holds
# Exit code 77 marks a check that cannot run here (CTest reports it as skipped).
set -euo pipefail

source_dir=$1
build_dir=$2
mode=$3

tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
failures=0

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}
expect_file() { [ -f "$1" ] || fail "$1 is missing"; }
expect_contains() {  # text, expected line
  grep -qxF -- "$2" <<<"$1" || fail "expected the line '$2' in:"$'\n'"$1"
}
# The bytes of a file as " xx xx ... " (two hex digits each), so that byte runs can be found.
hex_bytes() { printf ' %s ' "$(od -An -tx1 -v "$1" | tr -s ' \n' '  ')"; }

# Where a user finds everything under a prefix: the program and its configuration together,
# a relative link on the PATH, the manual and the README.
check_tree() {
  local prefix=$1 lib=$1/lib/morvane
  [ -L "$prefix/bin/morvane" ] || fail "bin/morvane is not a symbolic link"
  [ "$(readlink "$prefix/bin/morvane")" = ../lib/morvane/morvane ] ||
    fail "bin/morvane points to '$(readlink "$prefix/bin/morvane")'"
  [ -x "$lib/morvane" ] && [ ! -L "$lib/morvane" ] || fail "lib/morvane/morvane is not the program"
  cmp -s "$lib/morvane.cfg" "$source_dir/config/morvane.cfg" || fail "morvane.cfg differs"
  cmp -s "$lib/colors.cfg" "$source_dir/config/colors.cfg" || fail "colors.cfg differs"
  expect_file "$prefix/share/man/man1/morvane.1"
  expect_file "$prefix/share/doc/morvane/README.md"
}

mkdir -p "$tmp/sprites"
cp "$source_dir/sample/hero.spr" "$tmp/sprites/hero.spr"
# Not a sprite: its reason goes to the error log.
printf 'not a sprite at all, only text' >"$tmp/sprites/broken.spr"
gifs="idle.gif stand.gif walk_E.gif walk_N.gif walk_NE.gif walk_NW.gif walk_S.gif walk_SE.gif walk_SW.gif walk_W.gif wave.gif"

lib=$prefix/lib/morvane
if [ "$mode" != deb ]; then
  cmake --install "$build_dir" --prefix "$prefix" >/dev/null
  check_tree "$prefix"
fi

case $mode in
layout)
  # A background colour named only in the installed colors.cfg, chosen only in the installed
  # morvane.cfg: the GIFs hold it when the program read both beside its real path.
  chmod u+w "$lib/morvane.cfg" "$lib/colors.cfg"
  printf '[defaults]\nbgcolor=installed_teal\n' >"$lib/morvane.cfg"
  printf 'installed_teal=#12A0B4\n' >>"$lib/colors.cfg"

  mkdir "$tmp/work"
  output=$(cd "$tmp/work" && PATH="$prefix/bin:$PATH" morvane ../sprites/hero.spr)
  expect_contains "$output" "1 file(s) processed"
  [ "$(cd "$tmp/work/hero" 2>/dev/null && echo *)" = "$gifs" ] ||
    fail "the GIFs in the working directory: $(ls -R "$tmp/work")"
  stand=$tmp/work/hero/stand.gif
  [[ $(hex_bytes "$stand") == *" 12 a0 b4 "* ]] ||
    fail "the background colour is not in stand.gif: the installed configuration was not read"
  [ ! -e "$lib/errors.log" ] || fail "a run without errors wrote a log"
  ;;

read-only)
  # Root writes everywhere; it runs the program as nobody instead. Anyone else finds the
  # installed tree read-only.
  run_as=()
  if [ "$(id -u)" -eq 0 ]; then
    if ! command -v setpriv >/dev/null || ! id -u nobody >/dev/null 2>&1; then
      echo "root writes into read-only directories and cannot run as nobody here"
      exit 77
    fi
    run_as=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
    chmod 755 "$tmp"
    chmod -R a+rX "$tmp/sprites"
  fi
  chmod -R a-w "$prefix"
  user_home=$tmp/home
  mkdir -p "$user_home/work"
  [ ${#run_as[@]} -eq 0 ] || chown -R nobody "$user_home"
  state=$user_home/state
  if "${run_as[@]}" test -w "$lib"; then
    echo "this user can write the read-only prefix"
    exit 77
  fi

  output=$(cd "$user_home/work" &&
    "${run_as[@]}" env HOME="$user_home" XDG_STATE_HOME="$state" \
      "$prefix/bin/morvane" ../../sprites/broken.spr ../../sprites/hero.spr)
  expect_contains "$output" "Parsing 'broken'"$'\t'"Error parsing sprite file. See Error Log for detail."
  expect_contains "$output" "1 file(s) processed"
  expect_contains "$output" "1 error(s) encountered"
  [ "$(cd "$user_home/work/hero" 2>/dev/null && echo *)" = "$gifs" ] ||
    fail "the GIFs in the working directory: $(ls -R "$user_home/work")"
  [ ! -e "$lib/errors.log" ] || fail "errors.log appeared in the read-only prefix"

  # The program's directory cannot take the log: its block lands in the user's state
  # directory, and the console names it.
  log=$state/morvane/errors.log
  expect_contains "$output" "WARNING: 1 record(s) in the Error Log $log."
  if [ -f "$log" ]; then
    grep -q 'in file broken$' "$log" || fail "the log names no broken file:"$'\n'"$(cat "$log")"
    [ "$(stat -c %a "$state/morvane")" = 700 ] || fail "$state/morvane is not private"
  else
    fail "no log at $log"
  fi
  ;;

deb)
  for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v $tool >/dev/null || { echo "$tool is missing (dpkg-dev)"; exit 77; }
  done
  cpack -G DEB -B "$tmp/package" --config "$build_dir/CPackConfig.cmake" >/dev/null
  deb=$(echo "$tmp"/package/*.deb)
  [ -f "$deb" ] || { echo "FAILED: no package in $(ls "$tmp/package")" >&2; exit 1; }
  # The libraries the program links, found by dpkg-shlibdeps.
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libc6 libstdc++6 libgcc-s1 zlib1g libdeflate0; do
    [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] ||
      fail "Depends lacks $library: $depends"
  done
  [ "$(dpkg-deb -f "$deb" Package)" = morvane ] || fail "the package is not named morvane"
  # The configuration files are the user's to edit: an upgrade keeps the edits.
  [ "$(dpkg-deb -I "$deb" conffiles)" = $'/usr/lib/morvane/morvane.cfg\n/usr/lib/morvane/colors.cfg' ] ||
    fail "conffiles: $(dpkg-deb -I "$deb" conffiles)"
  dpkg-deb -x "$deb" "$tmp/root"
  check_tree "$tmp/root/usr"
  mkdir "$tmp/work"
  output=$(cd "$tmp/work" && "$tmp/root/usr/bin/morvane" ../sprites/hero.spr)
  expect_contains "$output" "1 file(s) processed"
  [ "$(cd "$tmp/work/hero" 2>/dev/null && echo *)" = "$gifs" ] ||
    fail "the GIFs in the working directory: $(ls -R "$tmp/work")"
  ;;

*)
  echo "unknown mode '$mode'" >&2
  exit 2
  ;;
esac

[ "$failures" -eq 0 ] || exit 1
echo "passed"
