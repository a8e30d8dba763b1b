#!/usr/bin/env bash
# The real-window test: vadu's SDL host under Xvfb. Starts a game, waits
# for its window and "System start", types a key with xdotool (the key event
# shows in the log as KeyTask's event 0x200 reaching the tasks), then sends
# the window its close request as a frame's close button does, and expects
# the orderly shutdown: exit code 0 and the close and shutdown lines in the
# log. Then, several times over (the fault it guards against ended a run in
# different ways), another client destroys the window, which must end the
# game the same orderly way. Skipped (exit 77) when Xvfb or xdotool is
# missing.
#
# Usage: xvfb_test.sh VADU X11_CLOSE
set -u

vadu=$1
x11_close=$2
for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (apt-get install xvfb xdotool)"
    exit 77
  fi
done

work=$(mktemp -d)
xvfb_pid=
vadu_pid=
cleanup() {
  [ -n "$vadu_pid" ] && kill "$vadu_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- standard error of vadu"; cat "$work/err" 2>/dev/null
  echo "--- log (last 30 lines)"; tail -n 30 "$work/game/SenELOG.dat" 2>/dev/null
  exit 1
}

# Waits up to $1 tenths of a second for the command in the rest to succeed.
wait_for() {
  local tenths=$1
  shift
  for ((i = 0; i < tenths; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

mkdir "$work/game"
cat >"$work/game/VADU.ini" <<'INI'
TRACE ON
TASK ON
MEMORY_TYPE INTEL
CYCLE_WAIT 1
FASTSYNC_WAIT 1
USE_COLOR 3
SCREEN_SIZEX 640
SCREEN_SIZEY 480
DEFAULT_FONT 2
FONT1_SIZEX 24
FONT1_SIZEY 24
FONT2_SIZEX 20
FONT2_SIZEY 20
FONT3_SIZEX 16
FONT3_SIZEY 16
FONT_SIZEX 16
FONT_SIZEY 16
BACKSCREEN_COLOR 16
START_PROGRAM StillPixie
INI

# Xvfb picks a free display itself and tells its number. It must not reset
# when its last client leaves: the next vadu could find it resetting.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"

# Starts vadu on the game and waits for its window and "System start";
# sets wid to the window.
start_vadu() {
  rm -f "$work/game/SenELOG.dat"
  (cd "$work/game" && exec "$vadu" --timeout 60 >"$work/out" 2>"$work/err") &
  vadu_pid=$!
  wait_for 100 xdotool search --name '^TARN$' || fail "no window titled TARN"
  wid=$(xdotool search --name '^TARN$' | head -n 1)
  wait_for 100 grep -q '^System start$' "$work/game/SenELOG.dat" || fail "no 'System start' in the log"
}

# Expects vadu to end within 10 s after $1, with exit code 0, the close
# request and the shutdown in the log, and no X error.
expect_orderly_end() {
  for ((i = 0; i < 100; i++)); do
    kill -0 "$vadu_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$vadu_pid" 2>/dev/null && fail "vadu did not end after $1"
  wait "$vadu_pid"
  rc=$?
  vadu_pid=
  [ "$rc" -eq 0 ] || fail "exit code $rc after $1, not 0"
  for line in 'TARN CLOSED' 'TARN Direct close request!' 'system end ready' ' exit thread'; do
    grep -qxF "$line" "$work/game/SenELOG.dat" || fail "no '$line' in the log after $1"
  done
  # The log is CP932: "ShutDownEvent received; ending".
  iconv -f CP932 -t UTF-8 "$work/game/SenELOG.dat" | grep -qxF 'ShutDownEventを受け取りました　終了します。' ||
    fail "no shutdown event line in the log after $1"
  if grep -q 'X Error' "$work/err"; then fail "an X error after $1"; fi
}

start_vadu
size=$(xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p')
[ "$size" = "640x480" ] || fail "window size is '$size', not 640x480"

xdotool windowfocus "$wid" >/dev/null 2>&1
xdotool key --delay 20 a
wait_for 50 grep -q 'recive event type 200 send 22' "$work/game/SenELOG.dat" || fail "the key did not reach the engine"

"$x11_close" "$wid" || fail "could not send the close request"
expect_orderly_end "the close request"
echo "PASS: window 640x480, key delivered, close request ended the engine in order (exit 0)"

# The window destroyed by another client, with and without the input focus
# (losing the focus makes SDL send requests for the window at once).
for run in 1 2 3 4 5; do
  start_vadu
  if ((run % 2 == 1)); then xdotool windowfocus "$wid" >/dev/null 2>&1; fi
  "$x11_close" --destroy "$wid" || fail "could not destroy the window (run $run)"
  expect_orderly_end "the window was destroyed (run $run)"
done
echo "PASS: a window destroyed by another client ended the engine in order (exit 0), 5 runs"

# The system menu: a right press on the background opens it at the pointer;
# let go over its "SYSTEMの終了" row, the engine shuts down in order by
# itself. With the settings above the pop-up menu window is 138 x 293 (the
# system font's 16 half-widths + 10, 18 rows + 5), centred on the press, and
# its rows are 24 high (the default font's 20 + 4).
start_vadu
xdotool windowfocus "$wid" >/dev/null 2>&1
sleep 0.3
xdotool mousemove --window "$wid" 320 240 mousedown 3
wait_for 50 grep -q 'SaveWindowGraphic()' "$work/game/SenELOG.dat" || fail "the system menu did not open"
sleep 0.2
# Row 7 of the menu: its content starts at y = 240 - 293 / 2 = 94.
xdotool mousemove --window "$wid" 300 $((94 + 7 * 24 + 12))
sleep 0.2
xdotool mouseup 3
for ((i = 0; i < 100; i++)); do
  kill -0 "$vadu_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$vadu_pid" 2>/dev/null && fail "vadu did not end after choosing the end row"
wait "$vadu_pid"
rc=$?
vadu_pid=
[ "$rc" -eq 0 ] || fail "exit code $rc after choosing the end row, not 0"
iconv -f CP932 -t UTF-8 "$work/game/SenELOG.dat" | grep -qxF 'ShutDownEventを受け取りました　終了します。' ||
  fail "no shutdown event line after choosing the end row"
grep -qxF 'system end ready' "$work/game/SenELOG.dat" || fail "no 'system end ready' after choosing the end row"
echo "PASS: a right click on the background opened the system menu; its end row ended the engine in order (exit 0)"
