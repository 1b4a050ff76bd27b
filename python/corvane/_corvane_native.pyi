from typing import Final

__version__: Final[str]
__all__: list[str]

class CorvaneError(Exception):
    """A module that cannot be translated; ``str(error)`` is the message.

    ``translate`` raises one of the subclasses ``MalformedTextError``,
    ``UnsupportedConstructError`` or ``LimitExceededError``, or CorvaneError
    itself for an internal error of the translator."""

    lineno: int | None
    """Line of the error's place in the QIR text (1-based), or None where no
    single place applies (such as a module without an entry point)."""
    colno: int | None
    """Column of the error's place on its line (1-based, counted in characters
    as Python counts them in a str), or None exactly when ``lineno`` is None."""
    diagnostics: tuple[tuple[str, int | None, int | None], ...]
    """``(message, lineno, colno)`` of every independent refusal of the module
    (every declared function without a builder, say), this error's own first;
    empty for an error that ``translate`` did not raise."""

class MalformedTextError(CorvaneError):
    """The text is not a well-formed QIR module (a parse error, bitcode, no entry point)."""

class UnsupportedConstructError(CorvaneError):
    """The module is well formed but uses a construct the translator does not support."""

class LimitExceededError(CorvaneError):
    """The module would make the translator exceed one of its limits."""

def translate(qir_text: str, *, producer: str | None = None) -> str:
    """Translate QIR text to Ostrel-compatible OpenQASM 3."""

def _compile(qir_text: str, producer: str | None, keep_values: bool, /) -> tuple[str, str, object]:
    """The text, the output map as JSON and a handle for ``_decode``; used by ``corvane.compile``."""

def _decode(handle: object, bits: bytes, /) -> list[tuple[str, bool | int | float | None, str | None]]:
    """(kind, value, label) of each record that runs with c = ``bits``; used by ``Translation.decode``."""
