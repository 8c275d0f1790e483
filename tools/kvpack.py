#!/usr/bin/env python3
"""kvpack: ships a project as one executable.

    python3 tools/kvpack.py ENGINE.exe PACK.kpf OUT.exe [--preview PREVIEW.bmp]
    python3 tools/kvpack.py --show EXE

Copies the engine, appends a header, the optional preview bitmap and the pack
archive (written by tools/kvgen.py ... --pack), and writes into the engine's
resource KV_RES 201 the offset O where the appended data begins (the size of
the engine's file). A preview bitmap makes a screen-saver build. Layout at O:

    0 "KVER"   4 u32 distance from O to the pack   8 u32 preview size S
    12 u32 0   16 S bytes: the preview, a complete 24-bit BMP file
    O + distance: the pack

An engine that already has data appended is first cut back to its own size,
so packing again replaces what was there. --show prints the resource value
and the header of an executable.
"""
import argparse
import struct
import sys

RES_TYPE = "KV_RES"
RES_ID = 201
RT_DIR = 2  # data directory index of the resources


class PackError(Exception):
    pass


def field(fmt, b, at):
    if at + struct.calcsize(fmt) > len(b):
        raise PackError("damaged executable: a field at file offset 0x%x lies past its end" % at)
    return struct.unpack_from(fmt, b, at)[0]


def u16(b, at):
    return field("<H", b, at)


def u32(b, at):
    return field("<I", b, at)


def sections(exe):
    """(virtual address, virtual size, raw offset, raw size) of each section,
    and the RVA of the resource directory."""
    if exe[:2] != b"MZ":
        raise PackError("not an executable (no MZ header)")
    pe = u32(exe, 0x3C)
    if exe[pe:pe + 4] != b"PE\0\0":
        raise PackError("not a PE executable")
    count = u16(exe, pe + 6)
    opt_size = u16(exe, pe + 20)
    opt = pe + 24
    magic = u16(exe, opt)
    dirs = opt + (112 if magic == 0x20B else 96)
    res_rva = u32(exe, dirs + 8 * RT_DIR)
    table = opt + opt_size
    out = []
    for i in range(count):
        s = table + 40 * i
        out.append((u32(exe, s + 12), u32(exe, s + 8), u32(exe, s + 20), u32(exe, s + 16)))
    return out, res_rva


def rva_to_offset(secs, rva):
    for va, vsize, raw, rsize in secs:
        if va <= rva < va + max(vsize, rsize):
            if rva - va >= rsize:
                break
            return raw + rva - va
    raise PackError("address 0x%x lies in no section's file data" % rva)


def entries(exe, at):
    named, ids = u16(exe, at + 12), u16(exe, at + 14)
    for i in range(named + ids):
        e = at + 16 + 8 * i
        yield u32(exe, e), u32(exe, e + 4)


def entry_name(exe, root, name):
    if name & 0x80000000:
        at = root + (name & 0x7FFFFFFF)
        raw = exe[at + 2:at + 2 + 2 * u16(exe, at)]
        try:
            if len(raw) != 2 * u16(exe, at):
                raise UnicodeError
            return raw.decode("utf-16-le")
        except UnicodeError:
            raise PackError("damaged resource directory: the name at file offset 0x%x "
                            "is not UTF-16 text" % at) from None
    return name


def subdirectory(root, entry, seen):
    """File offset of the directory an entry points at; None for a data entry
    or a directory already searched (damaged files can share or loop them)."""
    if not entry & 0x80000000:
        return None
    at = root + (entry & 0x7FFFFFFF)
    if at in seen:
        return None
    seen.add(at)
    return at


def find_resource(exe):
    """File offset and size of the data of resource KV_RES 201."""
    secs, res_rva = sections(exe)
    if not res_rva:
        raise PackError("the executable has no resources")
    root = rva_to_offset(secs, res_rva)
    seen = {root}
    for tname, tdir in entries(exe, root):
        ids = subdirectory(root, tdir, seen) if entry_name(exe, root, tname) == RES_TYPE else None
        if ids is None:
            continue
        for iname, idir in entries(exe, ids):
            langs = subdirectory(root, idir, seen) if iname == RES_ID else None
            if langs is None:
                continue
            for _lang, data in entries(exe, langs):
                if data & 0x80000000:
                    continue
                d = root + data
                return rva_to_offset(secs, u32(exe, d)), u32(exe, d + 4)
    raise PackError("the executable has no resource %s %d" % (RES_TYPE, RES_ID))


def check_preview(bmp):
    if len(bmp) < 54 or bmp[:2] != b"BM":
        raise PackError("the preview is not a BMP file")
    bits, comp = u16(bmp, 28), u32(bmp, 30)
    if bits != 24 or comp != 0:
        raise PackError("the preview must be a 24-bit uncompressed BMP")


def pack(engine, pack_bytes, preview=b""):
    """The shipped executable's bytes."""
    exe = bytearray(engine)
    at, size = find_resource(exe)
    if size < 4:
        raise PackError("resource %s %d holds less than 4 bytes" % (RES_TYPE, RES_ID))
    old = u32(exe, at)
    if old != 4 and at + 4 <= old < len(exe) and exe[old:old + 4] == b"KVER":
        del exe[old:]  # packed before: cut back to the engine itself
    base = len(exe)
    if base > 0xFFFFFFFF - 16 - len(preview) - len(pack_bytes):
        raise PackError("the result would be larger than 4 GiB")
    if preview:
        check_preview(preview)
    struct.pack_into("<I", exe, at, base)
    distance = 16 + len(preview)
    exe += b"KVER" + struct.pack("<III", distance, len(preview), 0) + preview + pack_bytes
    return bytes(exe)


def show(exe):
    at, _ = find_resource(exe)
    o = u32(exe, at)
    print("resource %s %d: %d (file size %d)" % (RES_TYPE, RES_ID, o, len(exe)))
    if o != 4 and o + 16 <= len(exe) and exe[o:o + 4] == b"KVER":
        dist, s = u32(exe, o + 4), u32(exe, o + 8)
        print("KVER: pack at %d, preview %d bytes%s" % (o + dist, s, " (screen saver)" if s else ""))
    else:
        print("nothing appended")


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--show", metavar="EXE")
    ap.add_argument("--preview", metavar="BMP")
    ap.add_argument("files", nargs="*", metavar="ENGINE PACK OUT")
    a = ap.parse_args(argv)
    try:
        if a.show:
            with open(a.show, "rb") as f:
                show(f.read())
            return 0
        if len(a.files) != 3:
            ap.error("give ENGINE.exe PACK.kpf OUT.exe")
        engine, pack_path, out = a.files
        with open(engine, "rb") as f:
            engine_bytes = f.read()
        with open(pack_path, "rb") as f:
            pack_bytes = f.read()
        preview = b""
        if a.preview:
            with open(a.preview, "rb") as f:
                preview = f.read()
        data = pack(engine_bytes, pack_bytes, preview)
        with open(out, "wb") as f:
            f.write(data)
    except OSError as e:
        print("kvpack: %s" % ("%s: %s" % (e.filename, e.strerror) if e.filename else e), file=sys.stderr)
        return 1
    except PackError as e:
        print("kvpack: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
