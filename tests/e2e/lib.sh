# Shared steps of the end-to-end journeys: the real ombrix.exe in the test
# session (scripts/session.sh), trayer as the system tray, xdotool as the
# user's mouse and keys. Sourced by each journey; CTest sets OMBRIX_BUILD and
# OMBRIX_SESSION. Every wait is for a condition, with time limits meant for a
# loaded machine.
set -euo pipefail
: "${OMBRIX_BUILD:?}" "${OMBRIX_SESSION:?}"
. "$OMBRIX_SESSION/env.sh"
TOOLS=$OMBRIX_BUILD/tools
JOURNEY=$(basename "$0" .sh)
WORK=$OMBRIX_SESSION/e2e/$JOURNEY
# The program's folder, with its own copy of ombrix.exe, under a name the ANSI
# code page cannot spell (as a user profile such as C:\Users\Đorđe holds).
FOLDER="$WORK/Đorđe Leiste"
PIDS=() TRAYER_PID=""
rm -rf "$WORK" && mkdir -p "$FOLDER" "$OMBRIX_SESSION/screenshots"
cp "$OMBRIX_BUILD/ombrix.exe" "$FOLDER/"

note() { echo "-- $*"; }
screenshot() { import -window root "$OMBRIX_SESSION/screenshots/$JOURNEY-$1.png" && note "screenshot $JOURNEY-$1"; }
fail() { echo "FAIL: $*" >&2; screenshot failed || true; exit 1; }
# The Windows form of a Linux path (Wine maps / to Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# wait_until SECONDS COMMAND...: runs COMMAND until it succeeds; false when time is up.
wait_until() {
  local end=$((SECONDS + $1)); shift
  until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.2; done
}

# settings [SED SCRIPT]: ombrix.ini as the options dialog writes its defaults
# (Windows-1252, CRLF), edited by the script.
settings() { printf '%s\n' "[Ombrix+ Optionen]" "Öffnen=Doppelklick" Kennzeichnen=Ja QuickInfo=Ja Sortieren=Ja \
  Corvane+=Nein "Desktop-Menü=Nein" | sed "${1:-}; s/\$/\r/" | iconv -f UTF-8 -t CP1252; }

# marker_link LINK NAME: a shortcut to marker.exe, which appends a line "ran"
# to $WORK/NAME.marker each time it is started.
marker_link() {
  wine "$TOOLS/mklink.exe" "$(winpath "$1")" "$(winpath "$TOOLS/marker.exe")" "$(winpath "$WORK/$2.marker")" \
    >/dev/null 2>&1 || fail "mklink $1"
}
marker_lines() { grep -Hc ran "$WORK"/*.marker 2>/dev/null || true; }
# Every start of the journey counted at its end, once the program has ended:
# none but those expect_start waited for, however late it came.
expect_no_other_start() {
  [ "$(cat "$WORK"/*.marker 2>/dev/null | grep -c ran)" -eq "$STARTS" ] || fail "more starts than expected: $(marker_lines)"
}
# expect_start NAME COMMAND...: COMMAND (a click, keys) starts NAME's marker
# shortcut and no other one. STARTS counts them.
STARTS=0
expect_start() {
  local name=$1 before got; shift
  before=$(marker_lines)
  "$@"
  wait_until 30 eval '[ "$(marker_lines)" != "$before" ]' || fail "$* started nothing, expected $name"
  got=$(diff <(echo "$before") <(marker_lines) | sed -n 's|^> .*/\(.*\)\.marker:.*|\1|p' || true)
  [ "$got" = "$name" ] || fail "$* started ${got:-?}, expected $name"
  STARTS=$((STARTS + 1))
}

# A panel of fixed width at the top left, as high as a taskbar at the display's
# scaling: Wine keeps the clip area a docked icon had when it was docked, so
# icons docked into a panel that grew later would never get a click.
start_tray() {
  trayer --edge top --align left --widthtype pixel --width 400 --height $((24 * SESSION_DPI / 96)) --SetDockType true \
    --transparent false >>"$WORK/trayer.log" 2>&1 </dev/null &
  TRAYER_PID=$! POINTED=""
  wait_until 20 tray_panel >/dev/null || fail "trayer did not come up"
}
# xtree -root|-id WINDOW: xwininfo's window tree, empty when there is no such
# window. xwininfo gives up half-way when a window goes while it walks the
# tree, as trayer's sockets do after their icons: then it is asked again.
xtree() { until TREE=$(xwininfo "$@" -tree 2>/dev/null); do xwininfo "$@" &>/dev/null || return 0; done; echo "$TREE"; }
tray_panel() { xtree -root | awk '/"panel": \("panel" "trayer"\)/ && !p {p=$1} END {if (!p) exit 1; print p}'; }
# The docked icons' X windows, left to right. trayer puts each newly docked
# icon left of the others, so the program's first icon is the rightmost.
tray_icons() {
  local panel; panel=$(tray_panel) || return 0
  xtree -id "$panel" | awk '/"explorer.exe" "explorer.exe"/ {split($NF, p, "+"); print p[2], $1}' |
    sort -n | awk '{print $2}'
}
icon_count() { tray_icons | wc -l; }
# icon_picture K: a fingerprint of the pixels the K-th icon shows.
icon_picture() { import -window "$(icon "$1")" rgb:- 2>/dev/null | md5sum; }
icons_are() { [ "$(icon_count)" -eq "$1" ]; }
wait_icons() { wait_until 60 icons_are "$1" || fail "expected $1 tray icons, have $(icon_count)"; }
# icon K: the icon of the program's K-th shortcut.
icon() { tray_icons | tac | sed -n "${1}p"; }
# point K: the mouse onto the K-th icon, until the icon's tooltip shows. Wine
# learns where a docked icon is only some time after docking, and a click
# before that goes to the wrong icon or none. A tooltip also tells that
# explorer has passed on every click before it. Back on the icon pointed at
# last, whose tooltip a click has hidden for good, there is nothing to wait for.
point() {
  local w; w=$(icon "$1")
  xdotool mousemove 500 500 mousemove --window "$w" 8 8
  [ "$w" = "$POINTED" ] || wait_until 30 tooltip "$w" "$(icon $(($1 + 1)))" || fail "no tooltip on icon $1"
  POINTED=$w
}
# tooltip ICON [NEXT]: explorer shows the icon's tooltip, a window made after
# the icon's own and before the next icon's, if any (X numbers windows in order).
tooltip() {
  xdotool search --onlyvisible --class explorer.exe |
    awk -v w=$(($1)) -v n=$((${2:-1 << 40})) '$1 > w && $1 < n {f = 1} END {exit !f}'
}
double_click() { point "$1" && xdotool click --repeat 2 --delay 80 1; }

# start_ombrix [ARGUMENT...]: starts $FOLDER/ombrix.exe; its pid is OMBRIX_PID.
start_ombrix() {
  (cd "$FOLDER" && exec wine "$FOLDER/ombrix.exe" "$@" >/dev/null 2>&1 </dev/null) &
  OMBRIX_PID=$! && PIDS+=("$OMBRIX_PID")
}
# WM_CLOSE to the program's hidden window, as Windows sends it at shut-down.
close_program() { wine "$TOOLS/findwin.exe" --close "Ombrix+WndClass" "Ombrix+" >/dev/null 2>&1 || true; }
gone() { ! kill -0 "$1" 2>/dev/null; }
# expect_exit PID WHAT: the process ends, with exit code 0.
expect_exit() { wait_until 60 gone "$1" || fail "$2: still running"; wait "$1" || fail "$2: exit code $?"; }

# reg_has KEY [VALUE]: the session's registry holds the key (and the value).
reg_has() { wine reg query "$1" ${2:+/v "$2"} >/dev/null 2>&1; }

# window TITLE: a visible window of this title (a regular expression).
window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
wait_window() { wait_until 60 window "$1" >/dev/null || fail "no window \"$1\""; window "$1"; }
no_window() { ! window "$1" >/dev/null; }
# press WINDOW KEY...: activates the window and types the keys (real XTEST key events).
press() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true; xdotool key --delay 100 "${@:2}"; }
# answer SHOT TITLE KEY...: waits for the window, keeps a screenshot (none
# for an empty SHOT) and types the keys into it.
answer() {
  local w; w=$(wait_window "$2") && { [ -z "$1" ] || screenshot "$1"; } && press "$w" "${@:3}"
}
# ombrix_window -z|-n: a visible window of ombrix.exe without a title (the
# popup menu) or with one (a dialog, whatever the language of its title).
ombrix_window() {
  local w; for w in $(xdotool search --onlyvisible --class ombrix.exe 2>/dev/null); do
    test "$1" "$(xdotool getwindowname "$w" 2>/dev/null)" && echo "$w" && return 0
  done; return 1
}
# popup_keys K KEY...: right-clicks the K-th icon and types the keys into the
# popup, which reads those of the focus window.
popup_keys() {
  point "$1" && xdotool click 3
  wait_until 30 ombrix_window -z >/dev/null || fail "no popup after a right-click on icon $1"
  xdotool windowfocus "$(ombrix_window -z)" 2>/dev/null || true
  [ $# -eq 1 ] || xdotool key --delay 150 "${@:2}"
}

# stop_program PID: WM_CLOSE, then exit code 0.
stop_program() { close_program; expect_exit "$1" "the program"; }
# A step that failed without a word is named. The program is asked to end
# first, so that it can end its companion too.
cleanup() {
  local rc=$? pid
  [[ $rc = 0 || $BASH_COMMAND = "exit 1" ]] || { echo "FAIL: $BASH_COMMAND" >&2; screenshot failed; }
  close_program
  for pid in "${PIDS[@]}"; do wait_until 20 gone "$pid" || kill "$pid" 2>/dev/null || true; done
  kill "$TRAYER_PID" 2>/dev/null || true
}
trap cleanup EXIT
