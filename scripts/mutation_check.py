#!/usr/bin/env python3
"""How many small faults in the core do the C++ tests catch?

    python3 scripts/mutation_check.py --count 80 --out /tmp/mutants.json
    python3 scripts/mutation_check.py --list          # the mutants only, no builds

Every mutation site of the core's `.cc` files is listed in a fixed order, and
`--count` of them are drawn with `--seed`, so two runs over the same sources
try the same mutants whatever the tests are. A mutant is one change on one
line: a flipped or shifted comparison (`==`/`!=`, `<`/`<=`, `>`/`>=`), an
integer constant off by one, `&&`/`||` or `+`/`-` exchanged, `true`/`false`
exchanged, or an expression statement dropped. For each, the file is changed,
the test binary rebuilt in its own build folder and run; the file is restored
afterwards. A mutant is killed when the tests fail (or run past the time
limit), survives when they pass, and is stillborn when it does not compile.

`--replay FILE` tries the mutants of an earlier `--out` file again, so tests
can be compared before and after a change on one list. Each mutant is found by
its line's text (the nearest line with that text to where it was); a mutant
whose line is no longer in its file is reported as gone.
"""
from __future__ import annotations

import argparse
import json
import random
import re
import subprocess
import sys
import time
from dataclasses import asdict, dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
SOURCES = REPO / "core" / "src"

_SWAPS = {"==": "!=", "!=": "==", "<": "<=", "<=": "<", ">": ">=", ">=": ">",
          "&&": "||", "||": "&&", "+": "-", "-": "+"}
_BINARY = re.compile(r"(?<=\s)(==|!=|<=|>=|<|>|&&|\|\||\+|-)(?=\s)")
_INTEGER = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
_BOOL = re.compile(r"\b(true|false)\b")
_STATEMENT = re.compile(r"^\s*(?:\+\+|--)?[A-Za-z_][\w.\->\[\]:]*(?:\(.*\)|\s*[-+*/|&^]?=\s.*|\+\+|--);$")
_NOT_DROPPABLE = re.compile(r"^\s*(?:return|break|continue|case|default|using|static|const|constexpr|auto|"
                            r"std::|int|bool|char|double|unsigned|enum|struct|class|namespace|template|"
                            r"RETURN_IF_ERROR|ASSIGN_OR_RETURN)\b")


@dataclass
class Mutant:
    file: str
    line: int
    kind: str
    before: str
    after: str
    status: str = ""


def _mask(code: str) -> str:
    """`code` with string and character literals and the comment blanked out."""
    code = re.sub(r'"(?:\\.|[^"\\])*"', lambda m: " " * len(m.group(0)), code)
    code = re.sub(r"'(?:\\.|[^'\\])*'", lambda m: " " * len(m.group(0)), code)
    comment = code.find("//")
    return code if comment < 0 else code[:comment] + " " * (len(code) - comment)


def sites() -> list[Mutant]:
    found = []
    for path in sorted(SOURCES.rglob("*.cc")):
        name = str(path.relative_to(REPO))
        for number, line in enumerate(path.read_text().splitlines(), 1):
            masked = _mask(line)
            if masked.lstrip().startswith(("#", "*", "/")) or not masked.strip():
                continue

            def change(start: int, end: int, text: str, kind: str) -> None:
                found.append(Mutant(name, number, kind, line, line[:start] + text + line[end:]))

            for m in _BINARY.finditer(masked):
                change(m.start(), m.end(), _SWAPS[m.group(1)], "operator")
            for m in _INTEGER.finditer(masked):
                change(m.start(), m.end(), str(int(m.group(1)) + 1), "constant")
            for m in _BOOL.finditer(masked):
                change(m.start(), m.end(), "false" if m.group(1) == "true" else "true", "boolean")
            if (_STATEMENT.match(masked) and not _NOT_DROPPABLE.match(masked)
                    and masked.count("(") == masked.count(")")):
                found.append(Mutant(name, number, "drop", line, ""))
    return found


def relocate(mutant: Mutant) -> bool:
    """Points `mutant.line` at the nearest line of its file that reads `mutant.before`."""
    path = REPO / mutant.file
    if not path.is_file():
        return False
    lines = path.read_text().splitlines()
    matches = [number for number, line in enumerate(lines, 1) if line == mutant.before]
    if not matches:
        return False
    mutant.line = min(matches, key=lambda number: abs(number - mutant.line))
    return True


def run(mutant: Mutant, build: Path, timeout: float) -> str:
    path = REPO / mutant.file
    original = path.read_text()
    lines = original.splitlines(keepends=True)
    lines[mutant.line - 1] = mutant.after + "\n"
    try:
        path.write_text("".join(lines))
        made = subprocess.run(["cmake", "--build", str(build), "--target", "corvane_tests"],
                              capture_output=True, text=True)
        if made.returncode:
            return "stillborn"
        try:
            # Bytes, not text: a mutant may make the tests print anything.
            tests = subprocess.run([str(build / "core" / "tests" / "corvane_tests"), "--gtest_brief=1"],
                                   capture_output=True, timeout=timeout, cwd=REPO)
        except subprocess.TimeoutExpired:
            return "killed"
        return "killed" if tests.returncode else "survived"
    finally:
        path.write_text(original)


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=80, help="mutants to try (default 80)")
    parser.add_argument("--seed", type=int, default=1206, help="seed of the draw (default 1206)")
    parser.add_argument("--build-dir", type=Path, default=REPO / "build-mutation")
    parser.add_argument("--timeout", type=float, default=120, help="seconds the tests may take per mutant")
    parser.add_argument("--out", type=Path, help="JSON file for every mutant and its status")
    parser.add_argument("--list", action="store_true", help="print the drawn mutants, build nothing")
    parser.add_argument("--replay", type=Path, help="try the mutants of this earlier --out file instead")
    parser.add_argument("--resume", action="store_true",
                        help="keep the statuses an interrupted run left in --out and go on from there")
    args = parser.parse_args(argv)

    every = sites()
    if args.replay:
        earlier = json.loads(args.replay.read_text())
        drawn = [Mutant(**{**m, "status": ""}) for m in earlier["mutants"]]
        args.seed = earlier["seed"]
    else:
        drawn = sorted(random.Random(args.seed).sample(every, min(args.count, len(every))),
                       key=lambda m: (m.file, m.line, m.kind, m.after))
    if args.list:
        for m in drawn:
            print(f"{m.file}:{m.line} {m.kind}: {m.after.strip() or '(dropped) ' + m.before.strip()}")
        print(f"{len(drawn)} of {len(every)} sites")
        return 0

    subprocess.run(["cmake", "-S", str(REPO), "-B", str(args.build_dir), "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DCORVANE_BUILD_TESTS=ON", "-DCORVANE_BUILD_PYTHON=OFF"],
                   check=True, capture_output=True)
    subprocess.run(["cmake", "--build", str(args.build_dir), "--target", "corvane_tests"], check=True)
    began = time.monotonic()
    done = {}
    if args.resume and args.out and args.out.is_file():
        done = {(m["file"], m["before"], m["after"]): m["status"]
                for m in json.loads(args.out.read_text())["mutants"] if m["status"]}
    for number, mutant in enumerate(drawn, 1):
        mutant.status = done.get((mutant.file, mutant.before, mutant.after), "")
        if not mutant.status:
            mutant.status = run(mutant, args.build_dir, args.timeout) if relocate(mutant) else "gone"
        print(f"[{number}/{len(drawn)}] {mutant.status:9} {mutant.file}:{mutant.line} {mutant.kind}", flush=True)
        if args.out:
            write(args.out, drawn, len(every), args.seed)
    subprocess.run(["cmake", "--build", str(args.build_dir), "--target", "corvane_tests"], capture_output=True)
    counts = {status: sum(m.status == status for m in drawn)
              for status in ("killed", "survived", "stillborn", "gone")}
    viable = counts["killed"] + counts["survived"]
    print(f"{counts['killed']} of {viable} viable mutants killed ({counts['stillborn']} stillborn, "
          f"{counts['gone']} gone, "
          f"{len(every)} sites, seed {args.seed}, {time.monotonic() - began:.0f} s)")
    for m in drawn:
        if m.status == "survived":
            print(f"survived: {m.file}:{m.line} {m.kind}: {m.after.strip() or '(dropped) ' + m.before.strip()}")
    if args.out:
        write(args.out, drawn, len(every), args.seed)
    return 0


def write(out: Path, drawn: list[Mutant], sites_count: int, seed: int) -> None:
    counts = {status: sum(m.status == status for m in drawn)
              for status in ("killed", "survived", "stillborn", "gone")}
    out.write_text(json.dumps({"counts": counts, "sites": sites_count, "seed": seed,
                               "mutants": [asdict(m) for m in drawn]}, indent=1) + "\n")


if __name__ == "__main__":
    sys.exit(main())
