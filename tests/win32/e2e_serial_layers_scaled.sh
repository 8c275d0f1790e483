# Layers on screen, scaled: on a 640 x 480 desktop an 800 x 600 game is shown
# at half the desktop size, 320 x 240, so the CPU presenter scales each frame
# with its bilinear scaler. The window's client area, read back with GDI,
# equals the natively composed root layer scaled the same way (horizontal
# fractions sharpened), within 2 per colour byte.
export KV_DESKTOP=640x480 KV_DESKTOP_NAME=kvlayers
source "$KV_LIB"
source "$KV_SRC/tests/win32/layers_lib.sh"
use_engine
layers_description 800 600 > layers.kvp
layers_reference layers.kvp
pixels scale reference.bgra "$REF_W" "$REF_H" scaled.bgra 320 240 || fail "cannot scale the reference"
layers_pack layers.kvp
start_engine
hwnd=$(main_window) || fail "the engine's window did not appear"
capture_window "$hwnd" shot
note "the window shows $SHOT_W x $SHOT_H"
pixels compare shot.bgra "$SHOT_W" "$SHOT_H" scaled.bgra 320 240 2 "$PWD/diff.png" ||
  fail "the window does not show the composed layers scaled to 320 x 240"
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"
note "closed, exit code $ENGINE_RC"
