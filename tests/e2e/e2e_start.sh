#!/usr/bin/env bash
# Journey "start-up": the first run in an empty folder (greeting, options
# dialog, the prompt, the program's own new-shortcut dialog, the first icon),
# a second start that only shows the About dialog, the copy mode, the
# uninstall while the program runs, the Ombrix+ submenu's Optionen and Info,
# and an empty folder declined. Every process ends with exit code 0.
. "$(dirname "$0")/lib.sh"

start_tray

note "first run: the greeting, then the options dialog, whose OK writes ombrix.ini"
start_ombrix
first=$OMBRIX_PID
answer greeting 'Ombrix\+' Return
wait_window 'Ombrix\+ Optionen' >/dev/null
[ ! -e "$FOLDER/ombrix.ini" ] || fail "ombrix.ini written before OK"
answer "" 'Ombrix\+ Optionen' Return
wait_until 30 cmp -s <(settings) "$FOLDER/ombrix.ini" || fail "ombrix.ini: $(cat -v "$FOLDER/ombrix.ini")"

note "the folder is empty: OK on the prompt opens the new-shortcut dialog; a file chosen with"
note "Durchsuchen gives target and name, and the new shortcut gets an icon"
answer empty-folder 'Ombrix\+' Return
new_link=$(wait_window 'Neue Verknüpfung')
no_window 'Ombrix\+' || fail "a second prompt"
press "$new_link" alt+d
press "$(wait_window 'Ziel der Verknüpfung')" ctrl+a
xdotool type --delay 50 'C:\windows\notepad.exe'
xdotool key Return
wait_until 30 no_window 'Ziel der Verknüpfung' || fail "the file dialog stayed"
screenshot new-shortcut
press "$new_link" Return
wait_icons 1
[ -e "$FOLDER/notepad.lnk" ] && ! gone "$first" || fail "no shortcut notepad.lnk, or the program ended"

note "a second start shows the About dialog and ends; the first goes on"
start_ombrix
answer second-start 'Info über Ombrix\+' Return
expect_exit "$OMBRIX_PID" "the second start"
! gone "$first" && icons_are 1 || fail "the second start ended the first one or changed its icons"

note "copy mode: a shortcut path with blanks and full-width quotation marks, unquoted as the shell verb passes it"
copied="Neu ＂Eintrag＂ Łódź.lnk"
mkdir "$WORK/Mit Blanks" && marker_link "$WORK/Mit Blanks/$copied" Neu
# shellcheck disable=SC2046 # split on purpose: wine joins the words with blanks
start_ombrix $(winpath "$WORK/Mit Blanks/$copied")
expect_exit "$OMBRIX_PID" "the copy"
cmp -s "$WORK/Mit Blanks/$copied" "$FOLDER/$copied" || fail "the shortcut was not copied"
wait_icons 2

note "/uninstall while the program runs: yes, and every entry is gone; it ends, the first goes on"
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ombrix+'
wine reg add "$run_key" /v Ombrix+ /d "\"$(winpath "$FOLDER/ombrix.exe")\"" /f >/dev/null 2>&1 || fail "reg add"
reg_has "$uninstall_key" && reg_has "$run_key" Ombrix+ || fail "no entries to remove"
start_ombrix /uninstall
answer uninstall 'Ombrix\+ Deinstallation' Return
answer "" 'Ombrix\+' Return
expect_exit "$OMBRIX_PID" "the uninstall"
! reg_has "$uninstall_key" && ! reg_has "$run_key" Ombrix+ || fail "entries left after the uninstall"
! gone "$first" && icons_are 2 || fail "the uninstall ended the first one or changed its icons"

note "Optionen... and Info... from the popup; Cancel writes nothing"
popup_keys 1 Up Right o
answer "" 'Ombrix\+ Optionen' alt+b Escape  # "Alphabetisch sortieren" switched, then cancelled
wait_until 30 no_window 'Ombrix\+ Optionen' || fail "Escape did not close the options dialog"
cmp -s <(settings) "$FOLDER/ombrix.ini" || fail "Cancel changed ombrix.ini: $(cat -v "$FOLDER/ombrix.ini")"
popup_keys 1 Up Right n
answer about 'Info über Ombrix\+' Return
wait_until 30 no_window 'Info über Ombrix\+' && ! gone "$first" || fail "the About dialog stayed, or the program went"
stop_program "$first"
wait_icons 0

note "an empty folder: Cancel on the prompt ends the program"
rm "$FOLDER"/*.lnk
start_ombrix
answer "" 'Ombrix\+' Escape
expect_exit "$OMBRIX_PID" "Cancel on the prompt"

note "an empty folder: OK, then Abbrechen in the new-shortcut dialog ends the program too"
start_ombrix
answer "" 'Ombrix\+' Return
answer "" 'Neue Verknüpfung' Escape
expect_exit "$OMBRIX_PID" "Abbrechen in the new-shortcut dialog"
icons_are 0 || fail "an icon was left behind"
