#!/usr/bin/env bash
# kestrune.exe as a broadcaster on Windows uses it, under wine on Xvfb with openbox: it follows
# a folder that kestrune-feed.exe writes; the console, the tower and the ticker are mapped at
# their configured sizes; the tower draws rows and changes as the race goes on, the ticker its
# status line; a ranking strip scrolls at 100 px/s; closing the console (WM_CLOSE) and the end
# of the session (WM_QUERYENDSESSION) save the bounds beside the .exe, and a second start puts
# the windows back there; at 125, 150 and 200 % display scaling every window is on the screen
# and drawn sharp.
#
#   tests/desktop/wine_test.sh WINDOWS-BUILD-FOLDER [ZIP]   (WINEPREFIX set up by the caller)
#
# ZIP is the package a user downloads (scripts/package-windows makes it; by default the one in
# WINDOWS-BUILD-FOLDER): a fresh unzip must reach its first reading through Folder...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
windows_build=$(cd "$1" && pwd)
wine=${KESTRUNE_WINE:-/usr/lib/wine/wine64}
: "${WINEPREFIX:?the caller sets up a wine prefix}"
export WINEDEBUG=-all
root=$(cd "$here/../.." && pwd)
source "$root/scripts/lib/processes.sh"
source "$root/scripts/lib/xvfb.sh"
source "$root/scripts/lib/x11.sh"
source "$root/scripts/lib/ini.sh"

work=$(mktemp -d /tmp/kestrune-wine-XXXXXX)
if [ "${KESTRUNE_KEEP_SHOTS:-0}" = "1" ]; then
  trap 'kestrune_cleanup; echo "wine test: screenshots kept in $work"' EXIT
else
  kestrune_remove_on_exit "$work"
  trap kestrune_cleanup EXIT
fi
fail() {
  echo "FAIL (wine desktop): $*" >&2
  [ -f "$work/out.txt" ] && sed 's/^/  program: /' "$work/out.txt" | tail -n 20 >&2
  exit 1
}

# A wine session belongs to the display it started on: end any other first.
"$(dirname "$wine")/wineserver" -k 2>/dev/null || true
kestrune_xvfb 1280x1024x24
# Up to 30 s for a loaded machine; what openbox said goes into the failure.
kestrune_openbox "$work/openbox.log" || fail "openbox did not start: $(tail -n 5 "$work/openbox.log")"

# Display scaling, as Windows' LogPixels (96 dots per inch is 100 %); 100 % unless a step says.
set_dpi() {
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
    fail "LogPixels $1 could not be set"
  # Programs read it when they start, from a fresh wine server.
  "$(dirname "$wine")/wineserver" -w 2>/dev/null || true
}
set_dpi 96

# The program and its configuration beside it, as a broadcaster unpacks it.
cp "$windows_build/src/kestrune.exe" "$work/kestrune.exe"
mkdir -p "$work/live"
ini="$work/kestrune.ini"
live_windows=$("$wine" winepath -w "$work/live" 2>/dev/null | tr -d '\r')
[ -n "$live_windows" ] || fail "winepath gave no Windows path for $work/live"
web_port=$(python3 -c "import socket; s = socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])")
kestrune_write_ini --crlf "$ini" "$live_windows" Stats1X=700 Stats1Y=60 Stats1W=260 Stats1H=420 \
  MsgX=40 MsgY=700 MsgW=640 MsgH=77 WebPort="$web_port"

kestrune_start "$wine" "$windows_build/src/tools/feed/kestrune-feed.exe" --folder "$live_windows" \
  --session race --cars 16 --laps 40 --speed 20 --rate 5 --seed 7 --quiet > "$work/feed.txt" 2>&1
feed=$started_pid

running=
console= tower= ticker=
start() { # [PROGRAM]: kestrune.exe in the test's folder unless another is given
  local exe=${1:-$work/kestrune.exe}
  (cd "$(dirname "$exe")" && exec "$wine" "$exe") > "$work/out.txt" 2>&1 &
  running=$!
  kestrune_track "$running"
  for _ in $(seq 600); do
    console=$(kestrune_window_id "Kestrune - r12_08")
    tower=$(kestrune_window_id "Live Window")
    ticker=$(kestrune_window_id "Message Window")
    if [ -n "$console" ] && [ -n "$tower" ] && [ -n "$ticker" ]; then
      # Mapped, not only created.
      if xwininfo -id "$ticker" 2>/dev/null | grep -q IsViewable &&
         xwininfo -id "$tower" 2>/dev/null | grep -q IsViewable; then
        return 0
      fi
    fi
    kill -0 "$running" 2>/dev/null || fail "kestrune.exe died"
    sleep 0.1
  done
  fail "the three windows did not appear: $(wmctrl -l)"
}
# Waits for the program to end; fails unless it ends with status 0.
wait_exit() {
  for _ in $(seq 300); do
    if ! kill -0 "$running" 2>/dev/null; then
      local status=0
      wait "$running" || status=$?
      [ "$status" -eq 0 ] || fail "kestrune.exe ended with status $status after $1"
      return 0
    fi
    sleep 0.1
  done
  fail "kestrune.exe did not end after $1"
}
value() { kestrune_ini_value "$ini" "$1"; }
# The geometry of window ID once two readings 0.2 s apart agree; 1 after 30 s of change.
settled() {
  local last= now=
  for _ in $(seq 150); do
    now=$(kestrune_geometry "$1")
    [ "$now" = "$last" ] && { echo "$now"; return 0; }
    last=$now
    sleep 0.2
  done
  echo "$now"
  return 1
}
# The geometry of window ID once its corner has left where BEFORE ("X Y W H") had it and two
# readings 0.2 s apart agree (the window manager may put it a frame's width off the asked
# place); 1 after 30 s.
moved_from() {
  local last= now=
  for _ in $(seq 150); do
    now=$(kestrune_geometry "$1")
    if [ "${now% * *}" != "${2% * *}" ] && [ "$now" = "$last" ]; then
      echo "$now"
      return 0
    fi
    last=$now
    sleep 0.2
  done
  echo "$now"
  return 1
}
shot() { # ID FILE: the window's pixels as the screen shows them
  import -window "$1" "$2" 2>/dev/null || fail "no screenshot of window $1"
}
# How many pixels of FILE inside the box BOX (WxH+X+Y) are bright: drawn text.
bright() { convert "$1" -crop "$2" +repage -threshold 62% -format '%[fx:int(mean*w*h+0.5)]' info:; }

# 1. Three windows at their configured sizes, the data drawn.
start
read -r _ _ tw th <<<"$(kestrune_geometry "$tower")"
read -r _ _ mw mh <<<"$(kestrune_geometry "$ticker")"
[ "$tw x $th" = "260 x 420" ] || fail "the tower is $tw x $th, configured 260 x 420"
[ "$mw x $mh" = "640 x 77" ] || fail "the ticker is $mw x $mh, configured 640 x 77"

# Takes screenshots of window ID into FILE until BOX holds at least MIN bright pixels or TRIES
# tenths of a second pass; prints the last count.
await_bright() {
  local id=$1 file=$2 box=$3 min=$4 tries=$5 count=0
  for _ in $(seq "$tries"); do
    shot "$id" "$file"
    count=$(bright "$file" "$box")
    [ "$count" -ge "$min" ] && break
    sleep 0.1
  done
  echo "$count"
}
# The tower's name column (left of the bars, below the top margin), the ticker's status line.
rows=$(await_bright "$tower" "$work/tower-1.png" 100x400+8+5 200 600)
[ "$rows" -ge 200 ] || fail "no rows drawn in the tower's name column ($rows bright pixels)"
status=$(await_bright "$ticker" "$work/ticker-1.png" 640x20+0+0 20 300)
[ "$status" -ge 20 ] || fail "the ticker's status line is empty ($status bright pixels)"

# Takes screenshots of window ID into FILE until they differ from BEFORE or TRIES tenths of a
# second pass; 1 when nothing changed.
await_change() {
  local id=$1 before=$2 file=$3 tries=$4
  for _ in $(seq "$tries"); do
    sleep 0.1
    shot "$id" "$file"
    compare -metric AE "$before" "$file" null: 2>/dev/null || return 0
  done
  return 1
}
await_change "$tower" "$work/tower-1.png" "$work/tower-2.png" 200 ||
  fail "the tower's picture did not change in 20 s of racing"
echo "wine test: windows mapped at their sizes; rows ($rows px) and status line ($status px) drawn; the tower follows the race"

# 2. "Best Lap" sends a ranking strip that scrolls at 100 px/s. The button lies at a fixed
# place on the console's Info tab: group box at (8, 48) in the page, button at (12, 20) in
# it, 75 x 25; the tab bar above is about 24 pixels high.
# The strip lists ten cars at most; with ten best laps in the live file it is long enough to be
# measured. A tower picture drawn after that shows the program has read on past it.
best_laps() {
  local file
  file=$(compgen -G "$work/live/*_live.txt" | head -n 1 || true)
  { [ -n "$file" ] && tr -d '\r' < "$file" 2>/dev/null || true; } |
    awk -F= '$1 == "BestLap" && $2 + 0 > 0 { n++ } END { print n + 0 }'
}
for _ in $(seq 600); do [ "$(best_laps)" -ge 10 ] && break; sleep 0.1; done
[ "$(best_laps)" -ge 10 ] || fail "after 60 s only $(best_laps) cars have a best lap in the live file"
shot "$tower" "$work/tower-3.png"
await_change "$tower" "$work/tower-3.png" "$work/tower-4.png" 200 ||
  fail "the tower's picture did not change in 20 s after the best laps came"
now() { date +%s.%N; }
# How many pixels of FILE are the strip's blue: its rule runs the whole width; the event line has
# no blue.
blue() {
  convert "$1" -fuzz 10% -fill black +opaque 'rgb(42,112,255)' -fill white -opaque 'rgb(42,112,255)' \
    -format '%[fx:int(mean*w*h+0.5)]' info:
}
# Presses "Best Lap" at display scale SCALE and prints the strip's speed range in device pixels
# a second; fails unless it is 100 x SCALE within 10 %.
strip_speed() {
  local scale=$1 x y
  # In front, so the click reaches the button whatever the windows overlap.
  wmctrl -i -a "$console"
  for _ in $(seq 100); do
    [ "$(xdotool getactivewindow 2>/dev/null || true)" = "$((console))" ] && break
    sleep 0.1
  done
  read -r x y <<<"$(python3 -c "import sys; s = float(sys.argv[1]); print(round((8 + 12 + 37) * s), round((24 + 48 + 20 + 12) * s))" "$scale")"
  kestrune_click "$console" "$x" "$y" || fail "no click on \"Best Lap\""
  # The strip stands still for five ticks of the ticker's one-second timer, then scrolls: two
  # screenshots in a row that both show the strip and differ. The second opens the measurement.
  shot "$ticker" "$work/strip-0.png"
  blue0=$(blue "$work/strip-0.png")
  scrolling=0
  for _ in $(seq 600); do
    sleep 0.1
    t0=$(now); shot "$ticker" "$work/strip-1.png"; t1=$(now)
    blue1=$(blue "$work/strip-1.png")
    if [ "$blue0" -ge 1000 ] && [ "$blue1" -ge 1000 ] &&
       ! compare -metric AE "$work/strip-0.png" "$work/strip-1.png" null: 2>/dev/null; then
      scrolling=1
      break
    fi
    mv "$work/strip-1.png" "$work/strip-0.png"
    blue0=$blue1
  done
  [ "$scrolling" -eq 1 ] || fail "the ranking strip did not start to scroll in 60 s"
  sleep 4
  t2=$(now); shot "$ticker" "$work/strip-2.png"; t3=$(now)
  moved=$(python3 "$here/stripshift.py" "$work/strip-1.png" "$work/strip-2.png") ||
    fail "no strip movement found: $moved"
  # Each screenshot was taken somewhere between its call and its return, so the strip's speed lies
  # between the shift over the longest and over the shortest time the two could be apart.
  speeds=$(python3 -c "import sys
moved, t0, t1, t2, t3 = map(float, sys.argv[1:6])
slowest, fastest = moved / (t3 - t0), moved / (t2 - t1)
print(f'{slowest:.1f} to {fastest:.1f}')
want = 100 * float(sys.argv[6])
sys.exit(0 if slowest <= want * 1.1 and fastest >= want * 0.9 else 1)" "$moved" "$t0" "$t1" "$t2" "$t3" "$scale") ||
    fail "the strip moved $moved px: at $speeds px/s, not 100 px/s x $scale within 10 %"
  echo "$speeds"
}
speeds=$(strip_speed 1)
echo "wine test: the ranking strip scrolls at $speeds px/s"

# 3. Browser sources: the pages are served, and a real Chromium shows the tower's own picture
# pixel for pixel. The race stops first, so the tower holds still for the comparison.
kill -INT "$feed"
wait "$feed" 2>/dev/null || true
web="http://127.0.0.1:$web_port"
answer() { curl -s -o /dev/null -w '%{http_code}' --max-time 10 "$@"; }
for page in / /tower /ticker; do
  [ "$(answer "$web$page")" = 200 ] || fail "kestrune.exe did not serve $page: $(grep -a 'Web server' "$work/out.txt" | tail -n 2)"
done
[ "$(answer -X BREW "$web/tower")" = 405 ] || fail "a bad request was not refused"
[ "$(answer "$web/")" = 200 ] || fail "a bad request left the server unable to serve /"
# The control API answers as on Linux: the token was made and saved at the server's start.
token=$(value WebToken)
[ -n "$token" ] || fail "kestrune.exe saved no WebToken"
[ "$(answer -X POST "$web/api/strip/gapl")" = 401 ] || fail "a call without the token was not refused"
[ "$(answer -X POST -H "Host: attacker.example:$web_port" "$web/api/state")" = 403 ] ||
  fail "a foreign Host was not refused"
api() { curl -s --max-time 10 -X POST -H "Authorization: Bearer $token" "$web/api/$1"; }
# A strip may still run from the scroll test: the button's rule would end it, so none first.
api strip/stop | grep -q '"strip":""' || fail "the strip did not stop"
said=$(api strip/gapl)
grep -q '"strip":"gapl"' <<<"$said" || fail "POST /api/strip/gapl did not start the strip: $said"
api window/ticker/hide | grep -q '"tickerShown":false' || fail "the ticker did not hide"
api window/ticker/show | grep -q '"tickerShown":true' || fail "the ticker did not show again"
api strip/stop | grep -q '"strip":""' || fail "the strip did not stop"
curl -s --max-time 10 "$web/data/standings.json" | grep -q '^\[{"position":1,' ||
  fail "no standings as JSON"
echo "wine test: kestrune.exe answers the control API and serves the standings"
# The console, last clicked, lies over the tower's lower rows: it goes below them first.
console_before=$(kestrune_geometry "$console")
wmctrl -i -r "$console" -e "0,20,560,-1,-1"
at=$(moved_from "$console" "$console_before") || fail "the console did not move off the tower in 30 s: at $at"
for _ in $(seq 100); do
  shot "$tower" "$work/tower-a.png"
  sleep 0.5
  shot "$tower" "$work/tower-b.png"
  [ "$(compare -metric AE "$work/tower-a.png" "$work/tower-b.png" null: 2>&1)" = 0 ] && break
done
python3 "$here/pageshot.py" "$web/tower" 260 420 "$work/tower-page.png" ||
  fail "Chromium showed no tower page"
differing=$(compare -metric AE "$work/tower-page.png" "$work/tower-b.png" null: 2>&1 || true)
[ "$differing" = 0 ] || fail "the tower page differs from the tower in $differing pixels"
echo "wine test: a headless Chromium shows the tower's picture pixel for pixel"

# 4. Closing the console (WM_CLOSE) saves the bounds beside the .exe and ends with status 0.
tower_before=$(kestrune_geometry "$tower")
ticker_before=$(kestrune_geometry "$ticker")
wmctrl -i -r "$tower" -e "0,760,90,-1,-1"
wmctrl -i -r "$ticker" -e "0,60,760,-1,-1"
at=$(moved_from "$tower" "$tower_before") || fail "the tower did not move to 760,90 in 30 s: at $at"
read -r tx ty _ _ <<<"$at"
at=$(moved_from "$ticker" "$ticker_before") || fail "the ticker did not move to 60,760 in 30 s: at $at"
read -r mx my _ _ <<<"$at"
# The close reaches the program through X after the moves, so it has them when it saves.
wmctrl -i -c "$console"
wait_exit "its console was closed"
[ "$(value Stats1X),$(value Stats1Y)" = "$tx,$ty" ] ||
  fail "the tower at $tx,$ty was saved as $(value Stats1X),$(value Stats1Y)"
[ "$(value MsgX),$(value MsgY)" = "$mx,$my" ] ||
  fail "the ticker at $mx,$my was saved as $(value MsgX),$(value MsgY)"
[ "$(value Stats1W)x$(value Stats1H)" = "260x420" ] || fail "the tower's size was saved as $(value Stats1W)x$(value Stats1H)"

# 5. A second start puts the windows back where they were.
start
at=$(settled "$tower") || fail "the tower kept moving for 30 s after the second start: at $at"
read -r tx2 ty2 _ _ <<<"$at"
at=$(settled "$ticker") || fail "the ticker kept moving for 30 s after the second start: at $at"
read -r mx2 my2 _ _ <<<"$at"
[ "$tx2,$ty2 $mx2,$my2" = "$tx,$ty $mx,$my" ] ||
  fail "the second start placed the tower at $tx2,$ty2 and the ticker at $mx2,$my2, saved $tx,$ty and $mx,$my"
echo "wine test: the console's close saved the bounds and a second start restored them"

# 6. The end of the session: the bounds are saved while the system asks whether the session
# may end (WM_QUERYENDSESSION), since the system may end the program as soon as it is told the
# session ends (WM_ENDSESSION). Then the program ends.
tower_before=$(kestrune_geometry "$tower")
wmctrl -i -r "$tower" -e "0,720,120,-1,-1"
at=$(moved_from "$tower" "$tower_before") || fail "the tower did not move to 720,120 in 30 s: at $at"
read -r tx3 ty3 _ _ <<<"$at"
[ "$tx3,$ty3" != "$tx,$ty" ] || fail "the tower did not move for the session's end"
# The query goes through the wine server, not X: the program must have taken the move first.
kestrune_x_ping "$tower" || fail "kestrune.exe did not answer a ping on the tower"
endsession=$windows_build/tests/kestrune-endsession.exe
answer=$("$wine" "$endsession" "Kestrune - r12_08" query | tr -d '\r') || fail "WM_QUERYENDSESSION not sent"
[ "$answer" = "1" ] || fail "the program refused the end of the session ($answer)"
[ "$(value Stats1X),$(value Stats1Y)" = "$tx3,$ty3" ] ||
  fail "asked whether the session may end, the program did not save the tower at $tx3,$ty3 (saved $(value Stats1X),$(value Stats1Y))"
"$wine" "$endsession" "Kestrune - r12_08" end || fail "WM_ENDSESSION not sent"
wait_exit "the session ended"
echo "wine test: the end of the session saved the bounds and ended the program"

# 7. Display scaling (Windows' LogPixels: 120, 144 and 192 dots per inch for 125, 150 and
# 200 %). Bounds are in logical pixels, so the tower saved at 700 + 260 on this 1280-pixel
# screen lies partly beyond the 853 logical pixels of 150 % and the 640 of 200 %: each window
# must come up wholly on the screen. The live file stands still since the race stopped, so every
# start draws the same rows: at each scale the tower's names and the ticker's status line must
# change from column to column more often than at 100 %, which a stretched picture cannot.
scaled_box() { # SCALE W H X Y -> the box WxH+X+Y in device pixels
  python3 -c "import sys; s = float(sys.argv[1]); w, h, x, y = (round(float(v) * s) for v in sys.argv[2:]); print(f'{w}x{h}+{x}+{y}')" "$@"
}
on_screen() { # ID NAME: fails unless the window lies wholly on the 1280 x 1024 screen
  local at
  at=$(settled "$1") || fail "$2 kept moving for 30 s: at $at"
  read -r x y w h <<<"$at"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1280 ] && [ $((y + h)) -le 1024 ] ||
    fail "$2 is not wholly on the 1280 x 1024 screen at $dpi dpi: $at"
  echo "$at"
}
tower_changes=() ticker_changes=()
for dpi in 96 120 144 192; do
  scale=$(python3 -c "print($dpi / 96)")
  set_dpi "$dpi"
  kestrune_write_ini --crlf "$ini" "$live_windows" WindowX=0 WindowY=0 Stats1X=700 Stats1Y=60 \
    Stats1W=260 Stats1H=420 MsgX=40 MsgY=440 MsgW=640 MsgH=77
  start
  on_screen "$console" "the console" >/dev/null
  read -r _ _ tw _ <<<"$(on_screen "$tower" "the tower")"
  on_screen "$ticker" "the ticker" >/dev/null
  expected=$(python3 -c "print(round(260 * $scale))")
  [ $((tw - expected)) -le 1 ] && [ $((expected - tw)) -le 1 ] ||
    fail "the tower is $tw device pixels wide at $dpi dpi, not 260 logical ($expected)"
  wmctrl -i -a "$tower"
  names=$(scaled_box "$scale" 100 400 8 5)
  rows=$(await_bright "$tower" "$work/scaled-tower-$dpi.png" "$names" 200 600)
  [ "$rows" -ge 200 ] || fail "no rows drawn in the tower at $dpi dpi ($rows bright pixels)"
  wmctrl -i -a "$ticker"
  line=$(scaled_box "$scale" 640 20 0 0)
  status=$(await_bright "$ticker" "$work/scaled-ticker-$dpi.png" "$line" 20 300)
  [ "$status" -ge 20 ] || fail "the ticker's status line is empty at $dpi dpi"
  if [ "$dpi" -eq 144 ]; then
    speeds=$(strip_speed "$scale")
    echo "wine test: at 150 % the ranking strip scrolls at $speeds device px/s"
  fi
  tower_changes+=("$(python3 "$here/sharpness.py" "$work/scaled-tower-$dpi.png" "$names")")
  ticker_changes+=("$(python3 "$here/sharpness.py" "$work/scaled-ticker-$dpi.png" "$line")")
  if [ "$dpi" -ne 96 ]; then
    [ "${tower_changes[-1]}" -gt "${tower_changes[0]}" ] ||
      fail "the tower at $dpi dpi is a stretched picture: ${tower_changes[-1]} column changes, ${tower_changes[0]} at 100 %"
    [ "${ticker_changes[-1]}" -gt "${ticker_changes[0]}" ] ||
      fail "the ticker at $dpi dpi is a stretched picture: ${ticker_changes[-1]} column changes, ${ticker_changes[0]} at 100 %"
  fi
  wmctrl -i -c "$console"
  wait_exit "its console was closed at $dpi dpi"
done
set_dpi 96
echo "wine test: at 100/125/150/200 % every window is on the screen; column changes of the tower's names ${tower_changes[*]}, of the ticker's status line ${ticker_changes[*]}"

# 8. A fresh unzip, as a user gets it, in a folder whose path holds a space and a non-Latin
# letter. There is no kestrune.ini: the console, in front of the windows the system placed over
# it, says to choose the folder; Folder... opens the system's folder dialog, and the chosen
# folder is written to kestrune.ini and followed at once, with no restart.
zip=${2:-$(compgen -G "$windows_build/kestrune-*-win64.zip" | head -n 1 || true)}
[ -n "$zip" ] && [ -f "$zip" ] || fail "no kestrune-<version>-win64.zip (scripts/package-windows makes it)"
fresh="$work/Broadcast tools 放送"
mkdir -p "$fresh" "$work/fresh-live"
python3 -m zipfile -e "$zip" "$fresh" || fail "$zip did not unpack"
unpacked=$(compgen -G "$fresh/kestrune-*-win64" | head -n 1 || true)
[ -n "$unpacked" ] && [ -f "$unpacked/kestrune.exe" ] || fail "$zip holds no kestrune-*-win64/kestrune.exe"
[ ! -e "$unpacked/kestrune.ini" ] || fail "$zip brings a kestrune.ini: a first start would not be one"
fresh_live=$("$wine" winepath -w "$work/fresh-live" 2>/dev/null | tr -d '\r')
ini="$unpacked/kestrune.ini"
start "$unpacked/kestrune.exe"
# Folder... lies on the Info tab at (376, 116) in the page, 75 x 21, below the tab bar. The
# system places the ticker over it here: only a console in front takes the click.
at=$(settled "$console") || fail "the console kept moving for 30 s: at $at"
# Bottom to top, as the window manager stacks its windows.
stacking() { xprop -root _NET_CLIENT_LIST_STACKING | sed 's/^[^#]*# //; s/,//g'; }
above() { # TOP BOTTOM: window TOP is stacked above window BOTTOM
  stacking | awk -v top="$(printf '0x%x' "$1")" -v bottom="$(printf '0x%x' "$2")" \
    '{ for (i = 1; i <= NF; i++) { if ($i == top) t = i; if ($i == bottom) b = i } }
     END { exit !(b > 0 && t > b) }'
}
for _ in $(seq 300); do above "$console" "$ticker" && break; sleep 0.1; done
above "$console" "$ticker" || fail "a first start left the console beneath the ticker: $(stacking)"
kestrune_click "$console" $((376 + 37)) $((24 + 116 + 10)) || fail "no click on Folder..."
dialog=
for _ in $(seq 300); do
  dialog=$(kestrune_window_id "Select Folder")
  [ -n "$dialog" ] && xwininfo -id "$dialog" 2>/dev/null | grep -q IsViewable && break
  dialog=
  sleep 0.1
done
[ -n "$dialog" ] || fail "Folder... opened no folder dialog in 30 s: $(wmctrl -l)"
# The dialog takes the program's activation, which makes the broadcast windows top-most; they
# must not cover it.
above "$dialog" "$tower" && above "$dialog" "$ticker" ||
  fail "the folder dialog lies beneath the broadcast windows: $(stacking)"
xdotool windowactivate --sync "$dialog" 2>/dev/null || true
xdotool type --delay 20 "$fresh_live"
xdotool key Return
for _ in $(seq 300); do [ "$(value Folder)" = "$fresh_live" ] && break; sleep 0.1; done
[ "$(value Folder)" = "$fresh_live" ] ||
  fail "the chosen folder was not written to kestrune.ini: Folder=$(value Folder)"
kestrune_start "$wine" "$unpacked/kestrune-feed.exe" --folder "$fresh_live" --session race --cars 8 --laps 5 \
  --speed 20 --rate 5 --seed 3 --quiet > "$work/fresh-feed.txt" 2>&1
wmctrl -i -a "$tower"
rows=$(await_bright "$tower" "$work/fresh-tower.png" 100x170+8+5 100 600)
[ "$rows" -ge 100 ] || fail "after the folder was chosen the tower drew no rows ($rows bright pixels)"
# Browser sources on with no text editor: Ctrl+Tab to the Web tab, Alt+B ticks "Browser
# sources and control"; the server starts at once on the suggested port and it is saved.
xdotool windowactivate --sync "$console" 2>/dev/null || true
for _ in 1 2 3 4 5; do xdotool key ctrl+Tab; sleep 0.3; done
xdotool key alt+b
for _ in $(seq 100); do [ "$(value WebPort)" = 8787 ] && break; sleep 0.1; done
[ "$(value WebPort)" = 8787 ] || fail "the Web tab did not turn the server on: WebPort=$(value WebPort)"
[ "$(answer http://127.0.0.1:8787/tower)" = 200 ] || fail "the Web tab's server serves no tower page"
# Its address goes to the clipboard with its Copy button, to be pasted into a capture program:
# from the check box, Tab passes the port, "Other PCs too" and the address to its Copy.
for _ in 1 2 3 4; do xdotool key Tab; sleep 0.2; done
xdotool key space
copied=
for _ in $(seq 100); do
  copied=$(xclip -o -selection clipboard 2>/dev/null || true)
  [ "$copied" = http://127.0.0.1:8787/tower ] && break
  sleep 0.1
done
[ "$copied" = http://127.0.0.1:8787/tower ] ||
  fail "the Web tab's Copy put '$copied' on the clipboard, not the tower's address"
wmctrl -i -c "$console"
wait_exit "its console was closed after a first start"
echo "wine test: a fresh unzip in '$(basename "$fresh")' chose its folder with Folder..., followed the race, turned the browser sources on in its Web tab and copied the tower's address"
echo "wine desktop test passed"
