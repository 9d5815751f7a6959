#!/usr/bin/env python3
"""Fails when a folder of the Qt front end includes a folder above it.

The front end is a one-way stack in a fixed order, bottom first (ORDER).
Where the core's order follows from its includes, this one is pinned:
support is a library of its own (kvxqtsupport, Qt Gui only) that the batch
tool links without Qt Widgets, so an include from it into any other folder
is wrong before it ever closes a cycle. A folder that is not in the order
fails too, so that a new folder gets its place on purpose.
"""

import argparse
import pathlib
import sys

from check_core_layers import folder_graph

ORDER = (
    "support",  # cp1252 boundary, font metrics, the painter of a recording
    "dialogs",  # the shared dialogs
    "measure",  # object dialog, properties, value and statistics grids
    "options",  # object-type editor, options, layer selection
    "main",  # the window, and the dialogs behind the core's questions
)


def order_faults(graph, order, where=""):
    """Each include that goes up the order, and each folder outside it, as a
    line to print (files named with where before them); empty when the
    stack holds."""
    rank = {folder: i for i, folder in enumerate(order)}
    faults = []
    for folder in sorted(graph):
        if folder not in rank:
            faults.append(f"folder {folder} has no place in the order: {', '.join(order)}")
            continue
        for target in sorted(graph[folder]):
            if target in rank and rank[target] < rank[folder]:
                continue
            for file, line in graph[folder][target]:
                faults.append(f"{folder} includes {target}, which is not below it: {where}{file}:{line}")
    return faults


def self_test():
    """The check must pass a stack in order and name every upward include,
    each with its file and line, and a folder that has no place."""
    import tempfile

    def tree(root, files):
        for name, text in files.items():
            path = root / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text, encoding="utf-8")

    order = ("low", "mid", "top")
    with tempfile.TemporaryDirectory() as tmp:
        stack = pathlib.Path(tmp) / "stack"
        tree(stack, {"low/a.hpp": '#include <QString>\n#include "core/top/x.hpp"\n',
                     "mid/b.cpp": '#include "gui/low/a.hpp"\n',
                     "top/c.cpp": '#include "gui/mid/b.hpp"\n#include "gui/low/a.hpp"\n'})
        if order_faults(folder_graph(stack, "gui"), order):
            print("self-test: a stack in order was reported")
            return 1
        # An upward include with no way back is no cycle, and is still wrong.
        upward = pathlib.Path(tmp) / "upward"
        tree(upward, {"low/a.cpp": '\n  #  include "gui/top/c.hpp"\n',
                      "mid/b.h": '#include "gui/mid/d.hpp"\n#include "gui/top/c.hpp"\n',
                      "top/c.hpp": "", "extra/e.cpp": '#include "gui/low/a.hpp"\n'})
        expected = [
            "folder extra has no place in the order: low, mid, top",
            "low includes top, which is not below it: low/a.cpp:2",
            "mid includes top, which is not below it: mid/b.h:2",
        ]
        found = order_faults(folder_graph(upward, "gui"), order)
        if found != expected:
            print("self-test: expected\n  " + "\n  ".join(expected) + "\nbut found\n  " +
                  "\n  ".join(found))
            return 1
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("gui", type=pathlib.Path, help="the src/gui folder")
    parser.add_argument("--print-order", action="store_true",
                        help="print the folders from the bottom up when the stack holds")
    args = parser.parse_args()
    if not args.gui.is_dir():
        print(f"check_gui_layers: not a folder: {args.gui}", file=sys.stderr)
        return 2

    graph = folder_graph(args.gui, "gui")
    faults = order_faults(graph, ORDER, "src/gui/")
    if faults:
        print("the Qt front end is not a one-way stack:")
        for fault in faults:
            print("  " + fault)
        return 1
    if args.print_order:
        for folder in ORDER:
            below = ", ".join(sorted(graph.get(folder, {}))) or "-"
            print(f"{folder:8} includes {below}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
