#!/usr/bin/env bash
# Journey "Desktop menu": with "Desktop-Menü=Ja" the popup starts with the
# items of the session's Desktop, and choosing one opens it. (With "Nein" the
# popup starts with the shortcut's own submenu: the tray journey's Löschen and
# Umbenennen.) Nothing else starts.
. "$(dirname "$0")/lib.sh"

desktop=$HOME/Desktop
# The session's Desktop holds only this journey's items, whatever an earlier
# run left there (the unit tests empty it for themselves).
rm -rf "${desktop:?}"/*
marker_link "$desktop/Markierer.lnk" Markierer
mkdir "$desktop/Ordner" && echo Zettel >"$desktop/Zettel 微信.txt"
marker_link "$FOLDER/Editor.lnk" Editor
start_tray

# click_top_item: a picture of the popup, then a click into its first item,
# just below the popup's upper edge.
click_top_item() {
  popup_keys 1
  screenshot popup-Ja
  eval "$(xdotool getwindowgeometry --shell "$(ombrix_window -z)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 12)) click 1
}

note "Ja: the Desktop's three items on top; a click opens one"
settings "s/^Desktop-Menü=.*/Desktop-Menü=Ja/" >"$FOLDER/ombrix.ini"
start_ombrix
wait_icons 1
expect_start Markierer click_top_item
# Markierer, Ordner, Zettel 微信.txt, and below them the shortcut's submenu with Öffnen.
expect_start Editor popup_keys 1 Down Down Down Down Right Return
stop_program "$OMBRIX_PID"
expect_no_other_start
