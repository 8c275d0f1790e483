# The demo project of scripts/demo.sh (tools/demo/demo.kvp): its script runs
# natively through the title and the wipe into the scene without a report
# (layer_reference waits for the scene's frame counter), and under Wine its
# window shows a picture, no report box, and ends with exit code 0 when closed.
source "$KV_LIB"
source "$KV_SRC/tests/win32/layers_lib.sh"
use_engine
layers_reference "$KV_SRC/tools/demo/demo.kvp"
layers_pack "$KV_SRC/tools/demo/demo.kvp"
start_engine
hwnd=$(main_window) || fail "the engine's window did not appear"
sleep 4
box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && { drv texts "$box"; fail "the demo shows a box"; }
size=$(drv capture "$hwnd" "$PWD/demo.bgra") || fail "cannot read the window's client area"
read -r w h <<< "$size"
note "the window's client area is $w x $h"
python3 - demo.bgra <<'PY' || fail "the window shows nothing but a few colours"
import sys
d = open(sys.argv[1], "rb").read()
colours = {d[i:i + 3] for i in range(0, len(d), 4 * 61) if d[i + 3]}
print("%d colours in a sample of the window" % len(colours))
sys.exit(0 if len(colours) > 100 else 1)
PY
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after the close request"
note "closed, exit code 0"
