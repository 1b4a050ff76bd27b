"""QIR from real producers computes, once translated, what the QIR runner computes.

Q# programs compiled by `qsharp` (Adaptive_RI and Adaptive_RIF, the fixed
sample programs and a few random ones) and pytket circuits with classical
conditions compiled by `pytket-qir` (adaptive profile) go through the
differential check of proof.producers. A module corvane refuses is fine; one
it translates must match the runner. Each producer lives in a virtual
environment of its own (see proof.producers for how it is found); without
one its cases skip. The CI runs the same check over many more modules.
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

RANDOM_MODULES = 2


@pytest.mark.parametrize("producer, profile, script, args", producers.GROUPS,
                         ids=[f"{g[0]}-{g[1]}" for g in producers.GROUPS])
def test_producer_modules_that_translate_match_the_runner(producer, profile, script, args, tmp_path):
    python = producers.producer_python(producer)
    if python is None:
        pytest.skip(f"no interpreter with {producers.PACKAGES[producer]} (set CORVANE_{producer.upper()}_PYTHON)")
    group = producers.Group(producer, profile)
    modules = producers.generate(python, script, args, RANDOM_MODULES, seed=0)
    stages = {module["name"]: producers.check(group, module, tmp_path) for module in modules}
    assert group.faults == []
    if producer == "qsharp":  # every fixed program but one whose flag goes through a phi corvane refuses
        wanted = [name for name in stages if name.startswith("fixed-") and name != "fixed-repeat_until_success"]
    else:  # every circuit of these seeds
        wanted = list(stages)
    assert {name: stages[name] for name in wanted} == {name: "compared" for name in wanted}
