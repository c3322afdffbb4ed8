#!/usr/bin/env bash
# Where start-up spends its time, step by step: ombrix.exe and
# baseline_tray.exe built with -DOMBRIX_TRACE=ON note a stamp at each step
# (app/trace.h). This starts each of them RUNS times with COUNT shortcuts
# (COUNT icons), taking turns, times the docking from outside as
# bench/benchmark.sh does, and prints the median of each step. It measures
# and prints; it asserts nothing.
#
#   cmake -S . -B build-trace -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64.cmake \
#     -DCMAKE_BUILD_TYPE=Release -DOMBRIX_TRACE=ON
#   cmake --build build-trace --target ombrix baseline_tray marker mklink findwin
#   BUILD_DIR=build-trace RUNS=5 COUNT=100 bash bench/startup_trace.sh
#
# SETTINGS is a sed script for the settings file ('s/Kennzeichnen=Ja/Kennzeichnen=Nein/').
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${BUILD_DIR:-$root/build-trace}" && pwd)
RUNS=${RUNS:-5} COUNT=${COUNT:-100}
. "$root/bench/lib.sh"
folder=$(program_folder Leiste "$COUNT" "${SETTINGS:-}")
stamps="$WORK/stamps"
: >"$stamps"

# record PROGRAM RUN TRACE: the run's start and docking (T0, MS) and its stamps, a line each.
record() {
  echo "$1 $2 start $T0 0 docked $MS" >>"$stamps"
  awk -v p="$1" -v r="$2" -v t0="$T0" '{print p, r, "mark", $1 - t0, $4, $2}' "$3" >>"$stamps"
}

for run in $(seq "$RUNS"); do
  rm -f "$build/bench/baseline_tray.exe.trace" "$folder/ombrix.exe.trace"
  baseline_ms "$COUNT"
  record baseline "$run" "$build/bench/baseline_tray.exe.trace"
  ombrix_ms "$folder" "$COUNT"
  record ombrix "$run" "$folder/ombrix.exe.trace"
done

# Per run and thread, the time from one stamp to the next is the step named
# by the later stamp; steps of one name add up. The thread of the first
# stamp is "main", any other "adder" (the thread that adds the first scan's icons). Milestones are times since the start.
steps() {
  sort -k1,1 -k2,2n -k5,5 -k4,4n "$stamps" | awk '
    $3 == "start" { d[$1 " " $2] = $7; next }
    {
      run = $1 " " $2
      if (run != last) { if (last != "") flush(); last = run; delete sum; delete first; mainth = $5; adds = 0 }
      role = ($5 == mainth) ? "main" : "adder"
      if (!(role in first)) { first[role] = $4; print $1, "at", role, "first stamp", $4 }
      else if ($6 != "wake") sum[role " " $6] += $4 - prev[role]  # a wake comes after the docking
      prev[role] = $4
      if ($6 == "tray.add") { if (!adds++) print $1, "at", "main", "first add", $4; lastadd = $4 }
    }
    function flush(  k) {
      for (k in sum) print last_p(), "step", k, sum[k]
      print last_p(), "at", "main", "last add", lastadd
      print last_p(), "at", "main", "last icon docked", d[last]
    }
    function last_p(  a) { split(last, a, " "); return a[1] }
    END { if (last != "") flush() }'
}
# The median of each line's value over the runs.
medians() {
  awk '{v = $NF; $NF = ""; print $0 "\t" v}' | sort -t "$(printf '\t')" -k1,1 -k2,2n |
    awk -F '\t' '
      $1 != key { if (key != "") out(); key = $1; n = 0 }
      { v[++n] = $2 }
      END { if (key != "") out() }
      function out() { printf "%s\t%.0f\n", key, v[int((n + 1) / 2)] }'
}

echo "## Start-up, step by step ($COUNT shortcuts, medians of $RUNS runs)"
echo
echo "| program | kind | thread | step or moment | ms |"
echo "|---|---|---|---|---|"
steps | medians | sort | awk -F '\t' '{split($1, f, " "); name = f[4]; for (i = 5; i <= length(f); i++) name = name " " f[i]
  if (f[2] == "at" || $2 >= 1) printf "| %s | %s | %s | %s | %s |\n", f[1], f[2] == "at" ? "moment" : "step", f[3], name, $2}'
echo
echo "Load average (1, 5, 15 minutes) at the end: $(load_average)"
