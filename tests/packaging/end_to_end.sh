#!/usr/bin/env bash
# Runs the installed application in a real X server as a user would: two
# videos and a damaged one on the command line, a fourth handed over by a
# second launch, then Ctrl+Q. Passes when the shots of all four appear in the
# temporary root, the second launch returns at once, quitting ends the process
# and deletes the temporary root, and the decoding libraries printed nothing
# about the damaged video. On X11 the window is also read over AT-SPI, as a
# screen reader reads it (accessibility_tree.py), on a session bus of its own.
# Usage: end_to_end.sh PREFIX [x11|wayland]
# wayland: the application runs on Qt's Wayland platform inside a Weston
# compositor that has no X server for its clients. A headless Weston has no
# keyboard to press, so this Weston draws into a window of the virtual X
# server and takes its key presses from there; the application itself sees
# only the Wayland socket.
# Bounds: every wait has a deadline; FRAMELARK_E2E_WAIT (seconds, default 120)
# scales for slow sanitizer builds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(realpath "$1")
app=$prefix/bin/framelark
platform=${2:-x11}
case "$platform" in x11|wayland) ;; *) echo "unknown platform '$platform'" >&2; exit 2 ;; esac
wait_limit=${FRAMELARK_E2E_WAIT:-120}

work=$(mktemp -d "${TMPDIR:-/tmp}/framelark-e2e.XXXXXX")
# The hand-over socket lives in the runtime folder, and a socket address
# holds at most 108 bytes: a folder under a deep checkout is too long.
runtime=$(mktemp -d /tmp/framelark-e2e-run.XXXXXX)
xvfb_pid=
weston_pid=
app_pid=
bus_pid=
atspi_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$atspi_pid" ] && kill "$atspi_pid" 2>/dev/null || true
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work" "$runtime"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -f "$work/app.log" ]; then
    echo "--- application output ---" >&2
    grep -v '^\[ *[0-9.]*\] ' "$work/app.log" | tail -n 40 >&2
  fi
  exit 1
}

# Polls CONDITION (a shell command) every 0.2 s until it holds or SECONDS pass.
wait_for() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# Three short clips of different lengths, so their plans differ.
for name in a:3 b:4 c:2; do
  ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc=size=320x240:rate=25" \
    -t "${name#*:}" -c:v libx264 -pix_fmt yuv420p "$work/${name%%:*}.mp4" \
    || fail "ffmpeg could not make ${name%%:*}.mp4"
done
# Damaged: index first, cut in the middle of the frame data, so the first
# frames decode and the decoder trips over the rest.
ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc=size=320x240:rate=25" \
  -t 4 -c:v libx264 -pix_fmt yuv420p -movflags +faststart "$work/whole.mp4" \
  || fail "ffmpeg could not make whole.mp4"
head -c $(($(stat -c %s "$work/whole.mp4") / 2)) "$work/whole.mp4" >"$work/damaged.mp4"

# A private user: nothing of the real one is read or written.
mkdir -p "$work/tmp" "$work/home" "$work/config"
chmod 700 "$runtime"
export TMPDIR=$work/tmp HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$runtime
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
root=$TMPDIR/Framelark-$(id -u)

# The X server picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n1 "$work/display")
if [ "$platform" = wayland ]; then
  # The kiosk shell gives each new window the keyboard focus.
  weston --backend=x11-backend.so --shell=kiosk-shell.so --socket=framelark-e2e \
    --width=1280 --height=860 --idle-time=0 >"$work/weston.log" 2>&1 &
  weston_pid=$!
  wait_for 20 test -S "$runtime/framelark-e2e" || fail "weston did not start: $(tail -n 5 "$work/weston.log")"
  key_window() { xdotool search --classname '^weston-1$' 2>/dev/null | head -n1; }
fi
launch() {
  if [ "$platform" = wayland ]; then
    # The protocol log shows, when Ctrl+Q does not quit, whether the keys
    # reached the application at all.
    env -u DISPLAY WAYLAND_DISPLAY=framelark-e2e QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client "$@"
  else
    QT_QPA_PLATFORM=xcb "$@"
  fi
}

# A session bus and an accessibility bus of the run's own, so the window can
# be read as a screen reader reads it.
launcher=/usr/libexec/at-spi-bus-launcher
if [ "$platform" = x11 ] && [ -x "$launcher" ] && /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>"$work/bus.log" &
  bus_pid=$!
  wait_for 20 test -s "$work/bus" || fail "dbus-daemon did not start: $(cat "$work/bus.log")"
  export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
  "$launcher" --launch-immediately >"$work/atspi.log" 2>&1 &
  atspi_pid=$!
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
fi

cd "$work"
launch "$app" a.mp4 b.mp4 damaged.mp4 >"$work/app.log" 2>&1 &
app_pid=$!

# Work folders that already hold at least one file.
filled_folders() {
  local count=0 dir
  for dir in "$root"/*/; do
    [ -d "$dir" ] || continue
    [ -n "$(find "$dir" -maxdepth 1 -type f -name '*.jpg' -print -quit)" ] && count=$((count + 1))
  done
  echo "$count"
}
have_folders() { [ "$(filled_folders)" -ge "$1" ]; }
alive() { kill -0 "$app_pid" 2>/dev/null || fail "framelark ended early"; }
have_folders_alive() { alive; have_folders "$1"; }

wait_for "$wait_limit" have_folders_alive 3 || fail "no shots of all three videos in $root after ${wait_limit}s"

window=
# The title names the selected video, so the window is found by its class;
# on Wayland the keys go to the compositor's window, which hands them on.
if [ "$platform" = wayland ]; then
  find_window() { window=$(key_window); [ -n "$window" ]; }
else
  find_window() { window=$(xdotool search --onlyvisible --class '^Framelark$' 2>/dev/null | head -n1); [ -n "$window" ]; }
fi
wait_for 30 find_window || fail "no visible Framelark window"

if [ -n "$atspi_pid" ]; then
  /usr/bin/python3 "$here/accessibility_tree.py" "$wait_limit" >"$work/a11y.log" 2>&1 \
    || fail "read over AT-SPI: $(cat "$work/a11y.log")"
  cat "$work/a11y.log"
fi

# A second launch hands its file to the running instance and returns.
start=$SECONDS
launch timeout "$wait_limit" "$app" c.mp4 >"$work/second.log" 2>&1 || fail "second launch failed: $(cat "$work/second.log")"
echo "second launch returned after $((SECONDS - start)) s"
wait_for "$wait_limit" have_folders_alive 4 || fail "the handed-over video got no shots in ${wait_limit}s"

# Ctrl+Q through the X server's keyboard, to the focused window.
# A key press can be lost on a loaded machine (Weston forwards it from its
# X window), so it is pressed again every 10 s until the process ends.
# Later presses follow a click on the status line, as a user would click a
# window that ignores the keyboard: Weston then gives the surface the keyboard
# focus again. The run says so, so the first press's failures stay visible.
exited() { ! kill -0 "$app_pid" 2>/dev/null; }
for attempt in 1 2 3 4 5 6; do
  xdotool windowfocus --sync "$window" 2>/dev/null || exited || fail "could not focus the window"
  if [ "$attempt" -gt 1 ] && ! exited; then
    echo "Ctrl+Q press $attempt, after a click into the window"
    [ "$platform" = wayland ] && xdotool mousemove --window "$window" 700 838 click 1
  fi
  exited || xdotool key --clearmodifiers ctrl+q
  wait_for 10 exited && break
done
if ! exited; then
  if [ "$platform" = wayland ]; then
    echo "--- keyboard events the application received ---" >&2
    grep -E 'wl_keyboard@[0-9]+\.(enter|leave|key|modifiers)\(' "$work/app.log" | tail -n 20 >&2 || true
    echo "--- weston ---" >&2
    tail -n 20 "$work/weston.log" >&2
  fi
  # Where it hangs, or whether the keys never arrived: every thread's stack
  # of the application (a child of the launching subshell).
  if command -v gdb >/dev/null; then
    for pid in $(pgrep -P "$app_pid"); do
      gdb -batch -ex "thread apply all bt" -p "$pid" 2>&1 | grep -E '^(Thread|#)' >&2
    done
  fi
  fail "framelark still runs 60 s after Ctrl+Q"
fi
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "framelark exited with status $status"
[ ! -e "$root" ] || fail "the temporary root $root is still there after quitting"
# The libraries' messages start with "[component @ 0xaddress]".
if grep -E '^\[[^]]+ @ 0x[0-9a-f]+\]' "$work/app.log" >"$work/library.log"; then
  fail "the decoding libraries printed $(wc -l <"$work/library.log") lines, first: $(head -n1 "$work/library.log")"
fi
echo "end-to-end run on $platform passed"
