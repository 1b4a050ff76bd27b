"""corvane: translate QIR (textual LLVM IR) into OpenQASM 3.

    >>> import corvane
    >>> program = corvane.translate(qir_text, producer="mylib 0.1.2")

``translate`` returns the OpenQASM 3 program as a ``str`` or raises
``CorvaneError`` whose message names the construct that could not be
translated. ``compile`` returns a ``Translation``: the same text, the map of
the program's recorded outputs, and the means to read records back from the
final bits of ``c``. The work is done by the native extension
``_corvane_native``.
"""

from __future__ import annotations

import json
import operator
from collections.abc import Mapping, Sequence
from typing import Any, NamedTuple

from ._corvane_native import CorvaneError, __version__, translate
from ._corvane_native import _compile, _decode

__all__ = ["__version__", "CorvaneError", "Record", "Translation", "compile", "translate"]


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
