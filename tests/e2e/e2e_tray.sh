#!/usr/bin/env bash
# Journey "tray icons": one docked icon per shortcut, in name order; icons
# that follow shortcuts created, deleted and renamed from outside and through
# the popup, the unchanged ones keeping their windows; no start while the
# rename dialog is open; Beenden. (The taskbar restart is a unit test: under Wine, explorer docks the icons again by itself.)
. "$(dirname "$0")/lib.sh"

trash=$HOME/.local/share/Trash
rm -f "$trash/files/Aaron.lnk" "$trash/info/Aaron.lnk.trashinfo"
settings >"$FOLDER/ombrix.ini"
# Wine lists "Alpha-Beta.lnk" before "Alpha.lnk" ('-' before '.'): name
# order must come from the program itself.
# Bravo's shortcut has a name the ANSI code page cannot spell; it sorts last.
bravo="$FOLDER/Ωmega 微信.lnk"
for name in Bravo Alpha-Beta Alpha; do marker_link "$FOLDER/$name.lnk" "$name"; done
mv "$FOLDER/Bravo.lnk" "$bravo"

# expect_order MARKER...: a double-click on each icon, from the program's
# first to its last, starts the shortcut of this marker.
expect_order() { local k=0 name; for name in "$@"; do k=$((k + 1)) && expect_start "$name" double_click $k; done; }
# after_change N "K..." COMMAND...: COMMAND changes the folder; waits until N
# icons are docked, and the icons at places K (counted before the change) are
# the same windows as before: unchanged icons stay put. (Those behind a new
# icon are added again behind it, each with its own identity.)
after_change() {
  local kept="" k; for k in $2; do kept+="$(icon "$k")"$'\n'; done
  "${@:3}"
  wait_until 60 rebuilt "$1" "$kept" || fail "after ${*:3}: not $1 icons with icons $2 kept"
}
# Both on one look at the tray, which changes meanwhile.
rebuilt() { local now; now=$(tray_icons); [ "$(grep -c . <<<"$now")" -eq "$1" ] && [ -z "$(grep -vxFf <(echo "$now") <<<"$2")" ]; }

start_tray
start_ombrix
wait_icons 3
note "three shortcuts, three icons in name order"
expect_order Alpha Alpha-Beta Bravo

note "a shortcut given another picture in place: its icon shows it at once, where it is"
kept=$(icon 2) old=$(icon_picture 2)
wine "$TOOLS/mklink.exe" "$(winpath "$FOLDER/Alpha-Beta.lnk")" "$(winpath "$TOOLS/marker.exe")" \
  "$(winpath "$WORK/Alpha-Beta.marker")" 'C:\windows\system32\shell32.dll' 12 >/dev/null 2>&1 || fail "mklink"
wait_until 30 eval '[ "$(icon_picture 2)" != "$old" ]' || fail "the icon kept its old picture"
[ "$(icon 2)" = "$kept" ] || fail "the icon was added anew instead of changed"
screenshot new-picture

note "shortcuts created, deleted and renamed from outside"
marker_link "$WORK/Aaron.lnk" Aaron
after_change 4 "" mv "$WORK/Aaron.lnk" "$FOLDER/"
expect_order Aaron Alpha Alpha-Beta Bravo
after_change 3 "1 3" eval 'mv "$FOLDER/Alpha.lnk" "$FOLDER/Zulu.lnk" && rm "$bravo"'
expect_order Aaron Alpha-Beta Alpha


note "Löschen in the popup: to the recycle bin"
popup_keys 1 Down Right l
wait_until 60 ombrix_window -n >/dev/null || fail "no confirmation of the delete"
screenshot delete
after_change 2 "2 3" press "$(ombrix_window -n)" Return
[ ! -e "$FOLDER/Aaron.lnk" ] && [ -e "$trash/files/Aaron.lnk" ] || fail "Aaron.lnk is not in the recycle bin"
expect_order Alpha-Beta Alpha

note "Umbenennen Zulu to Adam; a double-click meanwhile starts nothing"
popup_keys 2 Down Right u
rename=$(wait_window Umbenennen)
double_click 1
point 2  # once icon 2's tooltip shows, explorer has passed the double-click on
screenshot rename
before=$(tray_icons)
press "$rename" A d a m Return
wait_until 30 test -e "$FOLDER/Adam.lnk" || fail "Zulu.lnk was not renamed to Adam.lnk"
[ ! -e "$FOLDER/Zulu.lnk" ] || fail "Zulu.lnk is still there"
# Adam now sorts first: both icons are added again, in the new order.
wait_until 60 eval 'icons_are 2 && [ -z "$(grep -xFf <(echo "$before") <(tray_icons))" ]' || fail "not moved"
expect_order Alpha Alpha-Beta

note "Beenden: exit code 0, no icon left, no start but those clicked"
popup_keys 1 Up Right b
expect_exit "$OMBRIX_PID" "the program"
wait_icons 0
expect_no_other_start
