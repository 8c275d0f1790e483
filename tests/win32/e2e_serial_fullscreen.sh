# Full screen from the script (the window command, id 13 = 1 on window 0, in
# a project generated with --define FULLSCREEN): on a 1920 x 1080 desktop a
# 640 x 480 game takes the smallest 16:9 display mode that holds it,
# 1280 x 720; the window covers the whole mode. kvcfg.dat word 11 is not read:
# at 1, with a project that does not ask for full screen, the engine starts
# windowed and the mode stays. When the engine ends it puts back the
# registry's mode (the test puts it back too, on any failure, as other tests
# depend on the desktop's size).
# The desktops here are not held by use_desktop's keeper: with a process of
# its own kept on the desktop the engine's mode change now and then did not
# show (the mode stayed 1920 x 1080).
export KV_DESKTOP=1920x1080 KV_DESKTOP_NAME=kvfullscreen
source "$KV_LIB"
use_engine
cat > fullscreen.kvp <<'KVP'
project width=640 height=480 title="KAVREN" show=1 debug=0 sound=0
script 0 "main.kvs"
label SYSTEM_START
    when FULLSCREEN window_setup window=0 arg13=1
    window_setup window=0 title="started"
label IDLE
    wait frames=1
    goto IDLE
KVP
restore_desktop() { drv restore-mode >/dev/null 2>&1 || true; }
read -r dw dh < <(drv screen) || fail "cannot read the display mode"
[ "$dw $dh" = "1920 1080" ] || fail "desktop $dw x $dh at start, expected 1920 x 1080"
# kvcfg.dat: SSE on, word 8 the drawing method (2 CPU bilinear, 0 Direct3D
# bicubic), word 11 as given.
write_kvcfg() {
  python3 -c 'import struct, sys; w = [1, 1, 1, 1, 1, 0, 0, 0, int(sys.argv[1]), 0, 0, int(sys.argv[2])] + [0] * 20
sys.stdout.buffer.write(struct.pack("<32I", *w))' "$1" "$2" > kvcfg.dat
}
# started_window: the main window once the script's first frame has run.
started_window() {
  drv wait-window --class "$ENGINE_CLASS" --title started --visible --timeout 30000
}
end_run() {
  drv close "$hwnd" >/dev/null || true
  wait_engine 30 || { restore_desktop; fail "the engine did not end"; }
}

# Word 11 = 1: windowed, the desktop's mode, the game's client size.
export KV_DESKTOP_NAME=kvfullscreen_word11
pack_project fullscreen.kvp
write_kvcfg 2 1
start_engine
hwnd=$(started_window) || { restore_desktop; fail "no main window"; }
read -r mw mh < <(drv screen)
[ "$mw $mh" = "1920 1080" ] || { restore_desktop; fail "word 11 = 1: display mode $mw x $mh"; }
style=$(drv info "$hwnd" | awk -F'\t' '$1 == "style" { print $2 }')
[ $((${style:-0} & 0x80000000)) = 0 ] || { restore_desktop; fail "word 11 = 1: a pop-up window (style $style)"; }
size=$(drv client "$hwnd")
[ "$size" = "640 480" ] || { restore_desktop; fail "word 11 = 1: client $size, expected 640 x 480"; }
note "word 11 = 1: windowed at 640 x 480, the mode stays 1920 x 1080"
end_run
restore_desktop

# Through Direct3D no box may come up (a failed device would say so and fall
# back to the CPU).
pack_project fullscreen.kvp --define FULLSCREEN
for method in 2 0; do
# A desktop of its own for each run: Wine puts back the mode of its registry,
# which a virtual desktop does not set to its own size.
export KV_DESKTOP_NAME=kvfullscreen$method
write_kvcfg "$method" 0
start_engine
hwnd=$(started_window) || { restore_desktop; fail "no main window"; }
mode=''
for _ in $(seq 100); do
  read -r mw mh < <(drv screen) && mode="$mw $mh"
  [ "$mode" = "1280 720" ] && break
  sleep 0.1
done
[ "$mode" = "1280 720" ] || { restore_desktop; fail "display mode $mode, expected 1280 x 720"; }
read -r l t r b < <(drv info "$hwnd" | awk -F'\t' '$1 == "rect" { print $2 }')
[ "$l $t $r $b" = "0 0 1280 720" ] || { restore_desktop; fail "window at $l $t $r $b, expected the whole mode"; }
size=$(drv client "$hwnd") || { restore_desktop; fail "no client size"; }
[ "$size" = "1280 720" ] || { restore_desktop; fail "client $size, expected 1280 x 720"; }
if drv wait-dialog --exe "$ENGINE" --timeout 1500 >/dev/null 2>&1; then
  restore_desktop; fail "drawing method $method: the engine shows a box"
fi
note "drawing method $method: full screen at 1280 x 720"
end_run
# The engine puts back the registry's mode (the native display-mode tests
# check that call). Under Wine (8.0) a virtual desktop has no registry mode of
# its own: each new process rebuilds the display keys, a mode stored there by
# one process is gone in the next, the desktop's own size is refused as one,
# and what a reset restores may be the host screen's size, the desktop's, or
# the current mode. So the mode after the end is only noted here.
read -r dw dh < <(drv screen) || fail "cannot read the display mode"
note "mode after the end: $dw x $dh"
restore_desktop
done
