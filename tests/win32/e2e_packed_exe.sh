# A game shipped as one executable by tools/kvpack.py: it runs the pack
# appended to it with no loose files and no compiler. A screen-saver build
# (a preview bitmap appended) shows the "情報" box for "/c:5678" and for no
# argument, ends at once for "/a", draws its preview as a child of the window
# given by "/p" (of that window's size, ending with it). "/s" is run in
# e2e_serial_screensaver.sh, on a virtual desktop of a known size.
source "$KV_LIB"
source "$KV_SRC/tests/win32/link_lib.sh"
PACKER=$KV_SRC/tools/kvpack.py

pack_game() {   # pack_game DESCRIPTION OUT.exe [PREVIEW]
  python3 "$KV_GEN" project "$1" "$PWD/p" --pack "$PWD/game.kpf" >/dev/null || fail "generator"
  rm -rf "$PWD/p"
  python3 "$PACKER" "$KV_EXE" "$PWD/game.kpf" "$2" ${3:+--preview "$3"} || fail "packer"
  rm -f game.kpf
}

gen_project "$PWD/unused" && rm -rf unused
use_engine game.exe
pack_game ends.kvp "$ENGINE"
[ ! -e kvbin ] && [ ! -e system ] && ! ls *.kpf >/dev/null 2>&1 || fail "loose files beside the game"
expect_run "one executable"
expect_no_box "one executable"

# The preview: 40 x 30 pixels of one colour (rows of 120 bytes, no padding).
python3 - <<'PY' || fail "cannot write the preview"
import struct
w, h = 40, 30
px = bytes((0x63, 0xC9, 0x11)) * (w * h)
head = b"BM" + struct.pack("<IHHI", 54 + len(px), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(px), 0, 0, 0, 0)
open("preview.bmp", "wb").write(head + info + px)
PY
use_engine saver.exe
pack_game "$KV_SRC/tools/demo/minimal.kvp" "$ENGINE" preview.bmp
python3 "$PACKER" --show "$ENGINE" | grep -q "screen saver" || fail "not marked as a screen saver"

for args in "/c:5678" ""; do
  start_engine $args
  box=$(drv wait-dialog --exe "$ENGINE" --title "情報" --timeout 40000) || fail "no 情報 box for '$args'"
  drv texts "$box" > texts.txt
  grep -q 'スクリーンセーバー' texts.txt && grep -q 'Version 1.00' texts.txt || fail "the box says $(cat texts.txt)"
  drv dismiss "$box" || fail "cannot close the box"
  wait_engine 20 || fail "the engine still runs after the box ('$args')"
  [ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC for '$args'"
  note "'$args': the information box, then the end"
done

expect_stop_args() {
  watch_no_window
  KV_ENGINE_TIMEOUT=30 run_engine "$@"
  watch_result
  [ "$ENGINE_RC" = 0 ] && [ "$WATCH_RESULT" = none ] || fail "$*: exit $ENGINE_RC, window $WATCH_RESULT"
}
expect_stop_args /a 1234
expect_no_box "/a"
note "/a: ends at once"

# The preview inside another program's window.
keep parent.rc "$KV_WINE_RUN" --timeout 120 "$KV_DRIVER" show-box Parent "preview parent"
PARENT_KEEPER=$KEEPER_PID
parent=$(drv wait-dialog --title Parent --timeout 30000) || fail "no parent window"
drv resize "$parent" 300 200 || fail "cannot size the parent"
start_engine /p "$((parent))"
end=$((SECONDS + 30))
until drv info "$parent" KAVRENScreenSaver > child.txt 2>/dev/null; do
  [ $SECONDS -lt $end ] || fail "no preview window in the parent"
  sleep 0.5
done
grep -q '^class.KAVRENScreenSaver$' child.txt || fail "the parent's child is $(cat child.txt)"
grep -q '^client.300 200$' child.txt || fail "preview size: $(grep client child.txt), expected 300 200"
# (Under Wine a child window of another process is not drawn on the
# screen; test_shell.exe checks the painting inside one process.)
note "/p: a 300 x 200 child of the parent"
drv dismiss "$parent" || fail "cannot close the parent"
wait_engine 30 || fail "the preview did not end with its parent"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after the preview"
note "/p: ended with the parent"

expect_no_box "screen saver"
