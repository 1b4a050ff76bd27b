"""Every OpenQASM program the test suite produces is valid Ostrel OpenQASM.

The golden outputs of the C++ end-to-end cases and the translation of every
corpus module that translates are parsed by the OpenQASM 3 reference parser
and checked against the dialect's gate table, registers and trailer.
"""
from __future__ import annotations

import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
import proof  # noqa: E402

proof.require("numpy", "openqasm3", "antlr4")

from proof.dialect import check_program  # noqa: E402

pytestmark = pytest.mark.proof

GOLDEN = proof.golden_outputs()
CORPUS = proof.corpus_files()


def _id(path: Path, root: Path) -> str:
    return str(path.relative_to(root))


@pytest.mark.skipif(not GOLDEN, reason="no golden outputs (core/tests/golden/*.qasm) in this tree")
@pytest.mark.parametrize("path", GOLDEN, ids=[_id(p, proof.REPO) for p in GOLDEN])
def test_golden_output_is_valid_dialect(path):
    check_program(proof.read_text(path))


@pytest.mark.skipif(not CORPUS, reason="QIR corpus folder (../shared/corpus) is absent")
@pytest.mark.parametrize("path", CORPUS, ids=[_id(p, proof.corpus_dir()) for p in CORPUS] if CORPUS else [])
def test_corpus_translation_is_valid_dialect(path):
    corvane = pytest.importorskip("corvane", reason="corvane is not installed")
    try:
        output = corvane.translate(proof.read_text(path))
    except (corvane.CorvaneError, UnicodeError) as exc:
        pytest.skip(f"does not translate: {exc}")
    check_program(output)
