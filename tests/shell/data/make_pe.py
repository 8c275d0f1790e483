#!/usr/bin/env python3
"""Writes the smallest PE32+ file that holds resource KV_RES 201 with the
value 4, as the engine embeds it (for the packer's round-trip test), and
prints the file offset of the resource's 4 bytes.

    python3 make_pe.py OUT.exe
"""
import struct
import sys

RAW, VA = 0x200, 0x1000


def resources():
    def directory(entry_name, entry_offset):
        return struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", entry_name, entry_offset)
    r = directory(0x80000000 | 88, 0x80000000 | 24)      # type "KV_RES"
    r += directory(201, 0x80000000 | 48)                  # id 201
    r += directory(0x411, 72)                             # language -> data entry
    r += struct.pack("<IIII", VA + 104, 4, 0, 0)
    r += struct.pack("<H", 6) + "KV_RES".encode("utf-16-le") + b"\0\0"
    r += struct.pack("<I", 4)
    return r


def main(out):
    rsrc = resources()
    dos = b"MZ" + b"\0" * 58 + struct.pack("<I", 0x40)
    coff = b"PE\0\0" + struct.pack("<HHIIIHH", 0x8664, 1, 0, 0, 0, 240, 0x22)
    opt = bytearray(240)
    struct.pack_into("<H", opt, 0, 0x20B)
    struct.pack_into("<II", opt, 112 + 8 * 2, VA, len(rsrc))
    section = b".rsrc\0\0\0" + struct.pack("<IIII", len(rsrc), VA, 0x200, RAW) + b"\0" * 16
    head = dos + coff + bytes(opt) + section
    data = head + b"\0" * (RAW - len(head)) + rsrc + b"\0" * (0x200 - len(rsrc))
    with open(out, "wb") as f:
        f.write(data)
    print(RAW + 104)


if __name__ == "__main__":
    main(sys.argv[1])
