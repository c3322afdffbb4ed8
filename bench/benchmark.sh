#!/usr/bin/env bash
# The benchmark: prints the figures of docs/performance.md as Markdown.
#
#   BUILD_DIR=build bash bench/benchmark.sh      (after scripts/build.sh)
#
# It runs in a test session of its own (BUILD_DIR/bench-session), on the same
# Wine and virtual display as the tests. Each time is the median of RUNS runs.
#   1. start-up until all icons are docked in trayer, for 10 and 100 shortcuts,
#      against bench/baseline_tray.exe (one icon, then it ends);
#   2. bench_tray.exe: RebuildTrayIcons against the shell-query floor, tray
#      calls of an unchanged rebuild, object counts before and after 1,000
#      changed rebuilds;
#   3. CPU time of the running program over 30 quiet seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${BUILD_DIR:-$root/build}" && pwd)
RUNS=${RUNS:-5}
session="$build/bench-session"
bash "$root/scripts/session.sh" start "$session" >/dev/null
trap 'bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT
export OMBRIX_BUILD=$build OMBRIX_SESSION=$session
. "$root/tests/e2e/lib.sh"
trap 'cleanup; bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT

now_ms() { date +%s%3N; }
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
docked_at_least() { [ "$(tray_icon_count)" -ge "$1" ]; }

# A wide panel, so that 100 icons find room.
trayer --edge top --align left --widthtype pixel --width 1000 --height 24 --SetDockType true \
  --transparent false >"$session/trayer.log" 2>&1 </dev/null &
TRAYER_PID=$!
wait_until 10 tray_panel >/dev/null || fail "trayer did not come up"

work="$session/bench"
mkdir -p "$work"
mapfile -t ini < <(default_settings)
make_marker_shortcut "$work/template.lnk" "$work/bench.marker"

# startup_ms COUNT: one start of ombrix.exe with COUNT shortcuts until all are docked.
startup_ms() {
  local count=$1 folder="$work/Leiste$1" t0 t1 i
  if [ ! -d "$folder" ]; then
    make_program_folder "$folder" "${ini[@]}"
    for i in $(seq -w 1 "$count"); do cp "$work/template.lnk" "$folder/Verknüpfung $i.lnk"; done
  fi
  t0=$(now_ms)
  start_ombrix "$folder"
  wait_until 120 docked_at_least "$count" || fail "only $(tray_icon_count) of $count icons docked"
  t1=$(now_ms)
  close_program
  expect_exit "$OMBRIX_PID" 30 "ombrix.exe did not end"
  wait_until 20 docked_at_least 0 && wait_until 20 bash -c "[ \$(xwininfo -id $(tray_panel) -tree | grep -c explorer.exe) -eq 0 ]" || true
  echo $((t1 - t0))
}

baseline_ms() {
  local t0 t1 pid
  t0=$(now_ms)
  wine "$build/bench/baseline_tray.exe" 1500 >/dev/null 2>&1 </dev/null &
  pid=$!
  wait_until 60 docked_at_least 1 || fail "the baseline icon was not docked"
  t1=$(now_ms)
  wait "$pid" || true
  wait_until 20 bash -c "[ \$(xwininfo -id $(tray_panel) -tree | grep -c explorer.exe) -eq 0 ]" || true
  echo $((t1 - t0))
}

echo "## Start-up until every icon is docked (median of $RUNS)"
echo
baseline=$(for _ in $(seq "$RUNS"); do baseline_ms; done | median)
echo "| program | shortcuts | ms | ratio to baseline |"
echo "|---|---|---|---|"
echo "| baseline_tray.exe (one icon) | - | $baseline | 1.00 |"
for count in 10 100; do
  ms=$(for _ in $(seq "$RUNS"); do startup_ms "$count"; done | median)
  echo "| ombrix.exe | $count | $ms | $(awk -v a="$ms" -v b="$baseline" 'BEGIN {printf "%.2f", a / b}') |"
done

echo
echo "## Idle: CPU of the running program over 30 quiet seconds"
echo
folder="$work/Leiste10"
start_ombrix "$folder"
wait_until 120 docked_at_least 10 || fail "the idle run did not dock its icons"
sleep 3
linux_pid=$(ombrix_linux_pid "$folder")
ticks0=$(cpu_ticks "$linux_pid")
sleep 30
ticks1=$(cpu_ticks "$linux_pid")
hz=$(getconf CLK_TCK)
echo "| Linux process of ombrix.exe | CPU ticks (1/$hz s) | ms |"
echo "|---|---|---|"
echo "| 10 shortcuts, 30 s without input | $((ticks1 - ticks0)) | $(((ticks1 - ticks0) * 1000 / hz)) |"
close_program
expect_exit "$OMBRIX_PID" 30 "ombrix.exe did not end"

echo
echo "## RebuildTrayIcons and object counts (bench_tray.exe, medians of 5 in the program)"
echo
wine "$build/bench/bench_tray.exe" 2>/dev/null | tr -d '\r'

echo
echo "## Machine"
echo
echo "- $(nproc) processors: $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
echo "- $(wine --version), Xvfb display, trayer $(trayer --version 2>&1 | head -1 | tr -d '\n' || true)"
