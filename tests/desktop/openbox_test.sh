#!/usr/bin/env bash
# The program under a window manager that draws frames and places windows (openbox on Xvfb):
# a first run with no bounds leaves placement to the window manager; start-and-close cycles,
# closed as the close button does, leave the saved bounds exactly as they were; switching to
# another program keeps the tower and the ticker mapped while they become top-most; SIGTERM and
# SIGINT close it like the close button; at 150 % display scaling every window comes up on the
# screen.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1
root=$(cd "$here/../.." && pwd)
source "$root/scripts/lib/processes.sh"
source "$root/scripts/lib/xvfb.sh"
source "$root/scripts/lib/x11.sh"
source "$root/scripts/lib/ini.sh"
work=$(mktemp -d /tmp/kestrune-desktop-XXXXXX)
kestrune_remove_on_exit "$work"
trap kestrune_cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

kestrune_xvfb 1280x1024x24
# Up to 30 s for a loaded machine; what openbox said goes into the failure.
kestrune_openbox "$work/openbox.log" || fail "openbox did not start: $(tail -n 5 "$work/openbox.log")"

unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
# X and font libraries keep memory until exit; memory errors still abort.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
mkdir -p "$work/live"
# A copy, so the configuration file beside it is this test's own.
cp "$program" "$work/kestrune"
ini="$work/kestrune.ini"
kestrune_write_ini "$ini" "$work/live"

running=
# Starts the program and waits until its three windows are mapped; sets $running.
start() {
  kestrune_start "$work/kestrune" > "$work/out.txt" 2>&1
  running=$started_pid
  for _ in $(seq 300); do
    [ "$(windows | wc -l)" -ge 3 ] && return 0
    kill -0 "$running" 2>/dev/null || fail "the program died: $(cat "$work/out.txt")"
    sleep 0.1
  done
  fail "the three windows did not appear: $(wmctrl -lp)"
}
# The program's managed windows: id, title.
windows() { wmctrl -lp | awk -v pid="$running" '$3 == pid { id = $1; $1 = $2 = $3 = $4 = ""; sub(/^ +/, ""); print id, $0 }'; }
window_id() { windows | awk -v t="$1" '{ id = $1; $1 = ""; sub(/^ /, ""); if ($0 == t) print id }'; }
# Closes the console as its close button does and waits for the program to end.
close_console() {
  wmctrl -c "Kestrune - r12_08"
  for _ in $(seq 300); do
    kill -0 "$running" 2>/dev/null || { wait "$running" || fail "exit status $?: $(cat "$work/out.txt")"; return 0; }
    sleep 0.1
  done
  fail "the program did not end after its console was closed"
}
# Where the server has the client area's top-left corner (wmctrl -lG adds the frame's offsets).
position() { kestrune_geometry "$1" | cut -d' ' -f1-2; }
bounds() { grep -E '^(Window|Stats1|Msg)[XYWH]=' "$ini" | sort; }
value() { kestrune_ini_value "$ini" "$1"; }

# 1. First run, no bounds: the window manager places each window.
start
sleep 1
close_console
for key in WindowX WindowY Stats1X Stats1Y MsgX MsgY; do
  [ -n "$(value $key)" ] || fail "$key was not saved"
done
corners="$(value WindowX),$(value WindowY) $(value Stats1X),$(value Stats1Y) $(value MsgX),$(value MsgY)"
[ "$(echo "$corners" | tr ' ' '\n' | sort -u | wc -l)" -eq 3 ] ||
  fail "windows share a corner (pinned, not placed): $corners"
# The tower must not cover the console.
if [ "$(value Stats1X)" -lt $(( $(value WindowX) + $(value WindowW) )) ] &&
   [ $(( $(value Stats1X) + $(value Stats1W) )) -gt "$(value WindowX)" ] &&
   [ "$(value Stats1Y)" -lt $(( $(value WindowY) + $(value WindowH) )) ] &&
   [ $(( $(value Stats1Y) + $(value Stats1H) )) -gt "$(value WindowY)" ]; then
  fail "the tower covers the console: $(bounds | tr '\n' ' ')"
fi

# 2. Three start-and-close cycles change nothing.
for cycle in 1 2 3; do
  before=$(bounds)
  start
  sleep 1
  close_console
  after=$(bounds)
  [ "$before" = "$after" ] || fail "cycle $cycle changed the bounds: $(diff <(echo "$before") <(echo "$after") | tr '\n' ' ')"
done

# 3. Another program is activated: the tower and ticker become top-most without an unmap.
start
sleep 1
wmctrl -a "Kestrune - r12_08"
tower=$(window_id "Live Window")
ticker=$(window_id "Message Window")
[ -n "$tower" ] && [ -n "$ticker" ] || fail "broadcast windows not found: $(windows)"
kestrune_start xev -id "$tower" -event structure -event property > "$work/tower-events.txt" 2>&1
kestrune_start xev -id "$ticker" -event structure -event property > "$work/ticker-events.txt" 2>&1
# Sets a new property on both windows until each xev has printed it: from then on xev listens,
# and its log holds every event before the mark.
marks=0
mark_logs() {
  marks=$((marks + 1))
  local mark=_KESTRUNE_TEST_MARK_$marks id
  for _ in $(seq 300); do
    for id in "$tower" "$ticker"; do xprop -id "$id" -f "$mark" 32c -set "$mark" 1; done
    grep -q "$mark" "$work/tower-events.txt" && grep -q "$mark" "$work/ticker-events.txt" && return 0
    sleep 0.1
  done
  fail "xev did not report $mark in 30 s: $(tail -n 3 "$work"/*-events.txt)"
}
mark_logs
kestrune_start xmessage -geometry +700+700 "another program"
other=
for _ in $(seq 300); do
  other=$(wmctrl -l | awk '$NF == "xmessage" { print $1 }' | head -n1)
  [ -n "$other" ] && break
  sleep 0.1
done
[ -n "$other" ] || fail "xmessage did not appear"
wmctrl -i -a "$other"
above=0
for _ in $(seq 300); do
  if xprop -id "$tower" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE &&
     xprop -id "$ticker" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; then
    above=1
    break
  fi
  sleep 0.1
done
[ "$above" -eq 1 ] || fail "the broadcast windows did not become top-most"
mark_logs
if grep -q -E 'UnmapNotify|DestroyNotify' "$work/tower-events.txt" "$work/ticker-events.txt"; then
  fail "a broadcast window was unmapped on deactivation: $(grep -h -E 'UnmapNotify|DestroyNotify' "$work"/*-events.txt | head -3)"
fi
for id in "$tower" "$ticker"; do
  xwininfo -id "$id" | grep -q 'Map State: IsViewable' || fail "window $id is not viewable"
done
close_console

# 4. A service manager's SIGTERM, or Ctrl+C: the same close, bounds saved, a clean exit.
for signal in TERM INT; do
  target=$([ $signal = TERM ] && echo 300 || echo 360)
  start
  sleep 1
  wmctrl -r "Kestrune - r12_08" -e "0,$target,200,-1,-1"
  console=$(window_id "Kestrune - r12_08")
  for _ in $(seq 300); do [ "$(position "$console")" = "$target 200" ] && break; sleep 0.1; done
  [ "$(position "$console")" = "$target 200" ] ||
    fail "the console did not move to $target,200 in 30 s: at $(position "$console")"
  # The server has moved it; the program answers a ping only after the move's ConfigureNotify,
  # so the signal cannot overtake it and the new place is what gets saved.
  kestrune_x_ping "$console" || fail "the console did not answer a ping"
  kill -s $signal "$running"
  for _ in $(seq 300); do kill -0 "$running" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$running" 2>/dev/null && fail "SIG$signal did not end the program"
  status=0
  wait "$running" || status=$?
  [ "$status" -eq 0 ] || fail "SIG$signal: exit status $status: $(cat "$work/out.txt")"
  # wmctrl places the client; the saved left edge is the frame's, a border width away.
  [ "$(value WindowX)" -ge $(( target - 8 )) ] && [ "$(value WindowX)" -le "$target" ] ||
    fail "SIG$signal did not save the moved console: WindowX=$(value WindowX)"
done
saved=$(bounds | tr '\n' ' ')

# 5. At 150 % display scaling the bounds are logical pixels: a tower saved at 1000 + 260 and a
# ticker at 700 + 640 lie beyond the 853 logical pixels of this 1280-pixel screen. Each window
# comes up wholly on the screen, the tower 260 x 1.5 = 390 screen pixels wide.
kestrune_write_ini "$ini" "$work/live" Stats1X=1000 Stats1Y=60 Stats1W=260 Stats1H=420 \
  MsgX=700 MsgY=560 MsgW=640 MsgH=77
export QT_SCALE_FACTOR=1.5
start
unset QT_SCALE_FACTOR
for title in "Kestrune - r12_08" "Live Window" "Message Window"; do
  id=$(window_id "$title")
  on=0
  for _ in $(seq 300); do
    read -r x y w h <<<"$(kestrune_geometry "$id")"
    if [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1280 ] && [ $((y + h)) -le 1024 ]; then
      on=1
      break
    fi
    sleep 0.1
  done
  [ "$on" -eq 1 ] || fail "at 150 % '$title' is not wholly on the 1280 x 1024 screen: $(kestrune_geometry "$id")"
  if [ "$title" = "Live Window" ] && [ "$w" -ne 390 ]; then
    fail "at 150 % the tower is $w screen pixels wide, not 390"
  fi
done
close_console
echo "desktop test passed: $saved; at 150 % every window on the screen"
