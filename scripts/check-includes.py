#!/usr/bin/env python3
"""check-includes.py [ROOT]: holds the `#include "..."` lines of the rooms
against the table of rooms in ARCHITECTURE.md.

A room may include from the rooms its row lists under "uses", and every room
listed there must be included from somewhere in it, so the table stays true;
the rooms must stand one above another, no room including (through others)
from a room above it. Every source file outside tests/, bench/, fuzz/ and
scripts/ belongs to a room. Prints each problem with its file and line and
exits 1 if there is one."""

import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
NOT_ROOMS = ("tests/", "bench/", "fuzz/", "scripts/")


def table():
    """{room: (line, {used room, ...})} from the table under "## Rooms"."""
    rooms = {}
    lines = (ROOT / "ARCHITECTURE.md").read_text(encoding="utf-8").splitlines()
    inside = False
    for number, line in enumerate(lines, 1):
        if line.startswith("## "):
            inside = line == "## Rooms"
            continue
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if not inside or len(cells) < 4 or not re.fullmatch(r"`[a-z0-9/]+/`", cells[0]):
            continue
        used = set(re.findall(r"`([a-z0-9/]+)/`", cells[-1]))
        rooms[cells[0].strip("`/")] = (number, used)
    return rooms


def room_of(path, rooms):
    found = [room for room in rooms if path.startswith(room + "/")]
    return max(found, key=len) if found else None


def main():
    rooms = table()
    problems = []
    if not rooms:
        problems.append("ARCHITECTURE.md: no table of rooms under \"## Rooms\"")
    # The sources, without the build trees and hidden folders at the top.
    files = sorted(str(path.relative_to(ROOT)) for pattern in ("*.cpp", "*.h") for path in ROOT.rglob(pattern)
                   if not path.relative_to(ROOT).parts[0].startswith(("build", ".")))
    included = {room: set() for room in rooms}
    for name in files:
        if name.startswith(NOT_ROOMS):
            continue
        room = room_of(name, rooms)
        if room is None:
            problems.append(f"{name}: in no room of ARCHITECTURE.md's table")
            continue
        for number, line in enumerate((ROOT / name).read_text(encoding="utf-8").splitlines(), 1):
            match = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
            target = room_of(match.group(1), rooms) if match else None
            if target is None or target == room:
                continue
            included[room].add(target)
            if target not in rooms[room][1]:
                problems.append(f"{name}:{number}: includes from {target}/, which the table does not "
                                f"give {room}/ to use")
    for room, (number, used) in rooms.items():
        for unknown in sorted(used - rooms.keys()):
            problems.append(f"ARCHITECTURE.md:{number}: {room}/ uses {unknown}/, which is no room")
        for unused in sorted((used & rooms.keys()) - included[room]):
            problems.append(f"ARCHITECTURE.md:{number}: {room}/ is said to use {unused}/ but includes "
                            f"nothing of it")

    # Each room below the ones that use it: no way back to a room from itself.
    def cycle_from(room, path):
        for used in sorted(rooms[room][1] & rooms.keys()):
            if used in path:
                return path[path.index(used):] + [used]
            found = cycle_from(used, path + [used])
            if found:
                return found
        return None

    for room in rooms:
        cycle = cycle_from(room, [room])
        if cycle:
            problems.append("ARCHITECTURE.md: the rooms include one another in a circle: "
                            + " -> ".join(f"{r}/" for r in cycle))
            break
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
