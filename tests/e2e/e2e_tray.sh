#!/usr/bin/env bash
# Tray icons end to end: one docked icon per shortcut in name order, icons that
# follow shortcuts created, deleted and renamed from outside while the program
# runs, no change at all for a file that is no shortcut, and nothing left in
# the tray when the program ends.
. "$(dirname "$0")/lib.sh"

work="$OMBRIX_SESSION/e2e/tray"
folder="$work/Leiste"
mapfile -t ini < <(default_settings)
make_program_folder "$folder" "${ini[@]}"
mkdir -p "$work/elsewhere"

# icon_shortcut LINK PROGRAM: a marker shortcut with the picture of a program
# of the Wine prefix, so that every icon in the tray can be told apart.
icon_shortcut() {
  wine "$TOOLS/mklink.exe" "$(winpath "$1")" "$(winpath "$TOOLS/marker.exe")" \
    "$(winpath "$work/$(basename "$1" .lnk).marker")" "C:\\windows\\system32\\$2.exe" 0 >/dev/null 2>&1 ||
    fail "mklink $1"
}

# capture_icons NAME: the docked icons' pictures in the order they were added,
# as $work/NAME-1.png ... trayer puts each newly docked icon left of the
# others, so that order reads right to left.
capture_icons() {
  local n=0 id
  rm -f "$work/$1"-*.png
  for id in $(tray_icons | tac); do
    n=$((n + 1))
    timeout 5 import -window "$id" "$work/$1-$n.png" 2>/dev/null || true
  done
}

# Whether a captured picture shows anything. Under Wine with trayer one icon
# of a freshly docked set at times stays unpainted (a single colour) until the
# tray lays out again, whichever program docks it.
painted() { [ "$(identify -format %k "$1" 2>/dev/null || echo 0)" -gt 1 ]; }

# signature FILE: the picture cut to the icon (background trimmed, so that
# where the tray placed it does not matter) and scaled to 2x2: 12 colour values.
signature() {
  convert "$1" -trim +repage -scale '2x2!' -depth 8 txt:- | sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

# distance A B: the root mean square of the signatures' differences. The same
# picture docked at another place differs by up to about 7, the programs'
# icons used here by 25 and more.
distance() {
  paste <(signature "$1" | tr ' ' '\n') <(signature "$2" | tr ' ' '\n') |
    awk 'NF == 2 { d += ($1 - $2) ^ 2; n++ } END { printf "%.1f\n", n ? sqrt(d / n) : 999 }'
}

# nearest FILE NAME...: which reference picture ref-NAME.png FILE shows
# ("?" when none is close).
nearest() {
  local file=$1 best="?" bestd=12 name d
  shift
  for name in "$@"; do
    d=$(distance "$file" "$work/ref-$name.png")
    if awk -v d="$d" -v b="$bestd" 'BEGIN { exit !(d < b) }'; then best=$name; bestd=$d; fi
  done
  echo "$best"
}

# icon_order NAME...: the reference names of the docked icons in add order;
# an unpainted icon shows as "blank".
icon_order() {
  local f
  capture_icons now
  for f in $(ls "$work"/now-*.png 2>/dev/null | sort -V); do
    if painted "$f"; then nearest "$f" "$@"; else echo blank; fi
  done | tr '\n' ' ' | sed 's/ $//'
}


# order_is "NAME ..." REFERENCE...: the tray shows these pictures in this
# order; one unpainted icon may stand for its name.
order_is() {
  local -a want got
  read -ra want <<<"$1"
  shift
  read -ra got <<<"$(icon_order "$@")"
  [ "${#got[@]}" -eq "${#want[@]}" ] || return 1
  local i blanks=0
  for i in "${!want[@]}"; do
    if [ "${got[$i]}" = blank ]; then
      blanks=$((blanks + 1))
    elif [ "${got[$i]}" != "${want[$i]}" ]; then
      return 1
    fi
  done
  [ "$blanks" -le 1 ]
}

# expect_order WHAT "NAME NAME ..." REFERENCE...: waits until the tray shows
# these pictures in this order.
expect_order() {
  local what=$1 want=$2; shift 2
  wait_until 20 order_is "$want" "$@" || fail "$what: tray shows [$(icon_order "$@")], expected [$want]"
}

icon_shortcut "$folder/Bravo.lnk" cmd
icon_shortcut "$folder/Alpha.lnk" notepad
icon_shortcut "$folder/Charlie.lnk" taskmgr
start_tray

note "three shortcuts give three icons"
start_ombrix "$folder"
pid=$OMBRIX_PID
wait_until 30 icon_count_is 3 || fail "expected 3 icons, tray has $(tray_icon_count)"
screenshot e2e_tray-three-icons
capture_icons first

note "a shortcut copied in from outside (Aaron) comes first"
icon_shortcut "$work/elsewhere/Aaron.lnk" clock
cp "$work/elsewhere/Aaron.lnk" "$folder/Aaron.lnk"
wait_until 20 icon_count_is 4 || fail "the copied shortcut got no icon"
# References: the pictures of the four shortcuts, each taken from the icon
# set in which it was painted; named aaron p1 p2 p3 by their place in the
# four. Every change below must move them exactly as the name order Aaron,
# Alpha, Bravo, Charlie says, which tells that p1 p2 p3 are Alpha, Bravo,
# Charlie and that Aaron came first.
all_four_painted() {
  capture_icons four
  local n
  for n in 1 2 3 4; do painted "$work/four-$n.png" || return 1; done
}
wait_until 10 all_four_painted || true
n=0
for name in aaron p1 p2 p3; do
  n=$((n + 1))
  if painted "$work/four-$n.png"; then
    cp "$work/four-$n.png" "$work/ref-$name.png"
  elif [ "$n" -gt 1 ] && painted "$work/first-$((n - 1)).png"; then
    cp "$work/first-$((n - 1)).png" "$work/ref-$name.png"
  else
    fail "no painted picture of icon $n"
  fi
done
[ "$(nearest "$work/ref-aaron.png" p1 p2 p3)" = "?" ] && [ "$(nearest "$work/ref-p1.png" p2 p3)" = "?" ] &&
  [ "$(nearest "$work/ref-p2.png" p3)" = "?" ] || fail "the four shortcuts do not show four different pictures"
# The first three icons, where painted, were p1 p2 p3 already.
for n in 1 2 3; do
  painted "$work/first-$n.png" || continue
  got=$(nearest "$work/first-$n.png" aaron p1 p2 p3)
  [ "$got" = "p$n" ] || fail "icon $n of the first three showed $got, expected p$n"
done
expect_order "after adding Aaron" "aaron p1 p2 p3" aaron p1 p2 p3
screenshot e2e_tray-four-icons

note "a file that is no shortcut changes nothing: the very same icon windows"
windows_before=$(tray_icons | tr '\n' ' ')
echo "Notiz" >"$folder/notiz.txt"
sleep 4
[ "$(tray_icons | tr '\n' ' ')" = "$windows_before" ] || fail "the icons were replaced for a text file"

note "deleting Bravo from outside: the others stay, in order"
rm "$folder/Bravo.lnk"
expect_order "after deleting Bravo" "aaron p1 p3" aaron p1 p2 p3

note "renaming Alpha to Zulu from outside moves its icon to the end"
mv "$folder/Alpha.lnk" "$folder/Zulu.lnk"
expect_order "after renaming Alpha" "aaron p3 p1" aaron p1 p2 p3
screenshot e2e_tray-after-rename

note "deleting Aaron: Charlie and Zulu remain"
rm "$folder/Aaron.lnk"
expect_order "after deleting Aaron" "p3 p1" aaron p1 p2 p3

note "the program ends with exit code 0 and leaves no icon"
close_program
expect_exit "$pid" 20 "the program did not end with 0"
wait_until 10 icon_count_is 0 || fail "icons left behind: $(tray_icon_count)"
echo "e2e_tray: all steps passed"
