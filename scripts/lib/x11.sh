# shellcheck shell=bash
# Sourced by the scripts and desktop tests that look at the program's windows on an X display.
#
#   kestrune_window_id TITLE        the id of a window titled exactly TITLE; nothing when none
#   kestrune_geometry ID            "X Y W H" of the window's client area on the screen
#   kestrune_click ID X Y           a left click at X,Y in the window's client area (a button
#                                   of the console, say); fails when the window is gone
#   kestrune_openbox LOG            starts openbox (kestrune_start, scripts/lib/processes.sh),
#                                   its output into LOG, and waits up to 30 s for it to manage
#                                   the display; fails when it does not

kestrune_window_id() {
  xdotool search --name "^$1\$" 2>/dev/null | head -n 1 || true
}

kestrune_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /^  Width/{w=$NF} /^  Height/{h=$NF} END{print x, y, w, h}'
}

kestrune_click() {
  local at x y
  at=$(kestrune_geometry "$1" 2>/dev/null) || at=
  read -r x y _ <<<"$at"
  if ! [[ "$x" =~ ^-?[0-9]+$ && "$y" =~ ^-?[0-9]+$ ]]; then
    echo "kestrune_click: window '$1' is not on the screen" >&2
    return 1
  fi
  xdotool mousemove "$((x + $2))" "$((y + $3))" click 1
}

kestrune_openbox() {
  # --sm-disable: no session manager to wait for.
  kestrune_start openbox --sm-disable >"$1" 2>&1
  local _
  for _ in $(seq 300); do
    wmctrl -m >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  wmctrl -m >/dev/null 2>&1
}
