#!/usr/bin/env bash
# Bad input end to end, with the real ombrix.exe: command lines that name no
# shortcut, a settings file of garbage, a folder of hostile names and corrupt
# files, 300 shortcuts, a Desktop of 1,000 items. Every case ends in the
# documented behaviour or a clear message, exit code 0, and no file lost.
. "$(dirname "$0")/lib.sh"

work="$OMBRIX_SESSION/e2e/badinput"
folder="$work/Leiste"
rm -rf "$work"
mapfile -t ini < <(default_settings)
make_program_folder "$folder" "${ini[@]}"
make_marker_shortcut "$work/template.lnk" "$work/plain.marker"

entry_icon() { tray_icon $(($(tray_icon_count) - $1)); }

# expect_copy_error WHAT ARGUMENT: the copy mode refuses with its message and ends with 0.
expect_copy_error() {
  local what=$1; shift
  start_ombrix "$folder" "$@"
  local box
  box=$(wait_for_window 'Ombrix\+' 20) || fail "$what: no message"
  press "$box" Return
  expect_exit "$OMBRIX_PID" 20 "$what"
}

start_tray

note "command line: 5,000 characters, quotes, /uninstall variants, a folder named x.lnk"
expect_copy_error "5,000 characters" "C:\\$(printf 'a%.0s' $(seq 4992)).lnk"
expect_copy_error "quoted path" "\"$(winpath "$work/template.lnk")\""
expect_copy_error "/uninstall with a blank" "/uninstall "
expect_copy_error "-uninstall" "-uninstall"
mkdir -p "$work/x.lnk" && echo data >"$work/x.lnk/inhalt.txt"
expect_copy_error "folder named x.lnk" "$(winpath "$work/x.lnk")"
[ ! -e "$folder/x.lnk" ] || fail "the folder x.lnk was copied"
[ -e "$work/x.lnk/inhalt.txt" ] || fail "the folder x.lnk lost its file"

note "command line: a .lnk that does not exist: nothing copied, the process ends"
start_ombrix "$folder" "$(winpath "$work/fehlt.lnk")"
pid=$OMBRIX_PID
# No message of the program's own (and this shell shows none): it just ends.
expect_exit "$pid" 30 "the copy of a missing shortcut"
[ ! -e "$folder/fehlt.lnk" ] || fail "a missing shortcut appeared in the folder"

note "settings file of binary garbage: the program starts with valid settings"
head -c 4096 /dev/urandom >"$folder/ombrix.ini"
cp "$folder/ombrix.ini" "$work/garbage.ini"
cp "$work/template.lnk" "$folder/Normal.lnk"

note "folder: a corrupt .lnk, a name of 255 characters, names with &, a name outside CP1252"
head -c 700 /dev/urandom >"$folder/Kaputt.lnk"
long="$(printf 'L%.0s' $(seq 251)).lnk"
cp "$work/template.lnk" "$folder/$long"
cp "$work/template.lnk" "$folder/Tom & Jerry.lnk"
cp "$work/template.lnk" "$folder/日本Ω.lnk"
start_ombrix "$folder"
ombrix=$OMBRIX_PID
wait_for_program_window || fail "the program did not start"
sleep 5
program_window_exists || fail "the program ended"
shown=$(tray_icon_count)
note "$shown icons for Normal, Tom & Jerry and the corrupt file"
[ "$shown" -ge 2 ] && [ "$shown" -le 3 ] || fail "$shown icons"
screenshot e2e_badinput-hostile-names
sleep 2
xdotool mousemove --window "$(entry_icon $((shown - 1)))" 8 8 click --repeat 2 --delay 80 1
wait_until 20 bash -c "[ \$(grep -c ran '$work/plain.marker' 2>/dev/null || echo 0) -ge 1 ]" ||
  fail "a click among the hostile names started nothing"
for f in Kaputt.lnk "$long" "Tom & Jerry.lnk" "日本Ω.lnk" Normal.lnk; do
  [ -e "$folder/$f" ] || fail "$f was lost"
done
cmp -s "$folder/ombrix.ini" "$work/garbage.ini" || fail "the settings file was changed"
close_program
expect_exit "$ombrix" 20 "the program did not end with 0"

note "300 shortcuts: one message about the 200 left out, 100 icons"
rm -f "$folder"/*.lnk "$folder/ombrix.ini"
make_program_folder "$folder" "${ini[@]}"
for i in $(seq -w 1 300); do cp "$work/template.lnk" "$folder/Eintrag $i.lnk"; done
start_ombrix "$folder"
ombrix=$OMBRIX_PID
box=$(wait_for_window 'Ombrix\+' 90) || fail "no message about the shortcuts left out"
screenshot e2e_badinput-300-shortcuts
press "$box" Return
wait_for_icon_count 100 60
program_window_exists || fail "the program ended"
close_program
expect_exit "$ombrix" 60 "the program with 300 shortcuts did not end with 0"

note "Desktop with 1,000 items: the popup opens with its 28 items"
stop_tray
start_tray
desktop="$HOME/Desktop"
for i in $(seq -w 1 1000); do echo x >"$desktop/Datei $i.txt"; done
trap 'rm -f "$desktop"/Datei\ *.txt; cleanup' EXIT
rm -f "$folder"/*.lnk
mapfile -t ini < <(default_settings | sed 's/^Desktop-Menü=.*/Desktop-Menü=Ja/')
make_program_folder "$folder" "${ini[@]}"
cp "$work/template.lnk" "$folder/Normal.lnk"
start_ombrix "$folder"
ombrix=$OMBRIX_PID
wait_for_icon_count 1 60
sleep 2
xdotool mousemove --window "$(tray_icon 1)" 8 8 click 3
popup() {
  local w
  for w in $(xdotool search --onlyvisible --class ombrix.exe 2>/dev/null); do
    [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && return 0
  done
  return 1
}
wait_until 15 popup || fail "no popup with 1,000 Desktop items"
sleep 1
screenshot e2e_badinput-desktop-1000
xdotool key Escape
sleep 1
program_window_exists || fail "the program ended"
[ "$(find "$desktop" -name 'Datei *.txt' | wc -l)" -eq 1000 ] || fail "Desktop items were lost"
close_program
expect_exit "$ombrix" 20 "the program did not end with 0"
echo "e2e_badinput: all steps passed"
