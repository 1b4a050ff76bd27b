"""corvane: translate QIR (textual LLVM IR) into OpenQASM 3.

    >>> import corvane
    >>> program = corvane.translate(qir_text, producer="mylib 0.1.2")

``translate`` returns the OpenQASM 3 program as a ``str`` or raises
``CorvaneError`` whose message names the construct that could not be
translated. The work is done by the native extension ``_corvane_native``.
"""

from ._corvane_native import CorvaneError, __version__, translate

__all__ = ["__version__", "CorvaneError", "translate"]
