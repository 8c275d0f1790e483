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
# The size is taken from each read: the window is maximised after the first
# frames.
end=$((SECONDS + 30)) want=''
while :; do
  size=$(drv capture "$hwnd" "$PWD/shot.bgra") || fail "cannot read the window's client area"
  read -r SHOT_W SHOT_H <<< "$size"
  # Fit: the full width when the client is relatively taller than the game,
  # else the full height; the frame is centred (odd differences truncate).
  if [ $((SHOT_H * REF_W)) -gt $((REF_H * SHOT_W)) ]; then
    shown_w=$SHOT_W shown_h=$((REF_H * SHOT_W / REF_W))
  else
    shown_w=$((REF_W * SHOT_H / REF_H)) shown_h=$SHOT_H
  fi
  x=$(((SHOT_W - shown_w) / 2)) y=$(((SHOT_H - shown_h) / 2))
  if [ "$want" != "$SHOT_W $SHOT_H" ]; then
    want="$SHOT_W $SHOT_H"
    pixels scale reference.bgra "$REF_W" "$REF_H" scaled.bgra "$shown_w" "$shown_h" &&
      pixels place scaled.bgra "$shown_w" "$shown_h" expected.bgra "$SHOT_W" "$SHOT_H" "$x" "$y" ||
      fail "cannot scale the reference"
  fi
  if [ "$SHOT_W" -gt 800 ] &&
     pixels compare shot.bgra "$SHOT_W" "$SHOT_H" expected.bgra "$SHOT_W" "$SHOT_H" 2 > shot.cmp; then
    break
  fi
  [ $SECONDS -lt $end ] || {
    note "client area $SHOT_W x $SHOT_H, the game expected at $shown_w x $shown_h at $x $y"
    drv info "$hwnd" | grep -E '^(style|rect)'
    pixels compare shot.bgra "$SHOT_W" "$SHOT_H" expected.bgra "$SHOT_W" "$SHOT_H" 2 "$PWD/diff.png"
    fail "the maximised window does not show the composed layers scaled to $shown_w x $shown_h"
  }
  sleep 0.5
done
cat shot.cmp
style=$(drv info "$hwnd" | awk -F'\t' '$1 == "style" { print $2 }')
[ $((${style:-0} & 0x01000000)) != 0 ] || fail "the window is not maximised (style $style)"
note "the client area is $SHOT_W x $SHOT_H, the game shown at $shown_w x $shown_h at $x $y"
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"
