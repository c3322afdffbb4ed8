#!/usr/bin/env bash
# Options and system integration end to end: the first start leads through the
# first-run message into the options dialog, whose OK creates ombrix.ini and
# the registry entries; the shell verb's command copies a shortcut into the
# folder and the running instance shows its icon; "/uninstall" answered with
# Yes removes every entry.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/e2e_options_menu.sh"

work="$OMBRIX_SESSION/e2e/options"
folder="$work/Leiste"
make_program_folder "$folder"
make_marker_shortcut "$folder/Editor.lnk" "$work/editor.marker"
start_tray
sleep 2
# Icons another test left in the shell's notification area are not ours.
base=$(tray_icon_count)

RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ombrix+'
POLICY_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer'

# reg_value KEY [VALUE]: the data of a value (the default value without
# VALUE) as reg.exe prints it; fails when there is none.
reg_value() {
  local out
  if [ $# -gt 1 ]; then out=$(wine reg query "$1" /v "$2" 2>/dev/null) || return 1
  else out=$(wine reg query "$1" /ve 2>/dev/null) || return 1; fi
  printf '%s\n' "$out" | tr -d '\r' | awk -F '    ' 'NF >= 4 {print $4; found=1} END {exit !found}'
}
tray_holds() { [ "$(tray_icon_count)" -eq $((base + $1)) ]; }
reg_key_exists() { wine reg query "$1" >/dev/null 2>&1; }

remove_entries() {
  wine reg delete "$RUN_KEY" /v Ombrix+ /f >/dev/null 2>&1 || true
  wine reg delete "$UNINSTALL_KEY" /f >/dev/null 2>&1 || true
  wine reg delete 'HKCR\lnkfile\Shell\Ombrix+' /f >/dev/null 2>&1 || true
  wine reg delete 'HKCR\piffile\Shell\Ombrix+' /f >/dev/null 2>&1 || true
}
remove_entries

note "first start: the greeting, then the options dialog"
start_ombrix "$folder"
first=$OMBRIX_PID
greeting=$(wait_for_window 'Ombrix\+' 20) || fail "no first-run message"
press "$greeting" Return
options=$(wait_for_window 'Ombrix\+ Optionen' 20) || fail "no options dialog after the greeting"
[ ! -e "$folder/ombrix.ini" ] || fail "the settings file exists before OK"
note "autostart and shell verb switched on by their access keys, then OK"
press "$options" alt+t alt+s
sleep 0.5
screenshot e2e_options-first-start-dialog
press "$options" Return
wait_until 20 test -e "$folder/ombrix.ini" || fail "OK did not create ombrix.ini"
expected=$(printf '[Ombrix+ Optionen]\r\n%s' "$(default_settings | sed 's/$/\r/')" | iconv -f UTF-8 -t CP1252)
[ "$(cat "$folder/ombrix.ini")" = "$expected" ] || {
  iconv -f CP1252 -t UTF-8 "$folder/ombrix.ini" >&2; fail "ombrix.ini does not hold the six keys"; }
wait_until 20 tray_holds 1 || fail "the shortcut's icon is not in the tray"

note "the registry holds the entries with the executable path in quotes"
exe=$(reg_value "$RUN_KEY" Ombrix+) || fail "no autostart value"
case "$exe" in \"*ombrix.exe\") ;; *) fail "autostart value: $exe" ;; esac
verb=$(reg_value 'HKCR\lnkfile\Shell\Ombrix+\Command') || fail "no verb for .lnk files"
[ "$verb" = "$exe %1" ] || fail "verb command: $verb"
[ "$(reg_value 'HKCR\piffile\Shell\Ombrix+\Command')" = "$exe %1" ] || fail "no verb for .pif files"
[ "$(reg_value "$UNINSTALL_KEY" UninstallString)" = "$exe /uninstall" ] || fail "no uninstall command"
[ "$(reg_value "$UNINSTALL_KEY" DisplayName)" = "Ombrix+" ] || fail "no uninstall display name"
reg_value "$POLICY_KEY" NoDesktop >/dev/null || fail "no NoDesktop value"

note "the shell verb \"Ombrix+\" on a shortcut elsewhere copies it, the icon appears"
mkdir -p "$work/elsewhere"
make_marker_shortcut "$work/elsewhere/Rechner.lnk" "$work/rechner.marker"
wine "$OMBRIX_BUILD/tests/options_shell_verb.exe" "$(winpath "$work/elsewhere/Rechner.lnk")" Ombrix+ \
  >/dev/null 2>&1 </dev/null || fail "the shell found no verb Ombrix+ on the shortcut"
wait_until 20 test -e "$folder/Rechner.lnk" || fail "the verb did not copy the shortcut"
cmp -s "$work/elsewhere/Rechner.lnk" "$folder/Rechner.lnk" || fail "the copy differs"
wait_until 20 tray_holds 2 || fail "the running instance shows no icon for the copied shortcut"
screenshot e2e_options-verb-icon

note "from the tray: Optionen... shows the stored state; order and QuickInfo switched off"
open_program_menu_item Return
options=$(wait_for_window 'Ombrix\+ Optionen' 20) || fail "Optionen... showed no options dialog"
press "$options" alt+b alt+q
sleep 0.5
screenshot e2e_options-from-tray
press "$options" Return
wait_until 20 bash -c "iconv -f CP1252 -t UTF-8 '$folder/ombrix.ini' | grep -q '^Sortieren=Nein'" ||
  fail "OK did not store Sortieren=Nein"
iconv -f CP1252 -t UTF-8 "$folder/ombrix.ini" | grep -q '^QuickInfo=Nein' || fail "OK did not store QuickInfo=Nein"
reg_value "$RUN_KEY" Ombrix+ >/dev/null || fail "autostart, shown checked, did not stay on"
tray_holds 2 || fail "the rebuilt icon set does not hold both shortcuts"

note "Cancel from the tray changes nothing"
before=$(md5sum <"$folder/ombrix.ini")
open_program_menu_item Return
options=$(wait_for_window 'Ombrix\+ Optionen' 20) || fail "no options dialog the second time"
press "$options" alt+b alt+t Escape
wait_until 10 bash -c "! xdotool search --onlyvisible --name '^Ombrix\+ Optionen\$' >/dev/null 2>&1" ||
  fail "Escape did not close the options dialog"
[ "$(md5sum <"$folder/ombrix.ini")" = "$before" ] || fail "Cancel changed ombrix.ini"
reg_value "$RUN_KEY" Ombrix+ >/dev/null || fail "Cancel changed the autostart value"

note "/uninstall answered with Yes removes every entry"
start_ombrix "$folder" /uninstall
uninstall=$OMBRIX_PID
ask=$(wait_for_window 'Ombrix\+ Deinstallation' 20) || fail "no uninstall question"
screenshot e2e_options-uninstall-question
press "$ask" Return
done_box=$(wait_for_window 'Ombrix\+' 20) || fail "no message after uninstalling"
screenshot e2e_options-uninstall-done
press "$done_box" Return
expect_exit "$uninstall" 20 "/uninstall did not end with 0"
! reg_value "$RUN_KEY" Ombrix+ >/dev/null || fail "the autostart value is still there"
! reg_key_exists 'HKCR\lnkfile\Shell\Ombrix+' || fail "the .lnk verb is still there"
! reg_key_exists 'HKCR\piffile\Shell\Ombrix+' || fail "the .pif verb is still there"
! reg_key_exists "$UNINSTALL_KEY" || fail "the uninstall entry is still there"
[ "$(reg_value "$POLICY_KEY" NoDesktop)" = "00000000" ] || fail "NoDesktop is not reset to 0"
[ -e "$folder/ombrix.ini" ] && [ -e "$folder/Rechner.lnk" ] || fail "uninstall touched the folder"
program_window_exists || fail "the running instance went away"
tray_holds 2 || fail "the running instance lost its icons"

close_program
expect_exit "$first" 20 "the first instance did not end with 0"
echo "e2e_options: all steps passed"
