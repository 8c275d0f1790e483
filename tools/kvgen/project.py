"""`kvgen.py project`: a compiled project (every kvbin file and the script
files kvt%05d.kbn) from a readable description; optionally packed, optionally
with one damaged file. The description language is in README.md.
"""
import os
import shlex
import struct

from kvgen import read_text, schema
from kvgen import script as kscript
from kvgen.pack import murmur2

VERSION = 479


# --- small helpers ----------------------------------------------------------------
def sjis(text):
    return text.encode("cp932")


def cstr(text):
    return (sjis(text) if isinstance(text, str) else bytes(text)) + b"\0"


# --- expressions ----------------------------------------------------------------------
def _op(opcode, operand=b""):
    return bytes([ord(opcode)]) + struct.pack("<H", len(operand)) + operand


def int_code(v):
    if -128 <= v < 128:
        return _op("B", struct.pack("<b", v))
    if -32768 <= v < 32768:
        return _op("W", struct.pack("<h", v))
    if -2 ** 31 <= v < 2 ** 31:
        return _op("I", struct.pack("<i", v))
    return _op("L", struct.pack("<q", v & 0xFFFFFFFFFFFFFFFF if v >= 2 ** 63 else v))


def str_code(text):
    body = bytearray()
    raw = sjis(text) if isinstance(text, str) else bytes(text)
    i = 0
    while i < len(raw):
        c = raw[i]
        if (0x81 <= c <= 0x9F or 0xE0 <= c <= 0xFC) and i + 1 < len(raw):
            body += raw[i:i + 2]
            i += 2
            continue
        if c in (0x22, 0x5C):
            body.append(0x5C)
        body.append(c)
        i += 1
    return _op("M", b'"' + bytes(body) + b'"')


def compile_expr(text):
    """Expression code from the description's notation (see README.md)."""
    if text.startswith("{") and text.endswith("}"):
        from kvgen import expr  # the postfix compiler
        for name in ("compile_postfix", "compile_expr", "compile"):
            fn = getattr(expr, name, None)
            if fn:
                return bytes(fn(text[1:-1]))
        raise ValueError("kvgen.expr offers no compiler")
    if text.startswith("hex:"):
        return bytes.fromhex(text[4:])
    if text.startswith('"'):
        return str_code(shlex.split(text)[0])
    if text.startswith("$"):
        return _op("H", b"`" + struct.pack("<H", int(text[1:], 0)))
    try:
        return int_code(int(text, 0))
    except ValueError:
        return _op("F", struct.pack("<d", float(text)))


# --- the description ------------------------------------------------------------------
class Var:
    def __init__(self, vid, vtype, scope, file, dims, init):
        self.id, self.type, self.scope, self.file = vid, vtype, scope, file
        self.dims, self.init = dims, init


class Project:
    def __init__(self):
        self.settings = {
            "width": 640, "height": 480, "show": 1, "image_order": [1, 3, 2, 4],
            "sound_order": [1, 2], "frame_thread": 0, "debug": 0, "sound": 0,
            "sizing_frame": 0, "caption": 1, "flags": [0, 0, 0], "title": "KAVREN",
            "version": VERSION, "word": 0, "highest_var": None,
        }
        self.errors = []
        self.vars = []
        self.scripts = {}
        self.script_values = {}
        self.keymap = list(range(256))
        self.errno_texts = ["errno %d" % i for i in range(37)]
        self.images = []   # (name, kind, width, height, pattern, options)
        self.sounds = []   # (name, kind, {tone option: value})


_TYPES = {"int": 1, "float": 2, "string": 3}
_NUMERIC = ("width", "height", "show", "frame_thread", "debug", "sound",
            "sizing_frame", "caption", "version", "word", "highest_var")


def _split_args(line):
    """Words of a line; {...} groups (quotes inside kept) stay one word."""
    words, cur, depth, quote = [], "", 0, False
    i = 0
    while i < len(line):
        c = line[i]
        if quote:
            cur += c
            if c == "\\" and i + 1 < len(line):
                cur += line[i + 1]
                i += 1
            elif c == '"':
                quote = False
        elif c == '"':
            quote = True
            cur += c
        elif c == "{":
            depth += 1
            cur += c
        elif c == "}":
            depth -= 1
            cur += c
        elif c == "#" and depth == 0:
            break
        elif c.isspace() and depth == 0:
            if cur:
                words.append(cur)
            cur = ""
        else:
            cur += c
        i += 1
    if cur:
        words.append(cur)
    return words


def _unquote(text):
    return shlex.split(text)[0] if text.startswith('"') else text


def _unquote_value(word):
    """key="text" -> key=text."""
    k, sep, v = word.partition("=")
    return k + sep + _unquote(v) if sep else word


def _arg(command, word):
    """NAME[:TYPE[:OP]]=EXPR -> an argument record."""
    key, _, value = word.partition("=")
    parts = key.split(":")
    aid = schema.arg_id(command, parts[0])
    kind = schema.arg_kind(command, aid)
    etype = int(parts[1]) if len(parts) > 1 and parts[1] else (3 if kind == schema.STRING else 1)
    op = int(parts[2]) if len(parts) > 2 else 0
    return kscript.Arg(aid, etype, op, compile_expr(value))


def _number(text, lo, hi, what):
    try:
        v = int(text, 0)
    except ValueError:
        raise ValueError("%s %r is not a whole number" % (what, text)) from None
    if not lo <= v <= hi:
        raise ValueError("%s %d outside %d..%d" % (what, v, lo, hi))
    return v


U16, U32 = 0xFFFF, 0xFFFFFFFF


def _var(rest):
    vid, vtype = _number(rest[0], 0, U16, "variable id"), _TYPES[rest[1]]
    scope, file, dims, init = 1, 0, [], None
    i = 2
    while i < len(rest):
        w = rest[i]
        if w == "global":
            scope = 1
        elif w.startswith("file="):
            scope, file = 2, _number(w[5:], 0, U16, "file")
        elif w.startswith("dims="):
            dims = [_number(x, 0, U32, "dimension") for x in w[5:].split(",")]
            if len(dims) > 255:
                raise ValueError("more than 255 dimensions")
        elif w == "=":
            init = " ".join(rest[i + 1:])
            break
        else:
            raise ValueError("bad var word %r" % w)
        i += 1
    if init is not None and vtype == 1:
        _number(init, -2 ** 63, 2 ** 63 - 1, "initial value")
    elif init is not None and vtype == 2:
        float(init)
    return Var(vid, vtype, scope, file, dims, init)


def parse(text, defines=()):
    """The project of a description; `when NAME` lines count only when NAME
    is among defines."""
    proj = Project()
    cur = None
    for lineno, raw in enumerate(text.splitlines(), 1):
        words = _split_args(raw)
        if not words:
            continue
        line = lineno
        try:
            if words[0] == "when":
                if len(words) < 3:
                    raise ValueError("when NAME STATEMENT")
                if words[1] not in defines:
                    continue
                words = words[2:]
            if words[0].startswith("@"):
                line = _number(words[0][1:], 0, U32, "source line")
                words = words[1:]
            if not words:
                continue
            head, rest = words[0], words[1:]
            if head == "project":
                for w in rest:
                    k, _, v = w.partition("=")
                    if k in ("image_order", "sound_order", "flags"):
                        proj.settings[k] = [_number(x, 0, U32 if k == "flags" else U16, k) for x in v.split(",")]
                    elif k == "title":
                        proj.settings[k] = _unquote(v)
                    elif k in _NUMERIC:
                        proj.settings[k] = _number(v, -2 ** 31 if k in ("width", "height") else 0, U32, k)
                    else:
                        raise ValueError("unknown setting %r" % k)
            elif head == "error":
                proj.errors.append((_number(rest[0], 0, U32, "error code"), _unquote(" ".join(rest[1:]))))
            elif head == "keymap":
                proj.keymap[_number(rest[0], 0, 255, "key")] = _number(rest[1], 0, 255, "key value")
            elif head == "var":
                proj.vars.append(_var(rest))
            elif head == "script":
                num = _number(rest[0], 0, U32, "script number")
                name = _unquote(rest[1]) if len(rest) > 1 and not rest[1].startswith("value=") else "script%d" % num
                cur = proj.scripts.setdefault(num, kscript.Script(num, name))
                for w in rest:
                    if w.startswith("value="):
                        proj.script_values[num] = _number(w[6:], 0, U32, "script value")
            elif head == "image":
                from kvgen import images
                name, kind, pattern = _unquote(rest[0]), rest[1], rest[4]
                opts = images.parse_options([_unquote_value(w) for w in rest[5:]])
                proj.images.append((name, kind, int(rest[2], 0), int(rest[3], 0), pattern, opts))
            elif head == "sound":
                proj.sounds.append(_sound_statement(rest))
            elif cur is None:
                raise ValueError("instruction before any script")
            elif head == "label":
                cur.label(rest[0])
            elif head == "if":
                cur.if_(kscript.Arg(0, 1, 0, compile_expr(rest[0])), line)
            elif head == "elseif":
                cur.elseif(kscript.Arg(0, 1, 0, compile_expr(rest[0])), line)
            elif head == "else":
                cur.else_(line)
            elif head == "endif":
                cur.endif(line)
            elif head == "loop":
                cur.loop(kscript.Arg(0, 1, 0, compile_expr(rest[0])), line)
            elif head == "endloop":
                cur.endloop(line)
            elif head in ("goto", "gosub") and rest and "=" not in rest[0]:
                num = schema.number_of(head)
                args = [kscript.Arg(0, 3, 0, str_code(_unquote(rest[0])))]
                args += [_arg(num, w) for w in rest[1:]]
                cur.add(num, args, line)
            else:
                num = kscript.command_number(head)
                cur.add(num, [_arg(num, w) for w in rest], line)
        except (KeyError, ValueError, IndexError, struct.error) as e:
            raise SystemExit("description line %d: %s" % (lineno, e.args[0] if len(e.args) == 1 else e))
    return proj


# --- the kvbin files ----------------------------------------------------------------
def build_kvc(proj):
    out = bytearray(b"KVC\0\0\0\0\0") + struct.pack("<II", schema.COUNT, 0)
    for num in range(schema.COUNT):
        name, args = schema.command(num)
        out += cstr(name) + bytes([len(args)])
        for aname, kind, cls in args:
            out += cstr(aname) + bytes([kind, cls])
    for t in proj.errno_texts:
        out += cstr(t)
    out += bytes(proj.keymap)
    return bytes(out)


def highest_var(proj):
    if proj.settings["highest_var"] is not None:
        return proj.settings["highest_var"]
    return max([999] + [v.id for v in proj.vars])


def build_kvt(proj):
    return struct.pack("<IIII", 0, proj.settings["version"], highest_var(proj), proj.settings["word"])


def build_kvt_list(proj):
    nums = sorted(proj.scripts)
    count = (nums[-1] + 1) if nums else 0
    out = bytearray(b"KVTL\0\0\0\0") + struct.pack("<I", count)
    # One record per script number; numbers without a script get an empty name.
    for num in range(count):
        name = sjis(proj.scripts[num].name) if num in proj.scripts else b""
        out += struct.pack("<II", num, len(name)) + name + bytes(16)
        out += struct.pack("<I", proj.script_values.get(num, num))
    return bytes(out)


def build_kvcfg(proj):
    s = proj.settings
    title = sjis(s["title"])
    out = bytearray(16)
    out += struct.pack("<III", s["width"] & 0xFFFFFFFF, s["height"] & 0xFFFFFFFF, s["show"])
    out += struct.pack("<4H", *(s["image_order"] + [0, 0, 0, 0])[:4])
    out += struct.pack("<2H", *(s["sound_order"] + [0, 0])[:2])
    out += struct.pack("<IIIII", s["frame_thread"], s["debug"], s["sound"], s["sizing_frame"], s["caption"])
    out += struct.pack("<III", *(s["flags"] + [0, 0, 0])[:3]) + bytes(4)
    out += struct.pack("<H", len(title)) + title
    return bytes(out)


def labels_of(proj):
    """Every label of every script: (hash, name bytes, pc, file, block, loop), by hash."""
    out = []
    for num, sc in proj.scripts.items():
        for name, pc, bd, ld in sc.labels:
            nb = sjis(name)
            out.append((murmur2(nb), nb, pc, num, bd, ld))
    out.sort(key=lambda r: r[0])
    return out


def build_kvl(proj):
    labels = labels_of(proj)
    buckets = []
    for b in range(256):
        i = 0
        while i < len(labels) and (labels[i][0] >> 24) < b:
            i += 1
        buckets.append(i)
    out = bytearray(b"KVL\0\0\0\0\0") + struct.pack("<I", len(labels))
    out += struct.pack("<256I", *buckets)
    for h, nb, pc, num, bd, ld in labels:
        out += bytes([len(nb)]) + nb + struct.pack("<IIHBB", h, pc, num, bd, ld)
    return bytes(out)


def build_kvv(proj):
    out = bytearray(b"KVV\0\0\0\0\0") + struct.pack("<H", len(proj.vars))
    for v in proj.vars:
        out += struct.pack("<BHHBB", v.scope, v.file, v.id, v.type, len(v.dims))
        out += b"".join(struct.pack("<I", d) for d in v.dims)
        init = v.init if v.init is not None else ('""' if v.type == 3 else "0")
        if v.type == 1:
            out += struct.pack("<q", int(init, 0))
        elif v.type == 2:
            out += struct.pack("<d", float(init))
        else:
            code = compile_expr(init)
            out += struct.pack("<H", len(code)) + code
    return bytes(out)


def build_kve(proj):
    out = bytearray(b"KVE\0\0\0\0\0") + struct.pack("<II", len(proj.errors), 0)
    for code, text in proj.errors:
        out += struct.pack("<I", code) + cstr(text)
    return bytes(out)


BUILDERS = {
    "kvc.kbn": build_kvc, "kvt.kbn": build_kvt, "kvt_list.kbn": build_kvt_list,
    "kvcfg.kbn": build_kvcfg, "kvl.kbn": build_kvl, "kvv.kbn": build_kvv, "kve.kbn": build_kve,
}


def build(proj):
    """{file name: bytes} of the whole kvbin folder."""
    files = {name: fn(proj) for name, fn in BUILDERS.items()}
    for num, sc in proj.scripts.items():
        files[kscript.file_name(num)] = sc.encode()
    return files


def main_script(proj):
    for num, sc in sorted(proj.scripts.items()):
        if any(l[0] == "SYSTEM_START" for l in sc.labels):
            return num
    return min(proj.scripts) if proj.scripts else 0


# --- damaged variants -------------------------------------------------------------------
def _patch(data, offset, fmt, *values):
    b = bytearray(data)
    struct.pack_into(fmt, b, offset, *values)
    return bytes(b)


def _first_script_arg(proj, pred):
    sc = proj.scripts[main_script(proj)]
    for ins in sc.instrs:
        for a in ins.args:
            if pred(ins, a):
                return sc, ins, a
    raise SystemExit("the description has no instruction that this damage needs")


def _script_damage(fn):
    def run(proj, files):
        num = main_script(proj)
        sc = proj.scripts[num]
        files[kscript.file_name(num)] = fn(proj, sc)
    return run


def _sc_sizes(proj, sc):
    a, b, c, d = sc.sections()
    return sc.encode(sizes=[len(a), len(b), 0xFFFFFFF0, len(d)])


def _sc_count(proj, sc):
    return sc.encode(count=len(sc.instrs) + 1000)


def _sc_argc(proj, sc):
    # more records than section B holds
    sc.instrs[0].argc = 255
    return sc.encode()


def _sc_offset(proj, sc):
    _, ins, a = _first_script_arg(proj, lambda i, a: a.pc is None)
    a.raw_offset = 0xFFFFFFF0
    return sc.encode()


def _sc_length(proj, sc):
    _, ins, a = _first_script_arg(proj, lambda i, a: a.pc is None)
    a.raw_length = 0x7FFFFFFF
    return sc.encode()


def _sc_pc(proj, sc):
    _, ins, a = _first_script_arg(proj, lambda i, a: a.pc is not None)
    a.label = None
    a.pc = len(sc.instrs) + 1
    sc.finish = lambda: None
    return sc.encode()


def _sc_command(proj, sc):
    sc.instrs[0].command = 200
    return sc.encode()


def _trunc(name, keep):
    def run(proj, files):
        data = files[name]
        files[name] = data[:keep(len(data))]
    return run


def _set(name, offset, fmt, *values):
    def run(proj, files):
        files[name] = _patch(files[name], offset, fmt, *values)
    return run


def _delete(name):
    def run(proj, files):
        files[name] = None
    return run


def _kvv_first(fn):
    def run(proj, files):
        if not proj.vars:
            raise SystemExit("the description has no variable that this damage needs")
        fn(proj.vars[0])
        files["kvv.kbn"] = build_kvv(proj)
    return run


def _kvv_strlen(proj, files):
    data = bytearray(files["kvv.kbn"])
    for v in proj.vars:
        if v.type == 3:
            break
    else:
        raise SystemExit("the description has no string variable")
    pos = 10
    for v in proj.vars:
        head = 7 + 4 * len(v.dims)
        if v.type == 3:
            struct.pack_into("<H", data, pos + head, 0xFFFF)
            break
        pos += head + 8
    files["kvv.kbn"] = bytes(data)


def _label_field(field, value):
    def run(proj, files):
        data = bytearray(files["kvl.kbn"])
        if len(data) <= 1036:
            raise SystemExit("the description has no label")
        n = data[1036]
        base = 1036 + 1 + n
        offs = {"pc": (4, "<I"), "file": (8, "<H"), "block": (10, "<B"), "loop": (11, "<B"), "namelen": (-1 - n, "<B")}
        off, fmt = offs[field]
        struct.pack_into(fmt, data, base + off, value)
        files["kvl.kbn"] = bytes(data)
    return run


def _kvt_list_number(proj, files):
    data = bytearray(files["kvt_list.kbn"])
    struct.pack_into("<I", data, 12, struct.unpack_from("<I", data, 8)[0])
    files["kvt_list.kbn"] = bytes(data)


def _kvt_list_namelen(proj, files):
    files["kvt_list.kbn"] = _patch(files["kvt_list.kbn"], 16, "<I", 0xFFFFFFF0)


def _kve_many(proj, files):
    proj.errors = [(900000 + i, "text %d" % i) for i in range(300)] + proj.errors
    files["kve.kbn"] = build_kve(proj)


def _kvcfg_title(n):
    def run(proj, files):
        proj.settings["title"] = "T" * n
        files["kvcfg.kbn"] = build_kvcfg(proj)
    return run


DAMAGE = {
    # kvc.kbn
    "kvc:truncate": _trunc("kvc.kbn", lambda n: n - 1),
    "kvc:half": _trunc("kvc.kbn", lambda n: n // 2),
    "kvc:count": _set("kvc.kbn", 8, "<I", 0x7FFFFFFF),
    "kvc:header": _trunc("kvc.kbn", lambda n: 10),
    "kvc:missing": _delete("kvc.kbn"),
    # kvt.kbn
    "kvt:version": _set("kvt.kbn", 4, "<I", 478),
    "kvt:highest": _set("kvt.kbn", 8, "<I", 65536),
    "kvt:truncate": _trunc("kvt.kbn", lambda n: 12),
    "kvt:missing": _delete("kvt.kbn"),
    # kvt_list.kbn
    "kvt_list:truncate": _trunc("kvt_list.kbn", lambda n: n - 1),
    "kvt_list:count": _set("kvt_list.kbn", 8, "<I", 0x7FFFFFFF),
    "kvt_list:number": _kvt_list_number,
    "kvt_list:namelen": _kvt_list_namelen,
    "kvt_list:missing": _delete("kvt_list.kbn"),
    # kvcfg.kbn
    "kvcfg:truncate": _trunc("kvcfg.kbn", lambda n: 40),
    "kvcfg:width": _set("kvcfg.kbn", 16, "<I", 127),
    "kvcfg:height": _set("kvcfg.kbn", 20, "<I", 8193),
    "kvcfg:thread": _set("kvcfg.kbn", 40, "<I", 2),
    "kvcfg:title": _kvcfg_title(129),
    "kvcfg:titlelen": _set("kvcfg.kbn", 76, "<H", 0xFFFF),
    "kvcfg:titlecut": _trunc("kvcfg.kbn", lambda n: n - 1),
    "kvcfg:missing": _delete("kvcfg.kbn"),
    # kvl.kbn
    "kvl:truncate": _trunc("kvl.kbn", lambda n: n - 1),
    "kvl:count": _set("kvl.kbn", 8, "<I", 0x7FFFFFFF),
    "kvl:buckets": _trunc("kvl.kbn", lambda n: 500),
    "kvl:file": _label_field("file", 0xFFFF),
    "kvl:block": _label_field("block", 64),
    "kvl:pc": _label_field("pc", 0xFFFF),
    "kvl:loop": _label_field("loop", 64),
    "kvl:namelen": _label_field("namelen", 255),
    "kvl:missing": _delete("kvl.kbn"),
    # kvv.kbn
    "kvv:truncate": _trunc("kvv.kbn", lambda n: n - 1),
    "kvv:count": _set("kvv.kbn", 8, "<H", 0xFFFF),
    "kvv:dims": _kvv_first(lambda v: setattr(v, "dims", [2] * 9)),
    "kvv:product": _kvv_first(lambda v: setattr(v, "dims", [2001, 2000])),
    "kvv:overflow": _kvv_first(lambda v: setattr(v, "dims", [0x10000, 0x10000, 0x10000])),
    "kvv:id": _kvv_first(lambda v: setattr(v, "id", 0xFFFF)),
    "kvv:strlen": _kvv_strlen,
    "kvv:missing": _delete("kvv.kbn"),
    # kve.kbn
    "kve:truncate": _trunc("kve.kbn", lambda n: n - 1),
    "kve:count": _set("kve.kbn", 8, "<I", 0x7FFFFFFF),
    "kve:many": _kve_many,
    "kve:missing": _delete("kve.kbn"),
    # the main script file
    "script:truncate": lambda proj, files: _trunc(kscript.file_name(main_script(proj)), lambda n: n - 1)(proj, files),
    "script:header": lambda proj, files: _trunc(kscript.file_name(main_script(proj)), lambda n: 20)(proj, files),
    "script:sizes": _script_damage(_sc_sizes),
    "script:count": _script_damage(_sc_count),
    "script:argc": _script_damage(_sc_argc),
    "script:offset": _script_damage(_sc_offset),
    "script:length": _script_damage(_sc_length),
    "script:pc": _script_damage(_sc_pc),
    "script:command": _script_damage(_sc_command),
    "script:missing": lambda proj, files: _delete(kscript.file_name(main_script(proj)))(proj, files),
}


def apply_damage(proj, files, kind):
    if kind not in DAMAGE:
        raise SystemExit("unknown damage %r (see --list-damage)" % kind)
    DAMAGE[kind](proj, files)


def write(proj, outdir, damage=None, pack_file=None):
    files = build(proj)
    if damage:
        apply_damage(proj, files, damage)
    kvbin = os.path.join(outdir, "kvbin")
    os.makedirs(kvbin, exist_ok=True)
    for name, data in files.items():
        if data is None:
            continue
        with open(os.path.join(kvbin, name), "wb") as f:
            f.write(data)
    formats = write_images(proj, outdir)
    write_sounds(proj, outdir)
    if pack_file:
        from kvgen import pack
        entries = [e for e in pack.folder_entries(outdir) if not e.name.endswith(b".kpf")]
        for e in entries:   # a .kcg image goes by its format byte, not its name
            e.format = formats.get(e.name, e.format)
        pack.write_pack(pack_file, entries)
    return files


_TONE_KEYS = {"rate": int, "channels": int, "bits": int, "seconds": float, "freq": float,
              "amplitude": float, "silence_ms": int, "adpcm": int}


def _sound_statement(rest):
    """sound NAME wav|ogg [KEY=VALUE ...]: a test tone (keys as `kvgen.py tone`)."""
    name, kind = _unquote(rest[0]), rest[1]
    if kind not in ("wav", "ogg"):
        raise ValueError("sound kind %r (wav or ogg)" % kind)
    opts = {}
    for w in rest[2:]:
        k, _, v = w.partition("=")
        if k not in _TONE_KEYS:
            raise ValueError("sound option %r" % k)
        opts[k] = _TONE_KEYS[k](v)
    return name, kind, opts


def write_sounds(proj, outdir):
    """Writes the description's tones into outdir as NAME.wav or NAME.ogg."""
    from kvgen import sound
    for name, kind, opts in proj.sounds:
        path = os.path.join(outdir, *(name + "." + kind).replace("\\", "/").split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        sound.write_tone(path, **opts)


def write_images(proj, outdir):
    """Writes the description's images into outdir; gives {pack entry name:
    format code} of those whose name does not tell their format."""
    from kvgen import images, pack
    formats = {}
    for name, kind, w, h, pattern, opts in proj.images:
        try:
            data = images.make(kind, w, h, pattern, **dict(opts))[0]
        except ValueError as e:
            raise SystemExit("image %s: %s" % (name, e))
        rel = name + images.EXTENSIONS[kind]
        path = os.path.join(outdir, *rel.replace("\\", "/").split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        entry = pack.entry_name(sjis(os.path.relpath(path, outdir)))
        if pack.format_code(entry) != images.FORMAT_CODES[kind]:
            formats[bytes(entry)] = images.FORMAT_CODES[kind]
    return formats


def _cmd_project(args):
    if args.list_damage:
        for k in sorted(DAMAGE):
            print(k)
        return 0
    if not args.description or not args.outdir:
        raise SystemExit("project: DESCRIPTION and OUTDIR are needed")
    proj = parse(read_text(args.description), set(args.define))
    write(proj, args.outdir, args.damage, args.pack)
    return 0


def register(sub):
    p = sub.add_parser("project", help="write a compiled project from a description")
    p.add_argument("description", nargs="?")
    p.add_argument("outdir", nargs="?")
    p.add_argument("--pack", metavar="FILE.kpf", help="also pack OUTDIR into this pack")
    p.add_argument("--damage", metavar="FILE:KIND", help="damage one file (see --list-damage)")
    p.add_argument("--list-damage", action="store_true", help="list the damage kinds")
    p.add_argument("--define", metavar="NAME", action="append", default=[],
                   help="take the description's `when NAME` lines (repeatable)")
    p.set_defaults(func=_cmd_project)
