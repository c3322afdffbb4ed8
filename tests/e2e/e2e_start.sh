#!/usr/bin/env bash
# Journey "start-up": the first run's greeting and options dialog, a second
# start that only shows the About dialog, the copy mode, the
# Ombrix+ submenu's Optionen and Info, and an empty folder. Every process
# ends with exit code 0 and leaves no icon.
. "$(dirname "$0")/lib.sh"

marker_link "$FOLDER/Editor.lnk" Editor
start_tray

note "first run: the greeting, then the options dialog, whose OK writes ombrix.ini"
start_ombrix
first=$OMBRIX_PID
answer greeting 'Ombrix\+' Return
wait_window 'Ombrix\+ Optionen' >/dev/null
[ ! -e "$FOLDER/ombrix.ini" ] || fail "ombrix.ini written before OK"
answer "" 'Ombrix\+ Optionen' Return
wait_until 30 cmp -s <(settings) "$FOLDER/ombrix.ini" || fail "ombrix.ini: $(cat -v "$FOLDER/ombrix.ini")"
wait_icons 1

note "a second start shows the About dialog and ends; the first goes on"
start_ombrix
answer second-start 'Info über Ombrix\+' Return
expect_exit "$OMBRIX_PID" "the second start"
! gone "$first" && icons_are 1 || fail "the second start ended the first one or changed its icons"

note "copy mode: a shortcut path with blanks, unquoted as the shell verb passes it"
mkdir "$WORK/Mit Blanks" && marker_link "$WORK/Mit Blanks/Neu Eintrag.lnk" Neu
# shellcheck disable=SC2046 # split on purpose: wine joins the words with blanks
start_ombrix $(winpath "$WORK/Mit Blanks/Neu Eintrag.lnk")
expect_exit "$OMBRIX_PID" "the copy"
cmp -s "$WORK/Mit Blanks/Neu Eintrag.lnk" "$FOLDER/Neu Eintrag.lnk" || fail "the shortcut was not copied"
wait_icons 2

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

note "an empty folder: the prompt; Cancel ends the program"
rm "$FOLDER"/*.lnk
start_ombrix
answer empty-folder 'Ombrix\+' Escape
expect_exit "$OMBRIX_PID" "the empty folder"
icons_are 0 || fail "an icon was left behind"
