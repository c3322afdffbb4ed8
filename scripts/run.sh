#!/usr/bin/env bash
# The run command: installs what is missing, builds, and starts ombrix.exe under
# Wine from a folder of sample shortcuts (build/sample) with a system tray.
# On a real display ($DISPLAY reachable) the program runs there until you choose
# "Beenden" in its menu; otherwise it runs on a virtual display of its own, a
# screenshot of the tray is saved and its path printed, and the program is closed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh" >/dev/null

session="$BUILD_DIR/run-session"
if [ -n "${DISPLAY:-}" ] && xwininfo -root >/dev/null 2>&1; then
  export SESSION_DISPLAY=$DISPLAY
  virtual=""
else
  unset SESSION_DISPLAY
  virtual=yes
fi
bash "$root/scripts/session.sh" start "$session" >/dev/null
. "$session/env.sh"
trap 'bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT

sample="$BUILD_DIR/sample"
tools="$BUILD_DIR/tools"
mkdir -p "$sample"
cp "$BUILD_DIR/ombrix.exe" "$sample/"
if [ ! -f "$sample/ombrix.ini" ]; then
  printf '[Ombrix+ Optionen]\r\n%s\r\n' "Öffnen=Doppelklick" "Kennzeichnen=Ja" "QuickInfo=Ja" "Sortieren=Ja" \
    "Corvane+=Nein" "Desktop-Menü=Nein" | iconv -f UTF-8 -t CP1252 >"$sample/ombrix.ini"
fi
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# Wine's shell gives a shortcut without an icon location one generic picture whatever
# its target; naming the target as the icon file shows each sample with its own.
make_sample() {
  [ -f "$sample/$1.lnk" ] || wine "$tools/mklink.exe" "$(winpath "$sample/$1.lnk")" "$2" "" "$2" 0 >/dev/null 2>&1
}
make_sample "Editor" 'C:\windows\notepad.exe'
make_sample "Registrierung" 'C:\windows\regedit.exe'
make_sample "Minensucher" 'C:\windows\system32\winemine.exe'
count=$(find "$sample" -maxdepth 1 -iname '*.lnk' | wc -l)

tray_pid=""
if [ -n "$virtual" ] || [ -n "${OMBRIX_START_TRAYER:-}" ]; then
  trayer --edge top --align left --widthtype pixel --width 400 --height 24 --SetDockType true --transparent false \
    >/dev/null 2>&1 </dev/null &
  tray_pid=$!
fi

echo "Ombrix+ runs from $sample ($count shortcuts) on display $DISPLAY"
(cd "$sample" && exec wine "$sample/ombrix.exe") &
program=$!
if [ -z "$virtual" ]; then
  wait "$program" || true
else
  # Icons docked in trayer's panel window.
  docked() {
    local panel
    panel=$(xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ && !p {p=$1} END {print p}')
    [ -n "$panel" ] || { echo 0; return; }
    xwininfo -id "$panel" -tree | grep -c '"explorer.exe" "explorer.exe"' || true
  }
  for _ in $(seq 100); do [ "$(docked)" -ge "$count" ] && break; sleep 0.2; done
  sleep 1
  mkdir -p "$BUILD_DIR/screenshots"
  shot="$BUILD_DIR/screenshots/ombrix-run.png"
  import -window root "$shot"
  echo "$(docked) icons docked in the tray; screenshot: $shot"
  wine "$tools/findwin.exe" --close "Ombrix+WndClass" "Ombrix+" >/dev/null 2>&1 || true
  wait "$program" || true
fi
[ -n "$tray_pid" ] && kill "$tray_pid" 2>/dev/null || true
