# The pop-up menu a script opens is chosen from: once with the keyboard and
# once with a click on its first item; the script sees each choice in its
# menu command and opens the menu again after the first. Both with frames on
# the main thread and on the script thread (there the menu must still open
# on the window's own thread, where the keys arrive).
source "$KV_LIB"
use_desktop 1024x768 kvpopup
use_engine
for thread in 0 1; do
cat > popup.kvp <<KVP
project width=320 height=240 title="popup" show=1 debug=0 sound=0 frame_thread=$thread
var 110 int global = 0
script 0 "main.kvs"
label SYSTEM_START
    menu_set path="pop/" text="pop" order=1
    menu_set path="pop/a" text="Alpha" order=1 command=201
    menu_set path="pop/b" text="Beta" order=2 command=202
    menu_popup path="pop/" show=1
label LOOP
    wait frames=1
    if {@110 202 ==}
        assign target:1:0=\$110 value=0
        window_setup window=0 title="chose 202"
        menu_popup path="pop/" show=1
    endif
    if {@110 201 ==}
        assign target:1:0=\$110 value=0
        window_setup window=0 title="chose 201"
    endif
    goto LOOP
KVP
prepare_project "$PWD/popup.kvp"
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
menu=$(drv wait-window --class "#32768" --exe "$ENGINE" --visible --timeout 10000) ||
  fail "frame thread $thread: no pop-up menu on the engine's desktop"
drv keys DOWN DOWN RETURN || fail "cannot send keys"
drv wait-window --class "$ENGINE_CLASS" --title "chose 202" --timeout 10000 >/dev/null ||
  fail "frame thread $thread: the second item chosen by keys did not reach the script"
menu=$(drv wait-window --class "#32768" --exe "$ENGINE" --visible --timeout 10000) ||
  fail "frame thread $thread: the menu did not open again"
read -r l t r b < <(drv info "$menu" | awk -F'\t' '$1 == "rect" { print $2 }')
drv click $(((l + r) / 2)) $((t + (b - t) / 4)) || fail "cannot click"
drv wait-window --class "$ENGINE_CLASS" --title "chose 201" --timeout 10000 >/dev/null ||
  fail "frame thread $thread: the first item clicked at $(((l + r) / 2)) $((t + (b - t) / 4)) did not reach the script"
note "frame thread $thread: menu at $l $t $r $b, both choices seen"
drv close "$hwnd" >/dev/null || fail "cannot close"
wait_engine 20 || fail "the engine did not end"
done
