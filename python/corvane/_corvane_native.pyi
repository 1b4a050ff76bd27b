from typing import Final

__version__: Final[str]
__all__: list[str]

class CorvaneError(Exception):
    """A module that cannot be translated; ``str(error)`` is the message."""

    lineno: int | None
    """Line of the error's place in the QIR text (1-based), or None where no
    single place applies (such as a module without an entry point)."""
    colno: int | None
    """Column of the error's place on its line (1-based, counted in characters
    as Python counts them in a str), or None exactly when ``lineno`` is None."""

def translate(qir_text: str, *, producer: str | None = None) -> str:
    """Translate QIR text to Ostrel-compatible OpenQASM 3."""

def _compile(qir_text: str, producer: str | None, keep_values: bool, /) -> tuple[str, str, object]:
    """The text, the output map as JSON and a handle for ``_decode``; used by ``corvane.compile``."""

def _decode(handle: object, bits: bytes, /) -> list[tuple[str, bool | int | float | None, str | None]]:
    """(kind, value, label) of each record that runs with c = ``bits``; used by ``Translation.decode``."""
