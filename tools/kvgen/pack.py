"""Pack archives (.kpf): `pack`, `update`, `many` and `damage` subcommands and
an importable API (pack_folder, write_pack, build_pack, read_pack, damage_*).

Format (little-endian):
  0 "KPF\\0"  4 u32 version  8 u32 entry count  12 u32 index size  16 reserved
  32 the index, one entry per file:
     u32 murmur2(decoded name), u8 length code c (L = NAME_TABLE[255 - c]),
     L name bytes each complemented, u8 format, u8 compression (0 stored,
     1 zlib), u32 unpacked size, u32 stored size, u64 data offset,
     u32 murmur2(stored bytes)
  after each entry's stored bytes its recovery block:
     u32 parity size (1024, or 0 for none), u32 block count,
     per 1024-byte block a u16 (crc32 & 0xffff), 1024 parity bytes (XOR of
     all blocks, the last one zero-padded).
Names are Shift-JIS, lower case (ASCII letters only), '\\' separators.

NAME_TABLE is the identity with twelve disjoint byte pairs swapped (its own
inverse); SCRIPT_KEY is crc32(b"KVscr1") = 0x1cc20022, high byte first.
"""
import os
import struct
import sys
import zlib

from kvgen import read_text

MAGIC = b"KPF\0"
VERSION = 479
PARITY = 1024

NAME_SWAPS = [
    (0x01, 0x5A), (0x03, 0x47), (0x07, 0x3C), (0x0B, 0x66), (0x10, 0x2D), (0x14, 0x71),
    (0x19, 0x88), (0x22, 0x9B), (0x29, 0xC4), (0x33, 0xAE), (0x41, 0xD7), (0x52, 0xF0),
]
SCRIPT_KEY_TEXT = b"KVscr1"
SCRIPT_KEY = (zlib.crc32(SCRIPT_KEY_TEXT) & 0xFFFFFFFF).to_bytes(4, "big")


def _make_table():
    t = list(range(256))
    for a, b in NAME_SWAPS:
        t[a], t[b] = b, a
    return bytes(t)


NAME_TABLE = _make_table()

FORMATS = [(".bmp", 1), (".png", 2), (".jpg", 3), (".gif", 4), (".psd", 7),
           (".kcg", 8), (".wav", 5), (".ogg", 6)]


def murmur2(data, seed=0):
    """MurmurHash2, 32-bit, over the bytes as unsigned values."""
    m = 0x5BD1E995
    n = len(data)
    h = (seed ^ n) & 0xFFFFFFFF
    full = n - (n & 3)
    for (k,) in struct.iter_unpack("<I", data[:full]):
        k = (k * m) & 0xFFFFFFFF
        k ^= k >> 24
        k = (k * m) & 0xFFFFFFFF
        h = ((h * m) & 0xFFFFFFFF) ^ k
    tail = data[full:]
    if len(tail) == 3:
        h ^= tail[2] << 16
    if len(tail) >= 2:
        h ^= tail[1] << 8
    if len(tail) >= 1:
        h ^= tail[0]
        h = (h * m) & 0xFFFFFFFF
    h ^= h >> 13
    h = (h * m) & 0xFFFFFFFF
    h ^= h >> 15
    return h


def _is_lead(c):
    return 0x81 <= c <= 0x9F or 0xE0 <= c <= 0xFC


def entry_name(name):
    """The stored form of a name: Shift-JIS bytes, ASCII lower case, '\\'."""
    raw = name.encode("cp932") if isinstance(name, str) else bytes(name)
    if raw.isascii():
        return raw.lower().replace(b"/", b"\\")
    out = bytearray()
    i = 0
    while i < len(raw):
        c = raw[i]
        if _is_lead(c) and i + 1 < len(raw):
            out += raw[i:i + 2]
            i += 2
            continue
        if c == 0x2F:
            c = 0x5C
        elif 0x41 <= c <= 0x5A:
            c += 32
        out.append(c)
        i += 1
    return bytes(out)


def format_code(name):
    low = bytes(entry_name(name)).lower()
    for ext, code in FORMATS:
        if low.endswith(ext.encode()):
            return code
    return 0


def recovery_block(stored):
    blocks = [stored[i:i + PARITY] for i in range(0, len(stored), PARITY)]
    parity = bytearray(PARITY)
    for b in blocks:
        x = int.from_bytes(b, "little") ^ int.from_bytes(parity[:len(b)], "little")
        parity[:len(b)] = x.to_bytes(len(b), "little")
    out = bytearray(struct.pack("<II", PARITY, len(blocks)))
    for b in blocks:
        out += struct.pack("<H", zlib.crc32(b) & 0xFFFF)
    return bytes(out + parity)


NO_RECOVERY = struct.pack("<II", 0, 0)
_COMPLEMENT = bytes(255 - i for i in range(256))


class Entry:
    """One file of a pack. compress: True (zlib), False (stored)."""

    def __init__(self, name, data, compress=True, recovery=True, fmt=None, raw_name=False):
        self.name = bytes(name) if raw_name else entry_name(name)
        self.data = bytes(data)
        self.compress = compress
        self.recovery = recovery
        self.format = format_code(self.name) if fmt is None else fmt


def build_pack(entries, version=VERSION, count=None, index_size=None):
    """The bytes of a pack and a layout: per entry a dict with index_offset,
    data_offset, stored_size, size, recovery_offset."""
    records = []
    for e in entries:
        if len(e.name) > 255:
            raise ValueError("entry name longer than 255 bytes: %r" % e.name)
        stored = zlib.compress(e.data, 9) if e.compress else e.data
        records.append((e, stored))
    index = bytearray()
    index_offsets = []
    for e, stored in records:
        index_offsets.append(len(index))
        index += bytes(27 + len(e.name))
    data_pos = 32 + len(index)
    body = bytearray()
    layout = []
    for (e, stored), ioff in zip(records, index_offsets):
        off = data_pos + len(body)
        body += stored
        rec_off = data_pos + len(body)
        body += recovery_block(stored) if e.recovery else NO_RECOVERY
        L = len(e.name)
        struct.pack_into("<IB", index, ioff, murmur2(e.name), 255 - NAME_TABLE[L])
        index[ioff + 5:ioff + 5 + L] = e.name.translate(_COMPLEMENT)
        struct.pack_into("<BBIIQI", index, ioff + 5 + L, e.format, 1 if e.compress else 0,
                         len(e.data), len(stored), off, murmur2(stored))
        layout.append(dict(name=e.name, index_offset=32 + ioff, data_offset=off,
                           stored_size=len(stored), size=len(e.data), recovery_offset=rec_off,
                           compress=e.compress))
    head = MAGIC + struct.pack("<III", version & 0xFFFFFFFF,
                               len(records) if count is None else count,
                               len(index) if index_size is None else index_size) + bytes(16)
    return bytes(head + index + body), layout


def read_pack(data):
    """Parses a pack: (version, [dict(name, format, compress, size, stored_size,
    data_offset, hash, index_offset)])."""
    if data[:4] != MAGIC:
        raise ValueError("not a pack")
    version, count, size = struct.unpack_from("<III", data, 4)
    out = []
    off = 32
    for _ in range(count):
        h, c = struct.unpack_from("<IB", data, off)
        L = NAME_TABLE[255 - c]
        name = bytes(data[off + 5:off + 5 + L]).translate(_COMPLEMENT)
        fmt, comp, usize, psize, doff, dhash = struct.unpack_from("<BBIIQI", data, off + 5 + L)
        out.append(dict(name=name, name_hash=h, format=fmt, compress=comp, size=usize,
                        stored_size=psize if comp else usize, data_offset=doff, hash=dhash,
                        index_offset=off))
        off += 27 + L
    return version, out


def read_entry(data, e):
    stored = data[e["data_offset"]:e["data_offset"] + e["stored_size"]]
    return zlib.decompress(stored) if e["compress"] else stored


def write_pack(path, entries, **kw):
    blob, layout = build_pack(entries, **kw)
    d = os.path.dirname(path)
    if d:
        os.makedirs(d, exist_ok=True)
    with open(path, "wb") as f:
        f.write(blob)
    return layout


def folder_entries(folder, compress=True, recovery=True, prefix=""):
    """Every file under folder, named by its path relative to folder."""
    entries = []
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        for fn in sorted(files):
            full = os.path.join(root, fn)
            rel = os.path.relpath(full, folder)
            if prefix:
                rel = os.path.join(prefix, rel)
            with open(full, "rb") as f:
                data = f.read()
            try:  # a UTF-8 file name becomes its Shift-JIS form
                name = rel.encode("cp932")
            except UnicodeEncodeError:
                name = os.fsencode(rel)  # already Shift-JIS bytes
            entries.append(Entry(name, data, compress, recovery))
    return entries


def pack_folder(folder, pack_file, compress=True, recovery=True, version=VERSION, skip_kpf=True):
    """Packs every file under folder (other .kpf files left out) into pack_file."""
    es = [e for e in folder_entries(folder, compress, recovery)
          if not (skip_kpf and e.name.endswith(b".kpf"))]
    target = os.path.abspath(pack_file)
    es = [e for e in es if os.path.abspath(os.path.join(folder, os.fsdecode(e.name.replace(b"\\", b"/")))) != target]
    return write_pack(pack_file, es, version=version)


def filler(name, n):
    """n deterministic bytes for a name (compressible only in part)."""
    seed = murmur2(name) or 1
    out = bytearray(n)
    x = seed
    for i in range(n):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out[i] = (x >> 16) & 0xFF if i % 3 else 0x20
    return bytes(out)


def manifest_entries(path):
    """Manifest lines: NAME SOURCE [store|zlib] [norecovery] [format=N]
    SOURCE: @FILE (relative to the manifest), text:TEXT (UTF-8 text written
    as Shift-JIS), bytes:N (deterministic filler), hex:HEX."""
    base = os.path.dirname(os.path.abspath(path))
    entries = []
    for lineno, line in enumerate(read_text(path).splitlines(), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        try:
            parts = line.split(None, 1)
            if len(parts) != 2:
                raise ValueError("NAME SOURCE expected")
            name, rest = parts
            words = rest.split(" ")
            src, opts = words[0], words[1:]
            if src.startswith("text:"):
                src = " ".join([src] + [w for w in opts if w not in ("store", "zlib", "norecovery") and not w.startswith("format=")])
                opts = [w for w in opts if w in ("store", "zlib", "norecovery") or w.startswith("format=")]
                data = src[5:].encode("cp932")
            elif src.startswith("@"):
                with open(os.path.join(base, src[1:]), "rb") as g:
                    data = g.read()
            elif src.startswith("bytes:"):
                data = filler(name.encode("cp932"), int(src[6:], 0))
            elif src.startswith("hex:"):
                data = bytes.fromhex(src[4:])
            else:
                raise ValueError("bad source %r" % src)
            fmt = None
            for o in opts:
                if o.startswith("format="):
                    fmt = int(o[7:], 0)
            entries.append(Entry(name, data, "store" not in opts, "norecovery" not in opts, fmt))
        except ValueError as e:
            raise ValueError("manifest %s line %d: %s" % (path, lineno, e)) from None
    return entries


# --- damaged variants ------------------------------------------------------------
def _find(entries, name):
    if name is None:
        return entries[0]
    want = entry_name(name)
    for e in entries:
        if e["name"] == want:
            return e
    raise SystemExit("damage: no entry %r" % name)


def damage_block(data, name=None, block=0, index=0, blocks=1):
    """Flips one byte at `index` in `blocks` consecutive blocks of an entry's
    stored bytes, starting at `block`."""
    data = bytearray(data)
    _, es = read_pack(data)
    e = _find(es, name)
    for b in range(block, block + blocks):
        at = b * PARITY + index
        if at >= e["stored_size"]:
            raise SystemExit("damage: entry has no byte %d" % at)
        data[e["data_offset"] + at] ^= 0x5A
    return bytes(data)


def damage_parity_size(data, name=None, size=0):
    """Sets the entry's parity size field (0: no recovery data)."""
    data = bytearray(data)
    _, es = read_pack(data)
    e = _find(es, name)
    struct.pack_into("<I", data, e["data_offset"] + e["stored_size"], size)
    return bytes(data)


def damage_block_count(data, name=None, delta=1):
    data = bytearray(data)
    _, es = read_pack(data)
    e = _find(es, name)
    at = e["data_offset"] + e["stored_size"] + 4
    struct.pack_into("<I", data, at, (struct.unpack_from("<I", data, at)[0] + delta) & 0xFFFFFFFF)
    return bytes(data)


def damage_header(data, magic=None, version=None, count=None, index_size=None):
    data = bytearray(data)
    if magic is not None:
        data[0:4] = magic
    for off, v in ((4, version), (8, count), (12, index_size)):
        if v is not None:
            struct.pack_into("<I", data, off, v & 0xFFFFFFFF)
    return bytes(data)


def damage_truncate(data, keep):
    return bytes(data[:keep])


DAMAGE_KINDS = ["block", "two-blocks", "two-blocks-apart", "truncate", "magic", "version233",
                "count-high", "count-low", "index-size", "no-parity", "parity-size",
                "block-count", "duplicate"]


def _cmd_damage(a):
    with open(a.input, "rb") as f:
        data = f.read()
    k = a.kind
    if k == "block":
        out = damage_block(data, a.entry, a.block, a.byte)
    elif k == "two-blocks":
        out = damage_block(data, a.entry, a.block, a.byte, blocks=2)
    elif k == "two-blocks-apart":
        out = damage_block(data, a.entry, a.block, a.byte)
        out = damage_block(out, a.entry, a.block + 1, (a.byte + 1) % PARITY)
    elif k == "truncate":
        out = damage_truncate(data, a.keep if a.keep is not None else len(data) - 1)
    elif k == "magic":
        out = damage_header(data, magic=b"KPG\0")
    elif k == "version233":
        out = damage_header(data, version=233)
    elif k == "count-high":
        out = damage_header(data, count=struct.unpack_from("<I", data, 8)[0] + 1)
    elif k == "count-low":
        out = damage_header(data, count=struct.unpack_from("<I", data, 8)[0] - 1)
    elif k == "index-size":
        out = damage_header(data, index_size=struct.unpack_from("<I", data, 12)[0] + 7)
    elif k == "no-parity":
        out = damage_parity_size(damage_block(data, a.entry, a.block, a.byte), a.entry, 0)
    elif k == "parity-size":
        out = damage_parity_size(damage_block(data, a.entry, a.block, a.byte), a.entry, 512)
    elif k == "block-count":
        out = damage_block_count(damage_block(data, a.entry, a.block, a.byte), a.entry, 1)
    elif k == "duplicate":
        out = data  # the same entries again: a second pack holding the same names
    else:
        raise SystemExit("damage: unknown kind %r (%s)" % (k, ", ".join(DAMAGE_KINDS)))
    with open(a.output, "wb") as f:
        f.write(out)
    return 0


# --- command line ------------------------------------------------------------------
def _entries_from(a):
    entries = []
    for folder in a.folder or []:
        if not os.path.isdir(folder):
            raise ValueError("%s is not a folder" % folder)
        entries += folder_entries(folder, not a.store, not a.no_recovery)
    for m in a.manifest or []:
        entries += manifest_entries(m)
    for item in a.file or []:
        name, eq, src = item.partition("=")
        if not name or not eq:
            raise ValueError("--file %r: NAME=PATH or NAME=text:TEXT expected" % item)
        if src.startswith("text:"):
            data = src[5:].encode("cp932")
        else:
            with open(src, "rb") as f:
                data = f.read()
        entries.append(Entry(name, data, not a.store, not a.no_recovery))
    return entries


def _cmd_pack(a):
    write_pack(a.output, _entries_from(a), version=a.version)
    return 0


def _cmd_update(a):
    if not 1 <= a.number <= 9:
        raise SystemExit("update: number 1-9")
    write_pack(os.path.join(a.outdir, "update%d.kpf" % a.number), _entries_from(a), version=a.version)
    return 0


def many_entries(count, prefix="f", start=0, size=1):
    return [Entry(("%s%06d.dat" % (prefix, i)).encode(), bytes([i & 0xFF]) * size,
                  compress=False, recovery=False, fmt=0, raw_name=True) for i in range(start, start + count)]


def _cmd_many(a):
    """Packs with many small stored entries (no recovery data)."""
    os.makedirs(a.outdir, exist_ok=True)
    total = a.entries
    per = -(-total // a.packs) if a.packs else 0
    done = 0
    for p in range(a.packs):
        n = min(per, total - done)
        write_pack(os.path.join(a.outdir, "%s%03d.kpf" % (a.name, p)),
                   many_entries(n, "p%03d_" % p, done, a.size))
        done += n
    return 0


def _cmd_hash(a):
    for t in a.text:
        print("%08x" % murmur2(t.encode("cp932")))
    return 0


def _add_sources(p):
    p.add_argument("--folder", action="append", help="pack every file under FOLDER")
    p.add_argument("--manifest", action="append", help="pack the entries a manifest lists")
    p.add_argument("--file", action="append", metavar="NAME=PATH|NAME=text:TEXT")
    p.add_argument("--store", action="store_true", help="store instead of zlib")
    p.add_argument("--no-recovery", action="store_true", help="write no recovery data")
    p.add_argument("--version", type=int, default=VERSION)


def register(sub):
    p = sub.add_parser("pack", help="write a pack archive (.kpf)")
    p.add_argument("output")
    _add_sources(p)
    p.set_defaults(func=_cmd_pack)

    p = sub.add_parser("update", help="write the update pack updateN.kpf")
    p.add_argument("number", type=int)
    p.add_argument("outdir")
    _add_sources(p)
    p.set_defaults(func=_cmd_update)

    p = sub.add_parser("many", help="write packs with many small entries")
    p.add_argument("outdir")
    p.add_argument("--entries", type=int, required=True, help="entries over all packs")
    p.add_argument("--packs", type=int, default=1)
    p.add_argument("--name", default="data", help="pack file name stem")
    p.add_argument("--size", type=int, default=1, help="bytes per entry")
    p.set_defaults(func=_cmd_many)

    p = sub.add_parser("damage", help="write a damaged variant of a pack")
    p.add_argument("input")
    p.add_argument("output")
    p.add_argument("--kind", required=True, help=", ".join(DAMAGE_KINDS))
    p.add_argument("--entry", help="entry name (default: the first)")
    p.add_argument("--block", type=int, default=0)
    p.add_argument("--byte", type=int, default=0)
    p.add_argument("--keep", type=int, help="bytes kept by truncate")
    p.set_defaults(func=_cmd_damage)

    p = sub.add_parser("hash", help="print the name hash of texts")
    p.add_argument("text", nargs="+")
    p.set_defaults(func=_cmd_hash)
