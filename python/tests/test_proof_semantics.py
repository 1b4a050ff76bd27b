"""corvane's output computes what its QIR input computes.

The QIR runner executes the input; the harness's state-vector simulator
executes corvane's OpenQASM output; the recorded results are compared with
the bits of `c` they map to (see proof.differential and proof.compare for
the verdict and its false-alarm rate). Inputs are the real-world corpus and
random programs written by our own emitter (typed and opaque pointers) and
by pyqir.
"""
from __future__ import annotations

import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
import proof  # noqa: E402

proof.require()
corvane = pytest.importorskip("corvane", reason="corvane is not installed")

from hypothesis import HealthCheck, given, settings  # noqa: E402
from hypothesis import strategies as st  # noqa: E402

from proof import differential, qirgen, strategies  # noqa: E402

pytestmark = pytest.mark.proof

CORPUS = proof.corpus_files()

# Stages at which a corpus module simply is not comparable (not a failure of
# the translation's meaning): it does not translate, its output has a gate
# without meaning, its recording is not static, or the runner refuses it.
NOT_COMPARABLE = {"translate-error", "unsimulatable", "not-static", "runner-rejected"}


@pytest.mark.skipif(not CORPUS, reason="QIR corpus folder (../shared/corpus) is absent")
@pytest.mark.parametrize("path", CORPUS, ids=[str(p.relative_to(proof.corpus_dir())) for p in CORPUS] if CORPUS else [])
def test_corpus_module_computes_what_the_runner_computes(path):
    outcome = differential.check_corpus_module(proof.read_text(path))
    if outcome.stage in NOT_COMPARABLE:
        pytest.skip(f"{outcome.stage}: {outcome.detail}")
    if outcome.stage == "simulator-error" and "exceed the simulator's limit" in outcome.detail:
        pytest.skip(outcome.detail)
    assert outcome.stage == "compared", f"{outcome.stage}: {outcome.detail}\n{outcome.output}"
    assert outcome.matched, f"{outcome.verdict.method}: {outcome.detail}\n{outcome.output}"


def check_random(prog: qirgen.Program, corvane_text: str, runner_text: str) -> None:
    outcome = differential.check_module(corvane_text, runner_text, list(prog.records))
    detail = f"{outcome.stage}: {outcome.detail}\n--- program\n{prog}\n--- QIR\n{corvane_text}\n--- OpenQASM\n{outcome.output}"
    assert outcome.stage == "compared", detail
    assert outcome.matched, detail


SETTINGS = settings(max_examples=60, derandomize=True, deadline=None, database=None,
                    suppress_health_check=list(HealthCheck))


@SETTINGS
@given(strategies.programs(), st.sampled_from(["typed", "opaque"]))
def test_random_program_computes_what_the_runner_computes(prog, style):
    check_random(prog, qirgen.emit_text(prog, style, "corvane"), qirgen.emit_text(prog, style, "runner"))


@settings(SETTINGS, max_examples=30)
@given(strategies.programs("pyqir"))
def test_random_pyqir_program_computes_what_the_runner_computes(prog):
    check_random(prog, qirgen.emit_pyqir(prog, "corvane"), qirgen.emit_pyqir(prog, "runner"))
