"""The command line (`python -m corvane`, the `corvane` script): exit status,
standard output and error, and the files it reads and writes."""
from __future__ import annotations

import io
import json
import re
import shlex
import shutil
import subprocess
import sys
import sysconfig
from pathlib import Path

import pytest

import corvane
import corvane.__main__ as cli

REPO = Path(__file__).resolve().parents[2]
BELL = (REPO / "examples" / "bell.ll").read_text(encoding="utf-8")
BELL_OUT = corvane.translate(BELL).encode()
NO_ENTRY_POINT = (
    "no entry-point function found; QIR modules must have a function tagged with the "
    "'entry_point' attribute"
)
USAGE = ("usage: corvane [-h] [-o PATH] [-j N] [--producer TEXT] [--outputs]\n"
         "               [--decode RESULTS] [--bit-order {c0-first,c0-last}] [--version]\n"
         "               FILE [FILE ...]\n")
# res.json of the runs: counts keyed by bit strings of c; '10' is c[0] = 1 read c0-first
RESULTS = '{"10": 3, "11": 2}'
BOTH_ONE = '{"records": [["RESULT", 1, "r0"], ["RESULT", 1, "r1"]], "count": 2}'
DECODED = {order: f'[{{"records": [["RESULT", {a}, "r0"], ["RESULT", {b}, "r1"]], "count": 3}}, {BOTH_ONE}]\n'.encode()
           for order, (a, b) in {"c0-first": (1, 0), "c0-last": (0, 1)}.items()}


def module(*body: str) -> str:
    """A module whose entry point holds the given body lines."""
    return "\n".join(["define void @main() #0 {", "entry:", *body, "}"]) + '\nattributes #0 = { "entry_point" }\n'


ICMP = "  %c = icmp eq i64 1, abc"
ICMP_MESSAGE = "could not parse integer operand abc (ty=i64)"
WIDE_ARGS = "i64 1, " * 20
LONG_CALL = "  call void @f(" + WIDE_ARGS + "i64 x, " + WIDE_ARGS + "i64 1)"
PHI_BAD_LABEL = "phi incoming predecessor must be %<label>, got b"
BITCODE = "it is LLVM bitcode, not text; convert it first with"
UNBUILT = module("  call void @f(ptr null)", "  call void @__quantum__qis__h__body(ptr null)", "  call void @g(ptr null)",
                 "  call void @f(ptr null)", "  ret void") + "".join(
    f"declare void @{name}(ptr)\n" for name in ("f", "g", "__quantum__qis__h__body"))
NO_BUILDER = "no builder registered for declared QIR function '{}'; extend the Profile to support it"
UNBUILT_REPORT = "".join(f"{{name}}:{line}:3: error: {NO_BUILDER.format(callee)}\n  call void @{callee}(ptr null)\n  ^\n"
                         for line, callee in ((3, "f"), (5, "g")))

# (arguments, the bytes of in.ll and of standard input, exit status, standard
# output, standard error, what out.qasm holds afterwards or None when absent).
# bad.ll holds bytes that are not UTF-8. A placed error shows the offending
# token for a parse error and the instruction (or an unrecognized opcode) for a
# lowering error; a source line over 120 characters is cut around the column.
RUNS = [
    (["in.ll"], BELL, 0, BELL_OUT, "", None),
    (["-", "--producer", "mylib 0.1.2"], BELL, 0, corvane.translate(BELL, producer="mylib 0.1.2").encode(), "", None),
    (["in.ll", "-o", "out.qasm"], BELL, 0, b"", "", BELL_OUT),
    (["in.ll", "-o", "no/such/dir/out.qasm"], BELL, 2, b"",
     "corvane: error: cannot write 'no/such/dir/out.qasm': No such file or directory\n", None),
    (["in.ll", "-o", "out.qasm"], "", 1, b"", f"in.ll: error: {NO_ENTRY_POINT}\n", None),
    (["-"], "; nothing to translate\n", 1, b"", f"<stdin>: error: {NO_ENTRY_POINT}\n", None),
    (["in.ll", "-o", "out.qasm"], module(ICMP, "  ret void"), 1, b"",
     f"in.ll:3:23: error: {ICMP_MESSAGE}\n{ICMP}\n                      ^\n", None),
    (["-"], module(ICMP, "  ret void"), 1, b"", f"<stdin>:3:23: error: {ICMP_MESSAGE}\n{ICMP}\n{' ' * 22}^\n", None),
    (["in.ll"], module("  %x = frobnicate i64 1", "  ret void"), 1, b"",
     'in.ll:3:8: error: unsupported LLVM instruction opcode "frobnicate" in block "entry"\n'
     "  %x = frobnicate i64 1\n       ^\n", None),
    # joined from several lines: the line that holds the offending token
    (["in.ll"], module("  %p = phi i64 [ 1, %a ], [", "      2, b ]"), 1, b"",
     f"in.ll:4:10: error: {PHI_BAD_LABEL}\n      2, b ]\n         ^\n", None),
    # long lines: cut on the right, on both sides, on the left
    (["in.ll"], module(ICMP + " ; " + "x" * 200), 1, b"",
     f"in.ll:3:23: error: {ICMP_MESSAGE}\n{(ICMP + ' ; ' + 'x' * 200)[:117]}...\n{' ' * 22}^\n", None),
    (["in.ll"], module(LONG_CALL), 1, b"", "in.ll:3:156: error: could not parse integer operand x (ty=i64)\n"
     f"...{LONG_CALL[98:212]}...\n{' ' * 60}^\n", None),
    (["in.ll"], module("  %p = phi i64 " + "[ 1, %a ], " * 30 + "[ 2, b ]"), 1, b"",
     f"in.ll:3:351: error: {PHI_BAD_LABEL}\n...{('[ 1, %a ], ' * 30 + '[ 2, b ]')[-117:]}\n{' ' * 117}^\n", None),
    # tabs before the column are repeated so that the caret lines up; a wide
    # character takes two columns; the CR of a CR LF line end is not shown
    (["in.ll"], module("\t\t%c = icmp eq i64 1,\tabc"), 1, b"",
     f"in.ll:3:23: error: {ICMP_MESSAGE}\n\t\t%c = icmp eq i64 1,\tabc\n\t\t{' ' * 19}\t^\n", None),
    (["in.ll"], module('  %p = phi i64 [ 1, %"\u00e9\u4e2d" ], [ 2, b ]').replace("\n", "\r\n"), 1, b"",
     f'in.ll:3:35: error: {PHI_BAD_LABEL}\n  %p = phi i64 [ 1, %"\u00e9\u4e2d" ], [ 2, b ]\n{" " * 35}^\n', None),
    (["missing.ll"], "", 2, b"", "corvane: error: cannot read 'missing.ll': No such file or directory\n", None),
    (["bad.ll"], "", 2, b"", "corvane: error: cannot read 'bad.ll': not UTF-8 text (byte 0xff at offset 3)\n", None),
    (["-"], b"abc\xc3(", 2, b"", "corvane: error: cannot read standard input: not UTF-8 text (byte 0xc3 at offset 3)\n",
     None),
    # bitcode, bare and wrapped
    (["in.ll"], b"BC\xc0\xde\x35\x14", 2, b"", f"corvane: error: cannot read 'in.ll': {BITCODE} `llvm-dis in.ll -o "
     "in.text.ll`\n", None),
    (["-"], b"\xde\xc0\x17\x0b\0\0", 2, b"", f"corvane: error: cannot read standard input: {BITCODE} `llvm-dis FILE.bc "
     "-o FILE.ll`\n", None),
    # every independent refusal, each at its place
    (["in.ll"], UNBUILT, 1, b"", UNBUILT_REPORT.format(name="in.ll"), None),
    ([], "", 2, b"", USAGE + "corvane: error: the following arguments are required: FILE\n", None),
    (["in.ll", "-j", "0"], "", 2, b"", USAGE + "corvane: error: argument -j/--jobs: thread count must be at least 1, "
     "not 0\n", None),
    (["--frobnicate", "a.ll"], "", 2, b"", USAGE + "corvane: error: unrecognized arguments: --frobnicate\n", None),
    (["a.ll", "--producer"], "", 2, b"", USAGE + "corvane: error: argument --producer: expected one argument\n", None),
    (["a.ll", "-o"], "", 2, b"", USAGE + "corvane: error: argument -o/--output: expected one argument\n", None),
    # the output map beside the program, and a service's counts decoded into records
    (["in.ll", "--outputs", "-o", "out.qasm"], BELL, 0, b"", "", BELL_OUT),
    (["-", "--outputs"], BELL, 2, b"",
     "corvane: error: --outputs needs a file to write the map beside: name one with -o or read a file\n", None),
    (["in.ll", "--decode", "res.json"], BELL, 0, DECODED["c0-first"], "", None),
    (["in.ll", "--decode", "res.json", "--bit-order", "c0-last"], BELL, 0, DECODED["c0-last"], "", None),
    (["in.ll", "--decode", "out.qasm"], BELL, 2, b"", "corvane: error: cannot read 'out.qasm': No such file or directory\n",
     None),
    (["in.ll", "--decode", "in.ll"], BELL, 2, b"", None, None),
    (["in.ll", "--decode", "res.json", "-o", "out.qasm"], BELL, 2, b"",
     "corvane: error: --decode takes one input and writes its records to standard output\n", None),
    (["--version"], "", 0, b"corvane 0.2.0\n", "", None),
]


@pytest.mark.parametrize("args, data, status, stdout, stderr, written", RUNS)
def test_run(args, data, status, stdout, stderr, written, tmp_path, monkeypatch, capsysbinary):
    data = data.encode() if isinstance(data, str) else data
    monkeypatch.setenv("COLUMNS", "80")  # where argparse wraps the usage line
    monkeypatch.chdir(tmp_path)
    (tmp_path / "in.ll").write_bytes(data)
    (tmp_path / "bad.ll").write_bytes(b"abc\xff\n")
    (tmp_path / "res.json").write_text(RESULTS)
    monkeypatch.setattr(sys, "stdin", io.TextIOWrapper(io.BytesIO(data)))
    assert cli.main(args) == status
    captured = capsysbinary.readouterr()
    assert captured.out == stdout
    assert captured.err.decode() == stderr if stderr is not None else captured.err.startswith(b"corvane: error: ")
    out = tmp_path / "out.qasm"
    assert (out.read_bytes() if out.exists() else None) == written
    map_file = tmp_path / "out.outputs.json"
    assert (json.loads(map_file.read_text()) if map_file.exists() else None) == (
        corvane.compile(data.decode()).outputs if "--outputs" in args and status == 0 else None)


# NUL, CR LF and non-ASCII text reach translate() unchanged; its program is written as UTF-8.
SOURCE = "line one\r\nnul \x00 here\n\u00fcber\n"
PROGRAM = "OPENQASM 3.0;\nh q[0]; // \u00e9\n"


@pytest.mark.parametrize("args, producer, file", [
    (["in.ll"], None, False), (["in.ll", "-o", "out.qasm", "--producer", "mylib 0.1.2"], "mylib 0.1.2", True),
    (["-", "--producer", ""], "", False),
])
def test_text_passes_through_unchanged(args, producer, file, tmp_path, monkeypatch, capsysbinary):
    calls = []
    monkeypatch.setattr(cli, "translate", lambda text, *, producer=None: calls.append((text, producer)) or PROGRAM)
    monkeypatch.chdir(tmp_path)
    (tmp_path / "in.ll").write_bytes(SOURCE.encode())
    monkeypatch.setattr(sys, "stdin", io.TextIOWrapper(io.BytesIO(SOURCE.encode())))
    assert cli.main(args) == 0
    written = (tmp_path / "out.qasm").read_bytes() if file else capsysbinary.readouterr().out
    assert (calls, written) == ([(SOURCE, producer)], PROGRAM.encode())


@pytest.mark.parametrize("args, status, stdout, stderr", [
    (["--version"], 0, b"corvane 0.2.0\n", b""),
    (["empty.ll"], 1, b"", f"empty.ll: error: {NO_ENTRY_POINT}\n".encode()),
    ([str(REPO / "examples" / "bell.ll")], 0, BELL_OUT, b""),
])
@pytest.mark.parametrize("command", ["module", "script"])
def test_entry_points(command, args, status, stdout, stderr, tmp_path):
    """`python -m corvane` and the installed `corvane` script run the command line."""
    script = Path(sysconfig.get_path("scripts")) / "corvane"
    if command == "script" and not script.exists():
        pytest.skip(f"console script not installed at {script}")
    (tmp_path / "empty.ll").write_text("")
    head = [sys.executable, "-m", "corvane"] if command == "module" else [str(script)]
    done = subprocess.run(head + args, cwd=tmp_path, capture_output=True, timeout=120)
    assert (done.returncode, done.stdout, done.stderr) == (status, stdout, stderr)


# A batch, run in w/: a.ll and dir/c.ll translate, dir/sub/u.ll is refused
# twice over, dir/notes.txt is not searched for, x.bc is bitcode, empty/ holds
# no module and ../up.ll lies outside. (arguments, exit status, standard
# error, the files written afterwards; each holds the program of bell.ll).
SUMMARY = "corvane: {} files: {} translated ({}), {} refused, {} unreadable\n"
REFUSALS = "corvane: refusals by message (files):\n" + "".join(f"  1  {NO_BUILDER.format(c)}\n" for c in "fg")
BATCHES = [
    (["a.ll", "dir", "-o", "out/", "-j", "2"], 1,
     UNBUILT_REPORT.format(name="dir/sub/u.ll") + SUMMARY.format(3, 2, "to 'out/'", 1, 0) + REFUSALS,
     ["out/a.qasm", "out/dir/c.qasm"]),
    (["a.ll", "dir/c.ll", "-j", "1"], 0, SUMMARY.format(2, 2, "beside their inputs", 0, 0), ["a.qasm", "dir/c.qasm"]),
    (["dir/c.ll", "../up.ll", "-o", "out"], 0, SUMMARY.format(2, 2, "to 'out'", 0, 0), ["out/dir/c.qasm", "out/up.qasm"]),
    (["dir/c.ll", "-o", "out/"], 0, "corvane: 1 file: 1 translated (to 'out/'), 0 refused, 0 unreadable\n",
     ["out/dir/c.qasm"]),
    (["missing.ll", "x.bc", "a.ll", "empty", "-o", "out"], 2,
     "corvane: error: cannot read 'missing.ll': No such file or directory\n"
     f"corvane: error: cannot read 'x.bc': {BITCODE} `llvm-dis x.bc -o x.ll`\n"
     "corvane: error: no .ll files in 'empty'\n" + SUMMARY.format(4, 1, "to 'out'", 0, 3), ["out/a.qasm"]),
    (["a.ll", "./a.ll"], 2, "corvane: error: 'a.ll' and './a.ll' would both be written to 'a.qasm'\n", []),
    (["a.ll", "-"], 2, "corvane: error: standard input ('-') is translated alone, to standard output or -o FILE\n", []),
]


def batch_workspace(root: Path) -> Path:
    work = root / "w"
    for name, text in [("a.ll", BELL), ("dir/c.ll", BELL), ("dir/sub/u.ll", UNBUILT), ("dir/notes.txt", BELL)]:
        (work / name).parent.mkdir(parents=True, exist_ok=True)
        (work / name).write_text(text)
    (work / "x.bc").write_bytes(b"BC\xc0\xde\x35\x14")
    (work / "empty").mkdir()
    (root / "up.ll").write_text(BELL)
    return work


@pytest.mark.parametrize("args, status, stderr, written", BATCHES)
def test_batch(args, status, stderr, written, tmp_path, monkeypatch, capsysbinary):
    work = batch_workspace(tmp_path)
    before = {p for p in work.rglob("*") if p.is_file()}
    monkeypatch.chdir(work)
    assert cli.main(args) == status
    captured = capsysbinary.readouterr()
    assert (captured.out, captured.err.decode()) == (b"", stderr)
    after = {p.relative_to(work).as_posix(): p.read_bytes() for p in work.rglob("*") if p.is_file() and p not in before}
    assert after == {name: BELL_OUT for name in written}


class Terminal(io.StringIO):
    def isatty(self) -> bool:
        return True


def test_progress_line_on_a_terminal(tmp_path, monkeypatch):
    """A long batch rewrites one line in place on a terminal and clears it before the summary."""
    for i in range(cli.PROGRESS_MIN_FILES):
        (tmp_path / "in" / f"m{i:02}.ll").parent.mkdir(exist_ok=True)
        (tmp_path / "in" / f"m{i:02}.ll").write_text(BELL)
    monkeypatch.chdir(tmp_path)
    monkeypatch.setattr(sys, "stderr", Terminal())
    assert cli.main(["in", "-o", "out/", "-j", "3"]) == 0
    total = cli.PROGRESS_MIN_FILES
    last = f"\rcorvane: {total}/{total} done, 0 refused, 0 unreadable\x1b[K\r\x1b[K"
    summary = SUMMARY.format(total, total, "to 'out/'", 0, 0)
    assert sys.stderr.getvalue().startswith("\rcorvane: ") and sys.stderr.getvalue().endswith(last + summary)
    assert len(list((tmp_path / "out" / "in").glob("*.qasm"))) == total


def test_help_lists_outputs_and_exit_codes(capsys, monkeypatch):
    monkeypatch.setenv("COLUMNS", "80")
    assert cli.main(["--help"]) == 0
    out = capsys.readouterr().out
    assert out.startswith(USAGE) and "\noutput:\n" in out and "\nerrors:\n" in out
    assert [line[:3] for line in out.split("exit status:\n")[1].splitlines()] == ["  0", "  1", "  2"]


README = (REPO / "README.md").read_text(encoding="utf-8")
FENCED = {language: re.findall(rf"```{language}\n(.*?)```", README, re.S) for language in ("sh", "text", "python")}
COMMANDS = [line.split(" #")[0].strip() for block in FENCED["sh"] for line in block.splitlines()
            if line.startswith(("corvane ", "python -m corvane "))]


@pytest.mark.parametrize("command", COMMANDS)
def test_readme_commands(command, tmp_path):
    """The README's commands run as it says, and its example output is bell.ll's."""
    shutil.copytree(REPO / "examples", tmp_path / "examples")
    args = shlex.split(command)
    args = [sys.executable, "-m", "corvane", *args[1:]] if args[0] == "corvane" else [sys.executable, *args[1:]]
    done = subprocess.run(args, cwd=tmp_path, capture_output=True, timeout=120)
    assert done.returncode == 0, done.stderr
    assert FENCED["text"][0].encode() == BELL_OUT
    api = next(block for block in FENCED["python"] if "import corvane" in block)
    exec(api, {"qir_text": BELL, "print": lambda *args: None})
