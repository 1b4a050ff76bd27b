"""corvane: translate QIR (textual LLVM IR) into OpenQASM 3.

    >>> import corvane
    >>> program = corvane.translate(qir_text, producer="mylib 0.1.2")
    >>> programs = corvane.translate_many([text_a, text_b], threads=2)

``translate`` returns the OpenQASM 3 program as a ``str`` or raises a
``CorvaneError`` whose message names the construct that could not be
translated, of one of three subclasses: ``MalformedTextError`` (the text is
not a well-formed module), ``UnsupportedConstructError`` (a well-formed module
uses something the translator does not support) and ``LimitExceededError``
(the module goes beyond one of the translator's limits). ``translate_many``
translates several modules on a pool of threads. The work is done by the
native extension ``_corvane_native``.
"""

from __future__ import annotations

import os
from concurrent.futures import ThreadPoolExecutor
from typing import Iterable

from ._corvane_native import (
    CorvaneError,
    LimitExceededError,
    MalformedTextError,
    UnsupportedConstructError,
    __version__,
    translate,
)

__all__ = [
    "__version__",
    "CorvaneError",
    "MalformedTextError",
    "UnsupportedConstructError",
    "LimitExceededError",
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
