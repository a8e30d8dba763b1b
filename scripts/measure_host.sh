#!/usr/bin/env bash
# Measures the SDL host against a bare SDL program under Xvfb (see "SDL host
# against a bare SDL program" in docs/PERFORMANCE.md). `make measure-host`
# builds what it needs and runs it.
#
#   scripts/measure_host.sh [--rounds N] [--idle SECONDS] [--verbose] [BUILD_DIR]
#
# BUILD_DIR (default: build) holds src/vadu, bench/bare_sdl and the built demo
# games/demo. In each round the bare program runs, then vadu on a fresh copy
# of the demo with VADU_TIMING=1 (A B A B ...; default 10 rounds), both on
# one Xvfb server this script starts. Figures, as medians over the rounds:
#
#   first frame   ms from the process start until the first frame was
#                 presented ("bare-timing: first-frame" and "vadu-timing:
#                 first-frame" on standard error)
#   first page    ms until the game's first page was presented: the play
#                 window with its picture and the status window, where the
#                 scenario waits for the player's first key
#                 ("vadu-timing: first-page"; n/a when no line came)
#   peak RSS      the largest resident set of the run, from /usr/bin/time
#                 (%M); vadu's run includes the idle window and the close
#   idle CPU      CPU time vadu used in an idle window of SECONDS (default 10)
#                 that starts half a second after the first page (or, without
#                 one, 3 s after the first frame), as a % of one core: from
#                 the threads' run time in /proc/PID/task/*/schedstat (ns),
#                 and from utime+stime of /proc/PID/stat (clock ticks: one
#                 tick over 10 s is already 0.1 %)
#
# vadu then gets SIGINT, which its SDL host takes as the window's close
# request, and must end in order (exit code 0); --timeout is the backstop.
# Every process started here is ended when the script ends. Needs Xvfb and
# /usr/bin/time.
set -u

rounds=10
idle_s=10
verbose=0
build=build
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=${2:?}; shift 2 ;;
    --idle) idle_s=${2:?}; shift 2 ;;
    --verbose | -v) verbose=1; shift ;;
    -h | --help) sed -n '2,/^set -u/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "measure_host: unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
case $rounds in '' | *[!0-9]* | 0) echo "measure_host: --rounds needs a count of 1 or more" >&2; exit 2 ;; esac
case $idle_s in '' | *[!0-9]* | 0) echo "measure_host: --idle needs whole seconds, 1 or more" >&2; exit 2 ;; esac

vadu=$build/src/vadu
bare=$build/bench/bare_sdl
demo=$build/games/demo
for f in "$vadu" "$bare"; do
  [ -x "$f" ] || { echo "measure_host: $f is not built (make measure-host builds it)" >&2; exit 1; }
done
[ -f "$demo/VADU.ini" ] || { echo "measure_host: no demo in $demo" >&2; exit 1; }
for tool in Xvfb /usr/bin/time; do
  command -v "$tool" >/dev/null 2>&1 || { echo "measure_host: $tool is not installed" >&2; exit 1; }
done
vadu=$(cd "$(dirname "$vadu")" && pwd)/vadu
bare=$(cd "$(dirname "$bare")" && pwd)/bare_sdl

# Seconds to wait for a first frame, and for a first page after it.
frame_wait_s=20
page_wait_s=30
hz=$(getconf CLK_TCK)

work=$(mktemp -d)
xvfb_pid=
time_pid=
vadu_pid=
cleanup() {
  [ -n "$vadu_pid" ] && kill -KILL "$vadu_pid" 2>/dev/null
  [ -n "$time_pid" ] && kill -KILL "$time_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits up to $1 tenths of a second for the command in the rest to succeed.
wait_for() {
  local tenths=$1
  shift
  for ((t = 0; t < tenths; t++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# The number after "$2" on a line of file $1 ("" when none).
figure() { awk -v key="$2" '$0 ~ "^" key " " { print $NF; exit }' "$1" 2>/dev/null; }

# CPU time of process $1: "<ns from schedstat> <ticks from stat>".
cpu_of() {
  local ns=0 t
  for t in /proc/"$1"/task/*/schedstat; do
    read -r run _ <"$t" 2>/dev/null && ns=$((ns + run))
  done
  local stat
  stat=$(cat /proc/"$1"/stat 2>/dev/null) || return 1
  stat=${stat##*) }
  # Fields 14 and 15 (utime, stime) are the 12th and 13th after the name.
  set -- $stat
  echo "$ns $((${12} + ${13}))"
}

# The median of the numbers on standard input ("n/a" when there are none),
# printed with the printf format $1 (default %.1f).
median() {
  sort -g | awk -v f="${1:-%.1f}\n" '{ v[NR] = $1 } END {
    if (NR == 0) { print "n/a"; exit }
    printf f, NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "n/a" || b == "n/a" || b == 0) print "n/a"; else printf "%.2f\n", a / b }'; }

# Xvfb picks a free display and tells its number; it must not reset when its
# last client leaves, or the next program could find it resetting.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || { echo "measure_host: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
unset WAYLAND_DISPLAY SDL_VIDEODRIVER VADU_TIMING

echo "measure_host: $rounds rounds, bare_sdl and vadu alternating, on Xvfb $DISPLAY (1024x768x24); idle window ${idle_s} s"
: >"$work/bare_frame" >"$work/vadu_frame" >"$work/vadu_page" >"$work/bare_rss" >"$work/vadu_rss"
: >"$work/idle_sched" >"$work/idle_ticks"
page_seen=0
failed=0
for ((i = 1; i <= rounds; i++)); do
  # A: the bare program.
  /usr/bin/time -f %M -o "$work/bare.rss" "$bare" 2>"$work/bare.err"
  rc=$?
  bare_ms=$(figure "$work/bare.err" "bare-timing: first-frame")
  if [ $rc -ne 0 ] || [ -z "$bare_ms" ]; then
    echo "measure_host: bare_sdl failed in round $i (exit $rc):" >&2
    cat "$work/bare.err" >&2
    exit 1
  fi
  bare_kib=$(tail -n 1 "$work/bare.rss")
  echo "$bare_ms" >>"$work/bare_frame"
  echo "$bare_kib" >>"$work/bare_rss"

  # B: vadu on a fresh copy of the demo, so every round starts alike.
  rm -rf "$work/game"
  cp -r "$demo" "$work/game"
  timeout_s=$((frame_wait_s + page_wait_s + idle_s + 30))
  (cd "$work/game" && VADU_TIMING=1 exec /usr/bin/time -f %M -o "$work/vadu.rss" \
    "$vadu" --timeout "$timeout_s" . >"$work/vadu.out" 2>"$work/vadu.err") &
  time_pid=$!
  wait_for 50 grep -q '[0-9]' /proc/$time_pid/task/$time_pid/children
  vadu_pid=$(cat /proc/$time_pid/task/$time_pid/children 2>/dev/null | awk '{ print $1 }')
  [ -n "$vadu_pid" ] || { echo "measure_host: vadu did not start in round $i" >&2; exit 1; }
  wait_for $((frame_wait_s * 10)) grep -q '^vadu-timing: first-frame ' "$work/vadu.err" || {
    echo "measure_host: no first frame from vadu in round $i:" >&2
    cat "$work/vadu.err" >&2
    exit 1
  }
  # The first page: waited for in full until it has been seen once, then
  # (when the application notes none) only briefly.
  if [ $page_seen -eq 1 ] || [ $i -eq 1 ]; then page_tenths=$((page_wait_s * 10)); else page_tenths=30; fi
  if wait_for $page_tenths grep -q '^vadu-timing: first-page ' "$work/vadu.err"; then
    page_seen=1
    sleep 0.5
  fi
  frame_ms=$(figure "$work/vadu.err" "vadu-timing: first-frame")
  page_ms=$(figure "$work/vadu.err" "vadu-timing: first-page")
  echo "$frame_ms" >>"$work/vadu_frame"
  [ -n "$page_ms" ] && echo "$page_ms" >>"$work/vadu_page"

  # The idle window.
  read -r ns0 ticks0 < <(cpu_of "$vadu_pid")
  t0=$(awk '{ print $1 }' /proc/uptime)
  sleep "$idle_s"
  read -r ns1 ticks1 < <(cpu_of "$vadu_pid")
  t1=$(awk '{ print $1 }' /proc/uptime)
  idle_sched=$(awk -v a="$ns0" -v b="$ns1" -v t0="$t0" -v t1="$t1" 'BEGIN { printf "%.3f\n", 100 * (b - a) / 1e9 / (t1 - t0) }')
  idle_ticks=$(awk -v a="$ticks0" -v b="$ticks1" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN { printf "%.2f\n", 100 * (b - a) / hz / (t1 - t0) }')
  echo "$idle_sched" >>"$work/idle_sched"
  echo "$idle_ticks" >>"$work/idle_ticks"

  # The close request; the orderly end.
  kill -INT "$vadu_pid" 2>/dev/null
  ended=0
  for ((t = 0; t < 100; t++)); do
    kill -0 "$time_pid" 2>/dev/null || { ended=1; break; }
    sleep 0.1
  done
  if [ $ended -eq 0 ]; then
    echo "measure_host: vadu did not end within 10 s of its close request in round $i" >&2
    failed=1
    kill -KILL "$vadu_pid" 2>/dev/null
  fi
  wait "$time_pid"
  rc=$?
  time_pid=
  vadu_pid=
  if [ $ended -eq 1 ] && [ $rc -ne 0 ]; then
    echo "measure_host: vadu ended with exit code $rc in round $i" >&2
    tail -n 5 "$work/vadu.err" >&2
    failed=1
  fi
  vadu_kib=$(tail -n 1 "$work/vadu.rss")
  echo "$vadu_kib" >>"$work/vadu_rss"
  if [ $verbose -eq 1 ]; then
    printf 'round %2d: bare %6.1f ms %6.1f MiB | vadu frame %6.1f ms, page %s ms, %6.1f MiB, idle %s %% (%s %% by ticks)\n' \
      "$i" "$bare_ms" "$(awk -v k="$bare_kib" 'BEGIN { print k / 1024 }')" "$frame_ms" "${page_ms:-n/a}" \
      "$(awk -v k="$vadu_kib" 'BEGIN { print k / 1024 }')" "$idle_sched" "$idle_ticks"
  fi
done

bare_frame=$(median <"$work/bare_frame")
vadu_frame=$(median <"$work/vadu_frame")
vadu_page=$(median <"$work/vadu_page")
pages=$(wc -l <"$work/vadu_page")
bare_rss=$(median <"$work/bare_rss")
vadu_rss=$(median <"$work/vadu_rss")
idle_sched=$(median %.3f <"$work/idle_sched")
idle_sched_max=$(sort -g "$work/idle_sched" | tail -n 1)
idle_ticks=$(median %.2f <"$work/idle_ticks")
mib() { awk -v k="$1" 'BEGIN { printf "%.1f\n", k / 1024 }'; }

echo
printf '%-34s %10s %10s %8s   %s\n' "median of $rounds rounds" "bare_sdl" "vadu" "ratio" "target"
printf '%-34s %10s %10s %8s   %s\n' "first frame (ms from start)" "$bare_frame" "$vadu_frame" \
  "$(ratio "$vadu_frame" "$bare_frame")" "vadu/bare <= 1.10"
printf '%-34s %10s %10s %8s   %s\n' "first page (ms from start)" "" "$vadu_page" \
  "$(ratio "$vadu_page" "$vadu_frame")" "page/vadu frame <= 1.50 ($pages of $rounds rounds)"
printf '%-34s %10s %10s %8s   %s\n' "peak RSS (MiB)" "$(mib "$bare_rss")" "$(mib "$vadu_rss")" \
  "$(ratio "$vadu_rss" "$bare_rss")" "vadu/bare <= 1.50"
printf '%-34s %10s %10s %8s   %s\n' "idle CPU over ${idle_s} s (% of a core)" "" "$idle_sched" "" \
  "< 0.1 (max of rounds $idle_sched_max; by utime+stime $idle_ticks)"
exit $failed
