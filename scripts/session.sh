#!/usr/bin/env bash
# session.sh start|stop SESSION_DIR
#
# The test bench: a virtual display (Xvfb, on a display number it picks itself)
# with a window manager (openbox),
# a throwaway Wine prefix, and a HOME of its own so that Wine's Desktop and
# recycle bin live inside SESSION_DIR and never touch the real user's folders.
# "start" writes SESSION_DIR/env.sh, which every test sources. With SESSION_DISPLAY
# set, that display is used instead of a virtual one. SESSION_DPI (default 96)
# is the display scaling the prefix gives its programs, in pixels per inch.
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?session folder}

alive() {
  [ -f "$dir/env.sh" ] && . "$dir/env.sh" && { [ -z "$XVFB_PID" ] || kill -0 "$XVFB_PID" 2>/dev/null; }
}

# A fresh prefix, booted with its server. Now and then the first boot stops
# early ("could not load kernel32.dll"); a second one on a fresh prefix boots.
boot_prefix() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 </dev/null
  wineboot -i >>"$dir/wineboot.log" 2>&1 </dev/null
}

# Wine reads LogPixels when a process starts. Without DpiScalingVer (any value
# but 0) Wine takes every program as DPI-aware, whatever its manifest says; with
# it, a program is aware only when its manifest declares so, as on Windows. The
# desktop and its tray, started at boot, start again with the new values.
set_dpi() {
  local key='HKCU\Control Panel\Desktop'
  wine reg add "$key" /v LogPixels /t REG_DWORD /d "$SESSION_DPI" /f >>"$dir/wineboot.log" 2>&1 </dev/null
  wine reg add "$key" /v DpiScalingVer /t REG_DWORD /d 1 /f >>"$dir/wineboot.log" 2>&1 </dev/null
  wineserver -k || true; wineserver -w
  wineserver -p >/dev/null 2>&1 </dev/null
  wineboot >>"$dir/wineboot.log" 2>&1 </dev/null
}

start() {
  if alive; then return 0; fi
  rm -rf "$dir"
  mkdir -p "$dir/home/Desktop" "$dir/screenshots"
  local display pid=""
  if [ -n "${SESSION_DISPLAY:-}" ]; then
    display=$SESSION_DISPLAY  # a real display given by the caller: no Xvfb, no window manager of ours
  else
    # Xvfb picks a free display and writes its number to fd 3.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" \
      >"$dir/xvfb.log" 2>&1 </dev/null &
    pid=$!
    for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
    display=":$(tr -dc '0-9' <"$dir/display")"
    [ "$display" != ":" ] || { echo "Xvfb did not start:"; cat "$dir/xvfb.log"; exit 1; }
  fi
  cat >"$dir/env.sh" <<ENV
export SESSION_DIR='$dir'
export DISPLAY='$display'
export HOME='$dir/home'
export WINEPREFIX='$dir/wineprefix'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
export XVFB_PID=$pid
export SESSION_DPI=${SESSION_DPI:-96}
ENV
  . "$dir/env.sh"
  if [ -n "$pid" ]; then
    # A window manager, so that windows can be activated and take key strokes.
    setsid openbox --sm-disable >"$dir/openbox.log" 2>&1 </dev/null &
    echo "export WM_PID=$!" >>"$dir/env.sh"
  fi
  # Start the server and boot the prefix before any test, with all output
  # redirected, so no Wine service holds a test runner's pipe open.
  boot_prefix || { echo "the Wine prefix did not boot; again on a fresh one"; boot_prefix; }
  set_dpi
  echo "test session: display $DISPLAY at $SESSION_DPI DPI, prefix $WINEPREFIX"
}

stop() {
  [ -f "$dir/env.sh" ] || return 0
  . "$dir/env.sh"
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then
    kill "${WM_PID:-}" "$XVFB_PID" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$XVFB_PID" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$dir/env.sh"
  echo "test session stopped; screenshots in $dir/screenshots"
}

"$cmd"
