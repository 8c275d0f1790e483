# Layers in the maximised main window: the script maximises the window with
# the window command, and the engine lays the game out in the client area
# with the game's aspect, centred between black bands, always through the
# bilinear scaler. The client area, read back with GDI, equals the natively
# composed root layer scaled to the fitted size (horizontal fractions
# sharpened) and placed in the middle of a black client area, within 2 per
# colour byte.
source "$KV_LIB"
use_desktop 1024x768 kvmaximised
source "$KV_SRC/tests/win32/layers_lib.sh"
use_engine
layers_description 400 300 "" "    wait frames=2
    window_setup window=0 arg15=1" > layers.kvp
layers_reference layers.kvp
layers_pack layers.kvp
start_engine
hwnd=$(main_window) || fail "the engine's window did not appear"
window_shows_fitted "$hwnd" || {
  drv info "$hwnd" | grep -E '^(style|rect)'
  fail "the maximised window does not show the composed layers scaled to $FIT"
}
cat shot.cmp
style=$(drv info "$hwnd" | awk -F'\t' '$1 == "style" { print $2 }')
[ $((${style:-0} & 0x01000000)) != 0 ] || fail "the window is not maximised (style $style)"
note "the client area is $SHOT_W x $SHOT_H, the game shown at $FIT"
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"
