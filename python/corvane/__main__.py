"""Command line: ``corvane FILE.ll ...`` / ``python -m corvane FILE.ll ...``.

One input (a file, or ``-`` for standard input) is translated to standard
output or to ``-o FILE``. Several inputs, a directory (searched for ``*.ll``)
or ``-o DIR/`` make a batch: each input gets its own ``.qasm`` file, beside it,
or under DIR mirroring the path the input was named by (see HELP_EPILOG), and
a summary ends the run. ``-j N`` translates N files at a time.

Exit status: 2 when some input could not be read or some output not written
(or for bad usage), else 1 when some module was refused, else 0.

A refused module is reported on standard error as
``FILE:LINE:COLUMN: error: MESSAGE`` (``<stdin>`` for ``-``), followed by the
source line and a caret under the column, once for every independent refusal
the translator found; an error with no single place in the text (such as a
module without an entry point) is reported as ``FILE: error: MESSAGE``. Lines
and columns count from 1, columns in characters. A line longer than 120
characters is cut to 120 around the column, with ``...`` where it was cut. The
caret line repeats every tab that comes before the column in the source line
(and gives wide characters two spaces), so the caret stays under its character
whatever width the terminal gives a tab. Every other message starts with
``corvane: ``.
"""

from __future__ import annotations

import argparse
import json
import os
import shlex
import sys
import time
import unicodedata
from collections import Counter
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass, field
from pathlib import Path, PurePath
from typing import Sequence

from . import CorvaneError, __version__, compile, translate

EXIT_OK = 0
EXIT_TRANSLATION_ERROR = 1
EXIT_USAGE = 2
EXIT_BROKEN_PIPE = 141  # as a shell reports a process ended by SIGPIPE
EXIT_INTERRUPTED = 130  # as a shell reports a process ended by SIGINT

PROG = "corvane"
STDIO = "-"
STDIN_NAME = "<stdin>"
SOURCE_WIDTH = 120  # the most characters of a source line shown under an error
CUT = "..."
SEARCHED_SUFFIX = ".ll"  # what a directory is searched for
OUTPUT_SUFFIX = ".qasm"
MAP_SUFFIX = ".outputs.json"  # the output map written beside a program with --outputs
# LLVM bitcode's magic, bare and in its wrapper (0x0B17C0DE, little-endian).
BITCODE_MAGICS = (b"BC\xc0\xde", b"\xde\xc0\x17\x0b")
PROGRESS_MIN_FILES = 20  # a shorter batch shows no progress line
PROGRESS_INTERVAL = 0.1  # seconds between updates of the progress line

HELP_EPILOG = """\
output:
  One FILE (or '-', standard input) is translated to standard output, or to
  -o PATH. Several FILEs, a directory (searched for *.ll at any depth) or -o
  ending in '/' (or naming a directory) translate each module to a file of
  its own, named after the input with .qasm for .ll: beside the input, or
  under the -o directory mirroring the path as given (sub/a.ll ->
  DIR/sub/a.qasm); an absolute path or one going up with '..' keeps only its
  last part (/x/a.ll -> DIR/a.qasm). Standard output then stays empty and a
  summary on standard error counts the files translated, refused (grouped by
  message) and unreadable. A batch goes on past a refused or unreadable file.

errors:
  A refused module is reported as FILE:LINE:COL: error: MESSAGE with the
  source line and a caret, once for each independent refusal (FILE: error:
  MESSAGE where no single place applies). Other messages start with
  'corvane: '.

output map:
  --outputs writes the map of the program's recorded outputs (JSON, see the
  README) as NAME.outputs.json beside each NAME.qasm (beside the input when
  the program goes to standard output). --decode RESULTS reads a JSON object
  of counts keyed by bit strings of c, as a service returns them, and prints
  the record sequences they decode to with their summed counts, as JSON;
  --bit-order says whether a string starts with c[0] (c0-first, default) or
  ends with it (c0-last).

exit status:
  0  every module was translated
  1  some module was refused (and every input was read)
  2  some input could not be read or some output not written, or bad usage
"""


class _UsageError(Exception):
    """A problem with the command line or its files (exit status 2)."""


def _thread_count(text: str) -> int:
    try:
        count = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"invalid thread count: {text!r}") from None
    if count < 1:
        raise argparse.ArgumentTypeError(f"thread count must be at least 1, not {count}")
    return count


def _build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog=PROG,
        description="Translate QIR modules (textual LLVM IR) to OpenQASM 3.",
        epilog=HELP_EPILOG,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    parser.add_argument(
        "inputs",
        nargs="+",
        metavar="FILE",
        help="QIR module (.ll text) or directory of them; '-' reads standard input",
    )
    parser.add_argument(
        "-o",
        "--output",
        metavar="PATH",
        default=None,
        help="the output file for one input, or the directory for several (see output)",
    )
    parser.add_argument(
        "-j",
        "--jobs",
        metavar="N",
        type=_thread_count,
        default=None,
        help="translate N files at a time (default: one per CPU)",
    )
    parser.add_argument(
        "--producer",
        metavar="TEXT",
        default=None,
        help="name of the calling tool, recorded in the generated-by comment",
    )
    parser.add_argument(
        "--outputs",
        action="store_true",
        help="also write each program's output map as NAME.outputs.json (see output map)",
    )
    parser.add_argument(
        "--decode",
        metavar="RESULTS",
        default=None,
        help="decode a JSON file of counts keyed by bit strings of c into records (one input)",
    )
    parser.add_argument(
        "--bit-order",
        choices=("c0-first", "c0-last"),
        default="c0-first",
        help="where c[0] stands in the bit strings of --decode (default c0-first)",
    )
    parser.add_argument("--version", action="version", version=f"{PROG} {__version__}")
    return parser


def _describe(path: str) -> str:
    return "standard input" if path == STDIO else repr(path)


def _dis_hint(path: str) -> str:
    """How to turn the bitcode file `path` into text."""
    if path == STDIO:
        return "llvm-dis FILE.bc -o FILE.ll"
    text = PurePath(path).with_suffix(".ll")
    if text == PurePath(path):
        text = PurePath(path).with_suffix(".text.ll")
    return f"llvm-dis {shlex.quote(path)} -o {shlex.quote(str(text))}"


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
    if data.startswith(BITCODE_MAGICS):
        raise _UsageError(
            f"cannot read {_describe(path)}: it is LLVM bitcode, not text; "
            f"convert it first with `{_dis_hint(path)}`"
        )
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


def _refusals(error: CorvaneError) -> list[tuple[str, int | None, int | None]]:
    """Every independent refusal the error carries, its own first."""
    return list(error.diagnostics) or [(str(error), error.lineno, error.colno)]


def _error_report(name: str, source: str, error: CorvaneError) -> str:
    """The error as the command line reports it (see the module docstring)."""
    parts = []
    for message, lineno, colno in _refusals(error):
        if lineno is None or colno is None:
            parts.append(f"{name}: error: {message}\n")
            continue
        shown, column = _cut_line(_source_line(source, lineno), colno - 1)
        parts.append(f"{name}:{lineno}:{colno}: error: {message}\n{shown}\n{_caret_line(shown[:column])}\n")
    return "".join(parts)


def _write_output(path: str, text: str, make_parents: bool = False) -> None:
    data = text.encode("utf-8")
    if path == STDIO:
        if sys.stdout is None:
            raise _UsageError("cannot write standard output: it is closed")
        sys.stdout.buffer.write(data)
        sys.stdout.flush()
        return
    try:
        if make_parents:
            os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
        with open(path, "wb") as handle:
            handle.write(data)
    except OSError as exc:
        raise _UsageError(f"cannot write {_describe(path)}: {exc.strerror or exc}") from None


# --- one input --------------------------------------------------------------


def _map_path(output: str, source: str) -> str:
    """Where the output map of a program written to `output` (read from `source`) goes."""
    beside = output if output != STDIO else source
    if beside == STDIO:
        raise _UsageError("--outputs needs a file to write the map beside: name one with -o or read a file")
    return str(Path(beside).with_suffix("")) + MAP_SUFFIX


def _map_text(outputs: dict) -> str:
    return json.dumps(outputs, indent=2, ensure_ascii=False) + "\n"


def _translated(source: str, producer: str | None, with_map: bool) -> tuple[str, dict | None]:
    """The program, and with `with_map` its output map; raises CorvaneError."""
    if not with_map:
        return translate(source, producer=producer), None
    translation = compile(source, producer=producer)
    return translation.openqasm, translation.outputs


def _translate_one(path: str, output: str, producer: str | None, with_map: bool) -> int:
    source = _read_source(path)
    try:
        program, outputs = _translated(source, producer, with_map)
    except CorvaneError as exc:
        sys.stderr.write(_error_report(STDIN_NAME if path == STDIO else path, source, exc))
        return EXIT_TRANSLATION_ERROR
    if outputs is not None:
        _write_output(_map_path(output, path), _map_text(outputs))
    _write_output(output, program)
    return EXIT_OK


def _bits_of(key: str, size: int, c0_last: bool) -> tuple[int, ...]:
    """A bit string of c as the tuple `decode` takes (c[k] at index k)."""
    text = key.replace(" ", "").replace("_", "")
    if len(text) != size or set(text) - {"0", "1"}:
        raise _UsageError(f"result key {key!r} is not a string of {size} bits (0 or 1)")
    bits = tuple(int(ch) for ch in text)
    return bits[::-1] if c0_last else bits


def _decode_results(path: str, results: str, producer: str | None, c0_last: bool) -> int:
    source = _read_source(path)
    try:
        translation = compile(source, producer=producer)
    except CorvaneError as exc:
        sys.stderr.write(_error_report(STDIN_NAME if path == STDIO else path, source, exc))
        return EXIT_TRANSLATION_ERROR
    try:
        with open(results, encoding="utf-8") as handle:
            counts = json.load(handle)
    except OSError as exc:
        raise _UsageError(f"cannot read {_describe(results)}: {exc.strerror or exc}") from None
    except ValueError as exc:
        raise _UsageError(f"{_describe(results)} is not JSON: {exc}") from None
    if not isinstance(counts, dict) or not all(isinstance(v, int) and not isinstance(v, bool)
                                                for v in counts.values()):
        raise _UsageError(f"{_describe(results)} must hold an object of counts keyed by bit strings")
    size = translation.outputs["bits"]
    decoded = translation.decode_counts({_bits_of(key, size, c0_last): count for key, count in counts.items()})
    rows = [{"records": [list(record) for record in records], "count": count}
            for records, count in sorted(decoded.items(), key=lambda item: -item[1])]
    _write_output(STDIO, json.dumps(rows, ensure_ascii=False) + "\n")
    return EXIT_OK


# --- a batch ----------------------------------------------------------------


@dataclass
class _Job:
    """One input of a batch: where it is read from and written to, or why it
    cannot be (an unreadable argument)."""

    source: str
    output: str | None = None
    problem: str | None = None


@dataclass
class _Outcome:
    status: int  # EXIT_OK, EXIT_TRANSLATION_ERROR or EXIT_USAGE
    report: str = ""  # what goes to standard error for this input
    messages: list[str] = field(default_factory=list)  # of the refusals


def _mirrored(argument: str) -> PurePath:
    """The relative path under the output directory that mirrors `argument`."""
    path = PurePath(os.path.normpath(argument))
    if path.is_absolute() or path.parts[:1] == ("..",):
        return PurePath(Path(argument).resolve().name)
    return path


def _search(directory: str) -> list[str]:
    """The *.ll files at any depth under `directory`, in sorted order, as paths
    relative to it (symbolic links to directories are not followed)."""
    found = []
    for root, dirs, files in os.walk(directory):
        dirs.sort()
        relative = os.path.relpath(root, directory)
        found.extend(
            os.path.normpath(os.path.join(relative, name)) for name in sorted(files) if name.endswith(SEARCHED_SUFFIX)
        )
    return found


def _plan(inputs: Sequence[str], out_dir: str | None) -> list[_Job]:
    """One job per file named or found, each with its output path."""
    jobs = []
    for argument in inputs:
        if argument == STDIO:
            raise _UsageError("standard input ('-') is translated alone, to standard output or -o FILE")
        if os.path.isdir(argument):
            found = _search(argument)
            if not found:
                jobs.append(_Job(argument, problem=f"no {SEARCHED_SUFFIX} files in {_describe(argument)}"))
            pairs = [(os.path.join(argument, name), _mirrored(argument) / name) for name in found]
        else:
            pairs = [(argument, _mirrored(argument))]
        for source, relative in pairs:
            target = Path(source) if out_dir is None else Path(out_dir) / relative
            jobs.append(_Job(source, str(target.with_suffix(OUTPUT_SUFFIX))))
    # No output may overwrite an input or another output.
    inputs_read = {os.path.realpath(job.source) for job in jobs}
    claimed: dict[str, str] = {}
    for job in jobs:
        if job.output is None:
            continue
        key = os.path.realpath(job.output)
        if key in inputs_read:
            raise _UsageError(f"the output of {_describe(job.source)} would overwrite the input {_describe(job.output)}")
        if key in claimed:
            raise _UsageError(
                f"{_describe(claimed[key])} and {_describe(job.source)} would both be written to {_describe(job.output)}"
            )
        claimed[key] = job.source
    return jobs


def _run_job(job: _Job, producer: str | None, with_map: bool = False) -> _Outcome:
    if job.problem is not None:
        return _Outcome(EXIT_USAGE, f"{PROG}: error: {job.problem}\n")
    try:
        source = _read_source(job.source)
        try:
            program, outputs = _translated(source, producer, with_map)
        except CorvaneError as exc:
            return _Outcome(
                EXIT_TRANSLATION_ERROR,
                _error_report(job.source, source, exc),
                list(dict.fromkeys(message for message, _, _ in _refusals(exc))),
            )
        assert job.output is not None
        if outputs is not None:
            _write_output(_map_path(job.output, job.source), _map_text(outputs), make_parents=True)
        _write_output(job.output, program, make_parents=True)
    except _UsageError as exc:
        return _Outcome(EXIT_USAGE, f"{PROG}: error: {exc}\n")
    return _Outcome(EXIT_OK)


class _Progress:
    """A line on a terminal's standard error, rewritten as files are done."""

    def __init__(self, total: int) -> None:
        stream = sys.stderr
        self._on = stream is not None and total >= PROGRESS_MIN_FILES and stream.isatty()
        self._total = total
        self._shown = False
        self._last = 0.0

    def update(self, done: int, refused: int, unreadable: int) -> None:
        now = time.monotonic()
        if not self._on or (now - self._last < PROGRESS_INTERVAL and done < self._total):
            return
        self._last = now
        sys.stderr.write(f"\r{PROG}: {done}/{self._total} done, {refused} refused, {unreadable} unreadable\x1b[K")
        sys.stderr.flush()
        self._shown = True

    def clear(self) -> None:
        if self._shown:
            sys.stderr.write("\r\x1b[K")
            self._shown = False


def _summary(jobs: int, outcomes: Counter, messages: Counter, out_dir: str | None) -> str:
    where = "beside their inputs" if out_dir is None else f"to {out_dir!r}"
    noun = "file" if jobs == 1 else "files"
    lines = [
        f"{PROG}: {jobs} {noun}: {outcomes[EXIT_OK]} translated ({where}), "
        f"{outcomes[EXIT_TRANSLATION_ERROR]} refused, {outcomes[EXIT_USAGE]} unreadable\n"
    ]
    if messages:
        lines.append(f"{PROG}: refusals by message (files):\n")
        width = len(str(max(messages.values())))
        for message, count in sorted(messages.items(), key=lambda item: (-item[1], item[0])):
            lines.append(f"  {count:>{width}}  {message}\n")
    return "".join(lines)


def _translate_batch(inputs: Sequence[str], out_dir: str | None, threads: int | None, producer: str | None,
                     with_map: bool = False) -> int:
    jobs = _plan(inputs, out_dir)
    if out_dir is not None:
        try:
            os.makedirs(out_dir, exist_ok=True)
        except OSError as exc:
            raise _UsageError(f"cannot write {_describe(out_dir)}: {exc.strerror or exc}") from None
    workers = max(1, min(threads or os.cpu_count() or 1, len(jobs)))
    outcomes: Counter = Counter()
    messages: Counter = Counter()
    progress = _Progress(len(jobs))
    pool = ThreadPoolExecutor(max_workers=workers) if workers > 1 else None
    try:
        # Results arrive in input order, so the reports do too.
        results = pool.map(lambda job: _run_job(job, producer, with_map), jobs) if pool else (
            _run_job(job, producer, with_map) for job in jobs)
        for outcome in results:
            outcomes[outcome.status] += 1
            messages.update(outcome.messages)
            if outcome.report:
                progress.clear()
                sys.stderr.write(outcome.report)
            progress.update(sum(outcomes.values()), outcomes[EXIT_TRANSLATION_ERROR], outcomes[EXIT_USAGE])
    finally:
        progress.clear()
        if pool is not None:
            pool.shutdown(wait=True, cancel_futures=True)
    sys.stderr.write(_summary(len(jobs), outcomes, messages, out_dir))
    if outcomes[EXIT_USAGE]:
        return EXIT_USAGE
    return EXIT_TRANSLATION_ERROR if outcomes[EXIT_TRANSLATION_ERROR] else EXIT_OK


# --- the command ------------------------------------------------------------


def _names_directory(path: str | None) -> bool:
    return path is not None and (path.endswith(("/", os.sep)) or os.path.isdir(path))


def main(argv: Sequence[str] | None = None) -> int:
    """Runs the command line and returns its exit status."""
    parser = _build_parser()
    try:
        args = parser.parse_args(argv)
    except SystemExit as exc:  # argparse exits 0 for --help/--version, 2 for bad usage
        return exc.code if isinstance(exc.code, int) else EXIT_USAGE
    inputs: list[str] = args.inputs
    single = len(inputs) == 1 and (inputs[0] == STDIO or not os.path.isdir(inputs[0]))
    try:
        if args.decode is not None:
            if not single or args.output is not None or args.outputs:
                raise _UsageError("--decode takes one input and writes its records to standard output")
            return _decode_results(inputs[0], args.decode, args.producer, args.bit_order == "c0-last")
        if single and not _names_directory(args.output):
            return _translate_one(inputs[0], args.output or STDIO, args.producer, args.outputs)
        return _translate_batch(inputs, args.output, args.jobs, args.producer, args.outputs)
    except _UsageError as exc:
        sys.stderr.write(f"{PROG}: error: {exc}\n")
        return EXIT_USAGE
    except BrokenPipeError:
        # The reader of standard output went away (e.g. `| head`); stop quietly
        # and keep the interpreter from complaining again when it flushes.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return EXIT_BROKEN_PIPE
    except KeyboardInterrupt:
        return EXIT_INTERRUPTED


if __name__ == "__main__":
    sys.exit(main())
