#!/usr/bin/env bash
# Start-up end to end: the four command-line modes of the real ombrix.exe, the
# single instance, the first-run greeting, exit code 0 everywhere, and a main
# loop that costs no CPU while nothing happens.
. "$(dirname "$0")/lib.sh"

work="$OMBRIX_SESSION/e2e/start"
folder="$work/Leiste"
mapfile -t ini < <(default_settings)
make_program_folder "$folder" "${ini[@]}"
make_marker_shortcut "$folder/Editor.lnk" "$work/editor.marker"
start_tray

note "first instance"
start_ombrix "$folder"
first=$OMBRIX_PID
wait_for_program_window || fail "the first instance has no window"

note "idle: the main loop sleeps without a time-out"
linux_pid=$(ombrix_linux_pid "$folder") || true
[ -n "$linux_pid" ] || fail "no Linux process for ombrix.exe"
sleep 1
before=$(cpu_ticks "$linux_pid")
sleep 5
after=$(cpu_ticks "$linux_pid")
note "CPU ticks over 5 quiet seconds: $((after - before))"
[ $((after - before)) -le 2 ] || fail "the idle program used $((after - before)) ticks"

note "second instance: About only, then it ends"
icons_before=$(tray_icon_count)
start_ombrix "$folder"
second=$OMBRIX_PID
about=$(wait_for_window 'Info über Ombrix\+' 20) || fail "the second instance showed no About dialog"
screenshot e2e_start-second-instance-about
[ "$(tray_icon_count)" -eq "$icons_before" ] || fail "the second instance added tray icons"
press "$about" Return
expect_exit "$second" 20 "the second instance did not end with 0"
program_window_exists || fail "the first instance went away"

note "copy mode: a shortcut path is copied into the folder"
mkdir -p "$work/elsewhere"
make_marker_shortcut "$work/elsewhere/Neu.LNK" "$work/neu.marker"
start_ombrix "$folder" "$(winpath "$work/elsewhere/Neu.LNK")"
expect_exit "$OMBRIX_PID" 30 "the copy mode did not end with 0"
cmp -s "$work/elsewhere/Neu.LNK" "$folder/Neu.LNK" || fail "the shortcut was not copied"

note "copy mode: anything else is refused with a message"
start_ombrix "$folder" "$(winpath "$work/elsewhere/notiz.txt")"
refusal=$(wait_for_window 'Ombrix\+' 20) || fail "no message for a text that names no shortcut"
screenshot e2e_start-copy-refused
press "$refusal" Return
expect_exit "$OMBRIX_PID" 20 "the refused copy did not end with 0"

note "shut-down by WM_CLOSE"
close_program
expect_exit "$first" 20 "the first instance did not end with 0"

note "first run: no settings file, the greeting, the options dialog, then the program runs"
fresh="$work/Neu"
make_program_folder "$fresh"
make_marker_shortcut "$fresh/Editor.lnk" "$work/editor.marker"
icons_before=$(tray_icon_count)
start_ombrix "$fresh"
fresh_pid=$OMBRIX_PID
greeting=$(wait_for_window 'Ombrix\+' 20) || fail "no first-run message"
screenshot e2e_start-first-run
press "$greeting" Return
options=$(wait_for_window 'Ombrix\+ Optionen' 20) || fail "no options dialog after the greeting"
press "$options" Escape
wait_for_icon_count $((icons_before + 1)) 20
[ ! -e "$fresh/ombrix.ini" ] || fail "a cancelled first-run dialog wrote the settings file"
close_program
expect_exit "$fresh_pid" 20 "the first-run instance did not end with 0"
note "a folder so deep that the derived commands would not fit: a message, no start"
deep="$work/$(printf 'v%.0s' $(seq 120))/$(printf 'w%.0s' $(seq 120))"
make_program_folder "$deep" "${ini[@]}"
[ ${#deep} -gt 240 ] || fail "test folder not deep enough"
start_ombrix "$deep"
deep_pid=$OMBRIX_PID
refusal=$(wait_for_window 'Ombrix\+' 20) || fail "no message for a path too long"
screenshot e2e_start-path-too-long
press "$refusal" Return
expect_exit "$deep_pid" 20 "the refused start did not end with 0"
program_window_exists && fail "the refused start left a program window"
echo "e2e_start: all steps passed"
