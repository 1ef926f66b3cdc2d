#!/usr/bin/env python3
"""Finds include cycles between the project's units (a unit is NAME.h with NAME.cpp).

A unit depends on another when its header or source includes the other's header.
Prints each cycle and exits 1 when there is one.  Usage: tools/check-includes.py [ROOT]
"""
import os
import re
import sys

FOLDERS = ["common", "diskfs", "explorer", "memviewer", "tools", "tests", "bench", "fuzz"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def units(root):
    """Unit name (path without extension, relative to root) -> its files."""
    found = {}
    for folder in FOLDERS:
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                stem, ext = os.path.splitext(name)
                if ext in (".h", ".cpp"):
                    unit = os.path.relpath(os.path.join(base, stem), root)
                    found.setdefault(unit, []).append(os.path.join(base, name))
    return found


def resolve(header, unit, headers):
    """The unit a quoted include names: the header of that name nearest to the includer."""
    stem = os.path.splitext(os.path.basename(header))[0]
    candidates = [u for u in headers if os.path.basename(u) == stem]
    if not candidates:
        return None
    top = unit.split(os.sep)[0]
    candidates.sort(key=lambda u: (u.split(os.sep)[0] != top, -len(os.path.commonprefix([u, unit]))))
    return candidates[0]


def graph(root):
    found = units(root)
    headers = [u for u, files in found.items() if any(f.endswith(".h") for f in files)]
    edges = {}
    for unit, files in found.items():
        for path in files:
            with open(path, encoding="utf-8", errors="replace") as text:
                for header in INCLUDE.findall(text.read()):
                    target = resolve(header, unit, headers)
                    if target and target != unit:
                        edges.setdefault(unit, set()).add(target)
    return edges


def cycles(edges):
    """Strongly connected components of more than one unit (Tarjan)."""
    index, low, stack, on, result, counter = {}, {}, [], set(), [], [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on.add(node)
        for nxt in edges.get(node, ()):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                top = stack.pop()
                on.discard(top)
                component.append(top)
                if top == node:
                    break
            if len(component) > 1:
                result.append(sorted(component))

    for node in list(edges):
        if node not in index:
            visit(node)
    return result


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    found = cycles(graph(root))
    for component in found:
        print("include cycle: " + " <-> ".join(component))
    if not found:
        print("no include cycles")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
