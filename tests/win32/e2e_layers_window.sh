# Layers on screen at 1:1: a generated project builds a layer tree from
# images of every format (background, alpha sprite, a group of two with its
# own opacity, opacity, blend modes, a mask layer and a rule mask). What the
# window shows, read back with GDI, equals window 0's root layer as the same
# project composes it natively (layer_reference), byte for byte: the CPU
# presenter copies a frame of the game size 1:1.
source "$KV_LIB"
source "$KV_SRC/tests/win32/layers_lib.sh"
use_engine
layers_description 320 240 > layers.kvp
layers_reference layers.kvp
layers_pack layers.kvp
start_engine
hwnd=$(main_window) || fail "the engine's window did not appear"
window_shows "$hwnd" shot reference.bgra "$REF_W" "$REF_H" 0 ||
  fail "the window does not show the composed layers"
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"
note "closed, exit code $ENGINE_RC"
