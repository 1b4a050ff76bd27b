"""The command line (`python -m corvane`, the `corvane` script).

End-to-end runs use real subprocesses; the success paths that need a finished
translation are also checked in-process with the translator replaced by a
stand-in, so that the I/O handling is tested on its own.
"""
from __future__ import annotations

import io
import subprocess
import sys
import sysconfig
from pathlib import Path

import pytest

import corvane
import corvane.__main__ as cli

REPO = Path(__file__).resolve().parents[2]
BELL = REPO / "examples" / "bell.ll"

NO_ENTRY_POINT = (
    "no entry-point function found; QIR modules must have a function tagged with the "
    "'entry_point' attribute"
)
USAGE = "usage: corvane [-h] [-o FILE] [--producer TEXT] [--version] FILE\n"


def run(args: list[str], cwd: Path, stdin: bytes = b"") -> subprocess.CompletedProcess:
    return subprocess.run(
        [sys.executable, "-m", "corvane", *args],
        cwd=cwd,
        input=stdin,
        capture_output=True,
        timeout=120,
    )


def expected_run(text: str, producer: str | None = None) -> tuple[int, bytes, bytes]:
    """Exit status, stdout and stderr that the CLI owes for this module text,
    which translates."""
    program = corvane.translate(text, producer=producer)
    return 0, program.encode(), b""


def test_translation_error_exits_1_with_prefixed_message(tmp_path: Path) -> None:
    (tmp_path / "empty.ll").write_text("; no functions here\n")
    done = run(["empty.ll"], tmp_path)
    assert (done.returncode, done.stdout, done.stderr) == (
        1,
        b"",
        f"empty.ll: error: {NO_ENTRY_POINT}\n".encode(),
    )


def test_error_leaves_no_output_file(tmp_path: Path) -> None:
    (tmp_path / "empty.ll").write_text("")
    done = run(["empty.ll", "-o", "out.qasm"], tmp_path)
    assert (done.returncode, done.stderr) == (1, f"empty.ll: error: {NO_ENTRY_POINT}\n".encode())
    assert not (tmp_path / "out.qasm").exists()


def test_stdin_dash_is_read(tmp_path: Path) -> None:
    done = run(["-"], tmp_path, stdin=b"; nothing to translate\n")
    assert (done.returncode, done.stdout, done.stderr) == (
        1,
        b"",
        f"<stdin>: error: {NO_ENTRY_POINT}\n".encode(),
    )


def test_placed_error_names_file_line_and_column(tmp_path: Path) -> None:
    text = "define void @main() {\n  ret void\n  br label exit\n}\n"
    (tmp_path / "bad.ll").write_text(text)
    report = ("{}:3:12: error: br label missing %<target>: label exit\n"
              "  br label exit\n"
              "           ^\n")
    done = run(["bad.ll", "-o", "out.qasm"], tmp_path)
    assert (done.returncode, done.stdout, done.stderr.decode()) == (1, b"", report.format("bad.ll"))
    assert not (tmp_path / "out.qasm").exists()
    piped = run(["-"], tmp_path, stdin=text.encode())
    assert (piped.returncode, piped.stdout, piped.stderr.decode()) == (
        1, b"", report.format("<stdin>"))


@pytest.mark.parametrize("producer", [None, "mylib 0.1.2"])
def test_example_module_matches_the_api(tmp_path: Path, producer: str | None) -> None:
    extra = [] if producer is None else ["--producer", producer]
    text = BELL.read_text(encoding="utf-8")
    status, stdout, stderr = expected_run(text, producer)
    done = run([str(BELL), *extra], tmp_path)
    assert (done.returncode, done.stdout, done.stderr) == (status, stdout, stderr)
    piped = run(["-", *extra], tmp_path, stdin=text.encode())
    assert (piped.returncode, piped.stdout, piped.stderr) == (status, stdout, stderr)
    to_file = run([str(BELL), "-o", "bell.qasm", *extra], tmp_path)
    assert (to_file.returncode, to_file.stdout, to_file.stderr) == (status, b"", stderr)
    out = tmp_path / "bell.qasm"
    assert (out.read_bytes() if out.exists() else b"") == stdout


FILE_ERRORS = [
    (["missing.ll"], "error: cannot read 'missing.ll': No such file or directory\n"),
    (["."], "error: cannot read '.': Is a directory\n"),
    (["bad.ll"], "error: cannot read 'bad.ll': not UTF-8 text (byte 0xff at offset 3)\n"),
    (["-"], "error: cannot read standard input: not UTF-8 text (byte 0xc3 at offset 3)\n"),
]


@pytest.mark.parametrize("args, message", FILE_ERRORS)
def test_file_errors_exit_2(tmp_path: Path, args: list[str], message: str) -> None:
    (tmp_path / "bad.ll").write_bytes(b"abc\xff\n")
    done = run(args, tmp_path, stdin=b"abc\xc3(")
    assert (done.returncode, done.stdout, done.stderr.decode()) == (2, b"", message)


def test_write_error_message(tmp_path: Path, monkeypatch: pytest.MonkeyPatch,
                             capsys: pytest.CaptureFixture[str]) -> None:
    (tmp_path / "empty.ll").write_text("")
    monkeypatch.chdir(tmp_path)
    monkeypatch.setattr(cli, "translate", lambda text, producer=None: "OPENQASM 3.0;\n")
    assert cli.main(["empty.ll", "-o", "no/such/dir/out.qasm"]) == 2
    captured = capsys.readouterr()
    assert (captured.out, captured.err) == (
        "",
        "error: cannot write 'no/such/dir/out.qasm': No such file or directory\n",
    )


USAGE_ERRORS = [
    ([], "corvane: error: the following arguments are required: FILE\n"),
    (["a.ll", "b.ll"], "corvane: error: unrecognized arguments: b.ll\n"),
    (["--frobnicate", "a.ll"], "corvane: error: unrecognized arguments: --frobnicate\n"),
    (["a.ll", "--producer"], "corvane: error: argument --producer: expected one argument\n"),
    (["a.ll", "-o"], "corvane: error: argument -o/--output: expected one argument\n"),
]


@pytest.mark.parametrize("args, message", USAGE_ERRORS)
def test_bad_usage_exits_2(tmp_path: Path, args: list[str], message: str) -> None:
    done = run(args, tmp_path)
    assert (done.returncode, done.stdout, done.stderr.decode()) == (2, b"", USAGE + message)


def test_version(tmp_path: Path) -> None:
    done = run(["--version"], tmp_path)
    assert (done.returncode, done.stdout, done.stderr) == (0, b"corvane 0.2.0\n", b"")


def test_console_script(tmp_path: Path) -> None:
    script = Path(sysconfig.get_path("scripts")) / "corvane"
    if not script.exists():
        pytest.skip(f"console script not installed at {script}")
    done = subprocess.run([str(script), "--version"], capture_output=True, timeout=60)
    assert (done.returncode, done.stdout, done.stderr) == (0, b"corvane 0.2.0\n", b"")
    (tmp_path / "empty.ll").write_text("")
    done = subprocess.run([str(script), "empty.ll"], cwd=tmp_path, capture_output=True,
                          timeout=60)
    assert (done.returncode, done.stderr) == (1, f"empty.ll: error: {NO_ENTRY_POINT}\n".encode())


def module(*body: str) -> str:
    """A module whose entry point holds the given body lines."""
    lines = ["define void @main() #0 {", "entry:", *body, "}"]
    return "\n".join(lines) + '\nattributes #0 = { "entry_point" }\n'


ICMP = "  %c = icmp eq i64 1, abc"
ICMP_MESSAGE = "could not parse integer operand abc (ty=i64)"
WIDE_ARGS = "i64 1, " * 20
LONG_CALL = "  call void @f(" + WIDE_ARGS + "i64 x, " + WIDE_ARGS + "i64 1)"
PHI_BAD_LABEL = "phi incoming predecessor must be %<label>, got b"
# (file name, text, standard error). The place is the offending token for a
# parse error and the instruction (or an unrecognized opcode) for a lowering
# error; a source line over 120 characters is cut around the column.
REPORTS = [
    ("in.ll", module(ICMP, "  ret void"),
     f"in.ll:3:23: error: {ICMP_MESSAGE}\n{ICMP}\n                      ^\n"),
    ("-", module(ICMP, "  ret void"),
     f"<stdin>:3:23: error: {ICMP_MESSAGE}\n{ICMP}\n                      ^\n"),
    ("in.ll", module("  %x = frobnicate i64 1", "  ret void"),
     'in.ll:3:8: error: unsupported LLVM instruction opcode "frobnicate" in block "entry"\n'
     "  %x = frobnicate i64 1\n"
     "       ^\n"),
    # Joined from several lines: the line that holds the offending token.
    ("in.ll", module("  %p = phi i64 [ 1, %a ], [", "      2, b ]"),
     f"in.ll:4:10: error: {PHI_BAD_LABEL}\n      2, b ]\n         ^\n"),
    # Long lines: cut on the right, on both sides, on the left.
    ("in.ll", module(ICMP + " ; " + "x" * 200),
     f"in.ll:3:23: error: {ICMP_MESSAGE}\n{(ICMP + ' ; ' + 'x' * 200)[:117]}...\n"
     "                      ^\n"),
    ("in.ll", module(LONG_CALL),
     "in.ll:3:156: error: could not parse integer operand x (ty=i64)\n"
     f"...{LONG_CALL[98:212]}...\n{' ' * 60}^\n"),
    ("in.ll", module("  %p = phi i64 " + "[ 1, %a ], " * 30 + "[ 2, b ]"),
     f"in.ll:3:351: error: {PHI_BAD_LABEL}\n"
     f"...{('[ 1, %a ], ' * 30 + '[ 2, b ]')[-117:]}\n{' ' * 117}^\n"),
    # Tabs before the column are repeated so that the caret lines up; a wide
    # character takes two columns; the CR of a CR LF line end is not shown.
    ("in.ll", module("\t\t%c = icmp eq i64 1,\tabc"),
     f"in.ll:3:23: error: {ICMP_MESSAGE}\n\t\t%c = icmp eq i64 1,\tabc\n"
     f"\t\t{' ' * 19}\t^\n"),
    ("in.ll", module('  %p = phi i64 [ 1, %"\u00e9\u4e2d" ], [ 2, b ]').replace("\n", "\r\n"),
     f"in.ll:3:35: error: {PHI_BAD_LABEL}\n"
     '  %p = phi i64 [ 1, %"\u00e9\u4e2d" ], [ 2, b ]\n'
     f"{' ' * 35}^\n"),  # 34 characters before the column, one of them wide
    # No single place.
    ("in.ll", "", f"in.ll: error: {NO_ENTRY_POINT}\n"),
    ("-", "", f"<stdin>: error: {NO_ENTRY_POINT}\n"),
]


@pytest.mark.parametrize("name, text, report", REPORTS)
def test_error_report(name: str, text: str, report: str, tmp_path: Path,
                      monkeypatch: pytest.MonkeyPatch,
                      capsys: pytest.CaptureFixture[str]) -> None:
    monkeypatch.chdir(tmp_path)
    if name == "-":
        monkeypatch.setattr(sys, "stdin", io.TextIOWrapper(io.BytesIO(text.encode())))
    else:
        (tmp_path / name).write_bytes(text.encode())
    assert cli.main([name]) == 1
    captured = capsys.readouterr()
    assert (captured.out, captured.err) == ("", report)


class StandIn:
    """Records what the CLI hands to translate() and returns a fixed program."""

    def __init__(self) -> None:
        self.calls: list[tuple[str, str | None]] = []

    def __call__(self, text: str, *, producer: str | None = None) -> str:
        self.calls.append((text, producer))
        return "OPENQASM 3.0;\nh q[0]; // \u00e9\n"


PROGRAM_BYTES = "OPENQASM 3.0;\nh q[0]; // \u00e9\n".encode()
# NUL, CR LF and non-ASCII text must reach translate() unchanged.
SOURCE = "line one\r\nnul \x00 here\n\u00fcber\n"


@pytest.fixture
def stand_in(monkeypatch: pytest.MonkeyPatch, tmp_path: Path) -> StandIn:
    fake = StandIn()
    monkeypatch.setattr(cli, "translate", fake)
    monkeypatch.chdir(tmp_path)
    (tmp_path / "in.ll").write_bytes(SOURCE.encode())
    return fake


def test_success_writes_stdout(stand_in: StandIn,
                               capsysbinary: pytest.CaptureFixture[bytes]) -> None:
    assert cli.main(["in.ll"]) == 0
    captured = capsysbinary.readouterr()
    assert (captured.out, captured.err) == (PROGRAM_BYTES, b"")
    assert stand_in.calls == [(SOURCE, None)]


def test_success_writes_output_file(stand_in: StandIn, tmp_path: Path,
                                    capsysbinary: pytest.CaptureFixture[bytes]) -> None:
    assert cli.main(["in.ll", "-o", "out.qasm", "--producer", "mylib 0.1.2"]) == 0
    captured = capsysbinary.readouterr()
    assert (captured.out, captured.err) == (b"", b"")
    assert (tmp_path / "out.qasm").read_bytes() == PROGRAM_BYTES
    assert stand_in.calls == [(SOURCE, "mylib 0.1.2")]


def test_success_reads_stdin(stand_in: StandIn, monkeypatch: pytest.MonkeyPatch,
                             capsysbinary: pytest.CaptureFixture[bytes]) -> None:
    monkeypatch.setattr(sys, "stdin", io.TextIOWrapper(io.BytesIO(SOURCE.encode())))
    assert cli.main(["-", "--producer", ""]) == 0
    assert capsysbinary.readouterr().out == PROGRAM_BYTES
    assert stand_in.calls == [(SOURCE, "")]
