"""QIR from real producers computes, once translated, what the QIR runner computes.

Random Q# programs compiled by `qsharp` (Adaptive_RI, Adaptive_RIF and Adaptive) and
pytket circuits with classical conditions, barriers and zzmax compiled by
`pytket-qir` (PYTKET, adaptive and base profiles) go
through the differential check of proof.producers. Each producer lives in a
virtual environment of its own (see proof.producers); without one its cases
skip. The CI runs the same check over many more modules.
"""
from __future__ import annotations

import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
import proof  # noqa: E402

proof.require()
pytest.importorskip("corvane", reason="corvane is not installed")

from proof import producers  # noqa: E402

pytestmark = pytest.mark.proof

# Only modules with doubles may be refused (phis of doubles, double slots that change in loops); a
# producer's own crash is not corvane's.
ALLOWED = {profile: {"compared", "translate-error", "producer-error"} for profile in ("Adaptive_RIF", "Adaptive")}


@pytest.mark.parametrize("producer, profile", producers.GROUPS, ids=[f"{g[0]}-{g[1]}" for g in producers.GROUPS])
def test_producer_modules_translate_and_match_the_runner(producer, profile, tmp_path):
    python = producers.producer_python(producer)
    if python is None:
        pytest.skip(f"no interpreter with {producers.PACKAGES[producer]} (set CORVANE_{producer.upper()}_PYTHON)")
    group = producers.Group(producer, profile)
    stages = [producers.check(group, module, tmp_path) for module in producers.generate(python, producer, profile, 3, 0)]
    assert group.faults == []
    assert "compared" in stages and set(stages) <= ALLOWED.get(profile, {"compared", "producer-error"}), stages
