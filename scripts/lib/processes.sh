# shellcheck shell=bash
# Sourced by the scripts that start processes of their own and must not leave them behind.
#
#   kestrune_start COMMAND [ARG...]   runs COMMAND in the background (redirections and
#                                     VAR=value prefixes on the call reach it), remembers its
#                                     pid and sets `started_pid` to it
#   kestrune_track PID                remembers a process started otherwise (a subshell)
#   kestrune_remove_on_exit PATH...   remembers folders or files to remove
#   kestrune_stop PID...              ends those processes now (SIGTERM, then waits) and
#                                     forgets them
#   kestrune_cleanup                  the exit trap (`trap kestrune_cleanup EXIT`): ends every
#                                     remembered process, newest first, then the display
#                                     kestrune_xvfb started (scripts/lib/xvfb.sh), then removes
#                                     what was remembered. Safe to call earlier: what it ended
#                                     and removed is forgotten.
#
# Newest first and the display last, so a program goes before the window manager and the
# display it runs on. Nothing here fails: under set -e a failing command in an exit trap would
# become the script's status.

kestrune_pids=()
kestrune_removals=()
started_pid=

kestrune_start() {
  "$@" &
  started_pid=$!
  kestrune_pids+=("$started_pid")
}

kestrune_track() {
  kestrune_pids+=("$@")
}

kestrune_remove_on_exit() {
  kestrune_removals+=("$@")
}

# Ends PID (SIGTERM) and waits for it, whatever state it is in.
kestrune_end_one() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

kestrune_stop() {
  local pid kept=() i
  for pid in "$@"; do
    kestrune_end_one "$pid"
  done
  for i in "${!kestrune_pids[@]}"; do
    for pid in "$@"; do
      [ "${kestrune_pids[$i]}" = "$pid" ] && continue 2
    done
    kept+=("${kestrune_pids[$i]}")
  done
  kestrune_pids=(${kept[@]+"${kept[@]}"})
}

kestrune_cleanup() {
  local i
  for (( i = ${#kestrune_pids[@]} - 1; i >= 0; i-- )); do
    kestrune_end_one "${kestrune_pids[$i]}"
  done
  kestrune_pids=()
  if [ -n "${xvfb_pid:-}" ]; then
    kestrune_end_one "$xvfb_pid"
    xvfb_pid=
  fi
  if [ ${#kestrune_removals[@]} -gt 0 ]; then
    rm -rf -- "${kestrune_removals[@]}" || true
  fi
  kestrune_removals=()
  return 0
}
