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
    """Exit status, stdout and stderr that the CLI owes for this module text."""
    try:
        program = corvane.translate(text, producer=producer)
    except corvane.CorvaneError as error:
        return 1, b"", f"error: {error}\n".encode()
    return 0, program.encode(), b""


def test_translation_error_exits_1_with_prefixed_message(tmp_path: Path) -> None:
    (tmp_path / "empty.ll").write_text("; no functions here\n")
    done = run(["empty.ll"], tmp_path)
    assert (done.returncode, done.stdout, done.stderr) == (
        1,
        b"",
        f"error: {NO_ENTRY_POINT}\n".encode(),
    )


def test_error_leaves_no_output_file(tmp_path: Path) -> None:
    (tmp_path / "empty.ll").write_text("")
    done = run(["empty.ll", "-o", "out.qasm"], tmp_path)
    assert (done.returncode, done.stderr) == (1, f"error: {NO_ENTRY_POINT}\n".encode())
    assert not (tmp_path / "out.qasm").exists()


def test_stdin_dash_is_read(tmp_path: Path) -> None:
    done = run(["-"], tmp_path, stdin=b"; nothing to translate\n")
    assert (done.returncode, done.stdout, done.stderr) == (
        1,
        b"",
        f"error: {NO_ENTRY_POINT}\n".encode(),
    )


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
    assert (done.returncode, done.stderr) == (1, f"error: {NO_ENTRY_POINT}\n".encode())


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
