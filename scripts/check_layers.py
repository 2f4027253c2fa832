#!/usr/bin/env python3
"""Fails when an include in src/ points up the layer order, or when files or
folders include each other in a cycle.

The order, lowest first: platform <- shell <- the subsystems <- app <- main.
Inside platform each folder has a rank and may include only folders of a
lower rank (and itself). Among the subsystems, pane is the lowest; the others
may include pane and each other as long as no two folders include each other.

Cycles. In the foundation (platform and shell) a header and its source file
count as one unit (X.h with X.cpp), so a cycle is reported as soon as two
units need each other, whichever file includes: each file there must be
buildable and movable without the ones above it. In the subsystems and app,
where a class may be split into parts that know their owner (the pane view
and its navigation, say), headers must not include each other in a cycle.
Folders must never include each other in a cycle.

    scripts/check_layers.py [source-root]     (default: src/ of this tree)
"""

import os
import re
import sys
from collections import defaultdict

# Layers above platform, lowest first.
LAYERS = {"platform": 0, "shell": 1, "app": 3, "main": 4}
SUBSYSTEM_RANK = 2
LOWEST_SUBSYSTEM = "pane"

# Ranks of the platform's folders: a folder includes only lower ranks.
PLATFORM_RANKS = {
    "store": 0,
    "namespace": 0,
    "watch": 0,
    "thread": 0,
    "walk": 2,
    "thumbs": 0,
    "ui": 1,
    "fs": 1,
    "process": 2,
    "shellui": 2,
    "remote": 2,
    "trash": 3,
    "archive": 3,
    "places": 3,
    "fileop": 4,
    "desktop": 5,
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(rel):
    """(layer, folder) of a path relative to src/."""
    parts = rel.split("/")
    if len(parts) == 1:
        return "main", ""
    top = parts[0]
    if top == "platform":
        return "platform", parts[1] if len(parts) > 2 else ""
    if top in LAYERS:
        return top, top
    if top == "res":
        return "res", top
    return "subsystem", top


def rank_of(layer):
    return SUBSYSTEM_RANK if layer == "subsystem" else LAYERS.get(layer, -1)


def collect(root):
    files = {}
    for dirpath, _, names in os.walk(root):
        for name in names:
            if name.endswith((".h", ".cpp")):
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    files[rel] = INCLUDE.findall(f.read())
    return files


def check_direction(files, problems):
    for rel, includes in sorted(files.items()):
        layer, folder = layer_of(rel)
        for inc in includes:
            if inc not in files:
                continue  # a generated or system header
            ilayer, ifolder = layer_of(inc)
            where = f"{rel}: includes {inc}"
            if rank_of(ilayer) > rank_of(layer):
                problems.append(f"{where} ({ilayer} is above {layer})")
            elif layer == "platform" and ilayer == "platform" and ifolder != folder:
                mine, theirs = PLATFORM_RANKS.get(folder), PLATFORM_RANKS.get(ifolder)
                if mine is None or theirs is None:
                    unknown = folder if mine is None else ifolder
                    problems.append(f"{where} (platform/{unknown} has no rank in {__file__})")
                elif theirs >= mine:
                    problems.append(f"{where} (platform/{ifolder} is not below platform/{folder})")
            elif layer == "subsystem" and ifolder == folder:
                pass
            elif layer == "subsystem" and ilayer == "subsystem" and folder == LOWEST_SUBSYSTEM:
                problems.append(f"{where} ({LOWEST_SUBSYSTEM} is the lowest subsystem)")


def strongly_connected(graph):
    """Tarjan's algorithm, iterative; gives the components of more than one node."""
    index, low, on_stack, stack, out = {}, {}, set(), [], []
    counter = [0]
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph.get(child, ())))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    out.append(sorted(component))
    return out


FOUNDATION = ("platform/", "shell/")


def check_cycles(files, problems):
    units = defaultdict(set)
    folders = defaultdict(set)
    for rel, includes in files.items():
        merged = rel.startswith(FOUNDATION)
        unit = rel.rsplit(".", 1)[0] if merged else rel
        units.setdefault(unit, set())
        folder = rel.rsplit("/", 1)[0] if "/" in rel else ""
        for inc in includes:
            if inc not in files:
                continue
            target = inc.rsplit(".", 1)[0] if inc.startswith(FOUNDATION) else inc
            if target != unit:
                units[unit].add(target)
            ifolder = inc.rsplit("/", 1)[0]
            if ifolder != folder:
                folders[folder].add(ifolder)
    for component in strongly_connected(units):
        problems.append("files in an include cycle: " + ", ".join(component))
    for component in strongly_connected(folders):
        problems.append("folders in an include cycle: " + ", ".join(component))


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    files = collect(root)
    problems = []
    check_direction(files, problems)
    check_cycles(files, problems)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} layering problem(s)")
        return 1
    print(f"layers ok: {len(files)} files")
    return 0


if __name__ == "__main__":
    sys.exit(main())
