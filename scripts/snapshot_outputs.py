#!/usr/bin/env python3
"""Writes what the installed corvane makes of every golden case and corpus module.

    python3 scripts/snapshot_outputs.py DIR

For each input `<name>.ll` it writes `DIR/<folder>/<name>.out`: the OpenQASM
program, or a line `error: <message>`. The folders are `golden/` (the C++
golden cases) and `corpus/` (../shared/corpus, when present). Take one
snapshot before a change and one after, then `diff -r` them: every changed
file is a program whose translation the change altered.
"""
from __future__ import annotations

import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]


def inputs() -> list[tuple[str, Path, Path]]:
    """(folder, root, file) for every input, in a stable order."""
    found = []
    golden = REPO / "core" / "tests" / "golden"
    found += [("golden", golden, path) for path in sorted(golden.rglob("*.ll"))]
    corpus = REPO.parent / "shared" / "corpus"
    if corpus.is_dir():
        found += [("corpus", corpus, path) for path in sorted(corpus.rglob("*.ll"))]
    return found


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    import corvane

    out_root = Path(sys.argv[1])
    counts = {"translated": 0, "refused": 0}
    for folder, root, path in inputs():
        text = path.read_bytes().decode("utf-8", "surrogateescape")
        try:
            result = corvane.translate(text)
            counts["translated"] += 1
        except corvane.CorvaneError as error:
            result = f"error: {error}\n"
            counts["refused"] += 1
        target = out_root / folder / path.relative_to(root).with_suffix(".out")
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_text(result, encoding="utf-8", errors="surrogateescape")
    print(f"{counts['translated']} translated, {counts['refused']} refused, written to {out_root}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
