"""Compiled script files kvt%05d.kbn: instructions, argument records,
expression code, line numbers, the block and loop layouts, scrambling.

An instruction is built from a command (schema entry) and its arguments; the
flow statements if/elseif/else/endif and loop/endloop are laid out here with
their program counters filled in.
"""
import struct
import zlib

from kvgen import schema

# The 4-byte section key: crc32 of a fixed six-character text, high byte
# first. Taken from the pack module when it offers it.
_KEY_TEXT = b"KVscr1"


def script_key():
    try:
        from kvgen import pack  # noqa: F401
        for name in ("SCRIPT_KEY", "script_key", "g_script_key"):
            value = getattr(pack, name, None)
            if value is None:
                continue
            if callable(value):
                value = value()
            if isinstance(value, int):
                return value.to_bytes(4, "big")
            return bytes(value)
    except ImportError:
        pass
    return (zlib.crc32(_KEY_TEXT) & 0xFFFFFFFF).to_bytes(4, "big")


def scramble(data, key=None):
    key = key or script_key()
    return bytes(b ^ key[i & 3] for i, b in enumerate(data))


class Arg:
    """One argument record: id, evaluator type, operator, code or a pc."""

    def __init__(self, arg_id, eval_type=1, op=0, code=b"", pc=None, label=None):
        self.id = arg_id
        self.eval_type = eval_type
        self.op = op
        self.code = code          # expression code bytes
        self.pc = pc              # program counter carried in the length field
        self.label = label        # symbolic pc: resolved by Script.finish
        self.raw_length = None    # forced length field (damage)
        self.raw_offset = None    # forced offset field (damage)


class Instr:
    def __init__(self, command, args, line):
        self.command = command
        self.args = args
        self.line = line
        self.argc = None          # forced argument count (damage)


class Script:
    """Instructions of one script file, with labels and open flow blocks."""

    def __init__(self, number, name):
        self.number = number
        self.name = name
        self.instrs = []
        self.labels = []          # (name, pc, block depth, loop depth)
        self.marks = {}           # symbolic positions -> pc
        self.stack = []           # open if/loop statements
        self.block_depth = 0
        self.loop_depth = 0
        self._n = 0

    def _mark(self):
        self._n += 1
        return "@%d" % self._n

    def add(self, command, args, line):
        self.instrs.append(Instr(command, args, line))

    def label(self, name):
        self.labels.append((name, len(self.instrs), self.block_depth, self.loop_depth))

    # --- if / elseif / else / endif ------------------------------------------
    def if_(self, cond, line):
        blk = {"kind": "if", "end": self._mark(), "next": None}
        blk["next"] = self._mark()
        self.add(30, [cond, Arg(1, pc=0, label=blk["next"]), Arg(2, label=blk["end"])], line)
        self.stack.append(blk)
        self.block_depth += 1

    def _close_branch(self, blk, line):
        # A branch that runs into a following branch ends with cmd_else.
        self.add(31, [], line)
        self.marks[blk["next"]] = len(self.instrs)

    def elseif(self, cond, line):
        blk = self._top("if", "elseif")
        if blk.get("else"):
            raise ValueError("elseif after else")
        self._close_branch(blk, line)
        blk["next"] = self._mark()
        self.add(11, [cond, Arg(1, label=blk["next"])], line)

    def else_(self, line):
        blk = self._top("if", "else")
        self._close_branch(blk, line)
        blk["next"] = None
        blk["else"] = True

    def endif(self, line):
        blk = self._top("if", "endif")
        self.stack.pop()
        if blk["next"] is not None:
            self.marks[blk["next"]] = 0   # the last test falls to the block end
            blk["next_is_end"] = True
        self.marks[blk["end"]] = len(self.instrs)
        self.block_depth -= 1
        self.add(34, [], line)

    # --- loop / endloop --------------------------------------------------------
    def loop(self, count, line):
        blk = {"kind": "loop", "end": self._mark()}
        self.add(41, [count, Arg(1, label=blk["end"])], line)
        self.stack.append(blk)
        self.loop_depth += 1

    def endloop(self, line):
        blk = self._top("loop", "endloop")
        self.stack.pop()
        self.marks[blk["end"]] = len(self.instrs)
        self.loop_depth -= 1
        self.add(44, [], line)

    def _top(self, kind, word):
        if not self.stack or self.stack[-1]["kind"] != kind:
            raise ValueError("%s without an open %s" % (word, kind))
        return self.stack[-1]

    def finish(self):
        if self.stack:
            raise ValueError("script %d: %s not closed" % (self.number, self.stack[-1]["kind"]))
        for ins in self.instrs:
            for a in ins.args:
                if a.label is not None:
                    a.pc = self.marks[a.label]

    # --- encoding ---------------------------------------------------------------
    def sections(self):
        """The four unscrambled sections A, B, C, D."""
        self.finish()
        a, b, c, d = bytearray(), bytearray(), bytearray(), bytearray()
        for ins in self.instrs:
            argc = len(ins.args) if ins.argc is None else ins.argc
            a += struct.pack("<BBH", ins.command & 0xFF, argc & 0xFF, 0)
            for arg in ins.args:
                if arg.pc is not None:
                    length, offset = arg.pc, 0
                else:
                    length, offset = len(arg.code), len(c)
                    c += arg.code
                if arg.raw_length is not None:
                    length = arg.raw_length
                if arg.raw_offset is not None:
                    offset = arg.raw_offset
                b += struct.pack("<BBBBII", arg.id & 0xFF, 0, arg.eval_type & 0xFF,
                                 arg.op & 0xFF, length & 0xFFFFFFFF, offset & 0xFFFFFFFF)
            d += struct.pack("<I", ins.line & 0xFFFFFFFF)
        return bytes(a), bytes(b), bytes(c), bytes(d)

    def encode(self, sizes=None, count=None, key=None):
        """The file kvt%05d.kbn; sizes/count override the header (damage)."""
        secs = self.sections()
        n = len(self.instrs) if count is None else count
        hdr_sizes = [len(s) for s in secs] if sizes is None else sizes
        out = bytearray(b"KVSC\0\0\0\0")
        out += struct.pack("<IIIII", n & 0xFFFFFFFF, *[s & 0xFFFFFFFF for s in hdr_sizes])
        out += b"\0\0\0\0"
        for s in secs:
            out += scramble(s, key)
        return bytes(out)


def file_name(number):
    return "kvt%05d.kbn" % number


def command_number(word):
    """A command by schema name or by number."""
    if word.isdigit():
        return int(word)
    return schema.number_of(word)
