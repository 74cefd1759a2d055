# Shared by the demo and the end-to-end tests: a virtual display for Wine's windows,
# and Windows paths for files on this machine. Source it; needs $wineserver unset or
# pointing at Wine's server.

wineserver=${wineserver:-/usr/lib/wine/wineserver}

# start_display LOGDIR [WIDTHxHEIGHT]: starts Xvfb (1024x768 unless given) on a display
# number it picks itself; sets DISPLAY and xvfb_pid. Returns non-zero when Xvfb does not
# come up.
start_display() {
  local logdir=$1 display_file=$1/display size=${2:-1024x768}
  rm -f "$display_file"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$display_file" 2>"$logdir/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  if [ ! -s "$display_file" ]; then
    echo "Xvfb did not start:" >&2
    cat "$logdir/xvfb.log" >&2
    return 1
  fi
  export DISPLAY=:$(head -n1 "$display_file")
}

# start_window_manager LOGDIR: starts openbox on $DISPLAY, as a desktop has a window
# manager; sets wm_pid. Returns non-zero when it does not take the screen within 10 s.
start_window_manager() {
  openbox --sm-disable >"$1/openbox.log" 2>&1 &
  wm_pid=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  echo "openbox did not start:" >&2
  cat "$1/openbox.log" >&2
  return 1
}

# stop_display PREFIX: ends the prefix's Wine server (its desktop keeps the display it
# started with), the window manager when one was started, and then the display.
stop_display() {
  WINEPREFIX=$1 "$wineserver" -k 2>/dev/null
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  wm_pid=""
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
}

# The Windows path of a file here, through Wine's Z: drive.
winpath() { printf 'Z:%s' "$(realpath -m "$1")" | tr / '\\'; }

# unmanaged_windows WINE-RUN PREFIX: without a window manager Wine waits two seconds
# whenever a managed window is hidden or destroyed; windows it manages itself end at once.
unmanaged_windows() {
  "$1" --prefix "$2" --timeout 60 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}
