#!/usr/bin/env python3
"""The tiles of the image-operation end-to-end test: every selector of the
layer image-operation command (command 2) once, each on its own tile of a
640 x 480 game (8 x 8 cells of 80 x 60 pixels; a tile's layers start at 8, 6
in its cell).

  image_ops.py describe > FILE.kvp
        the project: it lays out the tiles' layers, waits a frame (pending
        opacity and visibility), runs each tile's operations, places the
        layers the operations made, sets $1000 to 1 and waits for ever
  image_ops.py compare SHOT SW SH REF RW RH [DIFF.png]
        the top-left RW x RH of SHOT against REF cell by cell, each with its
        tile's rule: exact, within 1 per colour byte (the operations whose
        positions or weights come from the C library's sin, cos, hypot or
        rint), or, for the scatter (the C library's rand()), the same colours
        in any order. Names every tile that differs, and every tile that the
        reference leaves empty.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pixels  # noqa: E402

GAME_W, GAME_H, CELL_W, CELL_H, COLS = 640, 480, 80, 60, 8
EXACT, LIBM, SHUFFLED = 0, 1, "shuffled"

IMAGES = """\
image img/bg png 640 480 solid fill=101018 colour=rgb
image img/grad png 64 48 gradient colour=rgb
image img/shapes png 64 48 shapes colour=rgb
image img/alpha png 64 48 alpha
image img/bars bmp 64 48 bars
image img/check bmp 64 48 checker
image img/rule png 64 48 rule colour=grey
image img/b32 bmp 64 48 alpha bits=32
image img/small png 40 30 shapes colour=rgb
image img/small_bars png 40 30 bars colour=rgb
image img/small_alpha png 40 30 alpha
"""

# (tile, rule, set-up lines, operation lines, placing lines). In the lines
# {a} {b} {c} {d} are the tile's own layer names, {x} {y} the tile's position
# and {o} its order key; a set-up line "L NAME IMAGE [ARGS]" is a layer of
# that image at the tile's position.
TILES = [
    ("resample nearest (20): a rectangle enlarged in place", EXACT,
     ["L a shapes"], ['layer_image_op a="{a}" 8=6 9=4 10=41 11=31 12=64 13=48 20=1'], []),
    ("resample bilinear (21=1): 1/100 rectangle into B", EXACT,
     ["L a grad visible=0"],
     ['layer_image_op a="{a}" b="{b}" 14=850 15=625 16=5020 17=3910 18=7000 19=5200 21=1'],
     ["P b"]),
    ("resample bicubic (22=1): a rectangle enlarged in place", EXACT,
     ["L a shapes"], ['layer_image_op a="{a}" 8=10 9=8 10=49 11=37 12=70 13=52 22=1'], []),
    ("resample sharpened bilinear (23=1) into B", EXACT,
     ["L a bars visible=0"],
     ['layer_image_op a="{a}" b="{b}" 14=300 15=250 16=6000 17=4500 18=6900 19=5100 23=1'],
     ["P b"]),
    ("resample Lanczos-2 (24=1): shrunk in place", LIBM,
     ["L a shapes"], ['layer_image_op a="{a}" 12=45 13=33 24=1'], []),
    ("resample Lanczos-2 (24=1): enlarged into B", LIBM,
     ["L a grad visible=0"], ['layer_image_op a="{a}" b="{b}" 12=72 13=54 24=1'], ["P b"]),
    ("folder: composed, then resampled bicubic into B", EXACT,
     ["G a", "L a/p grad", "L a/q small_alpha x=14 y=9"],
     ['layer_image_op a="{a}/" b="{b}" 12=72 13=52 22=1'],
     ['layer_setup path="{a}/" visible=0', "P b"]),
    ("folder: composed, then its own picture made negative (51)", EXACT,
     ["G a", "L a/p shapes", "L a/q small_alpha x=20 y=12"],
     ['layer_image_op a="{a}/" value1=1 51=1'], []),
]

for angle in (0, 90, 180, 270, 33):
    TILES.append(("rotate %d, kernel 11 (25=1) in place" % angle, LIBM if angle == 33 else EXACT,
                  ["L a shapes"], ['layer_image_op a="{a}" value1=%d 25=1' % angle], []))
    TILES.append(("rotate %d, kernel 12 (25=2) into a B of the same size" % angle,
                  LIBM if angle == 33 else EXACT,
                  ["L a alpha visible=0", "L b check"],
                  ['layer_image_op a="{a}" b="{b}" value1=%d 25=2' % angle], []))

# (argument, value 1, value 2, image, rectangle, into B, rule)
EFFECTS = [
    (27, 210, None, "shapes", None, False, EXACT),
    (27, 40, None, "b32", (8, 6, 55, 41), True, EXACT),
    (28, 0xC06040, None, "grad", None, False, EXACT),
    (29, 0, None, "shapes", None, False, EXACT),
    (38, 176, None, "grad", (8, 6, 55, 41), False, EXACT),
    (39, 100, None, "shapes", (4, 4, 59, 35), False, EXACT),
    (40, 1, None, "shapes", None, False, EXACT),
    (41, 0, None, "grad", (0, 0, 47, 35), True, EXACT),
    (42, 7, None, "shapes", None, False, EXACT),
    (43, 3, None, "alpha", None, False, EXACT),
    (44, 4, None, "shapes", None, False, EXACT),
    (45, 4, None, "bars", (0, 4, 63, 43), True, EXACT),
    (46, 5, None, "b32", None, False, EXACT),
    (47, 6, None, "shapes", None, False, SHUFFLED),
    (48, 6, 30, "check", None, False, LIBM),
    (49, 5, 0, "check", None, False, LIBM),
    (50, 4, 45, "shapes", None, True, LIBM),
    (55, 900, None, "check", None, False, LIBM),
    (51, 1, None, "alpha", None, False, EXACT),
    (52, 0x3366CC, None, "shapes", (10, 8, 41, 29), False, EXACT),
    (53, 0x60, None, "grad", (16, 12, 47, 35), True, EXACT),
    (54, 0x80FF8000, None, "shapes", (6, 6, 37, 41), False, EXACT),
]
for arg, v1, v2, image, rect, into_b, rule in EFFECTS:
    words = ['layer_image_op a="{a}"'] + (['b="{b}"'] if into_b else [])
    words += ["value1=%d" % v1] + (["value2=%d" % v2] if v2 is not None else [])
    words += ["%d=%d" % (8 + i, v) for i, v in enumerate(rect or ())] + ["%d=1" % arg]
    name = "effect %d (value %s%s)%s%s" % (arg, hex(v1) if v1 > 999 else v1,
                                          "" if v2 is None else ", %d" % v2,
                                          " on %d,%d-%d,%d" % rect if rect else "",
                                          " into B" if into_b else "")
    TILES.append((name, rule, ["L a %s%s" % (image, " visible=0" if into_b else "")],
                  [" ".join(words)], ["P b"] if into_b else []))

TILES += [
    ("blit (30) at 12,9, A opaque", EXACT,
     ["L a small_alpha visible=0", "L b bars"], ['layer_image_op a="{a}" b="{b}" 8=12 9=9 30=1'], []),
    ("blit (30) at -10,-8, A opacity 150", EXACT,
     ["L a small_alpha visible=0 opacity=150", "L b shapes"],
     ['layer_image_op a="{a}" b="{b}" 8=-10 9=-8 30=1'], []),
    ("blit with B's opacity (31) at 20,14, A opaque", EXACT,
     ["L a small_alpha visible=0", "L b grad opacity=200"],
     ['layer_image_op a="{a}" b="{b}" 8=20 9=14 31=1'], []),
    ("blit with B's opacity (31) at 30,-6, A opacity 120", EXACT,
     ["L a small visible=0 opacity=120", "L b b32 opacity=220"],
     ['layer_image_op a="{a}" b="{b}" 8=30 9=-6 31=1'], []),
    ("cross-fade (32) of A and B into C at 8,6, level 96", EXACT,
     ["L a grad visible=0", "L b shapes visible=0", "L c check"],
     ['layer_image_op a="{a}" b="{b}" c="{c}" 8=8 9=6 value1=96 32=1'], []),
    ("cross-fade through a rule (33), level 100, softness 80", EXACT,
     ["L a grad visible=0", "L b shapes visible=0", "L c rule visible=0", "L d check"],
     ['layer_image_op a="{a}" b="{b}" c="{c}" d="{d}" value1=100 value2=80 33=1'], []),
    ("cross-fade through a rule (33), level 128, hard edge", EXACT,
     ["L a bars visible=0", "L b grad visible=0", "L c rule visible=0", "L d b32"],
     ['layer_image_op a="{a}" b="{b}" c="{c}" d="{d}" 8=4 9=3 value1=128 value2=256 33=1'], []),
    ("keep differing pixels (34)", EXACT,
     ["L a shapes visible=0", "L b shapes"],
     ['layer_image_op a="{b}" value1=0x40C080 8=12 9=10 10=43 11=31 52=1',
      'layer_image_op a="{a}" b="{b}" 34=1'], []),
    ("keep equal pixels (35) at 6,4", EXACT,
     ["L a grad visible=0", "L b grad"],
     ['layer_image_op a="{b}" value1=0xFF0000 8=20 9=0 10=35 11=47 52=1',
      'layer_image_op a="{a}" b="{b}" 8=6 9=4 35=1'], []),
    ("trim transparent edges (36), all sides, in place", EXACT,
     ["L a alpha"], ['layer_image_op a="{a}" value1=15 36=1'], []),
    ("trim transparent edges (36), top and right, into B", EXACT,
     ["L a small_alpha visible=0"], ['layer_image_op a="{a}" b="{b}" value1=9 36=1'], ["P b"]),
    ("canvas resize (37) by 10, -6, 2, 2 in place", EXACT,
     ["L a shapes"], ['layer_image_op a="{a}" 8=10 10=-6 9=2 11=2 37=1'], []),
    ("canvas resize (37) cropped by 8 and 6 into B", EXACT,
     ["L a b32 visible=0"], ['layer_image_op a="{a}" b="{b}" 8=-8 10=-8 9=-6 11=-6 37=1'],
     ["P b"]),
    ("copy with properties (58): B takes A's place, opacity and blend", EXACT,
     ["L a shapes opacity=180 blend=3"], ['layer_image_op a="{a}" b="{b}" 8=4 9=4 10=43 11=35 58=1'],
     ['layer_setup path="{a}" visible=0', 'layer_setup path="{b}" order={o}']),
    ("copy (59) of a rectangle into B", EXACT,
     ["L a bars visible=0"], ['layer_image_op a="{a}" b="{b}" 8=8 9=8 10=55 11=39 59=1'], ["P b"]),
    ("swap (60): names, order and places", EXACT,
     ["L a small", "L b small_bars x+24 y+18 o+1"],
     ['layer_image_op a="{a}" b="{b}" 60=1'], ['layer_setup path="{a}" opacity=128']),
    ("swap (61): and opacity, visibility, blend", EXACT,
     ["L a small opacity=200 blend=3", "L b small_bars x+20 y+14 o+1 opacity=96"],
     ['layer_image_op a="{a}" b="{b}" 61=1'], ['layer_setup path="{b}" x:1:1=4']),
    ("rotate 137, kernel 12 (25=2) in place", LIBM,
     ["L a shapes"], ['layer_image_op a="{a}" value1=137 25=2'], []),
    ("rotate -59, kernel 11 (25=1) into a new B", LIBM,
     ["L a alpha visible=0"], ['layer_image_op a="{a}" b="{b}" value1=-59 25=1'], ["P b"]),
    ("effect 55 (value -1350) into B", LIBM,
     ["L a shapes visible=0"], ['layer_image_op a="{a}" b="{b}" value1=-1350 55=1'], ["P b"]),
    ("resample Lanczos-2 (24=1) to 63 x 47 in place", LIBM,
     ["L a check"], ['layer_image_op a="{a}" 12=63 13=47 24=1'], []),
    ("resample nearest (20) into a smaller part of B's kept buffer", EXACT,
     ["L a shapes visible=0", "L b check resample=1"],
     ['layer_image_op a="{a}" b="{b}" 12=50 13=37 20=1'], []),
    ("resample bilinear (21=1) into B's buffer of the same size", EXACT,
     ["L a grad visible=0", "L b check"],
     ['layer_image_op a="{a}" b="{b}" 14=1000 15=700 16=5300 17=4000 12=64 13=48 21=1'], []),
    ("paste onto the render target (62), font slot (56), text (57) on a hidden layer", EXACT,
     ["L a grad", "L c small visible=0"],
     ['layer_image_op a="{a}" b="{b}" 62=1', 'layer_image_op a="{a}" value1=3 56=1',
      'layer_image_op a="{c}" text="KV" 57=1'], []),
]


assert len(TILES) <= COLS * GAME_H // CELL_H, "more tiles than cells"


def cell(i):
    return CELL_W * (i % COLS), CELL_H * (i // COLS)


def layer_line(words, names, x, y, o):
    """'G NAME': a 64 x 48 group. 'L NAME IMAGE [x+N y+N o+N] [ARGS]': a layer
    of an image at the tile's position (moved by x+, y+; order key raised by
    o+); 'L NAME/CHILD IMAGE [ARGS]' a child of a group at its own x, y."""
    if words[0] == "G":
        return 'layer_setup path="%s/" order=%d width=64 height=48 x=%d y=%d' % (
            names[words[1]], o, x, y)
    parent, _, child = words[1].partition("/")
    path = names[parent] + ("/" + child if child else "")
    off = {"x": 0, "y": 0, "o": 0}
    rest = ""
    for w in words[3:]:
        if w[:2] in ("x+", "y+", "o+"):
            off[w[0]] += int(w[2:])
        else:
            rest += " " + w
    where = "" if child else " x=%d y=%d" % (x + off["x"], y + off["y"])
    return 'layer_setup path="%s" order=%d image="img/%s"%s%s' % (path, o + off["o"], words[2], where, rest)


def expand(line, names, x, y, o):
    if line.startswith(("L ", "G ")):
        return layer_line(line.split(), names, x, y, o)
    if line.startswith("P "):
        return 'layer_setup path="%s" order=%d x=%d y=%d' % (names[line[2:]], o, x, y)
    return line.format(x=x, y=y, o=o, **names)


def describe():
    out = ["project width=%d height=%d title=\"image ops\" show=1 debug=0 sound=0" % (GAME_W, GAME_H),
           "var 1000 int global = 0", IMAGES, 'script 0 "ops.kvs"', "label SYSTEM_START",
           '    layer_setup path="bg" order=1 image="img/bg"']
    phases = ([], [], [])
    for i, tile in enumerate(TILES):
        cx, cy = cell(i)
        names = {k: "t%02d%s" % (i, k) for k in "abcd"}
        for phase, lines in zip(phases, tile[2:]):
            phase.extend("    " + expand(line, names, cx + 8, cy + 6, 10 + 4 * i) for line in lines)
    out += phases[0] + ["    wait frames=1"] + phases[1] + phases[2]
    out += ["    assign target:1:0=$1000 value=1", "label IDLE", "    wait frames=1", "    goto IDLE"]
    return "\n".join(out) + "\n"


def compare(shot, sw, sh, ref, rw, rh, diff_png=None):
    if sw < rw or sh < rh:
        print("the window shows %d x %d, expected %d x %d" % (sw, sh, rw, rh))
        return 1
    a = pixels.crop(shot, sw, rw, rh)
    if sum(1 for i in range(3, len(a), 4) if a[i]) * 4 < rw * rh:
        print("too little of the window is on the screen")
        return 1
    bad = []
    for i in range(COLS * (rh // CELL_H)):
        x0, y0 = cell(i)
        rule = TILES[i][1] if i < len(TILES) else EXACT
        pa, pr = [], []
        for y in range(y0, y0 + CELL_H):
            o = 4 * (rw * y + x0)
            pa += [a[o + 4 * k:o + 4 * k + 3] for k in range(CELL_W)]
            pr += [ref[o + 4 * k:o + 4 * k + 3] for k in range(CELL_W)]
        if i < len(TILES) and all(p == pr[0] for p in pr):
            bad.append((i, "the reference shows only the background there"))
            continue
        if rule == SHUFFLED:
            if sorted(pa) != sorted(pr):
                bad.append((i, "its colours are not those of the reference"))
            continue
        diffs = [(max(abs(p[c] - q[c]) for c in range(3)), k) for k, (p, q) in enumerate(zip(pa, pr))]
        over = [d for d in diffs if d[0] > rule]
        if over:
            k = over[0][1]
            bad.append((i, "%d pixels differ by more than %d (largest %d), first at %d,%d: "
                        "shown BGR %s, reference %s" % (len(over), rule, max(over)[0], x0 + k % CELL_W,
                                                       y0 + k // CELL_W, pa[k].hex(), pr[k].hex())))
    for i, why in bad:
        print("cell %d (%d,%d) %s: %s" % (i, *cell(i), TILES[i][0] if i < len(TILES) else "background",
                                          why))
    if bad and diff_png:
        both = b"".join(a[4 * rw * y:4 * rw * (y + 1)] + ref[4 * rw * y:4 * rw * (y + 1)] for y in range(rh))
        pixels.to_png(both, 2 * rw, rh, diff_png)
        print("side by side (shown | reference): %s" % diff_png)
    if not bad:
        print("%d tiles of %d x %d as the reference" % (len(TILES), rw, rh))
    return 1 if bad else 0


def main(argv):
    if argv[:1] == ["describe"]:
        sys.stdout.write(describe())
        return 0
    if argv[:1] == ["compare"] and len(argv) >= 7:
        sw, sh, rw, rh = (int(v) for v in (argv[2], argv[3], argv[5], argv[6]))
        return compare(pixels.read(argv[1], sw, sh), sw, sh, pixels.read(argv[4], rw, rh), rw, rh,
                       argv[7] if len(argv) > 7 else None)
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
