# Layers on screen, scaled: on a 640 x 480 desktop an 800 x 600 game does not
# fit, so the window shows it smaller and the CPU presenter scales every frame
# with its bilinear scaler. The shown size is half the desktop (320 x 240) from
# start-up, or the client area once the window's size rule has fitted it into
# the desktop with the game's aspect. The client area, read back with GDI,
# equals the natively composed root layer scaled to that size the same way
# (horizontal fractions sharpened), within 2 per colour byte.
export KV_DESKTOP=640x480 KV_DESKTOP_NAME=kvlayers
source "$KV_LIB"
source "$KV_SRC/tests/win32/layers_lib.sh"
use_engine
layers_description 800 600 > layers.kvp
layers_reference layers.kvp
layers_pack layers.kvp
start_engine
hwnd=$(main_window) || fail "the engine's window did not appear"
capture_window "$hwnd" shot
note "the window's client area is $SHOT_W x $SHOT_H"
shown_w=320 shown_h=240
if [ "$SHOT_W" -lt 800 ] && [ "$SHOT_H" -lt 600 ]; then
  shown_w=$SHOT_W shown_h=$SHOT_H
fi
[ "$shown_w" -lt 800 ] && [ "$shown_h" -lt 600 ] || fail "the game is not shown smaller than 800 x 600"
note "expected: the game scaled to $shown_w x $shown_h"
pixels scale reference.bgra "$REF_W" "$REF_H" scaled.bgra "$shown_w" "$shown_h" || fail "cannot scale the reference"
pixels compare shot.bgra "$SHOT_W" "$SHOT_H" scaled.bgra "$shown_w" "$shown_h" 2 "$PWD/diff.png" ||
  fail "the window does not show the composed layers scaled to $shown_w x $shown_h"
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"
note "closed, exit code $ENGINE_RC"
