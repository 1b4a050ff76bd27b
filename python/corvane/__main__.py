"""Command line: ``corvane FILE.ll`` / ``python -m corvane FILE.ll``.

Reads a QIR module (a file, or ``-`` for standard input), translates it and
writes the OpenQASM 3 program to standard output or to ``-o FILE``.

Exit status: 0 on success; 1 when the module cannot be translated; 2 for bad
usage or a file that cannot be read or written.

A module that cannot be translated is reported on standard error as
``FILE:LINE:COLUMN: error: MESSAGE`` (``<stdin>`` for ``-``), followed by the
source line and a caret under the column; an error with no single place in the
text (such as a module without an entry point) is reported as
``FILE: error: MESSAGE``. Lines and columns count from 1, columns in
characters. A line longer than 120 characters is cut to 120 around the column,
with ``...`` where it was cut. The caret line repeats every tab that comes
before the column in the source line (and gives wide characters two spaces), so
the caret stays under its character whatever width the terminal gives a tab.
"""

from __future__ import annotations

import argparse
import os
import sys
import unicodedata
from typing import Sequence

from . import CorvaneError, __version__, translate

EXIT_OK = 0
EXIT_TRANSLATION_ERROR = 1
EXIT_USAGE = 2
EXIT_BROKEN_PIPE = 141  # as a shell reports a process ended by SIGPIPE
EXIT_INTERRUPTED = 130  # as a shell reports a process ended by SIGINT

STDIO = "-"
STDIN_NAME = "<stdin>"
SOURCE_WIDTH = 120  # the most characters of a source line shown under an error
CUT = "..."


class _UsageError(Exception):
    """A problem with the command line or its files (exit status 2)."""


def _build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="corvane",
        description="Translate a QIR module (textual LLVM IR) to OpenQASM 3.",
    )
    parser.add_argument(
        "input",
        metavar="FILE",
        help="QIR module to translate (.ll text); '-' reads standard input",
    )
    parser.add_argument(
        "-o",
        "--output",
        metavar="FILE",
        default=STDIO,
        help="write the OpenQASM program to FILE instead of standard output",
    )
    parser.add_argument(
        "--producer",
        metavar="TEXT",
        default=None,
        help="name of the calling tool, recorded in the generated-by comment",
    )
    parser.add_argument("--version", action="version", version=f"corvane {__version__}")
    return parser


def _describe(path: str) -> str:
    return "standard input" if path == STDIO else repr(path)


def _read_source(path: str) -> str:
    try:
        if path == STDIO:
            if sys.stdin is None:
                raise _UsageError("cannot read standard input: it is closed")
            data = sys.stdin.buffer.read()
        else:
            with open(path, "rb") as handle:
                data = handle.read()
    except OSError as exc:
        raise _UsageError(f"cannot read {_describe(path)}: {exc.strerror or exc}") from None
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError as exc:
        raise _UsageError(
            f"cannot read {_describe(path)}: not UTF-8 text "
            f"(byte 0x{data[exc.start]:02x} at offset {exc.start})"
        ) from None


def _source_line(source: str, lineno: int) -> str:
    """Line ``lineno`` (1-based) of ``source``, without its line end."""
    start = 0
    for _ in range(lineno - 1):
        start = source.index("\n", start) + 1
    end = source.find("\n", start)
    line = source[start:] if end < 0 else source[start:end]
    return line[:-1] if line.endswith("\r") else line


def _cut_line(line: str, column: int) -> tuple[str, int]:
    """At most SOURCE_WIDTH characters of ``line`` around the 0-based ``column``,
    with CUT where the line was cut, and the column within what is shown."""
    if len(line) <= SOURCE_WIDTH:
        return line, column
    start = min(max(column - SOURCE_WIDTH // 2, 0), len(line) - SOURCE_WIDTH)
    end = start + SOURCE_WIDTH
    shown = line[start:end]
    # The column lies at least half the width from a cut end, so the marks never hide it.
    if start > 0:
        shown = CUT + shown[len(CUT):]
    if end < len(line):
        shown = shown[: -len(CUT)] + CUT
    return shown, column - start


def _caret_line(before: str) -> str:
    """Blanks as wide as ``before`` on a terminal, then the caret."""
    pad = []
    for char in before:
        if char == "\t":
            pad.append("\t")
        elif unicodedata.combining(char):
            continue
        elif unicodedata.east_asian_width(char) in ("W", "F"):
            pad.append("  ")
        else:
            pad.append(" ")
    return "".join(pad) + "^"


def _error_report(name: str, source: str, error: CorvaneError) -> str:
    """The error as the command line reports it (see the module docstring)."""
    lineno, colno = error.lineno, error.colno
    if lineno is None or colno is None:
        return f"{name}: error: {error}\n"
    shown, column = _cut_line(_source_line(source, lineno), colno - 1)
    return f"{name}:{lineno}:{colno}: error: {error}\n{shown}\n{_caret_line(shown[:column])}\n"


def _write_output(path: str, text: str) -> None:
    data = text.encode("utf-8")
    if path == STDIO:
        if sys.stdout is None:
            raise _UsageError("cannot write standard output: it is closed")
        sys.stdout.buffer.write(data)
        sys.stdout.flush()
        return
    try:
        with open(path, "wb") as handle:
            handle.write(data)
    except OSError as exc:
        raise _UsageError(f"cannot write {_describe(path)}: {exc.strerror or exc}") from None


def main(argv: Sequence[str] | None = None) -> int:
    """Runs the command line and returns its exit status."""
    parser = _build_parser()
    try:
        args = parser.parse_args(argv)
    except SystemExit as exc:  # argparse exits 0 for --help/--version, 2 for bad usage
        return exc.code if isinstance(exc.code, int) else EXIT_USAGE
    try:
        source = _read_source(args.input)
        try:
            program = translate(source, producer=args.producer)
        except CorvaneError as exc:
            name = STDIN_NAME if args.input == STDIO else args.input
            sys.stderr.write(_error_report(name, source, exc))
            return EXIT_TRANSLATION_ERROR
        _write_output(args.output, program)
    except _UsageError as exc:
        sys.stderr.write(f"error: {exc}\n")
        return EXIT_USAGE
    except BrokenPipeError:
        # The reader of standard output went away (e.g. `| head`); stop quietly
        # and keep the interpreter from complaining again when it flushes.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return EXIT_BROKEN_PIPE
    except KeyboardInterrupt:
        return EXIT_INTERRUPTED
    return EXIT_OK


if __name__ == "__main__":
    sys.exit(main())
