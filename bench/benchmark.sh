#!/usr/bin/env bash
# The benchmark: prints the figures of docs/performance.md as Markdown.
# It measures and prints; it asserts nothing.
#
#   BUILD_DIR=build RUNS=3 bash bench/benchmark.sh      (after scripts/build.sh)
#
# It runs in a test session of its own (BUILD_DIR/bench-session), on the same
# Wine and virtual display as the tests. Each time is the median of RUNS runs,
# the program and its baseline taking turns within each run:
#   1. start-up until all icons are docked in trayer, for 10 and 100 shortcuts,
#      against bench/baseline_tray.exe adding as many icons;
#   2. CPU time of the running program over 30 quiet seconds;
#   3. bench_tray.exe: full scan, rescans after a rename and after an unrelated
#      file, the bare listing, tray calls, object counts before and after 1,000
#      changed rebuilds (its own medians of 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${BUILD_DIR:-$root/build}" && pwd)
RUNS=${RUNS:-5}
session="$build/bench-session"
bash "$root/scripts/session.sh" start "$session" >/dev/null
trap 'bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT
export OMBRIX_BUILD=$build OMBRIX_SESSION=$session
# The journeys' steps: wait_until, settings, marker_link, icon_count,
# icons_are, start_ombrix, close_program, expect_exit, cleanup. Work files go
# to its $WORK.
. "$root/tests/e2e/lib.sh"
trap 'cleanup; bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT
# Each shortcut saved through the shell starts winemenubuilder, which would
# still be busy while bench_tray.exe times its scans.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

now_ms() { date +%s%3N; }
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# CPU ticks (user + system) a Linux process has used so far.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The Linux process that runs DIR's ombrix.exe: Wine names it by its Unix path.
ombrix_linux_pid() { pgrep -f "^$1/ombrix.exe" | head -1; }

# docked: how many icons trayer holds. It walks only the panel found once at
# the start, as lib.sh's icon_count walks every window of the display twice:
# with 100 icons that took 100 to 200 ms a look here, long against what is
# timed and busy for the X server that docks the icons meanwhile.
docked() { xwininfo -id "$PANEL" -tree 2>/dev/null | grep -c '"explorer.exe" "explorer.exe"' || true; }
# wait_docked COUNT: until trayer holds COUNT icons, looked at every 50 ms.
wait_docked() {
  local end=$((SECONDS + 120))
  until [ "$(docked)" -ge "$1" ]; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.05; done
}
# Between runs the panel is emptied, so that each run docks into the same one.
wait_undocked() { wait_until 30 icons_are 0 || fail "$(icon_count) icons stayed docked"; }

# program_folder COUNT: a folder with its own ombrix.exe, the default
# settings (no first run) and COUNT copies of one marker shortcut.
program_folder() {
  local dir="$WORK/Leiste$1" i
  [ -d "$dir" ] && { echo "$dir"; return; }
  mkdir -p "$dir"
  cp "$build/ombrix.exe" "$dir/"
  settings >"$dir/ombrix.ini"
  for i in $(seq -w 1 "$1"); do cp "$WORK/template.lnk" "$dir/Verknüpfung $i.lnk"; done
  echo "$dir"
}
start_in() { FOLDER=$1; start_ombrix; }

# A wide panel; an icon docked past its edge is counted all the same, as
# trayer holds its window.
trayer --edge top --align left --widthtype pixel --width 1000 --height 24 --SetDockType true \
  --transparent false >"$WORK/trayer.log" 2>&1 </dev/null &
TRAYER_PID=$!
wait_until 10 tray_panel >/dev/null || fail "trayer did not come up"
PANEL=$(tray_panel)
marker_link "$WORK/template.lnk" bench

# ombrix_ms COUNT: one start of ombrix.exe with COUNT shortcuts until all are
# docked, into MS (no subshell, so that cleanup knows every process started).
ombrix_ms() {
  local folder t0 t1
  folder=$(program_folder "$1")
  t0=$(now_ms)
  start_in "$folder"
  wait_docked "$1" || fail "only $(docked) of $1 ombrix.exe icons docked"
  t1=$(now_ms)
  close_program
  expect_exit "$OMBRIX_PID" "ombrix.exe with $1 shortcuts"
  wait_undocked
  MS=$((t1 - t0))
}

# baseline_ms COUNT: the same for baseline_tray.exe adding COUNT icons.
baseline_ms() {
  local t0 t1 pid
  t0=$(now_ms)
  (exec wine "$build/bench/baseline_tray.exe" 120000 "$1" >/dev/null 2>&1 </dev/null) &
  pid=$! && PIDS+=("$pid")
  wait_docked "$1" || fail "only $(docked) of $1 baseline icons docked"
  t1=$(now_ms)
  wine "$TOOLS/findwin.exe" --close STATIC baseline >/dev/null 2>&1 || true
  expect_exit "$pid" "baseline_tray.exe with $1 icons"
  wait_undocked
  MS=$((t1 - t0))
}

declare -A times
for _ in $(seq "$RUNS"); do
  for count in 10 100; do
    baseline_ms "$count"
    times[baseline$count]+="$MS "
    ombrix_ms "$count"
    times[ombrix$count]+="$MS "
  done
done
echo "## Start-up until every icon is docked (median of $RUNS)"
echo
echo "From process start until trayer shows every icon; the aim is a ratio of at most 1.3 at 100."
echo
echo "| shortcuts (icons) | baseline_tray.exe ms | ombrix.exe ms | ratio ombrix / baseline |"
echo "|---|---|---|---|"
for count in 10 100; do
  base=$(printf '%s\n' ${times[baseline$count]} | median)
  ms=$(printf '%s\n' ${times[ombrix$count]} | median)
  echo "| $count | $base | $ms | $(ratio "$ms" "$base") |"
done

echo
echo "## Idle: CPU of the running program over 30 quiet seconds"
echo
folder=$(program_folder 10)
start_in "$folder"
wait_docked 10 || fail "the idle run did not dock its icons"
sleep 3
linux_pid=$(ombrix_linux_pid "$folder")
[ -n "$linux_pid" ] || fail "no Linux process runs $folder/ombrix.exe"
ticks0=$(cpu_ticks "$linux_pid")
sleep 30
ticks1=$(cpu_ticks "$linux_pid")
hz=$(getconf CLK_TCK)
echo "| Linux process of ombrix.exe | CPU ticks (1/$hz s) | ms |"
echo "|---|---|---|"
echo "| 10 shortcuts, 30 s without input | $((ticks1 - ticks0)) | $(((ticks1 - ticks0) * 1000 / hz)) |"
close_program
expect_exit "$OMBRIX_PID" "ombrix.exe after the idle run"

echo
echo "## Scans and object counts (bench_tray.exe, medians of 5 in the program)"
echo
echo "The aims at 100 shortcuts: a rescan after a rename at most 1/20 of a full scan (0.050), one after"
echo "an unrelated file at most twice the bare listing."
echo
wine "$build/bench/bench_tray.exe" 2>/dev/null | tr -d '\r'

echo
echo "## Machine"
echo
echo "- $(nproc) processors: $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
echo "- $(wine --version), Xvfb display, $(trayer --version 2>&1 | head -1 || true)"
