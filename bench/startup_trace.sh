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
session="$build/trace-session"
bash "$root/scripts/session.sh" start "$session" >/dev/null
trap 'bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT
export OMBRIX_BUILD=$build OMBRIX_SESSION=$session
. "$root/tests/e2e/lib.sh"
trap 'cleanup; bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

now_ms() { date +%s%3N; }
# As in bench/benchmark.sh: the docked icons of the panel, looked at every 50 ms.
docked() { xwininfo -id "$PANEL" -tree 2>/dev/null | grep -c '"explorer.exe" "explorer.exe"' || true; }
wait_docked() {
  local end=$((SECONDS + 120))
  until [ "$(docked)" -ge "$1" ]; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.05; done
}
wait_undocked() { wait_until 30 icons_are 0 || fail "$(icon_count) icons stayed docked"; }

trayer --edge top --align left --widthtype pixel --width 1000 --height 24 --SetDockType true \
  --transparent false >"$WORK/trayer.log" 2>&1 </dev/null &
TRAYER_PID=$!
wait_until 10 tray_panel >/dev/null || fail "trayer did not come up"
PANEL=$(tray_panel)
marker_link "$WORK/template.lnk" bench
FOLDER="$WORK/Leiste"
cp "$build/ombrix.exe" "$FOLDER/"
settings "${SETTINGS:-}" >"$FOLDER/ombrix.ini"
for i in $(seq -w 1 "$COUNT"); do cp "$WORK/template.lnk" "$FOLDER/Verknüpfung $i.lnk"; done
touch -d '1 hour ago' "$FOLDER"/*.lnk
stamps="$WORK/stamps"
: >"$stamps"

# record PROGRAM RUN T0 TRACE: the run's start, its docking and its stamps, one line each.
record() {
  echo "$1 $2 start $3 0 docked $(($(now_ms) - $3))" >>"$stamps"
}
keep_trace() { awk -v p="$1" -v r="$2" -v t0="$3" '{print p, r, "mark", $1 - t0, $4, $2}' "$4" >>"$stamps"; }

for run in $(seq "$RUNS"); do
  rm -f "$build/bench/baseline_tray.exe.trace" "$FOLDER/ombrix.exe.trace"
  t0=$(now_ms)
  (exec wine "$build/bench/baseline_tray.exe" 120000 "$COUNT" >/dev/null 2>&1 </dev/null) &
  pid=$! && PIDS+=("$pid")
  wait_docked "$COUNT" || fail "only $(docked) of $COUNT baseline icons docked"
  record baseline "$run" "$t0"
  wine "$TOOLS/findwin.exe" --close STATIC baseline >/dev/null 2>&1 || true
  expect_exit "$pid" "baseline_tray.exe"
  keep_trace baseline "$run" "$t0" "$build/bench/baseline_tray.exe.trace"
  wait_undocked

  t0=$(now_ms)
  start_ombrix
  wait_docked "$COUNT" || fail "only $(docked) of $COUNT ombrix.exe icons docked"
  record ombrix "$run" "$t0"
  close_program
  expect_exit "$OMBRIX_PID" "ombrix.exe"
  keep_trace ombrix "$run" "$t0" "$FOLDER/ombrix.exe.trace"
  wait_undocked
done

# Per run and thread, the time from one stamp to the next is the step named
# by the later stamp; steps of one name add up. The thread of the first
# stamp is "main", any other "reader". Milestones are times since the start.
steps() {
  sort -k1,1 -k2,2n -k5,5 -k4,4n "$stamps" | awk '
    $3 == "start" { d[$1 " " $2] = $7; next }
    {
      run = $1 " " $2
      if (run != last) { if (last != "") flush(); last = run; delete sum; delete first; mainth = $5; adds = 0 }
      role = ($5 == mainth) ? "main" : "reader"
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
echo "Machine load at the end: $(uptime | sed 's/.*load average/load average/')"
