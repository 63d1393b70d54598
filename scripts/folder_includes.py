#!/usr/bin/env python3
"""Prints which source folder includes which ("#include "folder/..."") and fails
when the folders include each other in a cycle, or when product code includes
tests/ or bench/.
  scripts/folder_includes.py [SOURCE_DIR]
SOURCE_DIR defaults to the folder above this script. Exit status 0 no cycle,
1 a cycle or a product include of test code, 2 bad usage."""

import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')
SOURCES = {".h", ".hpp", ".cpp", ".cc", ".c"}
# Folders that check the product: they may include anything, nothing of the
# product may include them.
TEST_FOLDERS = {"tests", "bench"}
SKIPPED = {"build", "docs", "data", "packaging", "scripts", "cmake"}


def folder_edges(root):
    edges = {}
    folders = [
        d for d in sorted(root.iterdir())
        if d.is_dir() and not d.name.startswith(".") and not d.name.startswith("build")
        and d.name not in SKIPPED
    ]
    names = {d.name for d in folders}
    for folder in folders:
        for path in folder.rglob("*"):
            if path.suffix not in SOURCES or not path.is_file():
                continue
            for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
                m = INCLUDE.match(line)
                if not m or m.group(1) not in names or m.group(1) == folder.name:
                    continue
                key = (folder.name, m.group(1))
                edges.setdefault(key, []).append(str(path.relative_to(root)))
    return names, edges


def find_cycle(names, edges):
    graph = {n: sorted({b for (a, b) in edges if a == n}) for n in names}
    state = {}  # 1 on the path, 2 done
    path = []

    def visit(n):
        state[n] = 1
        path.append(n)
        for m in graph[n]:
            if state.get(m) == 1:
                return path[path.index(m):] + [m]
            if m not in state:
                found = visit(m)
                if found:
                    return found
        path.pop()
        state[n] = 2
        return None

    for n in sorted(names):
        if n not in state:
            found = visit(n)
            if found:
                return found
    return None


def main(argv):
    if len(argv) > 2 or (len(argv) == 2 and argv[1] in ("-h", "--help")):
        print(__doc__.strip())
        return 0 if len(argv) == 2 else 2
    root = Path(argv[1]) if len(argv) == 2 else Path(__file__).resolve().parent.parent
    if not root.is_dir():
        print(f"folder_includes.py: {root} is not a folder", file=sys.stderr)
        return 2
    names, edges = folder_edges(root)
    product = names - TEST_FOLDERS
    for (a, b), files in sorted(edges.items()):
        print(f"{a} -> {b} ({len(files)})")
    status = 0
    for (a, b), files in sorted(edges.items()):
        if a in product and b in TEST_FOLDERS:
            print(f"product folder {a} includes {b}/: {files[0]}")
            status = 1
    cycle = find_cycle(product, {k: v for k, v in edges.items() if k[0] in product and k[1] in product})
    if cycle:
        print("cycle: " + " -> ".join(cycle))
        for a, b in zip(cycle, cycle[1:]):
            print(f"  {a} -> {b}: {edges[(a, b)][0]}")
        status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
