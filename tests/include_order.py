#!/usr/bin/env python3
"""Checks that the source folders depend one way only.

The folder order is the numbered list of README.md's "Layout" section, bottom
up: each item names its folders (or header patterns) in backticks before its
colon. A file under src/ may include headers from its own level and the
levels below; every include that runs upward is listed and the check fails.
A file under src/ that no item covers fails too, so the list stays complete.

Usage: include_order.py [repository root]   (default: this file's parent's parent)
"""
import fnmatch
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
ITEM = re.compile(r'^(\d+)\.\s+(.*)')


def read_levels(readme):
    """[(pattern, level)] from the numbered list of the Layout section."""
    with open(readme, encoding='utf-8') as f:
        text = f.read()
    m = re.search(r'^## Layout\n(.*?)(?=^## |\Z)', text, re.S | re.M)
    if not m:
        raise SystemExit('%s: no "## Layout" section' % readme)
    levels = []
    for line in m.group(1).splitlines():
        item = ITEM.match(line)
        if not item:
            continue
        head = item.group(2)
        colon = head.find('`:')
        head = head[:colon + 1] if colon >= 0 else head
        names = re.findall(r'`([^`]+)`', head)
        if not names:
            raise SystemExit('%s: layout item %s names no folder' % (readme, item.group(1)))
        levels += [(name.rstrip('/'), int(item.group(1))) for name in names]
    if not levels:
        raise SystemExit('%s: the Layout section has no numbered folder list' % readme)
    return levels


def level_of(path, levels):
    """(pattern, level) of a path relative to the root, the most specific match."""
    best = None
    for pattern, level in levels:
        if any(c in pattern for c in '*?['):
            hit = (os.path.dirname(path) == os.path.dirname(pattern) and
                   fnmatch.fnmatchcase(os.path.basename(path), os.path.basename(pattern)))
            weight = len(pattern) + 1000   # a pattern names files of one folder
        else:
            hit = path.startswith(pattern + '/')
            weight = len(pattern)
        if hit and (best is None or weight > best[0]):
            best = (weight, pattern, level)
    return best[1:] if best else None


def resolve(root, including, target):
    """The included file relative to the root, or None when it is not under src/."""
    for base in (os.path.dirname(including), 'src'):
        cand = os.path.normpath(os.path.join(base, target))
        if os.path.isfile(os.path.join(root, cand)):
            return cand.replace(os.sep, '/')
    return None


def check(root):
    levels = read_levels(os.path.join(root, 'README.md'))
    problems = []
    for dirpath, dirnames, filenames in os.walk(os.path.join(root, 'src')):
        dirnames.sort()
        for name in sorted(filenames):
            path = os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, '/')
            own = level_of(path, levels)
            if own is None:
                problems.append('%s: in no folder of the README layout' % path)
                continue
            try:
                with open(os.path.join(root, path), encoding='utf-8', errors='replace') as f:
                    lines = f.readlines()
            except OSError as e:
                problems.append('%s: %s' % (path, e))
                continue
            for number, line in enumerate(lines, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                target = resolve(root, path, m.group(1))
                if target is None:
                    continue
                other = level_of(target, levels)
                if other is None:
                    problems.append('%s:%d: "%s" is in no folder of the README layout'
                                    % (path, number, m.group(1)))
                elif other[1] > own[1]:
                    problems.append('%s:%d: includes "%s" (%s, level %d) from %s (level %d)'
                                    % (path, number, m.group(1), other[0], other[1],
                                       own[0], own[1]))
    return problems


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    problems = check(os.path.abspath(root))
    for p in problems:
        print(p)
    print('%d include-order problem(s)' % len(problems))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
