# Shared steps of the end-to-end tests: they drive the real ombrix.exe in the
# test session (tests/bench/session.sh) the way a person would, with a system
# tray (trayer), mouse and keys (xdotool), and keep screenshots.
# Sourced by each test; OMBRIX_BUILD and OMBRIX_SESSION come from CTest.
set -euo pipefail

: "${OMBRIX_BUILD:?}" "${OMBRIX_SESSION:?}"
. "$OMBRIX_SESSION/env.sh"
TOOLS="$OMBRIX_BUILD/tools"
SHOTS="$OMBRIX_SESSION/screenshots"
mkdir -p "$SHOTS"
E2E_PIDS=()
TRAYER_PID=""

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "-- $*"; }

# The Windows form of a Linux path (Wine maps / to Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# wait_until SECONDS COMMAND...: runs COMMAND until it succeeds or time is up.
wait_until() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.2
  done
}

# A fresh program folder with its own copy of ombrix.exe; INI lines follow as
# arguments (none: no settings file, a first run).
make_program_folder() {
  local dir=$1; shift
  rm -rf "$dir"; mkdir -p "$dir"
  cp "$OMBRIX_BUILD/ombrix.exe" "$dir/"
  if [ $# -gt 0 ]; then
    { printf '[Ombrix+ Optionen]\r\n'; for line in "$@"; do printf '%s\r\n' "$line"; done; } |
      iconv -f UTF-8 -t CP1252 >"$dir/ombrix.ini"
  fi
}

# The settings file as the options dialog writes it, one line per key.
default_settings() {
  printf '%s\n' "Öffnen=Doppelklick" "Kennzeichnen=Ja" "QuickInfo=Ja" "Sortieren=Ja" "Corvane+=Nein" \
    "Desktop-Menü=Nein"
}

# make_shortcut LINK TARGET [ARGUMENTS]: a real .lnk made with IShellLinkA.
make_shortcut() {
  wine "$TOOLS/mklink.exe" "$(winpath "$1")" "$2" "${3:-}" >/dev/null 2>&1 || fail "mklink $1"
}

# make_marker_shortcut LINK MARKERFILE: a shortcut to marker.exe, which appends
# a line to MARKERFILE each time it is started.
make_marker_shortcut() {
  make_shortcut "$1" "$(winpath "$TOOLS/marker.exe")" "$(winpath "$2")"
}

marker_count() { [ -f "$1" ] && grep -c ran "$1" || echo 0; }

# A panel of fixed width at the top left: Wine keeps the clip area a docked
# icon had when it was docked, so icons docked into a panel that grew later
# would never get a click.
start_tray() {
  trayer --edge top --align left --widthtype pixel --width 400 --height 24 --SetDockType true \
    --transparent false >"$OMBRIX_SESSION/trayer.log" 2>&1 </dev/null &
  TRAYER_PID=$!
  wait_until 10 tray_panel >/dev/null || fail "trayer did not come up"
}

stop_tray() {
  [ -n "$TRAYER_PID" ] && kill "$TRAYER_PID" 2>/dev/null || true
  TRAYER_PID=""
}

# trayer's panel window (awk reads all input, so xwininfo never gets SIGPIPE).
tray_panel() {
  xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ && !found {print $1; found=1} END {exit !found}'
}

# The docked notification-area icons, one X window id a line, left to right.
tray_icons() {
  local panel
  panel=$(tray_panel) || return 0
  xwininfo -id "$panel" -tree | awk '/"explorer.exe" "explorer.exe"/ {
      split($NF, pos, "+"); print pos[2], $1 }' | sort -n | awk '{print $2}'
}

tray_icon_count() { tray_icons | wc -l; }

# wait_for_icon_count N [SECONDS]: waits until exactly N icons are docked.
icon_count_is() { [ "$(tray_icon_count)" -eq "$1" ]; }
wait_for_icon_count() {
  wait_until "${2:-30}" icon_count_is "$1" || fail "expected $1 tray icons, have $(tray_icon_count)"
}

# tray_icon N: the window of the N-th icon from the left (1-based).
tray_icon() { tray_icons | sed -n "${1}p"; }

# start_ombrix DIR [ARGUMENTS]: starts DIR/ombrix.exe; its pid is OMBRIX_PID.
start_ombrix() {
  local dir=$1; shift
  (cd "$dir" && exec wine "$dir/ombrix.exe" "$@" >/dev/null 2>&1 </dev/null) &
  OMBRIX_PID=$!
  E2E_PIDS+=("$OMBRIX_PID")
}

# expect_exit PID SECONDS WHAT: waits for the process and fails unless it
# ended with exit code 0.
expect_exit() {
  local pid=$1 limit=$2 what=$3
  wait_until "$limit" bash -c "! kill -0 $pid 2>/dev/null" || fail "$what: still running after ${limit}s"
  local rc=0
  wait "$pid" || rc=$?
  [ "$rc" = 0 ] || fail "$what: exit code $rc"
}

# The program's hidden window, found as Windows sees it.
program_window_exists() { wine "$TOOLS/findwin.exe" "Ombrix+WndClass" "Ombrix+" >/dev/null 2>&1; }
wait_for_program_window() { wine "$TOOLS/findwin.exe" --wait "${1:-20000}" "Ombrix+WndClass" "Ombrix+" >/dev/null 2>&1; }
close_program() { wine "$TOOLS/findwin.exe" --close "Ombrix+WndClass" "Ombrix+" >/dev/null 2>&1 || true; }

# A visible window by its title (X name, UTF-8).
window_by_title() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
wait_for_window() {
  local title=$1 limit=${2:-20}
  wait_until "$limit" bash -c "xdotool search --onlyvisible --name '^$title\$' >/dev/null 2>&1" || return 1
  window_by_title "$title"
}

# press WINDOW KEY...: activates the window and types the keys as real (XTEST)
# key events.
press() {
  local window=$1; shift
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
  xdotool key --delay 80 "$@"
}

screenshot() {
  import -window root "$SHOTS/$1.png" && note "screenshot $SHOTS/$1.png"
}

# CPU ticks (user + system) a Linux process has used so far.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The Linux process that runs DIR's ombrix.exe under Wine (DIR in full).
ombrix_linux_pid() { pgrep -f "^$1/ombrix.exe" | head -1; }

cleanup() {
  close_program
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  pkill -f "$OMBRIX_SESSION/e2e/.*/ombrix.exe" 2>/dev/null || true
  stop_tray
}
trap cleanup EXIT
