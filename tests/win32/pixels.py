#!/usr/bin/env python3
"""Pixel files of the layer end-to-end tests: raw 32-bit pixels, B, G, R, A,
rows top-down, no header (what `kvdriver capture` and layer_reference write).

  pixels.py compare SHOT SW SH REF RW RH TOL [DIFF.png]
        the top-left RW x RH of SHOT (SW x SH) against REF, colour bytes only;
        passes when no byte differs by more than TOL. Pixels of SHOT with
        alpha 0 were off the screen and are left out, but at least a quarter
        must have been on it. DIFF.png shows the two side by side on a failure.
  pixels.py scale REF W H OUT OW OH
        REF scaled to OW x OH as the engine's windowed CPU presenter does
        (the bilinear scaler of the render workers with the sharpened
        horizontal fractions), written to OUT.
  pixels.py place REF RW RH OUT W H X Y
        a W x H black picture with REF at (X, Y), cut at the edges.
  pixels.py png RAW W H OUT.png
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))


def read(path, w, h):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < w * h * 4:
        raise SystemExit("%s: %d bytes, %d x %d needs %d" % (path, len(data), w, h, w * h * 4))
    return data


def crop(data, w, cw, ch):
    return b"".join(data[4 * w * y:4 * w * y + 4 * cw] for y in range(ch))


def sharpen(f):
    v = int(1.25 * (f - 128) + 128)   # int() truncates toward zero
    return 0 if v < 0 else 255 if v > 255 else v


def positions(src, out):
    """24.8 fixed-point source positions of the output columns (or rows):
    the first maps to 0, the last exactly to the last source pixel."""
    span, div = 100 * (src - 1), 100 * (out - 1) if out > 1 else 100
    return [span * 256 * i // div for i in range(out)]


def scale(data, w, h, ow, oh):
    cols = [(p >> 8, sharpen(p & 255)) for p in positions(w, ow)]
    rows = [(p >> 8, p & 255) for p in positions(h, oh)]
    pad = data + bytes(4 * w + 4)   # the spare row and pixel of every buffer
    out = bytearray(4 * ow * oh)
    o = 0
    for ry, fy in rows:
        base = 4 * w * ry
        for cx, fx in cols:
            i = base + 4 * cx
            j = i + 4 * w
            for k in range(4):
                top = pad[i + k] * (256 - fx) + pad[i + 4 + k] * fx
                bottom = pad[j + k] * (256 - fx) + pad[j + 4 + k] * fx
                out[o + k] = min(255, (top * (256 - fy) >> 16) + (bottom * fy >> 16))
            o += 4
    return bytes(out)


def place(data, w, h, ow, oh, x, y):
    out = bytearray(b"\0\0\0\xff" * (ow * oh))
    x0, x1 = max(0, x), min(ow, x + w)
    for row in range(max(0, y), min(oh, y + h)):
        src = 4 * (w * (row - y) + x0 - x)
        out[4 * (ow * row + x0):4 * (ow * row + x1)] = data[src:src + 4 * (x1 - x0)]
    return bytes(out)


def to_png(data, w, h, path):
    from kvgen import images
    pic = images.Picture(w, h)
    pic.rgba[0::4], pic.rgba[1::4], pic.rgba[2::4] = data[2::4], data[1::4], data[0::4]
    pic.rgba[3::4] = b"\xff" * (w * h)
    with open(path, "wb") as f:
        f.write(images.encode_png(pic, colour="rgb")[0])


def compare(shot, sw, sh, ref, rw, rh, tol, diff_png=None):
    if sw < rw or sh < rh:
        print("the window shows %d x %d, expected %d x %d" % (sw, sh, rw, rh))
        return 1
    a = crop(shot, sw, rw, rh)
    worst = bad = seen = 0
    first = None
    for i in range(0, len(a), 4):
        if a[i + 3] == 0:
            continue
        seen += 1
        d = max(abs(a[i + k] - ref[i + k]) for k in range(3))
        if d > tol:
            bad += 1
            if first is None:
                first = (i // 4 % rw, i // 4 // rw, a[i:i + 3].hex(), ref[i:i + 3].hex())
        worst = max(worst, d)
    print("%d x %d compared (%d pixels on the screen): largest difference %d, %d pixels beyond %d"
          % (rw, rh, seen, worst, bad, tol))
    if seen * 4 < rw * rh:
        print("too little of the window is on the screen")
        return 1
    if bad:
        print("first at (%d, %d): shown BGR %s, reference %s" % first)
        if diff_png:
            both = b"".join(a[4 * rw * y:4 * rw * (y + 1)] + ref[4 * rw * y:4 * rw * (y + 1)] for y in range(rh))
            to_png(both, 2 * rw, rh, diff_png)
            print("side by side (shown | reference): %s" % diff_png)
        return 1
    return 0


def main(argv):
    cmd = argv[0] if argv else ""
    if cmd == "compare" and len(argv) >= 8:
        sw, sh, rw, rh, tol = (int(v) for v in (argv[2], argv[3], argv[5], argv[6], argv[7]))
        return compare(read(argv[1], sw, sh), sw, sh, read(argv[4], rw, rh), rw, rh, tol,
                       argv[8] if len(argv) > 8 else None)
    if cmd == "scale" and len(argv) == 7:
        w, h, ow, oh = (int(v) for v in (argv[2], argv[3], argv[5], argv[6]))
        with open(argv[4], "wb") as f:
            f.write(scale(read(argv[1], w, h), w, h, ow, oh))
        return 0
    if cmd == "place" and len(argv) == 9:
        w, h, ow, oh, x, y = (int(v) for v in argv[2:4] + argv[5:9])
        with open(argv[4], "wb") as f:
            f.write(place(read(argv[1], w, h), w, h, ow, oh, x, y))
        return 0
    if cmd == "png" and len(argv) == 5:
        w, h = int(argv[2]), int(argv[3])
        to_png(read(argv[1], w, h), w, h, argv[4])
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
