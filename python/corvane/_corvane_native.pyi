from typing import Final

__version__: Final[str]
__all__: list[str]

class CorvaneError(Exception): ...

def translate(qir_text: str, *, producer: str | None = None) -> str:
    """Translate QIR text to Ostrel-compatible OpenQASM 3."""
