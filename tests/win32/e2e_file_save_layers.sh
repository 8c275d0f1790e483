# Saving a layer under Wine: a generated project loads an opaque picture
# into a layer and saves it as BMP, PNG (the default) and JPEG through the
# file command; the files must decode to the picture's pixels (BMP and PNG
# exactly, JPEG within its loss). An engine without the layer command ends
# the test as skipped (exit 77).
source "$KV_LIB"

use_engine
python3 "$KV_GEN" image png src.png colour=rgb --width 40 --height 24 --pattern gradient \
  --expect src.bgra >/dev/null || fail "image src.png"

cat > save.kvp <<'KVP'
project width=320 height=240 title="save" show=1 debug=0 sound=0
error 900050 "undefined command (900050)"
script 0 "main.kvs"
label SYSTEM_START
    layer_setup path="pic" order=1 image="src"
    file_utility folder="Out" make_folders=1
    file_utility a="Out/Shot" layer="pic" bmp=1
    file_utility a="Out/Shot" layer="pic"
    file_utility a="out/shot.JPG" layer="pic" jpeg=1 quality=150
    end restart=0
KVP
python3 "$KV_GEN" project save.kvp "$PWD/project" --pack "$PWD/data.kpf" >/dev/null ||
  fail "generator: save.kvp"
rm -rf project

start_engine
if ! wait_engine 20; then
  box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && text=$(drv texts "$box")
  if printf '%s' "${text:-}" | grep -q 900050; then
    echo "SKIPPED: this engine has no layer command yet"
    exit 77
  fi
  printf '%s\n' "${text:-}"
  fail "the engine did not end by its script within 20 s"
fi
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after the end command, expected 0"
for f in out/shot.bmp out/shot.png out/shot.jpg; do
  [ -s "$f" ] || fail "$f was not written"
done
ls out | grep -q '\.tmp$' && fail "a temporary file was left in out/"
djpeg -pnm -outfile shot.ppm out/shot.jpg || fail "djpeg cannot read out/shot.jpg"

python3 - <<'PY' || fail "the saved files do not hold the layer's pixels"
import struct, sys, zlib
W, H = 40, 24
src = open("src.bgra", "rb").read()
want = [tuple(src[i:i + 3]) for i in range(0, W * H * 4, 4)]   # B, G, R

def bmp(path):
    d = open(path, "rb").read()
    off, w, h, bits = struct.unpack_from("<I", d, 10)[0], *struct.unpack_from("<iiHH", d, 18)[:2], struct.unpack_from("<H", d, 28)[0]
    assert (w, h, bits) == (W, H, 24), (w, h, bits)
    row = (w * 3 + 3) & ~3
    return [tuple(d[off + (h - 1 - y) * row + x * 3: off + (h - 1 - y) * row + x * 3 + 3])
            for y in range(h) for x in range(w)]

def png(path):
    d = open(path, "rb").read()
    pos, idat, ihdr = 8, b"", None
    while pos < len(d):
        n, kind = struct.unpack_from(">I4s", d, pos)
        body = d[pos + 8: pos + 8 + n]
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    w, h, depth, ctype = ihdr[:4]
    assert (w, h, depth, ctype) == (W, H, 8, 6), ihdr
    raw, out, prev, stride = zlib.decompress(idat), [], bytearray(W * 4), W * 4
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b, c = prev[i], prev[i - 4] if i >= 4 else 0
            p = a + b - c
            pred = [0, a, b, (a + b) // 2,
                    a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c][f]
            line[i] = (line[i] + pred) & 255
        out += [(line[i + 2], line[i + 1], line[i], line[i + 3]) for i in range(0, stride, 4)]
        prev = line
    return out

def ppm(path):
    d = open(path, "rb").read()
    parts = d.split(b"\n", 3)
    assert parts[1] == b"%d %d" % (W, H), parts[1]
    px = parts[3]
    return [(px[i + 2], px[i + 1], px[i]) for i in range(0, W * H * 3, 3)]

ok = True
if bmp("out/shot.bmp") != want:
    print("BMP differs"); ok = False
p = png("out/shot.png")
if [q[:3] for q in p] != want or any(q[3] != 255 for q in p):
    print("PNG differs"); ok = False
j = ppm("shot.ppm")
mean = sum(abs(a - b) for s, t in zip(j, want) for a, b in zip(s, t)) / (W * H * 3)
if mean > 4:
    print("JPEG mean difference %.2f" % mean); ok = False
print("BMP, PNG exact; JPEG mean difference %.2f" % mean)
sys.exit(0 if ok else 1)
PY
note "BMP, PNG and JPEG written by the file command decode to the layer's pixels"
