# The test driver itself, on message boxes in code page 932 that it shows
# with show-box: finding a box by its Japanese caption, reading its texts as
# UTF-8, a control's state, pressing a button by text and by id, dismissing,
# and typed keys and clicks in a virtual desktop.
source "$KV_LIB"
use_desktop "${KV_DESKTOP:-800x600}" kvdriver
title='確認ダイアログ' text='終了します。よろしいですか？'

# box [okcancel]: shows a box in the background; BOX is its window, BOX_RC
# the file that receives the runner's exit code.
box() {
  BOX_RC=$PWD/box.$RANDOM.rc
  keep "$BOX_RC" "$KV_WINE_RUN" --timeout 60 "$KV_DRIVER" show-box "$title" "$text" "$@"
  BOX=$(drv wait-dialog --title "$title" --timeout 20000) || fail "no box with the caption $title"
}
box_result() {  # the button the box was closed with (10 + id)
  # A loaded machine may take several seconds to end the Wine process.
  wait_for_file "$BOX_RC" 30 . || fail "the box did not close"
  cat "$BOX_RC"
}

box okcancel
drv texts "$BOX" > texts.txt
head -1 texts.txt | grep -qxF "$title" || fail "the caption does not read back"
grep -qxF "$text" texts.txt || fail "the text does not read back"
grep -qx 'キャンセル' texts.txt || fail "no Cancel button text"
[ "$(drv enabled "$BOX" OK)" = enabled ] || fail "OK is not enabled"
drv press "$BOX" キャンセル || fail "cannot press Cancel by its text"
[ "$(box_result)" = 12 ] || fail "the box did not end with Cancel"
note "caption, texts and a press by text"

box okcancel
drv press "$BOX" 1 || fail "cannot press by id"
[ "$(box_result)" = 11 ] || fail "the box did not end with OK"
box
drv dismiss "$BOX" || fail "cannot dismiss"
[ "$(box_result)" = 11 ] || fail "dismiss did not choose the default button"
note "press by id, dismiss"

box okcancel
drv activate "$BOX" || fail "cannot activate the box"
[ "$(drv foreground)" = "$BOX" ] || fail "the box is not in front"
drv keys ESCAPE || fail "cannot send keys"
[ "$(box_result)" = 12 ] || fail "Escape did not cancel the box"
box okcancel
drv activate "$BOX" || fail "cannot activate the box"
read -r l t r b <<< "$(drv info "$BOX" OK | sed -n 's/^rect\t//p')"
drv click $(((l + r) / 2)) $(((t + b) / 2)) || fail "cannot click"
[ "$(box_result)" = 11 ] || fail "a click on OK did not close the box with OK"
drv move 3 4 && [ "$(drv cursor)" = "3 4" ] || fail "the pointer did not move to 3 4: $(drv cursor)"
note "keys, clicks and pointer moves"
