#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The units clang-tidy checks, and its findings read back in the sources' own lines.

clang-tidy spends most of a small source's time on Qt's headers: parsing them
and walking every declaration in them with each check.  The build compiles
each target's sources in batches (CMake's unity build); checking the same
batches shares that work among up to eight sources.  A batch is checked as
one file holding the sources' text, not as CMake's file of #include lines:
the static analyser looks for paths only in functions of the file it is
given, and would pass over every function of an included source.

  tidy_units.py units BUILD PATTERN OUT [FILE...]
      Reads BUILD/compile_commands.json (a unity build's), writes one file
      per batch of the sources matching PATTERN (or holding one of FILE...,
      then each of those alone) into OUT/, with OUT/compile_commands.json
      for them and OUT/lines.json mapping their lines back.  Prints the
      units, largest first (so that the longest start first).
  tidy_units.py lines OUT
      Copies standard input to standard output with every "unit:LINE:COL:"
      of a unit in OUT read back as "source:LINE:COL:".
"""
import json
import os
import re
import sys

INCLUDE = re.compile(r'^#include "(.*)"$')


def batch_sources(path):
    with open(path, encoding="utf-8") as f:
        return [m.group(1) for line in f if (m := INCLUDE.match(line.rstrip("\n")))]


def write_unit(out, name, sources, entry, lines):
    unit = os.path.join(out, name)
    spans = []
    first = 1
    with open(unit, "w", encoding="utf-8") as f:
        for source in sources:
            with open(source, encoding="utf-8") as s:
                text = s.read()
            if not text.endswith("\n"):
                text += "\n"
            f.write(text)
            count = text.count("\n")
            spans.append([first, count, source])
            first += count
    lines[unit] = spans
    quotes = " ".join(sorted({"-iquote " + os.path.dirname(s) for s in sources}))
    command = entry["command"].replace(entry["file"], unit) + " " + quotes
    return {"directory": entry["directory"], "command": command, "file": unit}


def units(build, pattern, out, wanted):
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
        database = json.load(f)
    own = re.compile(pattern)
    wanted = {os.path.realpath(w) for w in wanted}
    os.makedirs(out, exist_ok=True)
    entries, lines, sizes = [], {}, {}
    batches = {}
    for entry in database:
        path = entry["file"]
        unity = "/Unity/unity_" in path
        sources = [s for s in (batch_sources(path) if unity else [path]) if own.match(s)]
        if wanted:
            for s in sources:
                if s in wanted:
                    batches[s] = ([s], entry)
        elif sources:
            # A target's batches make one unit: its folder keeps local names apart anyway.
            key = os.path.dirname(path) if unity else path
            batches.setdefault(key, ([], entry))[0].extend(sources)
    for group, entry in batches.values():
        name = "unit%03d.cpp" % len(entries)
        entries.append(write_unit(out, name, group, entry, lines))
        sizes[entries[-1]["file"]] = sum(os.path.getsize(s) for s in group)
    with open(os.path.join(out, "compile_commands.json"), "w", encoding="utf-8") as f:
        json.dump(entries, f, indent=1)
    with open(os.path.join(out, "lines.json"), "w", encoding="utf-8") as f:
        json.dump(lines, f)
    for unit in sorted(sizes, key=sizes.get, reverse=True):
        print(unit)


def read_back(out):
    with open(os.path.join(out, "lines.json"), encoding="utf-8") as f:
        lines = json.load(f)
    if not lines:
        sys.stdout.write(sys.stdin.read())
        return
    where = re.compile("(" + "|".join(re.escape(u) for u in lines) + r"):(\d+):")

    def source_line(m):
        line = int(m.group(2))
        for first, count, source in lines[m.group(1)]:
            if first <= line < first + count:
                return "%s:%d:" % (source, line - first + 1)
        return m.group(0)

    for text in sys.stdin:
        sys.stdout.write(where.sub(source_line, text))


def main(argv):
    if len(argv) >= 5 and argv[1] == "units":
        units(argv[2], argv[3], argv[4], argv[5:])
    elif len(argv) == 3 and argv[1] == "lines":
        read_back(argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
