#!/usr/bin/env bash
# Installs the program into a scratch prefix and into a Debian package, and checks each as a user's
# desktop would meet it: valid menu entry and AppStream metadata, icons in the hicolor theme, and a
# program that, started from its launcher, finds its clips (a click on "5" sounds 5.wav); the
# package must also pass lintian. Run it under scripts/with-display.
#   install_test.sh BUILD_DIR SEND_CLOSE_REQUEST
set -euo pipefail
build=$(cd "$1" && pwd)
close_request=$2
. "$(dirname "$0")/../support/shell-common.sh" install_test

# Starts PROGRAM with its sound captured, clicks the "5" key, closes the window, and checks the
# captured sound is exactly the installed 5.wav.
check_program_finds_clips() {
  local program=$1 clip=$2 capture=$work/capture.raw
  capture_sound "$capture"
  start_program "$program"
  window=$(window_of Quorvel) || fail "$program showed no window"
  click_keys 5
  sleep 1
  # The program must end by itself once asked to close.
  ends_within 10 "the close request" 0 "$close_request" "$window"
  sox "$clip" -t raw -e signed-integer -b 16 -c 1 "$work/expected.raw"
  cmp -s "$capture" "$work/expected.raw" ||
    fail "$program did not play its 5.wav (captured $(stat -c %s "$capture") bytes)"
}

check_tree() {
  local root=$1
  desktop-file-validate "$root/share/applications/quorvel.desktop" || fail "invalid desktop entry"
  appstreamcli validate --no-net "$root/share/metainfo/"*.metainfo.xml >/dev/null ||
    fail "invalid AppStream metadata"
  for size in 16x16 32x32 48x48 256x256; do
    [ -f "$root/share/icons/hicolor/$size/apps/quorvel.png" ] || fail "no $size icon"
  done
  [ -f "$root/share/icons/hicolor/scalable/apps/quorvel.svg" ] || fail "no scalable icon"
  [ -x "$root/bin/quorvel" ] || fail "no quorvel launcher"
  man -l "$root/share/man/man1/quorvel.1.gz" 2>/dev/null | grep -q 'takes no options' ||
    fail "no readable manual page"
  check_program_finds_clips "$root/bin/quorvel" "$root/libexec/quorvel/5.wav"
}

# 1. A plain install into a prefix whose name has a blank and a non-ASCII letter in it.
prefix="$work/prefix with blanks é"
cmake --install "$build" --prefix "$prefix" >/dev/null
check_tree "$prefix"

# 2. The Debian package, unpacked as dpkg would lay it out.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null) || fail "cpack failed"
deb=$(ls "$work"/*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
grep -q 'espeak-ng-data' <<<"$depends" || fail "package lacks its run-time data dependencies"
# dpkg-shlibdeps cannot place the sanitizer runtime of an instrumented build in any package.
if ! grep -q 'CMAKE_CXX_FLAGS:.*-fsanitize' "$build/CMakeCache.txt"; then
  grep -q 'libasound2' <<<"$depends" || fail "package lacks its library dependencies"
fi
# Debian's own judge of a package, on what a user would install: the sanitized program of an
# instrumented build is neither stripped nor hardened, and is never shipped.
if ! grep -q 'CMAKE_CXX_FLAGS:.*-fsanitize' "$build/CMakeCache.txt"; then
  lintian --fail-on error,warning --info --pedantic "$deb" >"$work/lintian" 2>&1 || {
    cat "$work/lintian" >&2
    fail "lintian finds errors or warnings in the package"
  }
  echo "install_test: lintian --info --pedantic reports:"
  grep -v 'running with root privileges' "$work/lintian" || echo "  (nothing)"
fi
dpkg-deb -x "$deb" "$work/root"
check_tree "$work/root/usr"
echo "install_test: prefix and package pass; package $(basename "$deb") is $(stat -c %s "$deb") bytes"
