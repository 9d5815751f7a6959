#!/usr/bin/env python3
"""Fails when the core's folders include each other in a cycle.

The core is meant to be read and reused from the bottom up: a folder may
include folders below it, never one that (directly or through others)
includes it back. This walks every source file under src/core, builds the
folder-to-folder include graph and reports each cycle with the includes
that close it.
"""

import argparse
import pathlib
import re
import sys

def include_pattern(tree: str):
    """Matches `#include "<tree>/<folder>/..."` and captures the folder. Only
    blanks may stand around the `#`: a line break taken in would move the
    match, and so the line it is reported on, to the line above."""
    return re.compile(r'^[ \t]*#[ \t]*include[ \t]*"' + re.escape(tree) + r'/([A-Za-z0-9_]+)/[^"]+"',
                      re.MULTILINE)


def folder_graph(root: pathlib.Path, tree: str = "core"):
    """folder -> {included folder -> [(file, line)]} for includes across the
    folders of root, whose files include each other as "<tree>/<folder>/..."."""
    pattern = include_pattern(tree)
    graph = {}
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".hpp", ".cpp", ".h") or not path.is_file():
            continue
        rel = path.relative_to(root)
        if len(rel.parts) < 2:
            continue
        folder = rel.parts[0]
        graph.setdefault(folder, {})
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in pattern.finditer(text):
            target = match.group(1)
            if target == folder:
                continue
            line = text.count("\n", 0, match.start()) + 1
            graph[folder].setdefault(target, []).append((str(rel), line))
            graph.setdefault(target, {})
    return graph


def strongly_connected(graph):
    """Tarjan's algorithm; returns the components with more than one folder."""
    index, low, stack, on_stack, result = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in graph[v]:
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                result.append(sorted(component))

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return result


def shortest_cycles(graph, component):
    """For each folder of a component, the shortest way back to it; each
    distinct cycle once, so the includes to change stand out."""
    members = set(component)
    seen, cycles = set(), []
    for start in component:
        previous = {start: None}
        queue = [start]
        found = None
        while queue and found is None:
            v = queue.pop(0)
            for w in sorted(graph[v]):
                if w not in members:
                    continue
                if w == start:
                    found = v
                    break
                if w not in previous:
                    previous[w] = v
                    queue.append(w)
        if found is None:
            continue
        path = [start]
        v = found
        while v != start:
            path.insert(1, v)
            v = previous[v]
        path.append(start)
        key = frozenset(zip(path, path[1:]))
        if key not in seen:
            seen.add(key)
            cycles.append(path)
    return cycles


# The stack as the design draws it, from the bottom up. It only orders the
# listing: where the includes say otherwise they win, and a folder not named
# here comes where its includes allow, after the named ones that are ready.
PREFERRED_ORDER = ["support", "program", "project", "picture", "measure", "stats", "draw",
                   "detect", "export", "options", "workspace"]


def layer_order(graph):
    """Folders from the bottom up (each after everything it includes), in the
    preferred order as far as the includes allow."""
    rank = {name: i for i, name in enumerate(PREFERRED_ORDER)}
    order, placed, remaining = [], set(), set(graph)
    while remaining:
        ready = [v for v in remaining if all(w in placed for w in graph[v])]
        if not ready:
            raise ValueError("layer_order needs folders without a cycle")
        v = min(ready, key=lambda name: (rank.get(name, len(PREFERRED_ORDER)), name))
        order.append(v)
        placed.add(v)
        remaining.discard(v)
    return order


def self_test():
    """The check must find a cycle through a third folder and pass a stack."""
    import tempfile

    def tree(root, files):
        for name, text in files.items():
            path = root / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text, encoding="utf-8")

    with tempfile.TemporaryDirectory() as tmp:
        stack = pathlib.Path(tmp) / "stack"
        tree(stack, {"a/a.hpp": "", "b/b.hpp": '#include "core/a/a.hpp"\n',
                     "c/c.cpp": '#include "core/b/b.hpp"\n#include "core/a/a.hpp"\n'})
        cyclic = pathlib.Path(tmp) / "cyclic"
        tree(cyclic, {"a/a.cpp": '#include "core/c/c.hpp"\n', "b/b.hpp": '#include "core/a/a.hpp"\n',
                      "c/c.hpp": '  #  include "core/b/b.hpp"\n'})
        if strongly_connected(folder_graph(stack)):
            print("self-test: a one-way stack was reported as a cycle")
            return 1
        if strongly_connected(folder_graph(cyclic)) != [["a", "b", "c"]]:
            print("self-test: the cycle a -> c -> b -> a was not found")
            return 1
        # The listing follows the design where the includes allow it, the
        # includes where they do not; an unnamed folder waits for its own.
        ordered = pathlib.Path(tmp) / "ordered"
        tree(ordered, {"support/s.hpp": "", "picture/p.hpp": '#include "core/support/s.hpp"\n',
                       "project/j.hpp": '#include "core/support/s.hpp"\n',
                       "extra/e.hpp": '#include "core/picture/p.hpp"\n',
                       "draw/d.hpp": '#include "core/extra/e.hpp"\n'})
        if layer_order(folder_graph(ordered)) != ["support", "project", "picture", "extra", "draw"]:
            print("self-test: the layers were not listed in the preferred order")
            return 1
        tree(ordered, {"support/s.hpp": '#include "core/project/j.hpp"\n', "project/j.hpp": ""})
        if layer_order(folder_graph(ordered))[:2] != ["project", "support"]:
            print("self-test: the preferred order was put before the includes")
            return 1
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("core", type=pathlib.Path, help="the src/core folder")
    parser.add_argument("--print-order", action="store_true",
                        help="print the folders from the bottom up when there is no cycle")
    args = parser.parse_args()
    if not args.core.is_dir():
        print(f"check_core_layers: not a folder: {args.core}", file=sys.stderr)
        return 2

    graph = folder_graph(args.core)
    cycles = strongly_connected(graph)
    if cycles:
        for component in cycles:
            print("include cycle among core folders: " + ", ".join(component))
            for cycle in shortest_cycles(graph, component):
                print("  " + " -> ".join(cycle))
                for source, target in zip(cycle, cycle[1:]):
                    for file, line in graph[source][target]:
                        print(f"    {source} -> {target}: src/core/{file}:{line}")
        return 1
    if args.print_order:
        for folder in layer_order(graph):
            below = ", ".join(sorted(graph[folder])) or "-"
            print(f"{folder:10} includes {below}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
