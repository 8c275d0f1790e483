# Sizing the main window keeps the game's aspect: an edge or corner dragged
# (WM_SIZING as the sizing loop sends it), the track sizes the window offers,
# and a programmatic resize (the window settles on a fitted client size).
# Aspects are compared to within one pixel. It runs on a virtual desktop of
# its own, so a screen size left behind by another test cannot cap the sizes.
source "$KV_LIB"
use_desktop 1280x1024 kvsizing
use_engine
prepare_project
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
gw=640 gh=480

# aspect_ok W H: W x H has the game's aspect to within a pixel.
aspect_ok() {
  local d=$(($1 * gh - $2 * gw)); d=${d#-}
  [ "$d" -le $((gw > gh ? gw : gh)) ]
}
read -r cw ch < <(drv client "$hwnd") || fail "no client size"
[ "$cw $ch" = "$gw $gh" ] || fail "client $cw x $ch at start, expected $gw x $gh"
read -r l t r b < <(drv info "$hwnd" | awk -F'\t' '$1 == "rect" { print $2 }')
fw=$((r - l - cw)) fh=$((b - t - ch))
note "window $hwnd at $l $t $r $b, frame $fw x $fh"

# Edge 1 left, 3 top, 4 top-left, 5 top-right, 6 bottom, 8 bottom-right.
for spec in "1 -150 0 0 0" "3 0 -90 0 0" "4 -200 -10 0 0" "5 0 -150 40 0" "6 0 0 0 70" "8 0 0 300 20"; do
  read -r edge dl dt dr db <<<"$spec"
  out=$(drv sizing "$hwnd" "$edge" $((l + dl)) $((t + dt)) $((r + dr)) $((b + db))) ||
    fail "no answer to WM_SIZING"
  read -r nl nt nr nb <<<"$out"
  w=$((nr - nl - fw)) h=$((nb - nt - fh))
  aspect_ok "$w" "$h" || fail "edge $edge: client $w x $h has lost the aspect"
  note "edge $edge: client $w x $h"
done

read -r minw minh maxw maxh < <(drv minmax "$hwnd") || fail "no track sizes"
aspect_ok $((maxw - fw)) $((maxh - fh)) || fail "largest size $maxw x $maxh off the aspect"
aspect_ok $((minw - fw)) $((minh - fh)) || fail "smallest size $minw x $minh off the aspect"
[ $((minh - fh)) = $((gh / 4)) ] || fail "smallest client height $((minh - fh)), expected $((gh / 4))"
note "track sizes $minw x $minh .. $maxw x $maxh"

drv resize "$hwnd" $((r - l + 160)) $((b - t + 20)) || fail "cannot resize"
sleep 0.5
read -r cw2 ch2 < <(drv client "$hwnd")
aspect_ok "$cw2" "$ch2" || fail "resized client $cw2 x $ch2 has lost the aspect"
[ "$cw2" -gt "$cw" ] || fail "resized client $cw2 x $ch2 did not grow"
note "resized: client $cw2 x $ch2"

# A restore of a window that was never maximised changes nothing, also at
# the next resize.
drv syscommand "$hwnd" restore || fail "cannot restore"
sleep 0.3
drv resize "$hwnd" $((cw2 + fw)) $((ch2 + fh)) || fail "cannot resize"
sleep 0.3
box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && { drv texts "$box"; fail "a box after a restore"; }
read -r rw rh < <(drv client "$hwnd")
[ "$rw $rh" = "$cw2 $ch2" ] || fail "client $rw x $rh after a restore, expected $cw2 x $ch2"

# Minimised and restored, the window keeps its size.
drv minimize "$hwnd" || fail "cannot minimise"
sleep 0.3
drv syscommand "$hwnd" restore || fail "cannot restore"
sleep 0.5
read -r rw rh < <(drv client "$hwnd")
[ "$rw $rh" = "$cw2 $ch2" ] || fail "client $rw x $rh after minimise and restore, expected $cw2 x $ch2"

# Maximised, the client takes what the desktop gives; restored, the window
# comes back to the size it had.
drv syscommand "$hwnd" maximize || fail "cannot maximise"
sleep 0.5
read -r mw mh < <(drv client "$hwnd")
[ "$mw" -gt "$cw2" ] || fail "maximised client $mw x $mh is not larger than $cw2 x $ch2"
drv syscommand "$hwnd" restore || fail "cannot restore"
sleep 0.5
read -r rw rh < <(drv client "$hwnd")
[ "$rw $rh" = "$cw2 $ch2" ] || fail "restored client $rw x $rh, expected $cw2 x $ch2"
note "maximised $mw x $mh, restored $rw x $rh"

drv close "$hwnd" || fail "cannot close"
wait_engine 15 || fail "the engine did not end after WM_CLOSE"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC"
