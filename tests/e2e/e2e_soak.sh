#!/usr/bin/env bash
# Soak and faults end to end: 2,000 file operations from outside in bursts
# while the real ombrix.exe runs; afterwards the docked icons are the folder's
# shortcuts in order, clicks still start them, and the program holds the
# handles and windows it held before. Then the tray goes away and comes back
# (trayer ended and started again), and Explorer's "TaskbarCreated" broadcast
# arrives: the icons are there afterwards and take clicks.
. "$(dirname "$0")/lib.sh"

work="$OMBRIX_SESSION/e2e/soak"
folder="$work/Leiste"
rm -rf "$work"
mapfile -t ini < <(default_settings)
make_program_folder "$folder" "${ini[@]}"
anchors=(A B C D E)
for a in "${anchors[@]}"; do make_marker_shortcut "$folder/Soak $a.lnk" "$work/$a.marker"; done
make_marker_shortcut "$work/template.lnk" "$work/storm.marker"

shortcut_count() { find "$folder" -maxdepth 1 -name '*.lnk' | wc -l; }
# Entry i of n is docked (n - i)-th from the left: icons dock right to left.
entry_icon() { tray_icon $(($(tray_icon_count) - $1)); }
double_click() { xdotool mousemove --window "$(entry_icon "$1")" 8 8 click --repeat 2 --delay 80 1; }
marker_is() { [ "$(marker_count "$work/$1.marker")" -eq "$2" ]; }
expect_marker() {
  wait_until 20 marker_is "$1" "$2" || fail "$1 started $(marker_count "$work/$1.marker") times, expected $2"
}
counts() { wine "$TOOLS/objcount.exe" "Ombrix+WndClass" "Ombrix+" 2>/dev/null | tr -d '\r'; }

# storm TOTAL: bursts of 100 creates, renames and deletes of shortcuts and of
# text files, 0.3 s apart; a dozen names, so the folder never overflows the panel.
storm() {
  local total=$1 done=0 n kind op ext
  RANDOM=4711
  while [ "$done" -lt "$total" ]; do
    for _ in $(seq 100); do
      n=$((RANDOM % 12)); kind=$((RANDOM % 3)); op=$((RANDOM % 3))
      ext=lnk; [ "$kind" = 0 ] && ext=txt
      case $op in
        0) if [ "$ext" = lnk ]; then cp "$work/template.lnk" "$folder/Sturm $n.lnk"; else echo x >"$folder/Sturm $n.txt"; fi ;;
        1) [ -e "$folder/Sturm $n.$ext" ] && mv -f "$folder/Sturm $n.$ext" "$folder/Wind $n.$ext" ;;
        2) rm -f "$folder/Sturm $n.$ext" "$folder/Wind $n.$ext" ;;
      esac
      done=$((done + 1))
    done
    sleep 0.3
  done
}
clear_storm() { rm -f "$folder"/Sturm* "$folder"/Wind*; }

start_tray
start_ombrix "$folder"
ombrix=$OMBRIX_PID
wait_for_program_window || fail "the program has no window"
wait_for_icon_count 5 60

note "warm-up storm and a first start, then the counts to come back to"
storm 200
clear_storm
wait_for_icon_count 5 60
sleep 2
double_click 0
expect_marker A 1
sleep 2
before=$(counts) || fail "no counts for the running program"
linux_pid=$(ombrix_linux_pid "$folder")
rss_before=$(awk '/VmRSS/ {print $2}' "/proc/$linux_pid/status")
note "before: $before, VmRSS $rss_before kB"

note "2,000 file operations in bursts"
start=$SECONDS
storm 2000
note "storm took $((SECONDS - start)) s; $(shortcut_count) shortcuts left"
wait_for_icon_count "$(shortcut_count)" 60
sleep 3
wait_for_icon_count "$(shortcut_count)" 60
screenshot e2e_soak-after-storm

note "the anchors come first, in order, and start their shortcuts"
for i in 0 1 2 3 4; do
  double_click "$i"
  expect_marker "${anchors[$i]}" $((i == 0 ? 2 : 1))
done

note "back to the anchors: handles and windows as before"
clear_storm
wait_for_icon_count 5 60
sleep 3
after=$(counts)
rss_after=$(awk '/VmRSS/ {print $2}' "/proc/$linux_pid/status")
note "after: $after, VmRSS $rss_after kB"
[ "${before% pid*}" = "${after% pid*}" ] || fail "counts changed: $before -> $after"
[ "$rss_after" -lt $((rss_before + 8192)) ] || fail "resident memory grew from $rss_before to $rss_after kB"

note "the tray ends and starts again: the icons come back"
stop_tray
sleep 2
start_tray
wait_for_icon_count 5 60
sleep 2
screenshot e2e_soak-tray-restarted
double_click 0
expect_marker A 3

note "the TaskbarCreated broadcast: the icons are there once, and take clicks"
wine "$TOOLS/taskbar_created.exe" || fail "the broadcast was not sent"
sleep 3
wait_for_icon_count 5 60
sleep 2
icon_count_is 5 || fail "after the broadcast: $(tray_icon_count) icons"
double_click 1
expect_marker B 2
program_window_exists || fail "the program went away"

close_program
expect_exit "$ombrix" 20 "the program did not end with 0"
echo "e2e_soak: all steps passed"
