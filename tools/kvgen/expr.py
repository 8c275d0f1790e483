"""Expression code compiler: a small postfix notation to expression bytes.

Every instruction of expression code is {u8 opcode, u16 operand length L
(little-endian), L operand bytes}; the engine runs them in order on a value
stack. This module writes that code from readable postfix text, one token per
value or operator, separated by blanks:

  Numbers
    42  -7           integer: the shortest of B (8-bit), W (16), I (32), L (64)
    B:5 W:5 I:5 L:5  integer with the width forced
    1.5  -2e3  F:3   double (F); any token with '.', 'e' or 'inf'/'nan' is one
  Strings (Shift-JIS, opcode M with the delimiter '"')
    "text"           escapes: \\  \"  \n  \t ; other text is taken as it stands
                     (Japanese text is written in code page 932)
  Variables (scope mark '`' unless the token carries '#')
    @1000  @#1000    element 0 of variable 1000 (H)
    [1000 ... ]      indexed element: V, the index values, then ')'
    [#1000 ... ]     the same with the scope mark '#'
    &1000            whole-variable reference (v)
    Names work instead of numbers when a name table is given: @score, [map 1 2 ]
  Operators (the opcode byte in brackets)
    +  -  *  /  %            arithmetic (+ also joins two strings)
    == (=)  != (!)  >  <  >= (Z)  <= (S)
    band (A)  bor (O)  bxor (^)      bitwise, 64-bit
    && (&)  || (|)                   logical, 1 or 0
    neg (R)  str (s)  num (i)  nop (,)
  Raw code (for damaged code in tests)
    op:X  op:X:0a0b  op:0x41:ff      opcode X (a character or 0xNN) with hex operand
    raw:0a0b0c                       bytes as they stand

Example: `[1000 2 1 ] @1001 "%" + ==` compiles to V ... ) H M + =.

The engine's numbers are little-endian; doubles are IEEE 754 binary64.
"""
import os
import struct

SCOPE_PLAIN = 0x60   # '`'
SCOPE_HASH = 0x23    # '#'

OPERATORS = {
    "+": "+", "-": "-", "*": "*", "/": "/", "%": "%",
    "==": "=", "=": "=", "!=": "!", "!": "!", ">": ">", "<": "<",
    ">=": "Z", "Z": "Z", "<=": "S", "S": "S",
    "band": "A", "A": "A", "bor": "O", "O": "O", "bxor": "^", "^": "^",
    "&&": "&", "||": "|",
    "neg": "R", "R": "R", "str": "s", "s": "s", "num": "i", "i": "i",
    "nop": ",", ",": ",",
}


class ExprError(ValueError):
    """A token the notation does not know."""


def instr(opcode, operand=b""):
    """One instruction: opcode (int or one-character str) and operand bytes."""
    if isinstance(opcode, str):
        opcode = ord(opcode)
    if len(operand) > 0xFFFF:
        raise ExprError("operand longer than 65535 bytes")
    return bytes([opcode & 0xFF]) + struct.pack("<H", len(operand)) + bytes(operand)


def int_const(value, width=None):
    """Integer push: the shortest width unless one of B, W, I, L is given."""
    if width is None:
        for w, lo, hi in (("B", -128, 127), ("W", -32768, 32767),
                          ("I", -2**31, 2**31 - 1)):
            if lo <= value <= hi:
                width = w
                break
        else:
            width = "L"
    fmt = {"B": "<b", "W": "<h", "I": "<i", "L": "<q"}[width]
    bits = {"B": 8, "W": 16, "I": 32, "L": 64}[width]
    value &= (1 << bits) - 1
    if value >= 1 << (bits - 1):
        value -= 1 << bits
    return instr(width, struct.pack(fmt, value))


def float_const(value):
    return instr("F", struct.pack("<d", float(value)))


def encode_text(text):
    """Shift-JIS bytes of a str (bytes are taken as they stand)."""
    if isinstance(text, (bytes, bytearray)):
        return bytes(text)
    return text.encode("cp932")


def string_const(text, delimiter=b'"'):
    """String push (M): escapes backslash, the delimiter, LF and TAB; the
    second byte of a two-byte character is copied as it stands."""
    raw = encode_text(text)
    d = delimiter[0]
    out = bytearray([d])
    i = 0
    while i < len(raw):
        c = raw[i]
        if (0x81 <= c <= 0x9F or 0xE0 <= c <= 0xFC) and i + 1 < len(raw):
            out += raw[i:i + 2]
            i += 2
            continue
        if c == 0x5C:
            out += b"\\\\"
        elif c == d:
            out += b"\\" + bytes([c])
        elif c == 10:
            out += b"\\n"
        elif c == 9:
            out += b"\\t"
        else:
            out.append(c)
        i += 1
    out.append(d)
    return instr("M", bytes(out))


def var_operand(var_id, scope=SCOPE_PLAIN):
    if not 0 <= var_id <= 0xFFFF:
        raise ExprError("variable id %r outside 0..65535" % (var_id,))
    return bytes([scope]) + struct.pack("<H", var_id)


def var_ref(var_id, scope=SCOPE_PLAIN):
    return instr("H", var_operand(var_id, scope))


def index_open(var_id, scope=SCOPE_PLAIN):
    return instr("V", var_operand(var_id, scope))


def index_close():
    return instr(")")


def whole_var(var_id, scope=SCOPE_PLAIN):
    return instr("v", var_operand(var_id, scope))


def indexed(var_id, *index_codes, scope=SCOPE_PLAIN):
    """V id, each index's code, ')'. Index codes are bytes or ints."""
    out = index_open(var_id, scope)
    for code in index_codes:
        out += int_const(code) if isinstance(code, int) else code
    return out + index_close()


def tokenize(text):
    tokens = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if c.isspace():
            i += 1
            continue
        if c == '"':
            j = i + 1
            buf = []
            while j < n and text[j] != '"':
                if text[j] == "\\" and j + 1 < n:
                    buf.append({"n": "\n", "t": "\t"}.get(text[j + 1], text[j + 1]))
                    j += 2
                    continue
                buf.append(text[j])
                j += 1
            if j >= n:
                raise ExprError("string without its closing quote")
            tokens.append(("str", "".join(buf)))
            i = j + 1
            continue
        j = i
        while j < n and not text[j].isspace():
            j += 1
        tokens.append(("tok", text[i:j]))
        i = j
    return tokens


def _var_id(spec, names):
    scope = SCOPE_PLAIN
    if spec.startswith("#"):
        scope, spec = SCOPE_HASH, spec[1:]
    if spec.lstrip("-").isdigit() or spec.lower().startswith("0x"):
        return int(spec, 0), scope
    if names is not None and spec in names:
        return int(names[spec]), scope
    raise ExprError("unknown variable %r" % spec)


def _is_float(tok):
    low = tok.lower()
    if low in ("inf", "-inf", "nan", "-nan"):
        return True
    try:
        float(tok)
    except ValueError:
        return False
    return any(ch in low for ch in ".e") and not low.startswith("0x")


def _opcode_byte(spec):
    if len(spec) == 1:
        return ord(spec)
    return int(spec, 0) & 0xFF


def compile_expr(text, names=None):
    """Compiles postfix text to expression code bytes. `names` maps variable
    names to ids."""
    out = bytearray()
    depth = 0
    for kind, tok in tokenize(text):
        if kind == "str":
            out += string_const(tok)
            continue
        if tok in OPERATORS:
            out += instr(OPERATORS[tok])
        elif tok.startswith("@"):
            out += var_ref(*_var_id(tok[1:], names))
        elif tok.startswith("&") and len(tok) > 1 and tok not in ("&&",):
            out += whole_var(*_var_id(tok[1:], names))
        elif tok.startswith("[") and len(tok) > 1:
            out += index_open(*_var_id(tok[1:], names))
            depth += 1
        elif tok == "]":
            out += index_close()
            depth -= 1
        elif len(tok) > 2 and tok[1] == ":" and tok[0] in "BWIL":
            out += int_const(int(tok[2:], 0), tok[0])
        elif tok.startswith("F:"):
            out += float_const(float(tok[2:]))
        elif tok.startswith("op:"):
            parts = tok.split(":")
            operand = bytes.fromhex(parts[2]) if len(parts) > 2 else b""
            out += instr(_opcode_byte(parts[1]), operand)
        elif tok.startswith("raw:"):
            out += bytes.fromhex(tok[4:])
        elif _is_float(tok):
            out += float_const(float(tok))
        else:
            try:
                value = int(tok, 0)
            except ValueError:
                raise ExprError("unknown token %r" % tok) from None
            out += int_const(value)
    if depth != 0:
        raise ExprError("unbalanced [ ]")
    return bytes(out)


def _argument_text(text):
    """The command-line text as str: UTF-8 as usual, or Shift-JIS bytes as a
    program whose strings are in code page 932 passes them."""
    raw = os.fsencode(text)
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("cp932")


def _print_expr(args):
    names = {}
    for item in args.name or []:
        key, _, value = item.partition("=")
        names[key] = int(value, 0)
    code = compile_expr(_argument_text(args.text), names)
    if args.out:
        with open(args.out, "wb") as f:
            f.write(code)
    elif args.format == "c":
        print(", ".join("0x%02x" % b for b in code))
    else:
        print(code.hex())
    return 0


def register(subparsers):
    p = subparsers.add_parser(
        "expr", help="compile postfix expression text to expression code",
        description="Compiles postfix expression text (see tools/kvgen/expr.py) "
                    "and prints the code as hex.")
    p.add_argument("text", help='postfix text, e.g. "1 2 + 3 *"')
    p.add_argument("--format", choices=("hex", "c"), default="hex")
    p.add_argument("--out", help="write the bytes to this file instead")
    p.add_argument("--name", action="append", metavar="NAME=ID",
                   help="a variable name usable as @NAME")
    p.set_defaults(func=_print_expr)
