# Image operations on screen: a generated project runs every selector of the
# layer image-operation command once, each on its own tile of layers
# (resampling by all five methods, rotation at 0, 90, 180, 270 and 33 degrees
# with both kernels, every effect, blits, cross-fades with and without a
# rule, the pixel comparisons, trims, canvas resizes, copies, swaps, the
# paste, groups composed first). What the window shows, read back with GDI,
# equals window 0's root layer as the same project composes it natively
# (layer_reference) tile by tile: exactly, within 1 per colour byte where the
# C library's sin, cos, hypot or rint enter, as a permutation for the scatter.
source "$KV_LIB"
# A desktop of its own: the screen size that Wine takes from the prefix may be
# one that an earlier display-mode test left there, too small for the window.
use_desktop 1024x768 kvimageops
source "$KV_SRC/tests/win32/layers_lib.sh"
ops() { python3 "$KV_SRC/tests/win32/image_ops.py" "$@"; }
use_engine
ops describe > ops.kvp || fail "cannot describe the project"
layers_reference ops.kvp
layers_pack ops.kvp
start_engine
hwnd=$(main_window) || fail "the engine's window did not appear"
# The first frames may still be black; a window covered by another program's
# is brought to the front after 5 s.
start=$SECONDS raised=''
while :; do
  size=$(drv capture "$hwnd" "$PWD/shot.bgra") || fail "cannot read the window's client area"
  read -r SHOT_W SHOT_H <<< "$size"
  ops compare shot.bgra "$SHOT_W" "$SHOT_H" reference.bgra "$REF_W" "$REF_H" > shot.cmp && break
  if [ $SECONDS -ge $((start + 20)) ]; then
    note "the window shows $SHOT_W x $SHOT_H"
    ops compare shot.bgra "$SHOT_W" "$SHOT_H" reference.bgra "$REF_W" "$REF_H" "$PWD/diff.png"
    fail "the window does not show the image operations as the native reference"
  fi
  if [ -z "$raised" ] && [ $SECONDS -ge $((start + 5)) ]; then
    drv activate "$hwnd" >/dev/null 2>&1
    raised=1
  fi
  sleep 0.5
done
cat shot.cmp
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"
note "closed, exit code $ENGINE_RC"
