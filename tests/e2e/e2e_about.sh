#!/usr/bin/env bash
# The About dialog end to end: a second start shows it over the running
# instance, it stays while it keeps activation, closes as soon as the user
# clicks elsewhere, and the second instance then ends with 0 and adds no icon.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/e2e_options_menu.sh"

work="$OMBRIX_SESSION/e2e/about"
folder="$work/Leiste"
mapfile -t ini < <(default_settings)
make_program_folder "$folder" "${ini[@]}"
make_marker_shortcut "$folder/Editor.lnk" "$work/editor.marker"
start_tray
sleep 2
# Icons another test left in the shell's notification area are not ours.
base=$(tray_icon_count)

start_ombrix "$folder"
first=$OMBRIX_PID
wait_for_program_window || fail "the first instance has no window"
tray_holds() { [ "$(tray_icon_count)" -eq $((base + $1)) ]; }
wait_until 20 tray_holds 1 || fail "the first instance shows no icon"

note "second start: the About dialog, kept while it is active"
start_ombrix "$folder"
second=$OMBRIX_PID
about=$(wait_for_window 'Info über Ombrix\+' 20) || fail "the second start showed no About dialog"
xdotool windowactivate --sync "$about" >/dev/null 2>&1 || true
sleep 2
screenshot e2e_about-dialog
[ -n "$(window_by_title 'Info über Ombrix\+')" ] || fail "the dialog closed while it was active"
kill -0 "$second" 2>/dev/null || fail "the second instance ended while its dialog was up"
tray_holds 1 || fail "the second instance added tray icons"

note "a click outside takes the activation away and closes it"
xdotool mousemove 80 600 click 1
wait_until 10 bash -c "! xdotool search --onlyvisible --name '^Info über Ombrix\\+\$' >/dev/null 2>&1" ||
  fail "the dialog stayed open after losing activation"
expect_exit "$second" 20 "the second instance did not end with 0"
program_window_exists || fail "the first instance went away"

note "from the tray: I&nfo... shows it in the running instance, Return closes it"
open_program_menu_item n
about=$(wait_for_window 'Info über Ombrix\+' 20) || fail "Info... showed no About dialog"
xdotool windowactivate --sync "$about" >/dev/null 2>&1 || true
screenshot e2e_about-from-tray
press "$about" Return
wait_until 10 bash -c "! xdotool search --onlyvisible --name '^Info über Ombrix\\+\$' >/dev/null 2>&1" ||
  fail "Return did not close the About dialog"
program_window_exists || fail "the running instance ended with its About dialog"

close_program
expect_exit "$first" 20 "the first instance did not end with 0"
echo "e2e_about: all steps passed"
