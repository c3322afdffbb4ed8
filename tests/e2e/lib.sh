# Shared steps of the end-to-end journeys: the real ombrix.exe in the test
# session (scripts/session.sh), trayer as the system tray, xdotool as the
# user's mouse and keys. Sourced by each journey; CTest sets OMBRIX_BUILD and
# OMBRIX_SESSION.
set -euo pipefail
: "${OMBRIX_BUILD:?}" "${OMBRIX_SESSION:?}"
. "$OMBRIX_SESSION/env.sh"
TOOLS=$OMBRIX_BUILD/tools
JOURNEY=$(basename "$0" .sh)
WORK=$OMBRIX_SESSION/e2e/$JOURNEY
FOLDER=$WORK/Leiste
PIDS=()
TRAYER_PID=""
rm -rf "$WORK"
mkdir -p "$WORK" "$OMBRIX_SESSION/screenshots"

note() { echo "-- $*"; }
fail() {
  echo "FAIL: $*" >&2
  screenshot failed || true
  exit 1
}
screenshot() { import -window root "$OMBRIX_SESSION/screenshots/$JOURNEY-$1.png" && note "screenshot $JOURNEY-$1"; }

# The Windows form of a Linux path (Wine maps / to Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# wait_until SECONDS COMMAND...: runs COMMAND until it succeeds; fails when time is up.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.2
  done
}

# program_folder [INI LINE...]: a fresh $FOLDER with its own ombrix.exe and,
# given lines, an ombrix.ini (none: a first run). The defaults, written as the
# options dialog writes them, come first; a later line of the same key wins.
SETTINGS=("Öffnen=Doppelklick" Kennzeichnen=Ja QuickInfo=Ja Sortieren=Ja Corvane+=Nein "Desktop-Menü=Nein")
program_folder() {
  rm -rf "$FOLDER"
  mkdir -p "$FOLDER"
  cp "$OMBRIX_BUILD/ombrix.exe" "$FOLDER/"
  [ $# -gt 0 ] || return 0
  printf '%s\n' "[Ombrix+ Optionen]" "${SETTINGS[@]}" "$@" | awk -F= '!seen[$1]++' | tac |
    awk -F= '!seen[$1]++' | tac | sed 's/$/\r/' | iconv -f UTF-8 -t CP1252 >"$FOLDER/ombrix.ini"
}

# marker_link LINK NAME: a shortcut to marker.exe, which appends a line to
# $WORK/NAME.marker each time it is started.
marker_link() {
  wine "$TOOLS/mklink.exe" "$(winpath "$1")" "$(winpath "$TOOLS/marker.exe")" "$(winpath "$WORK/$2.marker")" \
    >/dev/null 2>&1 || fail "mklink $1"
}
marks() { cat "$WORK/$1.marker" 2>/dev/null | grep -c ran || true; }
marks_are() { [ "$(marks "$1")" -eq "$2" ]; }

# A panel of fixed width at the top left: Wine keeps the clip area a docked
# icon had when it was docked, so icons docked into a panel that grew later
# would never get a click.
start_tray() {
  trayer --edge top --align left --widthtype pixel --width 400 --height 24 --SetDockType true \
    --transparent false >"$WORK/trayer.log" 2>&1 </dev/null &
  TRAYER_PID=$!
  wait_until 20 tray_panel >/dev/null || fail "trayer did not come up"
}
stop_tray() {
  [ -z "$TRAYER_PID" ] || kill "$TRAYER_PID" 2>/dev/null || true
  TRAYER_PID=""
}
# trayer's panel window (awk reads all input, so xwininfo never gets SIGPIPE).
tray_panel() {
  xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ && !p {p=$1} END {if (!p) exit 1; print p}'
}

# The docked icons' X windows, left to right. trayer puts each newly docked
# icon left of the others, so the program's first icon is the rightmost.
tray_icons() {
  local panel
  panel=$(tray_panel) || return 0
  xwininfo -id "$panel" -tree | awk '/"explorer.exe" "explorer.exe"/ {split($NF, p, "+"); print p[2], $1}' |
    sort -n | awk '{print $2}'
}
icon_count() { tray_icons | wc -l; }
icons_are() { [ "$(icon_count)" -eq "$1" ]; }
wait_icons() { wait_until "${2:-60}" icons_are "$1" || fail "expected $1 tray icons, have $(icon_count)"; }
# icon K: the icon of the K-th shortcut in the program's order (1-based).
icon() { tray_icons | tac | sed -n "${1}p"; }
