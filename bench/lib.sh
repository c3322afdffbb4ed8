# What the start-up measurements share: a test session of their own
# (BUILD_DIR/<script>-session) with the journeys' steps (tests/e2e/lib.sh),
# trayer as one wide panel, a marker shortcut to copy, and the clock from a
# program's start until trayer holds all its icons. Sourced by
# bench/benchmark.sh and bench/startup_trace.sh with root and build set.
session="$build/$(basename "$0" .sh)-session"
bash "$root/scripts/session.sh" start "$session" >/dev/null
trap 'bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT
export OMBRIX_BUILD=$build OMBRIX_SESSION=$session
# wait_until, settings, marker_link, icons_are, start_ombrix, close_program,
# expect_exit, cleanup; work files go to its $WORK.
. "$root/tests/e2e/lib.sh"
trap 'cleanup; bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT
# Each shortcut saved through the shell starts winemenubuilder, which would
# still be busy while the next figure is taken.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

now_ms() { date +%s%3N; }
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
load_average() { cut -d ' ' -f 1-3 /proc/loadavg; }

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

# A wide panel; an icon docked past its edge is counted all the same, as
# trayer holds its window.
trayer --edge top --align left --widthtype pixel --width 1000 --height 24 --SetDockType true \
  --transparent false >"$WORK/trayer.log" 2>&1 </dev/null &
TRAYER_PID=$!
wait_until 10 tray_panel >/dev/null || fail "trayer did not come up"
PANEL=$(tray_panel)

# Wine's desktop process (explorer.exe, which passes the icons on to the
# tray) starts with the first Windows program and ends about a second after
# the last. A program started just after another one ended found it ending or
# gone and waited for a new one, a cost of Wine's alone (Windows' shell runs
# all the time) that fell on either program at random. A Windows process that
# waits on its input keeps the desktop running while the figures are taken;
# it ends when its input is closed.
keeper_input="$WORK/keeper"
mkfifo "$keeper_input"
(exec wine cmd /k <"$keeper_input" >/dev/null 2>&1) &
PIDS+=("$!")
exec 9>"$keeper_input"
desktop_runs() { pgrep -f 'explorer.exe /desktop' >/dev/null; }
wait_until 30 desktop_runs || fail "Wine's desktop did not start"
trap 'exec 9>&-; cleanup; bash "$root/scripts/session.sh" stop "$session" >/dev/null' EXIT
marker_link "$WORK/template.lnk" bench

# program_folder NAME COUNT [SED]: a folder with its own ombrix.exe, the
# default settings changed by the sed script SED (no first run) and COUNT
# copies of the marker shortcut, dated an hour back as a user's are.
program_folder() {
  local dir="$WORK/$1" i
  [ -d "$dir" ] && { echo "$dir"; return; }
  mkdir -p "$dir"
  cp "$build/ombrix.exe" "$dir/"
  settings "${3:-}" >"$dir/ombrix.ini"
  for i in $(seq -w 1 "$2"); do cp "$WORK/template.lnk" "$dir/Verknüpfung $i.lnk"; done
  touch -d '1 hour ago' "$dir"/*.lnk
  echo "$dir"
}

# ombrix_ms FOLDER COUNT: one start of FOLDER's ombrix.exe until its COUNT
# icons are docked, into MS from T0 (no subshell, so that cleanup knows every
# process started); it is closed and its icons gone when this returns.
ombrix_ms() {
  FOLDER=$1
  T0=$(now_ms)
  start_ombrix
  wait_docked "$2" || fail "only $(docked) of $2 ombrix.exe icons docked"
  MS=$(($(now_ms) - T0))
  close_program
  expect_exit "$OMBRIX_PID" "ombrix.exe with $2 shortcuts"
  wait_undocked
}

# baseline_ms COUNT: the same for baseline_tray.exe adding COUNT icons.
baseline_ms() {
  local pid
  T0=$(now_ms)
  (exec wine "$build/bench/baseline_tray.exe" 120000 "$1" >/dev/null 2>&1 </dev/null) &
  pid=$! && PIDS+=("$pid")
  wait_docked "$1" || fail "only $(docked) of $1 baseline icons docked"
  MS=$(($(now_ms) - T0))
  wine "$TOOLS/findwin.exe" --close STATIC baseline >/dev/null 2>&1 || true
  expect_exit "$pid" "baseline_tray.exe with $1 icons"
  wait_undocked
}
