# Layers on screen, scaled: on a 640 x 480 desktop an 800 x 600 game does not
# fit, so the window shows it smaller and the CPU presenter scales every frame
# with its bilinear scaler. The shown size is half the desktop (320 x 240) from
# start-up, or the client area once the window's size rule has fitted it into
# the desktop with the game's aspect. The client area, read back with GDI,
# equals the natively composed root layer scaled to that size the same way
# (horizontal fractions sharpened), within 2 per colour byte.
source "$KV_LIB"
use_desktop 640x480 kvlayers
source "$KV_SRC/tests/win32/layers_lib.sh"
use_engine
layers_description 800 600 > layers.kvp
layers_reference layers.kvp
layers_pack layers.kvp
start_engine
hwnd=$(main_window) || fail "the engine's window did not appear"
# The size is taken from each read: the window may still be fitted after the
# first frames.
end=$((SECONDS + 30)) shown=''
while :; do
  size=$(drv capture "$hwnd" "$PWD/shot.bgra") || fail "cannot read the window's client area"
  read -r SHOT_W SHOT_H <<< "$size"
  shown_w=320 shown_h=240
  if [ "$SHOT_W" -lt 800 ] && [ "$SHOT_H" -lt 600 ]; then
    shown_w=$SHOT_W shown_h=$SHOT_H
  fi
  if [ "$shown" != "$shown_w x $shown_h" ]; then
    shown="$shown_w x $shown_h"
    pixels scale reference.bgra "$REF_W" "$REF_H" "scaled-$shown_w.bgra" "$shown_w" "$shown_h" ||
      fail "cannot scale the reference"
  fi
  pixels compare shot.bgra "$SHOT_W" "$SHOT_H" "scaled-$shown_w.bgra" "$shown_w" "$shown_h" 2 > shot.cmp &&
    break
  [ $SECONDS -lt $end ] || {
    note "client area $SHOT_W x $SHOT_H, the game expected at $shown"
    pixels compare shot.bgra "$SHOT_W" "$SHOT_H" "scaled-$shown_w.bgra" "$shown_w" "$shown_h" 2 "$PWD/diff.png"
    fail "the window does not show the composed layers scaled to $shown"
  }
  sleep 0.5
done
cat shot.cmp
note "the client area is $SHOT_W x $SHOT_H, the game shown at $shown"
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"
note "closed, exit code $ENGINE_RC"
