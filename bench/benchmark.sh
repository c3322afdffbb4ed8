#!/usr/bin/env bash
# The benchmark: prints the figures of docs/performance.md as Markdown.
# It measures and prints; it asserts nothing.
#
#   BUILD_DIR=build RUNS=5 bash bench/benchmark.sh      (after scripts/build.sh)
#
# It runs in a test session of its own (BUILD_DIR/benchmark-session), on the
# same Wine and virtual display as the tests. Each time is the median of RUNS
# runs, with the lowest and highest beside it:
#   1. start-up until all icons are docked in trayer, for 10 and 100 shortcuts
#      and for 100 with "Kennzeichnen" off, against bench/baseline_tray.exe
#      adding as many icons, the two taking turns within each run;
#   2. CPU time of the running program over 30 quiet seconds;
#   3. bench_tray.exe: full scan, rescans after a rename and after an unrelated
#      file, the bare listing, tray calls, object counts before and after 1,000
#      changed rebuilds (its own medians of 5), and 3,000 shortcuts timed once
#      with what the process holds (also alone: bench_tray.exe 3000).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${BUILD_DIR:-$root/build}" && pwd)
RUNS=${RUNS:-5}
. "$root/bench/lib.sh"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# CPU ticks (user + system) a Linux process has used so far.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The Linux process that runs DIR's ombrix.exe: Wine names it by its Unix path.
ombrix_linux_pid() { pgrep -f "^$1/ombrix.exe" | head -1; }
# spread: "lowest–highest" of the numbers on standard input.
spread() { sort -n | awk 'NR == 1 {lo = $1} {hi = $1} END {printf "%s–%s", lo, hi}'; }

# The start-up cases: name, shortcuts (icons), runs per round, change to the
# default settings. A start with 10 icons takes half a second, where the 50 ms
# between looks at the panel and the machine's moods weigh much: it runs three
# times a round.
cases=("10 10 3" "100 100 1" "100-plain 100 1 s/Kennzeichnen=Ja/Kennzeichnen=Nein/")
declare -A times ratios folders
for c in "${cases[@]}"; do
  read -r name count _ sed <<<"$c"
  folders[$name]=$(program_folder "Leiste$name" "$count" "$sed")
done
load_before=$(load_average)
turn=0
for _ in $(seq "$RUNS"); do
  for c in "${cases[@]}"; do
    read -r name count rounds _ <<<"$c"
    for _ in $(seq "$rounds"); do
      # The two take turns, and which goes first changes each time.
      turn=$((turn + 1))
      for who in $( ((turn % 2)) && echo baseline ombrix || echo ombrix baseline); do
        if [ "$who" = baseline ]; then baseline_ms "$count"; else ombrix_ms "${folders[$name]}" "$count"; fi
        times[$who$name]+="$MS "
        [ "$who" = baseline ] && base=$MS || mine=$MS
      done
      ratios[$name]+="$(ratio "$mine" "$base") "
    done
  done
done
load_after=$(load_average)
echo "## Start-up until every icon is docked (medians, spread lowest–highest)"
echo
echo "From process start until trayer shows every icon; the aim is a ratio of at most 1.15 at 10 and 100."
echo "Load average (1, 5, 15 minutes) before: $load_before; after: $load_after."
echo
echo "| shortcuts (icons) | Kennzeichnen | runs | baseline_tray.exe ms | ombrix.exe ms | ratio of medians | ratio per run |"
echo "|---|---|---|---|---|---|---|"
for c in "${cases[@]}"; do
  read -r name count rounds sed <<<"$c"
  base=$(printf '%s\n' ${times[baseline$name]} | median)
  mine=$(printf '%s\n' ${times[ombrix$name]} | median)
  echo "| $count | $([ -n "$sed" ] && echo Nein || echo Ja) | $((RUNS * rounds)) | $base ($(printf '%s\n' ${times[baseline$name]} | spread))" \
    "| $mine ($(printf '%s\n' ${times[ombrix$name]} | spread)) | $(ratio "$mine" "$base")" \
    "| $(printf '%s\n' ${ratios[$name]} | spread) |"
done

echo
echo "## Idle: CPU of the running program over 30 quiet seconds"
echo
folder=${folders[10]}
FOLDER=$folder
start_ombrix
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
echo "The aim at 100 shortcuts: a rescan after a rename at most 1/20 of a full scan (0.050)."
echo
wine "$build/bench/bench_tray.exe" 2>/dev/null | tr -d '\r'

echo
echo "## Machine"
echo
echo "- $(nproc) processors: $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
echo "- $(wine --version), Xvfb display, $(trayer --version 2>&1 | head -1 || true)"
