#!/usr/bin/env python3
"""Lines of test code against all code, over the files git tracks.

    python3 scripts/line_share.py

Code is every tracked `.cc`, `.h`, `.hpp`, `.cpp` and `.py` file. Test code is
the part under a `tests/` folder or named `*_test.cc`, `*_test.py` or
`test_*.py` (the differential harness in `python/tests/proof/` included).
Golden `.ll`/`.out` cases, corpus outcome lists and fuzz inputs are data and
not counted.
"""
from __future__ import annotations

import re
import subprocess
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
CODE = re.compile(r"\.(cc|h|hpp|cpp|py)$")
TEST = re.compile(r"(^|/)tests?/|_test\.(cc|py)$|(^|/)test_[^/]*\.py$")


def main() -> None:
    files = subprocess.run(["git", "ls-files"], cwd=REPO, capture_output=True, text=True,
                           check=True).stdout.split()
    tests = code = 0
    for name in filter(CODE.search, files):
        lines = (REPO / name).read_bytes().count(b"\n")
        if TEST.search(name):
            tests += lines
        else:
            code += lines
    print(f"test code {tests} lines, other code {code} lines: tests are "
          f"{100 * tests / (tests + code):.1f}% of all {tests + code} lines")


if __name__ == "__main__":
    main()
