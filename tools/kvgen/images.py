"""`kvgen.py image`: test pictures written in every image format the engine
reads (BMP, PNG, GIF, JPEG and the engine's own .kcg), plus the pixels the
engine's decoders must make of each file, so that tests can check them.

A picture is drawn from a pattern (gradients, shapes, alpha) into RGBA
bytes; an encoder turns it into file bytes and says what a correct decoder
yields: the 32-bit B, G, R, A pixels (before the engine's colour key) and
the has-alpha flag. Palette formats first round every channel to six levels
(0, 51, ..., 255) and alpha to 0 or 255, so that their pictures fit 217
colours; JPEG is lossy, its expected pixels are the picture itself.

Written with Python 3 and zlib only; JPEG goes through `cjpeg` (package
libjpeg-turbo-progs) from a PPM/PGM file.
"""
import math
import os
import shutil
import struct
import subprocess
import tempfile
import zlib

KINDS = ("bmp", "png", "gif", "kcg", "jpeg")
PATTERNS = ("gradient", "shapes", "alpha", "checker", "rule", "bars", "solid", "text")
# File extension of each kind; a .kcg file is named like a PNG so that the
# engine's extension probing finds it, and packs mark it by its format byte.
EXTENSIONS = {"bmp": ".bmp", "png": ".png", "gif": ".gif", "kcg": ".png", "jpeg": ".jpg"}
FORMAT_CODES = {"bmp": 1, "png": 2, "jpeg": 3, "gif": 4, "kcg": 8}


class Picture:
    """w x h pixels, RGBA bytes, rows top-down."""

    def __init__(self, w, h, rgba=None):
        if not (1 <= w <= 65535 and 1 <= h <= 65535):
            raise ValueError("picture size %dx%d out of range" % (w, h))
        self.w, self.h = w, h
        self.rgba = bytearray(rgba) if rgba is not None else bytearray(4 * w * h)

    def get(self, x, y):
        i = 4 * (y * self.w + x)
        return tuple(self.rgba[i:i + 4])

    def bgra(self):
        """The pixels in the engine's byte order."""
        out = bytearray(self.rgba)
        out[0::4], out[2::4] = self.rgba[2::4], self.rgba[0::4]
        return bytes(out)


# --- drawing ---------------------------------------------------------------------------
def _clamp(v):
    return 0 if v < 0 else 255 if v > 255 else int(v)


def _hue(angle):
    """An RGB colour around the colour wheel (angle in radians)."""
    return tuple(_clamp(127.5 + 127.5 * math.cos(angle - k * 2.0943951)) for k in range(3))


# A 5 x 7 font for the `text` pattern: seven rows of five bits per character.
FONT = {
    "A": "0e11111f111111", "B": "1e11111e11111e", "C": "0e11101010110e", "D": "1e11111111111e",
    "E": "1f10101e10101f", "F": "1f10101e101010", "G": "0e11101711110f", "H": "1111111f111111",
    "I": "0e04040404040e", "J": "0702020202120c", "K": "11121418141211", "L": "1010101010101f",
    "M": "111b1515111111", "N": "11111915131111", "O": "0e11111111110e", "P": "1e11111e101010",
    "Q": "0e11111115120d", "R": "1e11111e141211", "S": "0f10100e01011e", "T": "1f040404040404",
    "U": "1111111111110e", "V": "11111111110a04", "W": "1111111515150a", "X": "11110a040a1111",
    "Y": "11110a04040404", "Z": "1f01020408101f", "0": "0e11131519110e", "1": "040c040404040e",
    "2": "0e11010204081f", "3": "1f02040201110e", "4": "02060a121f0202", "5": "1f101e0101110e",
    "6": "0608101e11110e", "7": "1f010204080808", "8": "0e11110e11110e", "9": "0e11110f01020c",
    "-": "0000001f000000", ".": "00000000000c0c", " ": "00000000000000",
}


def _text_lit(text, x, y, w, h):
    """Whether pixel (x, y) lies on a letter of text drawn as large as fits."""
    n = max(1, len(text))
    s = max(1, min(w // (6 * n), h // 9))
    ox, oy = (w - (6 * n - 1) * s) // 2, (h - 7 * s) // 2
    if x < ox or y < oy:
        return False
    u, v = (x - ox) // s, (y - oy) // s
    k, col = divmod(u, 6)
    if k >= n or col >= 5 or v >= 7:
        return False
    rows = bytes.fromhex(FONT.get(text[k].upper(), FONT[" "]))
    return bool(rows[v] >> (4 - col) & 1)


def _pixel(pattern, x, y, w, h, colour, text=""):
    fx = x / max(1, w - 1)
    fy = y / max(1, h - 1)
    if pattern == "gradient":
        return (_clamp(255 * fx), _clamp(255 * fy), _clamp(255 * (1 - (fx + fy) / 2)), 255)
    if pattern == "solid":
        return colour
    if pattern == "text":
        # Letters in a gold-to-orange gradient with a soft shadow, on nothing.
        if _text_lit(text, x, y, w, h):
            return (255, _clamp(230 - 110 * fy), _clamp(90 - 80 * fy), 255)
        sh = max(1, min(w // (6 * max(1, len(text))), h // 9) // 3)
        if _text_lit(text, x - sh, y - sh, w, h):
            return (0, 0, 0, 140)
        return (0, 0, 0, 0)
    if pattern == "checker":
        on = ((x // 8) + (y // 8)) & 1
        return (230, 230, 230, 255) if on else (40, 60, 90, 255)
    if pattern == "rule":
        v = _clamp(255 * (fx * 0.7 + fy * 0.3))
        return (v, v, v, 255)
    if pattern == "bars":
        bar = min(7, x * 8 // w)
        r, g, b = (bar >> 2) & 1, (bar >> 1) & 1, bar & 1
        shade = 0.35 + 0.65 * (1 - fy)
        return (_clamp(255 * r * shade), _clamp(255 * g * shade), _clamp(255 * b * shade), 255)
    cx, cy = (w - 1) / 2, (h - 1) / 2
    dx, dy = x - cx, y - cy
    if pattern == "alpha":
        # A disc whose alpha falls from 255 in the middle to 0 at its rim,
        # coloured around the wheel; outside it transparent black.
        r = math.hypot(dx / max(1.0, w / 2), dy / max(1.0, h / 2))
        if r >= 1:
            return (0, 0, 0, 0)
        rgb = _hue(math.atan2(dy, dx))
        return rgb + (_clamp(255 * (1 - r * r)),)
    # shapes: a sky gradient, a red disc, a yellow square and a green stripe.
    base = (_clamp(40 + 60 * fy), _clamp(80 + 80 * fy), _clamp(200 - 80 * fy), 255)
    if math.hypot(dx - w / 6, dy) < min(w, h) / 4:
        return (220, 40, 40, 255)
    if w / 10 <= x < w / 10 + min(w, h) / 3 and h / 10 <= y < h / 10 + min(w, h) / 3:
        return (250, 220, 30, 255)
    if abs((x - y * w / h) % (w / 2)) < w / 24:
        return (40, 180, 60, 255)
    return base


def draw(pattern, w, h, colour=0xFFFFFF, alpha=255, text="KAVREN"):
    """A picture of a pattern; colour (0xRRGGBB) for `solid`, text for `text`;
    alpha scales every pixel's alpha (255 keeps it)."""
    if pattern not in PATTERNS:
        raise ValueError("unknown pattern %r (one of %s)" % (pattern, ", ".join(PATTERNS)))
    col = ((colour >> 16) & 255, (colour >> 8) & 255, colour & 255, 255)
    pic = Picture(w, h)
    px = pic.rgba
    i = 0
    for y in range(h):
        for x in range(w):
            r, g, b, a = _pixel(pattern, x, y, w, h, col, text)
            px[i], px[i + 1], px[i + 2], px[i + 3] = r, g, b, a * alpha // 255
            i += 4
    return pic


def quantize(pic, keep_alpha=True):
    """Every channel to six levels, alpha to 0 or 255 (transparent pixels
    become 0, 0, 0, 0), or alpha 255 when keep_alpha is false."""
    out = Picture(pic.w, pic.h)
    src, dst = pic.rgba, out.rgba
    for i in range(0, len(src), 4):
        if keep_alpha and src[i + 3] < 128:
            continue
        for k in range(3):
            dst[i + k] = (src[i + k] + 25) // 51 * 51
        dst[i + 3] = 255
    return out


def palette_of(pic):
    """(palette of RGBA tuples, index bytes); at most 256 colours."""
    index, pal, out = {}, [], bytearray(pic.w * pic.h)
    px = pic.rgba
    for n in range(pic.w * pic.h):
        c = bytes(px[4 * n:4 * n + 4])
        k = index.get(c)
        if k is None:
            if len(pal) == 256:
                raise ValueError("more than 256 colours")
            k = index[c] = len(pal)
            pal.append(tuple(c))
        out[n] = k
    return pal, out


def opaque(pic):
    out = Picture(pic.w, pic.h, pic.rgba)
    out.rgba[3::4] = b"\xff" * (pic.w * pic.h)
    return out


# --- BMP -------------------------------------------------------------------------------
def encode_bmp(pic, bits=24, topdown=False):
    """A Windows bitmap (BITMAPINFOHEADER, bottom-up rows padded to 4 bytes):
    24-bit, 32-bit (alpha kept: has-alpha 1) or 8-bit with a colour table."""
    w, h = pic.w, pic.h
    table = b""
    if bits == 8:
        exp = quantize(pic, keep_alpha=False)
        pal, idx = palette_of(exp)
        table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b, _ in pal)
    elif bits in (24, 32):
        exp = pic if bits == 32 else opaque(pic)
    else:
        raise ValueError("BMP bits must be 8, 24 or 32")
    stride = (w * bits + 31) // 32 * 4
    rows = []
    for y in range(h - 1, -1, -1):
        if bits == 8:
            row = bytes(idx[y * w:(y + 1) * w])
        else:
            line = Picture(w, 1, exp.rgba[4 * w * y:4 * w * (y + 1)]).bgra()
            row = line if bits == 32 else b"".join(line[i:i + 3] for i in range(0, len(line), 4))
        rows.append(row + bytes(stride - len(row)))
    if topdown:
        rows.reverse()
    offset = 54 + len(table)
    data = b"".join(rows)
    head = b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, -h if topdown else h, 1, bits, 0, len(data),
                       2835, 2835, len(table) // 4, 0)
    return head + info + table + data, exp, 1 if bits == 32 else 0


# --- PNG -------------------------------------------------------------------------------
def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filter(ftype, row, prev, bpp):
    out = bytearray([ftype])
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i] if prev else 0
        c = prev[i - bpp] if prev and i >= bpp else 0
        pred = (0, a, b, (a + b) // 2, _paeth(a, b, c))[ftype]
        out.append((x - pred) & 255)
    return out


# Adam7 passes: x start, y start, x step, y step.
ADAM7 = ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2))

PNG_COLOUR_TYPES = {"grey": 0, "rgb": 2, "palette": 3, "greyalpha": 4, "rgba": 6}


def _grey(r, g, b):
    return (r * 299 + g * 587 + b * 114 + 500) // 1000


def encode_png(pic, colour="rgba", interlace=False, idat_size=8192):
    """An 8-bit PNG of colour type rgba, rgb, palette (with tRNS when the
    picture has transparent pixels), grey or greyalpha; rows filtered with
    all five filter types in turn; optionally Adam7-interlaced; the data
    split into IDAT chunks of idat_size bytes."""
    if colour not in PNG_COLOUR_TYPES:
        raise ValueError("PNG colour must be one of %s" % ", ".join(PNG_COLOUR_TYPES))
    ctype = PNG_COLOUR_TYPES[colour]
    w, h = pic.w, pic.h
    chunks = []
    if colour == "palette":
        exp = quantize(pic)
        pal, idx = palette_of(exp)
        chunks.append(_chunk(b"PLTE", b"".join(bytes(c[:3]) for c in pal)))
        alphas = bytes(c[3] for c in pal).rstrip(b"\xff")
        if alphas:
            chunks.append(_chunk(b"tRNS", alphas))
        samples, bpp = bytes(idx), 1
    else:
        exp = Picture(w, h, pic.rgba)
        src = exp.rgba
        if colour in ("grey", "greyalpha"):
            for i in range(0, len(src), 4):
                src[i] = src[i + 1] = src[i + 2] = _grey(src[i], src[i + 1], src[i + 2])
        if colour in ("rgb", "grey"):
            src[3::4] = b"\xff" * (w * h)
        keep = {"rgba": (0, 1, 2, 3), "rgb": (0, 1, 2), "grey": (0,), "greyalpha": (0, 3)}[colour]
        bpp = len(keep)
        samples = bytearray(w * h * bpp)
        for k, ch in enumerate(keep):
            samples[k::bpp] = src[ch::4]
    raw = bytearray()
    for x0, y0, dx, dy in (ADAM7 if interlace else ((0, 0, 1, 1),)):
        prev = None
        for n, y in enumerate(range(y0, h, dy)):
            row = bytearray()
            for x in range(x0, w, dx):
                row += samples[(y * w + x) * bpp:(y * w + x + 1) * bpp]
            if not row:
                break
            raw += _filter(n % 5, row, prev, bpp)
            prev = row
    z = zlib.compress(bytes(raw), 9)
    ihdr = struct.pack(">IIBBBBB", w, h, 8, ctype, 0, 0, 1 if interlace else 0)
    out = b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr) + b"".join(chunks)
    for i in range(0, len(z), idat_size):
        out += _chunk(b"IDAT", z[i:i + idat_size])
    return out + _chunk(b"IEND", b""), exp, 1 if ctype in (4, 6) else 0


# --- GIF -------------------------------------------------------------------------------
def lzw_encode(indices, min_size):
    """GIF LZW: codes least significant bit first, a clear code first, the
    code width growing as the table fills, a clear code before code 4095."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    out = bytearray()
    acc = nbits = 0

    def put(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 255)
            acc >>= 8
            nbits -= 8

    width = min_size + 1
    nxt = end + 1
    table = {}
    put(clear, width)
    cur = None
    for k in indices:
        if cur is None:
            cur = k
            continue
        key = (cur, k)
        code = table.get(key)
        if code is not None:
            cur = code
            continue
        put(cur, width)
        if nxt >= (1 << width) and width < 12:
            width += 1
        if nxt >= 4095:
            put(clear, width)
            table.clear()
            nxt = end + 1
            width = min_size + 1
        else:
            table[key] = nxt
            nxt += 1
        cur = k
    if cur is not None:
        put(cur, width)
        if nxt >= (1 << width) and width < 12:
            width += 1
    put(end, width)
    if nbits:
        out.append(acc & 255)
    return bytes(out)


def _sub_blocks(data):
    return b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                    for i in range(0, len(data), 255)) + b"\0"


def _table_bits(n):
    bits = 1
    while (1 << bits) < n:
        bits += 1
    return bits


def _colour_table(pal, bits):
    return b"".join(bytes(c[:3]) for c in pal) + bytes(3 * ((1 << bits) - len(pal)))


def _interlaced_rows(h):
    return [y for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)) for y in range(start, h, step)]


def _gif_image(idx, w, h, left, top, interlace, local=None):
    """An image descriptor with its (local) colour table and LZW data."""
    flags = 0x40 if interlace else 0
    table = b""
    if local is not None:
        bits = _table_bits(len(local))
        flags |= 0x80 | (bits - 1)
        table = _colour_table(local, bits)
    rows = _interlaced_rows(h) if interlace else range(h)
    order = b"".join(bytes(idx[y * w:(y + 1) * w]) for y in rows)
    min_size = max(2, _table_bits(max(idx) + 1 if idx else 1))
    return (b"," + struct.pack("<HHHHB", left, top, w, h, flags) + table +
            bytes([min_size]) + _sub_blocks(lzw_encode(order, min_size)))


def _gce(transparent, index, delay=10, disposal=1):
    return b"!\xf9\x04" + struct.pack("<BHB", (disposal << 2) | (1 if transparent else 0), delay, index) + b"\0"


def encode_gif(pic, transparent=False, interlace=False, frames=1):
    """A GIF89a: a global colour table, a comment, a looping block when there
    are several frames, and per frame a graphic-control block and an image.
    Frame 0 covers the screen and is what the engine shows (alpha 0 where the
    transparent index is, when `transparent`); later frames are smaller,
    shifted, with a local colour table of inverted colours."""
    exp = quantize(pic, keep_alpha=transparent)
    pal, idx = palette_of(exp)
    tindex = 0
    if transparent:
        if (0, 0, 0, 0) not in pal:
            pal.append((0, 0, 0, 0))
        tindex = pal.index((0, 0, 0, 0))
    bits = _table_bits(max(2, len(pal)))
    w, h = pic.w, pic.h
    out = bytearray(b"GIF89a" + struct.pack("<HHBBB", w, h, 0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0))
    out += _colour_table(pal, bits)
    out += b"!\xfe" + _sub_blocks(b"kvgen test picture")
    if frames > 1:
        out += b"!\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\0"
    out += _gce(transparent, tindex)
    out += _gif_image(idx, w, h, 0, 0, interlace)
    for f in range(1, frames):
        fw, fh = max(1, w // 2), max(1, h // 2)
        left, top = (f * 7) % (w - fw + 1), (f * 5) % (h - fh + 1)
        sub = bytes(idx[(top + y) * w + left + x] for y in range(fh) for x in range(fw))
        inverted = [tuple(255 - v for v in c[:3]) + (c[3],) for c in pal]
        out += _gce(transparent, tindex, delay=10 * f, disposal=2)
        out += _gif_image(sub, fw, fh, left, top, interlace, local=inverted)
    out += b";"
    if not transparent:
        exp = opaque(exp)
    return bytes(out), exp, 1 if transparent else 0


# --- KCG -------------------------------------------------------------------------------
KCG_HEADER = 56


def encode_kcg(pic, compress=True, split=None):
    """The engine's own format: a 56-byte header of 14 u32 words (magic
    "KCG\\0", width, height, compression 0 raw / 1 zlib, the unpacked and
    packed sizes of the two zlib parts at words 8, 9, 12, 13), then the B, G,
    R, A pixels, raw or as two zlib streams (part 1 the first `split` bytes,
    by default the first half of the rows). Always has-alpha 1."""
    pixels = pic.bgra()
    words = [0] * 14
    words[1], words[2] = pic.w, pic.h
    body = pixels
    if compress:
        cut = split if split is not None else (pic.h // 2) * pic.w * 4
        a, b = zlib.compress(pixels[:cut], 9), zlib.compress(pixels[cut:], 9)
        words[4] = 1
        words[8], words[9], words[12], words[13] = cut, len(a), len(pixels) - cut, len(b)
        body = a + b
    head = b"KCG\0" + struct.pack("<13I", *words[1:])
    return head + body, pic, 1


# --- JPEG ------------------------------------------------------------------------------
def encode_jpeg(pic, quality=92, progressive=False, grey=False):
    """A JPEG written by cjpeg from a PPM (PGM when grey): baseline or
    progressive. Expected pixels: the picture, opaque (grey: its luma)."""
    cjpeg = shutil.which("cjpeg")
    if not cjpeg:
        raise SystemExit("cjpeg is missing (package libjpeg-turbo-progs; scripts/setup-deps.sh installs it)")
    exp = opaque(pic)
    if grey:
        src = exp.rgba
        for i in range(0, len(src), 4):
            src[i] = src[i + 1] = src[i + 2] = _grey(src[i], src[i + 1], src[i + 2])
        body = bytes(exp.rgba[0::4])
        head = b"P5\n%d %d\n255\n" % (pic.w, pic.h)
    else:
        body = bytearray(3 * pic.w * pic.h)
        for k in range(3):
            body[k::3] = exp.rgba[k::4]
        head = b"P6\n%d %d\n255\n" % (pic.w, pic.h)
    with tempfile.TemporaryDirectory() as tmp:
        src_file, out_file = os.path.join(tmp, "in.pnm"), os.path.join(tmp, "out.jpg")
        with open(src_file, "wb") as f:
            f.write(head + bytes(body))
        cmd = [cjpeg, "-quality", str(quality), "-outfile", out_file]
        if progressive:
            cmd.append("-progressive")
        if grey:
            cmd.append("-grayscale")
        subprocess.run(cmd + [src_file], check=True)
        with open(out_file, "rb") as f:
            return f.read(), exp, 0


# --- damage ----------------------------------------------------------------------------
def _set_i32(data, offset, value):
    b = bytearray(data)
    struct.pack_into("<i", b, offset, value)
    return bytes(b)


def _gif_cut_in_data(d):
    """The file up to the middle of frame 0's LZW data sub-blocks."""
    at = 13 + (3 << ((d[10] & 7) + 1) if d[10] & 0x80 else 0)
    while d[at] == 0x21:   # extensions: introducer, label, sub-blocks
        at += 2
        while d[at]:
            at += d[at] + 1
        at += 1
    flags = d[at + 9]
    at += 10 + (3 << ((flags & 7) + 1) if flags & 0x80 else 0) + 1
    end = at
    while d[end]:
        end += d[end] + 1
    return d[:(at + end) // 2]


# kind -> damage name -> (bytes -> bytes). What the engine makes of each:
# see README.md.
DAMAGE = {
    "bmp": {
        "topdown": lambda d: _set_i32(d, 22, -abs(struct.unpack_from("<i", d, 22)[0])),
        "signature": lambda d: b"MB" + d[2:],
        "offset": lambda d: _set_i32(d, 10, 10),
        "rle": lambda d: _set_i32(d, 30, 1),
        "wide": lambda d: _set_i32(d, 18, 8193),
    },
    "kcg": {
        "magic": lambda d: b"KCX\0" + d[4:],
        "wide": lambda d: _set_i32(d, 4, 8193),
    },
    "png": {"crc": lambda d: d[:29] + bytes([d[29] ^ 0xFF]) + d[30:]},
    "gif": {
        "cut": _gif_cut_in_data,
        "trailer": lambda d: d[:-1],
    },
}


def damage(kind, data, what):
    if what == "truncate":
        return data[:len(data) // 2]
    fn = DAMAGE.get(kind, {}).get(what)
    if fn is None:
        names = ["truncate"] + sorted(DAMAGE.get(kind, {}))
        raise ValueError("damage %r unknown for %s (one of %s)" % (what, kind, ", ".join(names)))
    return fn(data)


# --- one entry point -------------------------------------------------------------------
OPTIONS = {
    # option: (kinds it applies to, converter)
    "bits": (("bmp",), int),
    "colour": (("png",), str),
    "interlace": (("png", "gif"), int),
    "transparent": (("gif",), int),
    "frames": (("gif",), int),
    "raw": (("kcg",), int),
    "split": (("kcg",), int),
    "quality": (("jpeg",), int),
    "progressive": (("jpeg",), int),
    "grey": (("jpeg",), int),
    "damage": (KINDS, str),
    "fill": (KINDS, lambda v: int(v, 16)),
    "alpha": (KINDS, int),
    "text": (KINDS, str),
}


def encode(kind, pic, **opt):
    """(file bytes, expected Picture, has-alpha flag) of a picture."""
    if kind == "bmp":
        data, exp, flag = encode_bmp(pic, bits=opt.get("bits", 24))
    elif kind == "png":
        data, exp, flag = encode_png(pic, colour=opt.get("colour", "rgba"), interlace=bool(opt.get("interlace")))
    elif kind == "gif":
        data, exp, flag = encode_gif(pic, transparent=bool(opt.get("transparent")),
                                     interlace=bool(opt.get("interlace")), frames=max(1, opt.get("frames", 1)))
    elif kind == "kcg":
        data, exp, flag = encode_kcg(pic, compress=not opt.get("raw"), split=opt.get("split"))
    elif kind == "jpeg":
        data, exp, flag = encode_jpeg(pic, quality=opt.get("quality", 92),
                                      progressive=bool(opt.get("progressive")), grey=bool(opt.get("grey")))
    else:
        raise ValueError("unknown image kind %r (one of %s)" % (kind, ", ".join(KINDS)))
    if opt.get("damage"):
        data = damage(kind, data, opt["damage"])
    return data, exp, flag


def make(kind, w, h, pattern, **opt):
    """Draws and encodes: (file bytes, expected Picture, has-alpha flag)."""
    for k in opt:
        if k not in OPTIONS or kind not in OPTIONS[k][0]:
            raise ValueError("option %r does not apply to %s images" % (k, kind))
    pic = draw(pattern, w, h, colour=opt.pop("fill", 0xFFFFFF), alpha=opt.pop("alpha", 255),
               text=opt.pop("text", "KAVREN"))
    return encode(kind, pic, **opt)


def parse_options(words):
    """key=value words -> options (converted)."""
    opt = {}
    for w in words:
        k, sep, v = w.partition("=")
        if not sep or k not in OPTIONS:
            raise ValueError("bad image option %r (one of %s)" % (w, ", ".join(sorted(OPTIONS))))
        opt[k] = OPTIONS[k][1](v)
    return opt


def _cmd_image(a):
    opt = parse_options(a.option)
    try:
        data, exp, flag = make(a.kind, a.width, a.height, a.pattern, **opt)
    except ValueError as e:
        raise SystemExit("image: %s" % e)
    d = os.path.dirname(a.out)
    if d:
        os.makedirs(d, exist_ok=True)
    with open(a.out, "wb") as f:
        f.write(data)
    if a.expect:
        with open(a.expect, "wb") as f:
            f.write(exp.bgra())
    print("%d %d %d" % (exp.w, exp.h, flag))
    return 0


def register(sub):
    p = sub.add_parser("image", help="write a test picture in an image format the engine reads",
                       description="Draws PATTERN and writes it as KIND; prints 'W H HAS_ALPHA' of what "
                                   "a correct decoder yields. Options are key=value: " +
                                   ", ".join("%s (%s)" % (k, "/".join(v[0])) for k, v in OPTIONS.items()))
    p.add_argument("kind", choices=KINDS)
    p.add_argument("out")
    p.add_argument("option", nargs="*", help="key=value")
    p.add_argument("--width", type=int, default=64)
    p.add_argument("--height", type=int, default=48)
    p.add_argument("--pattern", default="shapes", choices=PATTERNS)
    p.add_argument("--expect", metavar="FILE.bgra",
                   help="also write the expected decoded pixels (B, G, R, A, rows top-down)")
    p.set_defaults(func=_cmd_image)
