"""Print how far every corpus module gets through the proof checks.

Run from python/tests:  python -m proof.report [corpus folder]

One line per module (stage reached and detail), then the counts: modules
translated, parsed by the reference parser, valid in the dialect, compared
with the QIR runner, and matched.
"""
from __future__ import annotations

import sys
from collections import Counter
from pathlib import Path

from . import corpus_dir, read_text
from .differential import check_corpus_module, translate
from .dialect import inspect_program


def main(argv: list[str]) -> int:
    root = Path(argv[0]) if argv else corpus_dir()
    if root is None:
        print("no corpus folder")
        return 1
    counts: Counter = Counter()
    mismatches = []
    for path in sorted(root.rglob("*.ll")):
        name = str(path.relative_to(root))
        text = read_text(path)
        counts["modules"] += 1
        output, error = translate(text)
        if output is None:
            print(f"{name}: translate-error: {error[:160]}")
            continue
        counts["translated"] += 1
        try:
            _, report = inspect_program(output)
        except Exception as exc:  # noqa: BLE001 - the parser's own error types
            print(f"{name}: parse-error: {type(exc).__name__}: {exc}")
            mismatches.append((name, "parse-error"))
            continue
        counts["parsed"] += 1
        if report.errors:
            print(f"{name}: dialect-error: {report.errors}")
            mismatches.append((name, "dialect-error"))
            continue
        counts["dialect-valid"] += 1
        outcome = check_corpus_module(text)
        counts[f"stage:{outcome.stage}"] += 1
        if outcome.stage == "compared":
            counts["compared"] += 1
            if outcome.matched:
                counts["matched"] += 1
            else:
                mismatches.append((name, outcome.detail))
        print(f"{name}: {outcome.stage}: {'MATCH ' if outcome.matched else ''}{outcome.detail[:200]}")
    print()
    for key in ("modules", "translated", "parsed", "dialect-valid", "compared", "matched"):
        print(f"{key}: {counts[key]}")
    for key in sorted(k for k in counts if k.startswith("stage:")):
        print(f"{key}: {counts[key]}")
    for name, detail in mismatches:
        print(f"MISMATCH {name}: {detail}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
