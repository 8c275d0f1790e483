# A pop-up menu opens under the pointer also when the game is framed by
# black bands: the script maximises its 320 x 240 window (the client area has
# another aspect, so the frame is centred between bands) and opens its pop-up
# menu after a left click; the menu's top-left corner is where the pointer is.
source "$KV_LIB"
use_desktop 1024x768 kvbands
use_engine
cat > bands.kvp <<'KVP'
project width=320 height=240 title="bands" show=1 debug=0 sound=0
var 260 int global = 0
script 0 "main.kvs"
label SYSTEM_START
    menu_set path="pop/" text="pop" order=1
    menu_set path="pop/a" text="Alpha" order=1 command=201
    wait frames=2
    window_setup window=0 arg15=1
label CLICK
    wait frames=1
    if {@260 0 >}
        menu_popup path="pop/" show=1
        goto IDLE
    endif
    goto CLICK
label IDLE
    wait frames=1
    goto IDLE
KVP
# x_pointer X Y: Wine takes the X pointer for the cursor when it refuses the
# driver's warp or on crossing events, so the X pointer is put there too (the
# virtual desktop stands at the X screen's origin).
x_pointer() {
  DISPLAY=$("$KV_WINE_RUN" --display) python3 - "$1" "$2" <<'PY'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong] + [ctypes.c_int] * 6
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
d = x.XOpenDisplay(None)
if not d:
    sys.exit(1)
x.XWarpPointer(d, 0, x.XDefaultRootWindow(d), 0, 0, 0, 0, int(sys.argv[1]), int(sys.argv[2]))
x.XSync(d, 0)
PY
}
prepare_project "$PWD/bands.kvp"
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
end=$((SECONDS + 20))
while :; do
  style=$(drv info "$hwnd" | awk -F'\t' '$1 == "style" { print $2 }')
  [ $((${style:-0} & 0x01000000)) = 0 ] || break
  [ $SECONDS -lt $end ] || fail "the window was not maximised (style $style)"
  sleep 0.3
done
sleep 1   # a few frames laid out in the maximised client area
read -r cw ch < <(drv client "$hwnd")
[ $((cw * 240)) != $((ch * 320)) ] || fail "the client area $cw x $ch has the game's aspect: no bands"
read -r l t r b < <(drv info "$hwnd" | awk -F'\t' '$1 == "rect" { print $2 }')
px=$(((l + r) / 2)) py=$(((t + b) / 2))
x_pointer "$px" "$py" || fail "cannot move the X pointer"
drv activate "$hwnd" || fail "cannot activate the engine's window"
drv click "$px" "$py" left || fail "cannot click"
menu=$(drv wait-window --class "#32768" --exe "$ENGINE" --visible --timeout 10000) ||
  fail "no pop-up menu after the click"
read -r ml mt mr mb < <(drv info "$menu" | awk -F'\t' '$1 == "rect" { print $2 }')
note "client $cw x $ch, pointer at $px $py, menu at $ml $mt $mr $mb"
[ "$ml $mt" = "$px $py" ] || fail "the menu opened at $ml $mt, not under the pointer at $px $py"
drv keys ESCAPE || fail "cannot send keys"
drv close "$hwnd" >/dev/null || fail "cannot close"
wait_engine 20 || fail "the engine did not end"
