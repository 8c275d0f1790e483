# A screen-saver build started with "/s" runs its project at the size of
# the desktop (a Wine virtual desktop of a known size, other than the
# project's 640 x 480), and closes on request.
source "$KV_LIB"
use_desktop 720x540 kvsaver
python3 - <<'PY' || fail "cannot write the preview"
import struct
px = b"\x10\x20\x30" * 16
open("preview.bmp", "wb").write(b"BM" + struct.pack("<IHHI", 54 + len(px), 0, 0, 54)
    + struct.pack("<IiiHHIIiiII", 40, 4, 4, 1, 24, 0, len(px), 0, 0, 0, 0) + px)
PY
use_engine saver.exe
python3 "$KV_GEN" project "$KV_SRC/tools/demo/minimal.kvp" "$PWD/p" --pack game.kpf >/dev/null || fail "generator"
python3 "$KV_SRC/tools/kvpack.py" --preview preview.bmp "$KV_EXE" game.kpf "$ENGINE" || fail "packer"
rm -rf p game.kpf
start_engine /s
win=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 40000) || fail "no window for /s"
sleep 1
size=$(drv client "$win" | tr -d '\r')
[ "$size" = "720 540" ] || fail "/s: client $size, expected the desktop's 720 540"
drv close "$win"
wait_engine 30 || fail "/s: the engine did not end"
note "/s: the project ran at the desktop size 720 x 540"
