#!/usr/bin/env python3
"""kvgen: the project generator.

Writes compiled KAVREN projects (the kvbin files and the compiled script
files) and pack archives from readable descriptions, including deliberately
damaged variants for tests. It shares no code with the engine, so that one
bug cannot hide in both.

Each module of the kvgen package that defines register(subparsers) adds its
own subcommands; run `kvgen.py -h` for the list.
"""
import argparse
import importlib
import os
import pkgutil
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))


def main(argv=None):
    import kvgen
    parser = argparse.ArgumentParser(prog="kvgen.py", description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    for info in sorted(pkgutil.iter_modules(kvgen.__path__), key=lambda m: m.name):
        module = importlib.import_module("kvgen." + info.name)
        if hasattr(module, "register"):
            module.register(sub)
    args = parser.parse_args(argv)
    try:
        return args.func(args) or 0
    except OSError as e:
        message = "%s: %s" % (e.filename, e.strerror) if e.filename else str(e)
    except UnicodeDecodeError as e:
        message = "not %s text (byte 0x%02x at %d)" % (e.encoding, e.object[e.start], e.start)
    except (ValueError, KeyError, IndexError, OverflowError, struct.error) as e:
        # Bad values in a description or on the command line; the modules
        # name the line or option where they can.
        message = e.args[0] if len(e.args) == 1 else str(e)
    print("kvgen.py %s: %s" % (args.command, message), file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
