"""JPEG frame containers (`kvgen.py frames`): a numbered series of colour
JPEGs, each optionally followed by a greyscale JPEG that carries its alpha.

Layout (little-endian u32 fields; offsets from the start of the file):
    0 "KJFC", 4 version 1, 8 frame count N, 12 alpha flag, 16/20/24 header
    values 1-3, 28 reserved 0; 32 N frame offsets; 32+4N N colour sizes;
    32+8N N alpha sizes; then the streams, frame i's alpha JPEG directly
    after its colour JPEG. Every stream byte at position p within its stream
    is XOR-ed with KEY[p % 16]; header and tables are plain.
"""
import os
import struct

from kvgen import images

KEY = bytes((0x4B, 0x9E, 0x21, 0xD3, 0x76, 0x08, 0xB5, 0x6A,
             0xE1, 0x3C, 0x57, 0x92, 0x0F, 0xC8, 0xA4, 0x3D))


def scramble(data):
    return bytes(b ^ KEY[i % 16] for i, b in enumerate(data))


def container(frames, alpha_flag, values=(0, 0, 0)):
    """frames: (colour JPEG bytes, alpha JPEG bytes or b"") pairs."""
    n = len(frames)
    head = b"KJFC" + struct.pack("<7I", 1, n, alpha_flag, values[0], values[1], values[2], 0)
    offsets, body = [], bytearray()
    base = 32 + 12 * n
    for colour, alpha in frames:
        offsets.append(base + len(body))
        body += scramble(colour) + scramble(alpha)
    tables = struct.pack("<%dI" % (3 * n), *(offsets + [len(c) for c, _ in frames]
                                             + [len(a) for _, a in frames]))
    return head + tables + bytes(body)


def make_frames(count, w, h, alpha):
    """count frames of w x h (each a different pattern); returns the frame
    pairs and the expected B, G, R, A pixels of each frame as decoded."""
    frames, expected = [], []
    for i in range(count):
        pic = images.draw(images.PATTERNS[i % len(images.PATTERNS)], w, h, colour=0x204080 + 0x101010 * i)
        colour, exp, _ = images.encode_jpeg(pic, quality=92)
        mask = b""
        if alpha:
            mask, mexp, _ = images.encode_jpeg(images.draw("gradient", w, h), quality=92, grey=True)
            exp.rgba[3::4] = mexp.rgba[0::4]
        frames.append((colour, mask))
        expected.append(exp)
    return frames, expected


def _cmd_frames(a):
    values = [int(v, 0) for v in a.values.split(",")] if a.values else [0, 0, 0]
    frames, expected = make_frames(a.frames, a.width, a.height, a.alpha != 0)
    d = os.path.dirname(a.out)
    if d:
        os.makedirs(d, exist_ok=True)
    with open(a.out, "wb") as f:
        f.write(container(frames, a.alpha, (values + [0, 0, 0])[:3]))
    if a.expect:
        with open(a.expect, "wb") as f:
            for exp in expected:
                f.write(exp.bgra())
    print("%d %d %d" % (a.frames, a.width, a.height))
    return 0


def register(sub):
    p = sub.add_parser("frames", help="write a JPEG frame container",
                       description="Writes N frames of W x H drawn from the picture patterns; "
                                   "prints 'N W H'. --expect writes the frames' pixels as a "
                                   "correct decoder yields them (colour JPEG only approximately).")
    p.add_argument("out")
    p.add_argument("--frames", type=int, default=3)
    p.add_argument("--width", type=int, default=64)
    p.add_argument("--height", type=int, default=48)
    p.add_argument("--alpha", type=int, default=0, help="alpha flag (non-zero: alpha JPEGs)")
    p.add_argument("--values", help="header values 1-3, comma-separated")
    p.add_argument("--expect", metavar="FILE.bgra")
    p.set_defaults(func=_cmd_frames)
