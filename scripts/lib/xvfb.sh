# shellcheck shell=bash
# Sourced by the scripts that need a display of their own.
#
#   kestrune_xvfb WIDTHxHEIGHTxDEPTH
#
# Starts Xvfb on a display number it picks itself (-displayfd, so a number already taken cannot
# fail unnoticed), exports DISPLAY and sets `xvfb_pid` as soon as the server runs, for the
# caller's cleanup to kill. Fails with a message on stderr when no display is ready in 30 s (a
# loaded machine).
#
#   kestrune_x_ping WINDOW-ID
#
# Sends the window's client a _NET_WM_PING and waits up to 30 s for its answer (python3 and
# libX11). A client reads its X events in order, so once it answers it has handled every event
# the server sent it before the ping, a move of its window for one. Fails with a message on
# stderr when no answer comes.

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
  for _ in $(seq 300); do
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
      echo "kestrune_xvfb: Xvfb reported no display within 30 s" >&2
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

kestrune_x_ping() {
  if [ $# -ne 1 ]; then
    echo "kestrune_x_ping: usage: kestrune_x_ping WINDOW-ID" >&2
    return 2
  fi
  python3 - "$1" <<'EOF'
import ctypes, os, select, sys, time
from ctypes import byref, c_char_p, c_int, c_long, c_ulong, c_void_p

x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = c_void_p
x.XOpenDisplay.argtypes = [c_char_p]
x.XDefaultRootWindow.restype = c_ulong
x.XDefaultRootWindow.argtypes = [c_void_p]
x.XInternAtom.restype = c_ulong
x.XInternAtom.argtypes = [c_void_p, c_char_p, c_int]
x.XSelectInput.argtypes = [c_void_p, c_ulong, c_long]
x.XSendEvent.argtypes = [c_void_p, c_ulong, c_int, c_long, c_void_p]
for name in ("XFlush", "XPending", "XConnectionNumber"):
    getattr(x, name).argtypes = [c_void_p]
x.XNextEvent.argtypes = [c_void_p, c_void_p]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int),
                ("display", c_void_p), ("window", c_ulong), ("message_type", c_ulong),
                ("format", c_int), ("l", c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("type", c_int), ("client", ClientMessage), ("pad", c_long * 24)]


CLIENT_MESSAGE = 33
window = int(sys.argv[1], 0)
display = x.XOpenDisplay(None)
if not display:
    sys.exit("kestrune_x_ping: cannot open the display")
root = x.XDefaultRootWindow(display)
protocols = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
ping = x.XInternAtom(display, b"_NET_WM_PING", 0)
stamp = os.getpid() & 0x7FFFFFFF
# Clients answer on the root window, some as a structure event, some as a substructure one.
x.XSelectInput(display, root, (1 << 17) | (1 << 19))
event = Event()
message = event.client
message.type, message.window, message.message_type, message.format = (
    CLIENT_MESSAGE, window, protocols, 32)
message.l[0], message.l[1], message.l[2] = ping, stamp, window
x.XSendEvent(display, window, 0, 0, byref(event))
x.XFlush(display)
deadline = time.monotonic() + 30
while True:
    while x.XPending(display):
        x.XNextEvent(display, byref(event))
        if (message.type == CLIENT_MESSAGE and message.message_type == protocols
                and message.l[0] == ping and message.l[1] == stamp and message.l[2] == window):
            sys.exit(0)
    left = deadline - time.monotonic()
    if left <= 0:
        sys.exit(f"kestrune_x_ping: window {sys.argv[1]} did not answer a ping in 30 s")
    select.select([x.XConnectionNumber(display)], [], [], left)
EOF
}
