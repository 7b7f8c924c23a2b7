# shellcheck shell=bash
# Sourced by the scripts that need a display of their own.
#
#   kestrune_xvfb WIDTHxHEIGHTxDEPTH
#
# Starts Xvfb on a display number it picks itself (-displayfd, so a number already taken cannot
# fail unnoticed), exports DISPLAY and sets `xvfb_pid` as soon as the server runs, for the
# caller's cleanup to kill. Fails with a message on stderr when no display is ready in 10 s.

xvfb_pid=

kestrune_xvfb() {
  if [ $# -ne 1 ]; then
    echo "kestrune_xvfb: usage: kestrune_xvfb WIDTHxHEIGHTxDEPTH" >&2
    return 2
  fi
  local screen=$1 scratch fd number=
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-xvfb.XXXXXX")
  # Xvfb writes the display number and a newline to this descriptor once it takes connections.
  exec {fd}<>"$scratch/display"
  Xvfb -displayfd "$fd" -screen 0 "$screen" -nolisten tcp >"$scratch/log" 2>&1 &
  xvfb_pid=$!
  exec {fd}>&-

  local _
  for _ in $(seq 100); do
    # read succeeds only on a whole line, so a number half written is not taken.
    if IFS= read -r number <"$scratch/display" && [[ "$number" =~ ^[0-9]+$ ]]; then
      break
    fi
    number=
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
      break
    fi
    sleep 0.1
  done

  if [ -z "$number" ]; then
    if kill -0 "$xvfb_pid" 2>/dev/null; then
      echo "kestrune_xvfb: Xvfb reported no display within 10 s" >&2
      kill "$xvfb_pid" 2>/dev/null || true
    else
      echo "kestrune_xvfb: Xvfb did not start" >&2
    fi
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
    if [ -s "$scratch/log" ]; then
      tail -n 20 "$scratch/log" >&2
    fi
    rm -rf "$scratch"
    return 1
  fi
  # Xvfb keeps its log open; the file goes with the folder once the server ends.
  rm -rf "$scratch"
  export DISPLAY=":$number"
}
