#!/usr/bin/env python3
"""Holds every #include of core/src to the layers that core/CMakeLists.txt declares.

    python3 scripts/check_layers.py

Each folder of core/src is a library declared as `corvane_layer(NAME DEP...)`;
a file of NAME may include its own folder's headers and those of the DEPs,
nothing else of the project. A line per include that breaks this is printed
and the exit status is 1; a folder that no line declares is an error too.
"""
from __future__ import annotations

import re
import sys
from pathlib import Path

CORE = Path(__file__).resolve().parents[1] / "core"
_LAYER = re.compile(r"^corvane_layer\((\w+)((?:\s+\w+)*)\)", re.M)
_INCLUDE = re.compile(r'^\s*#\s*include\s+"(\w+)/[^"]+"', re.M)


def declared() -> dict[str, set[str]]:
    text = (CORE / "CMakeLists.txt").read_text()
    return {m.group(1): set(m.group(2).split()) for m in _LAYER.finditer(text)}


def problems() -> list[str]:
    layers = declared()
    found = []
    for folder in sorted(p for p in (CORE / "src").iterdir() if p.is_dir()):
        if folder.name not in layers:
            found.append(f"core/src/{folder.name}: no corvane_layer({folder.name} ...) in core/CMakeLists.txt")
            continue
        allowed = layers[folder.name] | {folder.name}
        for path in sorted(folder.rglob("*")):
            if path.suffix not in (".h", ".cc"):
                continue
            text = path.read_text()
            for m in _INCLUDE.finditer(text):
                if m.group(1) in layers and m.group(1) not in allowed:
                    line = text.count("\n", 0, m.start()) + 1
                    found.append(f"{path.relative_to(CORE.parent)}:{line}: layer '{folder.name}' includes "
                                 f"'{m.group(1)}', which it does not declare")
    return found


def main() -> int:
    found = problems()
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the layers of core/CMakeLists.txt", file=sys.stderr)
        return 1
    print(f"layers hold: {', '.join(declared())}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
