#!/usr/bin/env python3
"""The command-line tools on bad input: each case must end with exit code 1
and one clear line on stderr naming the fault, never a Python traceback.
A good executable packs first, so that the damaged ones fail for their own
fault and not for a broken fixture."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
KVGEN = os.path.join(ROOT, "tools", "kvgen.py")
KVPACK = os.path.join(ROOT, "tools", "kvpack.py")

SECTION_RVA, SECTION_AT = 0x1000, 0x200


def directory(entries):
    """An image resource directory: id entries (name, offset-or-flagged)."""
    out = struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(entries))
    return out + b"".join(struct.pack("<II", n, e) for n, e in entries)


def resources(type_name):
    """KV_RES 201 holding 4 bytes; type_name: the raw UTF-16 name record."""
    d = 0x80000000
    root = directory([(d | 0x60, d | 0x18)])                # 0x00, name at 0x60
    ids = directory([(201, d | 0x30)])                      # 0x18
    langs = directory([(0x411, 0x48)])                      # 0x30
    data = struct.pack("<IIII", SECTION_RVA + 0x58, 4, 0, 0)  # 0x48
    body = root + ids + langs + data + struct.pack("<I", 4) + bytes(4)
    return body + type_name


def utf16_name(text, count=None):
    raw = text.encode("utf-16-le", "surrogatepass")
    return struct.pack("<H", len(raw) // 2 if count is None else count) + raw


def executable(rsrc):
    pe = 0x40
    opt = pe + 24
    exe = bytearray(SECTION_AT) + rsrc + bytes(-len(rsrc) % 16)
    exe[0:2] = b"MZ"
    struct.pack_into("<I", exe, 0x3C, pe)
    exe[pe:pe + 4] = b"PE\0\0"
    struct.pack_into("<HH", exe, pe + 4, 0x8664, 1)
    struct.pack_into("<H", exe, pe + 20, 240)
    struct.pack_into("<H", exe, opt, 0x20B)
    struct.pack_into("<II", exe, opt + 112 + 16, SECTION_RVA, len(rsrc))
    sec = opt + 240
    exe[sec:sec + 8] = b".rsrc\0\0\0"
    struct.pack_into("<IIII", exe, sec + 8, len(rsrc), SECTION_RVA, len(rsrc), SECTION_AT)
    return bytes(exe)


def main():
    tmp = tempfile.mkdtemp(prefix="kv_bad_input_")

    def put(name, data):
        path = os.path.join(tmp, name)
        with open(path, "wb" if isinstance(data, bytes) else "w") as f:
            f.write(data)
        return path

    good = put("good.exe", executable(resources(utf16_name("KV_RES"))))
    pack = put("p.kpf", b"KPF\0" + bytes(60))
    out = os.path.join(tmp, "out.exe")
    descs = []

    def desc(text):
        descs.append(text)
        return put("d%d.txt" % len(descs), text)

    bad = [  # (tool, arguments, a fragment of the message)
        (KVPACK, [put("s.exe", executable(resources(utf16_name("\ud800KV")))), pack, out],
         "not UTF-16 text"),
        (KVPACK, [put("o.exe", executable(resources(utf16_name("KV_RES", 900)))), pack, out],
         "not UTF-16 text"),
        (KVPACK, [put("t.exe", executable(resources(utf16_name("KV_RES")))[:0x230]), pack, out],
         "past its end"),
        (KVPACK, ["--show", put("z.exe", b"MZ")], "past its end"),
        (KVPACK, [good, os.path.join(tmp, "missing.kpf"), out], "missing.kpf"),
        (KVGEN, ["project", put("u.txt", b"script 1\n\xff\xfe\n"), tmp], "not UTF-8 text"),
        (KVGEN, ["project", tmp, tmp], "Is a directory"),
        (KVGEN, ["project", desc("var 70000 int\n"), tmp], "line 1: variable id 70000"),
        (KVGEN, ["project", desc("var 1000 int dims=2,-1\n"), tmp], "line 1: dimension -1"),
        (KVGEN, ["project", desc("\nvar 1000 int = {1 +}\n"), tmp], "line 2: initial value"),
        (KVGEN, ["project", desc("keymap 256 1\n"), tmp], "line 1: key 256"),
        (KVGEN, ["project", desc("project width=wide\n"), tmp], "line 1: width 'wide'"),
        (KVGEN, ["project", desc("@x script 1\n"), tmp], "line 1: source line"),
        (KVGEN, ["project", desc("script 1\nwhen X\n"), tmp], "line 2: when NAME STATEMENT"),
        (KVGEN, ["project", desc("script 1\nif 1\n"), tmp], "if not closed"),
        (KVGEN, ["pack", out, "--manifest", put("m1.txt", "a bytes:lots\n")], "m1.txt line 1"),
        (KVGEN, ["pack", out, "--manifest", put("m2.txt", "lonely\n")], "NAME SOURCE"),
        (KVGEN, ["pack", out, "--folder", os.path.join(tmp, "none")], "is not a folder"),
        (KVGEN, ["pack", out, "--file", "noequals"], "NAME=PATH"),
        (KVGEN, ["frames", out, "--values", "1,x"], "frames:"),
        (KVGEN, ["expr", "--out", os.path.join(tmp, "no", "x"), "1"], "No such file"),
    ]
    failed = 0
    run = lambda tool, args: subprocess.run([sys.executable, tool] + args, capture_output=True,  # noqa: E731
                                            text=True, timeout=60)
    # The second names a "KVER" marker in front of its own resource field:
    # no earlier pack, nothing of the engine is cut away.
    stale = bytearray(executable(resources(utf16_name("KV_RES"))))
    stale[0x100:0x104] = b"KVER"
    struct.pack_into("<I", stale, SECTION_AT + 0x58, 0x100)
    for exe in (good, put("stale.exe", bytes(stale))):
        r = run(KVPACK, [exe, pack, out])
        if r.returncode != 0 or "KVER" not in run(KVPACK, ["--show", out]).stdout:
            print("FAIL: %s does not pack: %s" % (os.path.basename(exe), r.stderr.strip()))
            failed += 1
    for tool, args, want in bad:
        r = run(tool, args)
        err = r.stderr.strip()
        if r.returncode != 1 or "Traceback" in err or want not in err or len(err.splitlines()) != 1:
            print("FAIL: %s %s -> %d\n%s" % (os.path.basename(tool), " ".join(args), r.returncode, err))
            failed += 1
    shutil.rmtree(tmp, ignore_errors=True)
    print("%d passed, %d failed" % (len(bad) + 2 - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
