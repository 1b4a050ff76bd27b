"""corvane: translate QIR (textual LLVM IR) into OpenQASM 3.

    >>> import corvane
    >>> program = corvane.translate(qir_text, producer="mylib 0.1.2")
    >>> programs = corvane.translate_many([text_a, text_b], threads=2)
    >>> translation = corvane.compile(qir_text)

``translate`` returns the OpenQASM 3 program as a ``str`` or raises a
``CorvaneError`` whose message names the construct that could not be
translated, of one of three subclasses: ``MalformedTextError`` (the text is
not a well-formed module), ``UnsupportedConstructError`` (a well-formed module
uses something the translator does not support) and ``LimitExceededError``
(the module goes beyond one of the translator's limits). ``translate_many``
translates several modules on a pool of threads. ``compile`` returns a
``Translation``: the same text, the map of the program's recorded outputs, and
the means to read records back from the final bits of ``c``. The work is done
by the native extension ``_corvane_native``.
"""

from __future__ import annotations

import json
import operator
import os
from collections.abc import Iterable, Mapping, Sequence
from concurrent.futures import ThreadPoolExecutor
from typing import Any, NamedTuple

from ._corvane_native import (
    CorvaneError,
    LimitExceededError,
    MalformedTextError,
    UnsupportedConstructError,
    __version__,
    translate,
)
from ._corvane_native import _compile, _decode

__all__ = [
    "__version__",
    "CorvaneError",
    "MalformedTextError",
    "UnsupportedConstructError",
    "LimitExceededError",
    "Record",
    "Translation",
    "compile",
    "translate",
    "translate_many",
]


def translate_many(
    texts: Iterable[str], *, producer: str | None = None, threads: int | None = None
) -> list[str | CorvaneError]:
    """Translate several QIR texts, ``threads`` at a time (default: one per CPU).

    Returns one entry per text, in input order: the program, or the
    ``CorvaneError`` that ``translate`` raised for it. Other exceptions (a text
    that is not a ``str``, say) are raised. ``translate`` lets go of the
    interpreter lock while it works, so the threads translate in parallel.
    """
    if threads is not None and (isinstance(threads, bool) or not isinstance(threads, int)):
        raise TypeError(f"translate_many() argument 'threads' must be int or None, not {type(threads).__name__}")
    if threads is not None and threads < 1:
        raise ValueError(f"translate_many() argument 'threads' must be at least 1, not {threads}")
    texts = list(texts)

    def one(text: str) -> str | CorvaneError:
        try:
            return translate(text, producer=producer)
        except CorvaneError as error:
            return error

    workers = min(threads or os.cpu_count() or 1, len(texts))
    if workers <= 1:
        return [one(text) for text in texts]
    with ThreadPoolExecutor(max_workers=workers) as pool:
        return list(pool.map(one, texts))


class Record(NamedTuple):
    """One recorded output: ``kind`` ("RESULT", "BOOL", "INT", "DOUBLE",
    "TUPLE" or "ARRAY"), ``value`` (0/1 for a result, a bool, an int, a float,
    the element count of a tuple or array; None where the final bits do not
    determine it) and ``label`` (a str, or None)."""

    kind: str
    value: bool | int | float | None
    label: str | None


class Translation:
    """A translated program and the map of its outputs (see ``compile``)."""

    __slots__ = ("openqasm", "outputs", "_handle")

    def __init__(self, openqasm: str, outputs: dict[str, Any], handle: object) -> None:
        self.openqasm = openqasm
        self.outputs = outputs
        self._handle = handle

    def decode(self, bits: Sequence[int]) -> list[Record]:
        """The records the program outputs when the final bits of ``c`` are
        ``bits`` (``bits[k]`` is ``c[k]``), in the order they run."""
        size = self.outputs["bits"]
        if len(bits) != size:
            raise ValueError(f"expected {size} bits of c, got {len(bits)}")
        values = []
        for k, bit in enumerate(bits):
            try:
                value = operator.index(bit)  # ints, bools and integer types such as numpy's
            except TypeError:
                value = -1
            if value not in (0, 1):
                raise ValueError(f"bit {k} is {bit!r}, not 0 or 1")
            values.append(value)
        return [Record(*item) for item in _decode(self._handle, bytes(values))]

    def decode_counts(self, counts: Mapping[Sequence[int], int]) -> dict[tuple[Record, ...], int]:
        """Counts of record sequences: ``counts`` maps a tuple of bits (as
        ``decode`` takes them) to a count; equal sequences add up."""
        out: dict[tuple[Record, ...], int] = {}
        for bits, count in counts.items():
            records = tuple(self.decode(bits))
            out[records] = out.get(records, 0) + count
        return out

    def __repr__(self) -> str:
        return f"<corvane.Translation: {len(self.outputs['records'])} records over {self.outputs['bits']} bits>"


def compile(qir_text: str, *, producer: str | None = None, keep_values: bool = False) -> Translation:
    """Translate QIR text as ``translate`` does and map its recorded outputs.

    With ``keep_values`` each recorded value that the final bits would not
    determine is copied into extra bits of ``c`` where it is recorded; without
    it ``Translation.openqasm`` equals ``translate(qir_text, producer=producer)``.
    Raises ``CorvaneError`` as ``translate`` does.
    """
    if not isinstance(qir_text, str):
        raise TypeError(f"compile() argument 'qir_text' must be str, not {type(qir_text).__name__}")
    if producer is not None and not isinstance(producer, str):
        raise TypeError(f"compile() argument 'producer' must be str or None, not {type(producer).__name__}")
    text, outputs, handle = _compile(qir_text, producer or None, bool(keep_values))
    return Translation(text, json.loads(outputs), handle)
