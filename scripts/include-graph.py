#!/usr/bin/env python3
"""Prints the include graph of the game's folders: one line per arrow "from -> to: includes",
in the order of the layers that CMakeLists.txt lists (bottom first), then any arrow that points
upward and any circle. Exit status 1 when there is one of those.

Usage: scripts/include-graph.py [--files]   (--files also lists every include behind an arrow)
"""
import os
import re
import sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def layers():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as stream:
        match = re.search(r"set\(KEYRISE_LAYERS ([^)]*)\)", stream.read())
    return match.group(1).split()


def main():
    order = layers()
    rank = {name: i for i, name in enumerate(order)}
    arrows = defaultdict(list)
    for folder in order:
        for name in sorted(os.listdir(os.path.join(ROOT, folder))):
            path = os.path.join(folder, name)
            with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as stream:
                for line in stream:
                    match = re.match(r'\s*#\s*include\s+"([A-Za-z0-9_]+)/', line)
                    if match and match.group(1) in rank and match.group(1) != folder:
                        arrows[(folder, match.group(1))].append(path + ": " + line.strip())
    faults = 0
    for (source, target), lines in sorted(arrows.items(), key=lambda a: (rank[a[0][0]], -rank[a[0][1]])):
        upward = rank[target] > rank[source]
        print("%s -> %s: %d%s" % (source, target, len(lines), "   UPWARD" if upward else ""))
        faults += upward
        if "--files" in sys.argv:
            for line in lines:
                print("    " + line)
    # A circle needs an arrow upward somewhere, but say so in words as well.
    reach = {name: {t for (s, t) in arrows if s == name} for name in order}
    for name in order:
        seen, todo = set(), list(reach[name])
        while todo:
            step = todo.pop()
            if step == name:
                print("circle through %s" % name)
                faults += 1
                break
            if step not in seen:
                seen.add(step)
                todo.extend(reach[step])
    print("layers, bottom first: %s" % " ".join(order))
    print("%d arrows, %d upward or circular" % (len(arrows), faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
