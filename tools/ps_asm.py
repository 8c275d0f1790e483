#!/usr/bin/env python3
"""Assembles the engine's two pixel shaders (tools/shaders/*.psa) into
Direct3D 9 shader tokens and writes src/display/gpu_shaders.cpp.

Only what the shaders use: ps_2_0 / ps_3_0, dcl (t#, v# texcoord, 2D
samplers), def, mov add sub mad mul lrp frc texld, the _sat modifier, write
masks, swizzles (.x .xy .xyzw, replicated) and negated sources.

  ps_asm.py            write the C++ file
  ps_asm.py --check    exit 1 when the C++ file differs from the sources
"""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCES = [("k_bicubic_ps30", "bicubic.psa"), ("k_sharp_bilinear_ps20", "sharp_bilinear.psa")]
OUT = os.path.join(ROOT, "src", "display", "gpu_shaders.cpp")

OPCODES = {"mov": (1, 1), "add": (2, 2), "sub": (3, 2), "mad": (4, 3), "mul": (5, 2),
           "lrp": (18, 3), "frc": (19, 1), "texld": (66, 2)}
REGTYPES = {"r": 0, "v": 1, "c": 2, "t": 3, "oC": 8, "s": 10}
COMPONENTS = "xyzw"


def reg(name):
    for prefix in ("oC", "r", "v", "c", "t", "s"):
        if name.startswith(prefix) and name[len(prefix):].isdigit():
            kind, num = REGTYPES[prefix], int(name[len(prefix):])
            return 0x80000000 | ((kind & 7) << 28) | ((kind & 0x18) << 8) | num
    raise ValueError("bad register " + name)


def dest(text, sat):
    name, _, mask = text.partition(".")
    bits = 0xF if not mask else sum(1 << COMPONENTS.index(c) for c in mask)
    return reg(name) | (bits << 16) | ((1 << 20) if sat else 0)


def source(text):
    neg = text.startswith("-")
    name, _, swz = text.lstrip("-").partition(".")
    swz = swz or "xyzw"
    swz = swz + swz[-1] * (4 - len(swz))
    bits = sum(COMPONENTS.index(c) << (2 * i) for i, c in enumerate(swz))
    return reg(name) | (bits << 16) | ((1 << 24) if neg else 0)


def instruction(op, count):
    return op | (count << 24)


def assemble(text):
    tokens = []
    for line in text.splitlines():
        line = line.split(";")[0].strip()
        if not line:
            continue
        word, _, rest = line.partition(" ")
        args = [a.strip() for a in rest.split(",")] if rest else []
        if word in ("ps_2_0", "ps_3_0"):
            tokens.append(0xFFFF0000 | (int(word[3]) << 8))
        elif word == "dcl_2d":
            tokens += [instruction(31, 2), 0x80000000 | (2 << 27), dest(args[0], False)]
        elif word == "dcl":
            tokens += [instruction(31, 2), 0x80000000, dest(args[0], False)]
        elif word.startswith("dcl_texcoord"):
            index = int(word[len("dcl_texcoord"):] or 0)
            tokens += [instruction(31, 2), 0x80000000 | 5 | (index << 16), dest(args[0], False)]
        elif word == "def":
            tokens += [instruction(81, 5), dest(args[0], False)]
            tokens += [struct.unpack("<I", struct.pack("<f", float(a)))[0] for a in args[1:]]
        else:
            sat = word.endswith("_sat")
            op, nsrc = OPCODES[word[:-4] if sat else word]
            if len(args) != nsrc + 1:
                raise ValueError("operand count: " + line)
            tokens.append(instruction(op, nsrc + 1))
            tokens.append(dest(args[0], sat))
            tokens += [source(a) for a in args[1:]]
    tokens.append(0x0000FFFF)
    return tokens


def render():
    out = ["// Pixel shader tokens of the engine's two screen filters, assembled by",
           "// tools/ps_asm.py from tools/shaders/*.psa (do not edit by hand).",
           '#include "display/gpu_shaders.h"', ""]
    for name, src in SOURCES:
        with open(os.path.join(ROOT, "tools", "shaders", src)) as f:
            tokens = assemble(f.read())
        out.append("const uint32_t %s[] = {" % name)
        for i in range(0, len(tokens), 6):
            out.append("    " + " ".join("0x%08x," % t for t in tokens[i:i + 6]))
        out.append("};")
        out.append("const size_t %s_count = sizeof %s / sizeof %s[0];" % (name, name, name))
        out.append("")
    return "\n".join(out)


def main():
    text = render()
    if "--check" in sys.argv:
        with open(OUT) as f:
            if f.read() != text:
                print("gpu_shaders.cpp differs from tools/shaders: run tools/ps_asm.py")
                return 1
        return 0
    with open(OUT, "w") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
