"""Every golden output is valid Ostrel OpenQASM: the OpenQASM 3 reference parser
reads it and it keeps to the dialect's gate table, registers and trailer. (Every
translated corpus module gets the same check in test_proof_semantics.)"""
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


@pytest.mark.skipif(not GOLDEN, reason="no golden outputs (core/tests/golden/*.qasm) in this tree")
@pytest.mark.parametrize("path", GOLDEN, ids=[str(p.relative_to(proof.REPO)) for p in GOLDEN])
def test_golden_output_is_valid_dialect(path):
    check_program(proof.read_text(path))
