"""Proof harness: checks corvane's output with tools that corvane's authors did not write.

* `dialect`: the OpenQASM 3 reference parser plus a table check of the dialect;
  `statevector`: a simulator of the dialect's programs, and its gates' meaning.
* `differential`: the QIR runner (`qirrunner`) on the input against the
  simulator on the output; `qirscan`: which recorded value is which bit.
* `qirgen` / `strategies`: random QIR programs of a small model; `campaign`,
  `round_trip` and `producers` check many of them (or LLVM's round trip, or
  modules of the real producers drawn by `producergen`).

The modules import their third-party packages at import time; the test
files call `require()` first so that a machine without them skips cleanly.
"""
from __future__ import annotations

import os
from pathlib import Path

REQUIRED = ("numpy", "openqasm3", "antlr4", "qirrunner", "hypothesis")

REPO = Path(__file__).resolve().parents[3]


def require(*modules: str) -> None:
    """Skip the calling test module unless every package it needs imports."""
    import pytest

    for name in modules or REQUIRED:
        pytest.importorskip(
            name, reason=f"proof tests need the package providing '{name}' "
                         "(python/tests/requirements-proof.txt); it could not be imported")


def corpus_dir() -> Path | None:
    """The real-world QIR corpus beside the repository, if present."""
    override = os.environ.get("CORVANE_CORPUS_DIR")
    path = Path(override) if override else REPO.parent / "shared" / "corpus"
    return path if path.is_dir() else None


def corpus_files() -> list[Path]:
    root = corpus_dir()
    return [] if root is None else sorted(root.rglob("*.ll"))


def golden_outputs() -> list[Path]:
    return sorted((REPO / "core" / "tests" / "golden").rglob("*.qasm"))


def read_text(path: Path) -> str:
    return path.read_bytes().decode("utf-8", "surrogateescape")
