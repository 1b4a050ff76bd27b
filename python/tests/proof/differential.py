"""The differential check: the QIR runner on the input against the simulator on the output.

`check_module` takes one QIR module (and, where the runner needs a different
but equivalent text, that text too), translates it with corvane, checks the
output against the dialect, runs the input on the QIR runner and the output
on the state-vector simulator, and compares the recorded bits. Each stage
that cannot apply ends the check with a `stage` and a reason instead of a
verdict, so callers can count how far every module got.
"""
from __future__ import annotations

from collections import Counter
from dataclasses import dataclass

from . import compare, qirscan, runner, statevector
from .dialect import inspect_program

SHOTS = 2000
CORPUS_SHOTS = 10000
RUNNER_SEED = 20261206
SAMPLE_SEED = 1206


@dataclass
class Outcome:
    """How far one module got. `stage` is the last stage reached:

    "translate-error", "parse-error", "dialect-error", "unsimulatable",
    "not-static", "runner-rejected", "simulator-error", "compared".
    """

    stage: str
    detail: str = ""
    verdict: compare.Verdict | None = None
    output: str = ""

    @property
    def matched(self) -> bool:
        return self.stage == "compared" and self.verdict is not None and self.verdict.ok


def translate(text: str):
    import corvane

    try:
        return corvane.translate(text), None
    except corvane.CorvaneError as exc:
        return None, str(exc)
    except UnicodeError as exc:  # text read with surrogate escapes from invalid UTF-8
        return None, f"{type(exc).__name__}: {exc}"


def project(probs_or_counts, records: list[int]):
    """Map outcomes of the whole register `c` onto the recorded bits, in record order.

    A recorded result beyond the register was never measured and reads 0.
    """
    out: dict = {}
    for key, weight in probs_or_counts.items():
        projected = tuple(key[r] if r < len(key) else 0 for r in records)
        out[projected] = out.get(projected, 0) + weight
    return out


def compare_output(output: str, runner_text: str, records: list[int], entry: str | None,
                   shots: int = SHOTS) -> Outcome:
    """Compare an already translated and checked program with the runner on `runner_text`."""
    try:
        runs = runner.run_qir(runner_text, entry=entry, shots=shots, seed=RUNNER_SEED)
    except runner.RunnerRejected as exc:
        return Outcome("runner-rejected", str(exc), output=output)
    if any(len(shot) != len(records) for shot in runs):
        lengths = sorted({len(shot) for shot in runs})
        return Outcome("not-static", f"runner recorded {lengths} values per shot, expected {len(records)}",
                       output=output)
    counts = Counter(tuple(int(v) for v in shot) for shot in runs)
    try:
        verdict = _simulate_and_compare(output, records, counts, shots)
    except statevector.Unending as exc:
        verdict = compare.Verdict(False, "unending", f"{exc} in a sampled run; the runner ended all {shots} shots")
    except statevector.SimulationError as exc:
        return Outcome("simulator-error", str(exc), output=output)
    return Outcome("compared", verdict.detail, verdict, output)


def _simulate_and_compare(output: str, records: list[int], counts: Counter, shots: int) -> compare.Verdict:
    """The verdict on the output against runner `counts`.

    Every shot of the runner ended, so output that is still looping with
    some probability after the simulator's cap on the turns of one loop is
    a mismatch, not a pruned remainder.
    """
    try:
        distribution = statevector.distribution(output)
    except statevector.TooManyWorlds:
        sample = statevector.sample(output, shots, SAMPLE_SEED)
        return compare.against_sample(Counter(project(sample, records)), counts)
    if distribution.unended > compare.IMPOSSIBLE or not distribution.probs:
        return compare.Verdict(False, "unending", (
            f"probability {distribution.unended:.3g} of the output is still inside a while loop after "
            f"its turn cap, {distribution.lost:.3g} unaccounted for in all; the runner ended all {shots} shots"))
    verdict = compare.against_exact(project(distribution.probs, records), counts)
    if distribution.lost > 1e-6:
        verdict.detail += f" (mass {distribution.lost:.2e} pruned)"
    return verdict


def check_module(text: str, runner_text: str | None = None, records: list[int] | None = None,
                 shots: int = SHOTS) -> Outcome:
    """Translate `text` and compare; `runner_text` defaults to `text`.

    `records` is the static recording of `runner_text`; when omitted it is
    read from the text (and the check stops at "not-static" if there is none).
    """
    output, error = translate(text)
    if output is None:
        return Outcome("translate-error", error)
    try:
        _, report = inspect_program(output)
    except Exception as exc:  # the reference parser's own error types
        return Outcome("parse-error", f"{type(exc).__name__}: {exc}", output=output)
    if report.errors:
        return Outcome("dialect-error", "; ".join(report.errors), output=output)
    if not report.simulatable:
        return Outcome("unsimulatable", f"uses {sorted(report.gates)}", output=output)
    runner_text = text if runner_text is None else runner_text
    if records is None:
        mapping = qirscan.record_mapping(runner_text)
        if isinstance(mapping, str):
            return Outcome("not-static", mapping, output=output)
        records = mapping.records
    if not records:
        return Outcome("not-static", "nothing is recorded", output=output)
    function = qirscan.entry_function(runner_text)
    return compare_output(output, runner_text, records, function.name if function else None, shots)


def check_corpus_module(text: str, shots: int = CORPUS_SHOTS) -> Outcome:
    """`check_module` for a module as a producer wrote it.

    A module that records nothing but measures constant results gets
    recording calls for those results appended before its `ret`; one that
    measures nothing gets a final measurement and recording of every qubit.
    Both sides then see that same text.
    """
    mapping = qirscan.record_mapping(text)
    if isinstance(mapping, qirscan.Mapping) and not mapping.records:
        for add, note in ((qirscan.add_records, "records added"), (qirscan.add_measurements, "measurements added")):
            added = add(text)
            if added is not None:
                augmented, records = added
                outcome = check_module(augmented, augmented, records, shots)
                if outcome.stage == "compared":
                    outcome.detail = f"[{note}] " + outcome.detail
                return outcome
    return check_module(text, shots=shots)
