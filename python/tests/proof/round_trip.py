"""LLVM's own spellings: every module through llvm-as and llvm-dis, translated both ways.

LLVM's printer writes many things its parser accepts in other spellings
(hexadecimal doubles, attribute groups, numbered labels, `ptr` or typed
pointers, flags and markers on calls). A module and its round trip through
LLVM 14's `llvm-as` and `llvm-dis` must translate to the same program, or be
refused with the same message; so must the module with a debug location
written on every instruction. The inputs are the corpus (../shared/corpus)
and modules drawn by the random generator in both pointer styles (its
integer programs too).

    cd python/tests && python -m proof.round_trip -n 300

A corpus module that `llvm-as` itself rejects is counted and passed over; a
generated module that it rejects is a fault of the generator and fails.
"""
from __future__ import annotations

import argparse
import dataclasses
import re
import shutil
import subprocess
import sys
import tempfile
from collections import Counter
from pathlib import Path

_TESTS = str(Path(__file__).resolve().parents[1])
if _TESTS not in sys.path:
    sys.path.insert(0, _TESTS)

import proof  # noqa: E402
from proof import differential, qirgen, strategies  # noqa: E402

TOOLS = ("llvm-as-14", "llvm-dis-14")


def tools_present() -> bool:
    return all(shutil.which(tool) for tool in TOOLS)


def llvm_round_trip(text: str) -> tuple[str | None, str]:
    """`text` as llvm-dis prints what llvm-as made of it, else None and llvm-as's complaint."""
    # LLVM 14 reads `ptr` only when opaque pointers are switched on.
    flags = ["-opaque-pointers"] if "ptr" in text.replace(",", " ").replace("(", " ").split() else []
    with tempfile.TemporaryDirectory() as folder:
        source, bitcode = Path(folder) / "in.ll", Path(folder) / "in.bc"
        source.write_text(text)
        made = subprocess.run(["llvm-as-14", *flags, "-o", str(bitcode), str(source)],
                              capture_output=True, text=True)
        if made.returncode:
            return None, (made.stderr.strip().splitlines() or ["llvm-as failed"])[0]
        shown = subprocess.run(["llvm-dis-14", *flags, "-o", "-", str(bitcode)],
                               capture_output=True, text=True, check=True)
        return shown.stdout, ""


_LABEL = re.compile(r'^\s*(?:[-\w.$]+|"[^"]*"):')


def with_debug_locations(text: str) -> str:
    """`text` with a debug location on every definition and instruction.

    Compilers that keep debug information write `, !dbg !N` after every
    instruction and `!dbg !N` on every definition; the module gets the
    compile unit, file and one subprogram and location per definition, so
    that LLVM accepts it.
    """
    first, out, tail, depth, location = 90000, [], [], 0, ""
    unit, file, kind = first, first + 1, first + 2
    for line in text.split("\n"):
        code, sep, comment = line.partition(";")
        stripped = code.strip()
        if line.startswith("define ") and stripped.endswith("{"):
            subprogram, location = first + 3 + 2 * len(tail), f"!{first + 4 + 2 * len(tail)}"
            name = re.search(r'@("[^"]*"|[-\w.$]+)', stripped).group(1).strip('"')
            tail.append(f'!{subprogram} = distinct !DISubprogram(name: "{name}", scope: !{file}, file: !{file}, '
                        f"line: 1, type: !{kind}, scopeLine: 1, spFlags: DISPFlagDefinition, unit: !{unit})\n"
                        f"{location} = !DILocation(line: 2, column: 1, scope: !{subprogram})")
            code = code.rstrip()[:-1] + f"!dbg !{subprogram} {{"
        elif location and stripped == "}":
            location = ""
        elif location and stripped and not _LABEL.match(code):
            # A switch spans lines: its location goes after the closing bracket.
            depth += stripped.count("[") - stripped.count("]")
            if depth == 0:
                code = code.rstrip() + f", !dbg {location}"
        out.append(code + sep + comment)
    if not tail:
        return text
    # Without the version flag LLVM drops debug information instead of checking it.
    version = first + 3 + 2 * len(tail)
    flags = [i for i, line in enumerate(out) if line.startswith("!llvm.module.flags = !{")]
    if flags:
        out[flags[0]] = out[flags[0]].rstrip().removesuffix("}") + f", !{version}}}"
    else:
        out.append(f"!llvm.module.flags = !{{!{version}}}")
    tail.append(f'!{version} = !{{i32 2, !"Debug Info Version", i32 3}}')
    out += [f"!llvm.dbg.cu = !{{!{unit}}}",
            f'!{unit} = distinct !DICompileUnit(language: DW_LANG_C, file: !{file}, producer: "corvane tests", '
            "isOptimized: false, runtimeVersion: 0, emissionKind: FullDebug)",
            f'!{file} = !DIFile(filename: "generated.ll", directory: "/")',
            f"!{kind} = !DISubroutineType(types: !{{}})", *tail]
    return "\n".join(out) + "\n"


def outcome(text: str) -> str:
    output, error = differential.translate(text)
    # A refusal inside inlined code names its call's line, which llvm-dis moves.
    return f"output:\n{output}" if error is None else "refused: " + re.sub(r"inlined at line \d+", "inlined at line N",
                                                                            error)


class Tally:
    def __init__(self, out: Path | None):
        self.counts: Counter = Counter()
        self.out = out
        self.failures: list[str] = []

    def check(self, name: str, text: str, generated: bool) -> None:
        dis, complaint = llvm_round_trip(text)
        if dis is None:
            self.counts["rejected by llvm-as"] += 1
            if generated:
                self.fail(name, text, f"llvm-as rejects a generated module: {complaint}")
            return
        before = outcome(text)
        located = with_debug_locations(text)
        located_dis, complaint = llvm_round_trip(located)
        if located_dis is None:
            return self.fail(name, text, f"llvm-as rejects the module with debug locations: {complaint}", located)
        for form, variant in (("after llvm-as/llvm-dis", dis), ("with debug locations", located),
                              ("with debug locations, after llvm-as/llvm-dis", located_dis)):
            if outcome(variant) != before:
                return self.fail(name, text, f"before: {before}\n{form}: {outcome(variant)}", variant)
        self.counts["same translation" if before.startswith("output") else "same refusal"] += 1

    def fail(self, name: str, text: str, detail: str, variant: str = "") -> None:
        self.counts["different"] += 1
        self.failures.append(f"{name}: {detail.splitlines()[0] if detail else ''}")
        if self.out is not None:
            differential.save_case(self.out / name.replace("/", "__"), {
                "input.ll": text, "round_trip.ll": variant, "detail.txt": detail + "\n"})


def check_corpus(tally: Tally) -> None:
    for path in proof.corpus_files():
        tally.check("corpus/" + str(path.relative_to(proof.corpus_dir())), proof.read_text(path), generated=False)


def check_generated(tally: Tally, n: int, seed: int) -> None:
    """`n` programs of each kind, each in a pointer style."""
    for kind in strategies.KINDS:
        count = iter(range(1, n + 1))
        # One instruction a line, as LLVM prints them: the debug locations are written at line ends
        # (other spellings of the text are the random campaign's).
        strategies.for_each(kind, n, seed, lambda program, style, kind=kind: tally.check(
            f"{kind}-{next(count):04d}-{style}", qirgen.emit_text(dataclasses.replace(program, spelling=0), style),
            generated=True))


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-n", type=int, default=300, help="generated programs of each kind (default 300)")
    parser.add_argument("--seed", type=int, default=1206, help="hypothesis seed (default 1206)")
    parser.add_argument("--out", type=Path, default=None, help="folder for the modules that differ")
    args = parser.parse_args(argv)
    if not tools_present():
        print(f"{' and '.join(TOOLS)} are needed (Debian's llvm-14)", file=sys.stderr)
        return 2
    tally = Tally(args.out)
    check_corpus(tally)
    check_generated(tally, args.n, args.seed)
    for line in tally.failures:
        print(line)
    print(", ".join(f"{count} {what}" for what, count in sorted(tally.counts.items())))
    return 1 if tally.failures else 0


if __name__ == "__main__":
    sys.exit(main())
