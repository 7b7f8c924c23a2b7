#!/usr/bin/env bash
# The program on a real X server whose resolution drops while it runs (Xorg's dummy driver,
# openbox, xrandr): the console, the tower and the ticker, placed on the right half of a
# 1920x1080 screen, are all on the 1280x720 screen afterwards, and the bounds saved on exit are
# the fitted ones.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1
root=$(cd "$here/../.." && pwd)
source "$root/scripts/lib/processes.sh"
source "$root/scripts/lib/x11.sh"
source "$root/scripts/lib/ini.sh"
work=$(mktemp -d /tmp/kestrune-display-XXXXXX)
kestrune_remove_on_exit "$work"
trap kestrune_cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "$(id -u)" -ne 0 ] || ! command -v Xorg >/dev/null || ! command -v xrandr >/dev/null; then
  echo "SKIP: Xorg's dummy driver needs root, Xorg and xrandr (scripts/setup installs them)"
  exit 77
fi
cat > "$work/dummy.conf" <<'CONF'
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 64000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0 - 1000.0
  VertRefresh 5.0 - 200.0
  Modeline "1920x1080" 148.50 1920 2008 2052 2200 1080 1084 1089 1125
  Modeline "1280x720" 74.25 1280 1390 1430 1650 720 725 730 750
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1920x1080" "1280x720"
    Virtual 1920 1080
  EndSubSection
EndSection
CONF
display=
for n in $(seq 70 99); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || fail "no free X display number"
kestrune_start Xorg "$display" -config "$work/dummy.conf" -noreset -nolisten tcp \
  -logfile "$work/xorg.log" >"$work/xorg.out" 2>&1
export DISPLAY=$display
for _ in $(seq 300); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xorg did not start: $(tail -n 5 "$work/xorg.out")"
kestrune_openbox "$work/openbox.log" || fail "openbox did not start: $(tail -n 5 "$work/openbox.log")"

unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
mkdir -p "$work/live"
cp "$program" "$work/kestrune"
ini="$work/kestrune.ini"
kestrune_write_ini "$ini" "$work/live" WindowX=1300 WindowY=500 Stats1X=1600 Stats1Y=100 \
  Stats1W=260 Stats1H=420 MsgX=1200 MsgY=900 MsgW=640 MsgH=77
kestrune_start "$work/kestrune" >"$work/out.txt" 2>&1
running=$started_pid

console= tower= ticker=
for _ in $(seq 300); do
  console=$(kestrune_window_id "Kestrune - r12_08") tower=$(kestrune_window_id "Live Window")
  ticker=$(kestrune_window_id "Message Window")
  [ -n "$console" ] && [ -n "$tower" ] && [ -n "$ticker" ] && break
  sleep 0.1
done
[ -n "$console" ] && [ -n "$tower" ] && [ -n "$ticker" ] || fail "the three windows did not appear"
# The outer box of a window (its frame included) as x y right bottom.
box() {
  local frame
  frame=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -Eo '[0-9]+' | tr '\n' ' ')
  read -r fl fr ft fb <<<"${frame:-0 0 0 0}"
  xwininfo -id "$1" | awk -v l="${fl:-0}" -v r="${fr:-0}" -v t="${ft:-0}" -v b="${fb:-0}" '
    /Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF}
    END{print x-l, y-t, x+w+r, y+h+b}'
}
on_screen() { # ID WIDTH HEIGHT: the whole window within the screen
  read -r x y right bottom <<<"$(box "$1")"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ "$right" -le "$2" ] && [ "$bottom" -le "$3" ]
}
for _ in $(seq 300); do
  on_screen "$tower" 1920 1080 && on_screen "$ticker" 1920 1080 && on_screen "$console" 1920 1080 &&
    [ "$(box "$tower" | cut -d' ' -f1)" -ge 1280 ] && break
  sleep 0.1
done
[ "$(box "$tower" | cut -d' ' -f1)" -ge 1280 ] || fail "the tower did not open on the right half: $(box "$tower")"

xrandr -s 1280x720 || fail "xrandr could not set 1280x720"
for _ in $(seq 300); do
  on_screen "$console" 1280 720 && on_screen "$tower" 1280 720 && on_screen "$ticker" 1280 720 && break
  sleep 0.1
done
for id in "$console" "$tower" "$ticker"; do
  on_screen "$id" 1280 720 || fail "after the drop to 1280x720 window $id is at $(box "$id")"
done
echo "display test: after the drop to 1280x720 every window is on the screen"

wmctrl -i -c "$console"
status=0
for _ in $(seq 300); do kill -0 "$running" 2>/dev/null || break; sleep 0.1; done
wait "$running" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
value() { kestrune_ini_value "$ini" "$1"; }
for window in Window Stats1 Msg; do
  x=$(value "${window}X") y=$(value "${window}Y") w=$(value "${window}W") h=$(value "${window}H")
  [ $((x + w)) -le 1280 ] && [ $((y + h)) -le 720 ] && [ "$x" -ge 0 ] && [ "$y" -ge 0 ] ||
    fail "$window was saved at $x,$y ${w}x$h, off the 1280x720 screen"
done
echo "display test: the bounds saved on exit are the fitted ones"
