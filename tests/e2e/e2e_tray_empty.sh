#!/usr/bin/env bash
# An empty program folder end to end: the prompt offers the new-shortcut
# wizard; Cancel ends the program with exit code 0 and no icon, OK opens the
# new-shortcut dialog (the program's own, since Wine's Appwiz.cpl has no
# NewLinkHere), whose shortcut then appears as the first icon.
. "$(dirname "$0")/lib.sh"

work="$OMBRIX_SESSION/e2e/tray_empty"
folder="$work/Leiste"
mapfile -t ini < <(default_settings)
make_program_folder "$folder" "${ini[@]}"
start_tray

note "Cancel at the prompt ends the program"
start_ombrix "$folder"
pid=$OMBRIX_PID
prompt=$(wait_for_window 'Ombrix\+' 30) || fail "no empty-folder prompt"
screenshot e2e_tray_empty-prompt
press "$prompt" Escape
expect_exit "$pid" 20 "Cancel did not end the program with 0"
icon_count_is 0 || fail "an icon was left behind"

note "OK at the prompt opens the new-shortcut dialog"
start_ombrix "$folder"
pid=$OMBRIX_PID
prompt=$(wait_for_window 'Ombrix\+' 30) || fail "no empty-folder prompt"
press "$prompt" Return
dialog=$(wait_for_window 'Neue Verknüpfung' 20) || fail "the new-shortcut dialog did not open"
program_window_exists || fail "the program did not keep running"

note "pick the target with the open-file dialog"
press "$dialog" alt+d
picker=$(wait_for_window 'Ziel der Verknüpfung' 20) || fail "no open-file dialog"
xdotool windowactivate --sync "$picker" >/dev/null 2>&1 || true
sleep 0.5
xdotool type --delay 30 "$(winpath "$TOOLS/marker.exe")"
screenshot e2e_tray_empty-pick-target
xdotool key Return
wait_until 10 bash -c "! xdotool search --onlyvisible --name '^Ziel der Verknüpfung\$' >/dev/null 2>&1" ||
  fail "the open-file dialog stayed open"
sleep 0.5
screenshot e2e_tray_empty-new-shortcut
press "$dialog" Return
wait_until 10 test -f "$folder/marker.lnk" || fail "no shortcut was created: $(ls "$folder")"
wait_until 20 icon_count_is 1 || fail "the new shortcut got no icon"
sleep 1
screenshot e2e_tray_empty-new-icon

note "the shortcut points at the program picked"
grep -q "marker.exe" <(strings "$folder/marker.lnk") || fail "the shortcut does not point at marker.exe"

close_program
expect_exit "$pid" 20 "the program did not end with 0"
wait_until 10 icon_count_is 0 || fail "icons left behind"
echo "e2e_tray_empty: all steps passed"
