"""The differential check: the QIR runner on the input against the simulator on the output.

`check_module` translates one QIR module, checks the output against the
dialect, runs the input (or an equivalent text the runner can execute) on
the QIR runner, in a worker process that a crash or hang of its JIT may
end, and the output on the simulator, and compares the recorded bits. A
stage that cannot apply ends the check with its name and a reason.

The verdict, reproducible with fixed seeds on both sides: an outcome of
probability at least 1 - IMPOSSIBLE must show in every shot, one below
IMPOSSIBLE never; otherwise Pearson's chi-square test (goodness of fit to
the exact distribution, or homogeneity with the simulator's seeded sample),
cells with an expected count below MIN_EXPECTED pooled, rejects at
FALSE_ALARM_RATE, the chance of reporting a correct translation as wrong.
"""
from __future__ import annotations

import atexit
import concurrent.futures
import math
import multiprocessing
from collections import Counter
from dataclasses import dataclass, field
from pathlib import Path

from . import qirscan, statevector
from .dialect import inspect_program

SHOTS, CORPUS_SHOTS = 2000, 10000
RUNNER_SEED, SAMPLE_SEED = 20261206, 1206
RUNNER_TIMEOUT_S = 120
FALSE_ALARM_RATE = 1e-6
IMPOSSIBLE = 1e-9
MIN_EXPECTED = 5.0


# --- the QIR runner ------------------------------------------------------------------------


class RunnerRejected(Exception):
    """The runner refused or failed to execute the module."""


def _run_in_worker(text: str, entry: str | None, shots: int, seed: int) -> str:
    import qirrunner

    pieces: list[str] = []
    try:
        qirrunner.run_bytes(text.encode("utf-8", "surrogateescape"), entry_point=entry, shots=shots, rng_seed=seed,
                            output_fn=lambda output: pieces.append(str(output)))
    except BaseException as exc:  # noqa: BLE001 - the runner's panics derive from BaseException
        raise RuntimeError(f"{type(exc).__name__}: {exc}") from None
    return "".join(pieces)


_pool: list[concurrent.futures.ProcessPoolExecutor] = []


@atexit.register
def _reset_pool(kill: bool = False) -> None:
    while _pool:
        pool = _pool.pop()
        pool.shutdown(wait=not kill, cancel_futures=kill)
        for process in list((getattr(pool, "_processes", None) or {}).values()) if kill else []:
            process.kill()


def runner_record(kind: str, value: str, label: str | None) -> tuple:
    """One `OUTPUT\tKIND\tVALUE[\tLABEL]` line as (kind, value, label), values as `record_key` has them."""
    if kind == "BOOL":
        parsed = value == "true"
    elif kind == "DOUBLE":
        parsed = float(value)
    else:
        parsed = int(value)
    return record_key(kind, parsed, label)


def record_key(kind: str, value, label: str | None) -> tuple:
    """A record in comparable form: NaN as its text, an empty label as none."""
    if isinstance(value, float) and value != value:
        value = "nan"
    return (kind, value, label or None)


def parse_output(text: str, records: bool = False, kind: str = "RESULT") -> list[list]:
    """Split the runner's text into shots; each shot is its recorded values of `kind` (RESULT or INT, as
    text), or with `records` every record as a `record_key` tuple (tuples and arrays flat: the count,
    then each element)."""
    shots: list[list] = []
    for line in text.splitlines():
        fields = line.split("\t")
        if fields[0] == "START":
            shots.append([])
        elif fields[0] == "OUTPUT" and len(fields) >= 3 and (records or fields[1] == kind):
            if not shots:
                raise RunnerRejected(f"output outside a shot: {line!r}")
            shots[-1].append(runner_record(fields[1], fields[2], fields[3] if len(fields) > 3 else None)
                             if records else fields[2])
        elif fields[0] == "END" and len(fields) >= 2 and fields[1] != "0":
            raise RunnerRejected(f"shot ended with code {fields[1]}")
    return shots


def run_qir(text: str, entry: str | None = None, shots: int = 1000, seed: int = 7,
            records: bool = False, kind: str = "RESULT") -> list[list]:
    """Run `text` for `shots` shots; the recorded values of each shot (see `parse_output`)."""
    if not _pool:
        _pool.append(concurrent.futures.ProcessPoolExecutor(1, mp_context=multiprocessing.get_context("spawn")))
    future = _pool[0].submit(_run_in_worker, text, entry, shots, seed)
    try:
        result = parse_output(future.result(timeout=RUNNER_TIMEOUT_S), records, kind)
    except (concurrent.futures.TimeoutError, concurrent.futures.process.BrokenProcessPool) as exc:
        _reset_pool(kill=True)
        raise RunnerRejected(f"runner timed out or died: {type(exc).__name__}") from None
    except RunnerRejected:
        raise
    except Exception as exc:  # the runner's own refusal (link errors, bad IR)
        raise RunnerRejected(f"{type(exc).__name__}: {exc}") from None
    if len(result) != shots:
        raise RunnerRejected(f"runner reported {len(result)} shots, expected {shots}")
    return result


# --- the verdict ------------------------------------------------------------------------------


def chi2_sf(x: float, df: int) -> float:
    """Survival function of the chi-square distribution with integer `df` >= 1."""
    if x <= 0:
        return 1.0
    half = x / 2.0
    if df % 2 == 0:
        term = total = math.exp(-half)
        for i in range(1, df // 2):
            term *= half / i
            total += term
        return min(1.0, total)
    total = math.erfc(math.sqrt(half))  # odd df: erfc term plus a finite series
    term = math.sqrt(2.0 * x / math.pi) * math.exp(-half)
    for i in range(1, (df + 1) // 2):
        total += term
        term *= x / (2 * i + 1)
    return min(1.0, total)


@dataclass
class Verdict:
    ok: bool
    method: str
    detail: str


def _show(counts: dict) -> str:
    return ", ".join(f"{''.join(map(str, k))}: {v if isinstance(v, int) else f'{v:.4f}'}"
                     for k, v in sorted(counts.items(), key=lambda kv: repr(kv[0])))


def _chi_square(method: str, cells: list[list[tuple[float, float]]], detail: str) -> Verdict:
    """Pearson's test on cells of (observed, expected) pairs, small cells pooled into one."""
    kept, pooled = [], None
    for pairs in cells:
        if min(e for _, e in pairs) >= MIN_EXPECTED:
            kept.append(pairs)
        else:
            pooled = pairs if pooled is None else [(o + p, e + f) for (o, e), (p, f) in zip(pooled, pairs)]
    if pooled is not None and sum(e for _, e in pooled) > 0:
        kept.append(pooled)
    if len(kept) < 2:
        return Verdict(True, method, "a single cell after pooling")
    stat = sum((o - e) ** 2 / e for pairs in kept for o, e in pairs)
    p_value = chi2_sf(stat, len(kept) - 1)
    return Verdict(p_value >= FALSE_ALARM_RATE, method,
                   f"chi2={stat:.2f} df={len(kept) - 1} p={p_value:.3g}; {detail}")


def against_exact(probs: dict[tuple, float], counts: Counter) -> Verdict:
    """Compare observed runner `counts` with exact outcome probabilities."""
    shots, total = sum(counts.values()), sum(probs.values())
    probs = {k: v / total for k, v in probs.items() if v > 0}
    detail = f"runner {_show(counts)}; expected {_show(probs)}"
    top, top_p = max(probs.items(), key=lambda kv: kv[1])
    if top_p >= 1.0 - IMPOSSIBLE:
        return Verdict(set(counts) == {top}, "deterministic", detail)
    if any(probs.get(k, 0.0) < IMPOSSIBLE for k in counts):
        return Verdict(False, "impossible outcome", detail)
    return _chi_square("chi-square", [[(counts.get(k, 0), p * shots)] for k, p in probs.items()], detail)


def against_sample(sample: Counter, counts: Counter) -> Verdict:
    """Chi-square test of homogeneity between a simulator sample and runner counts."""
    n1, n2 = sum(sample.values()), sum(counts.values())
    cells = [[(sample[k], (sample[k] + counts[k]) * n1 / (n1 + n2)), (counts[k], (sample[k] + counts[k]) * n2 / (n1 + n2))]
             for k in sorted(set(sample) | set(counts))]
    return _chi_square("homogeneity", cells, f"simulator {_show(sample)}; runner {_show(counts)}")


# --- one module ---------------------------------------------------------------------------------


@dataclass
class Outcome:
    """How far one module got. `stage` is the last stage reached: "translate-error", "parse-error",
    "dialect-error", "unsimulatable", "not-static", "runner-rejected", "simulator-error", "compared"."""

    stage: str
    detail: str = ""
    verdict: Verdict | None = None
    output: str = ""
    lost: Counter = field(default_factory=Counter)  # records the final bits do not determine, by reason
    recoverable: int = 0  # records the output map recovers

    @property
    def matched(self) -> bool:
        return self.stage == "compared" and self.verdict is not None and self.verdict.ok


def translate(text: str, keep_values: bool = False):
    """The module's `corvane.Translation`, or None and the error."""
    import corvane

    try:
        return corvane.compile(text, keep_values=keep_values), None
    except corvane.CorvaneError as exc:
        return None, str(exc)
    except UnicodeError as exc:  # text read with surrogate escapes from invalid UTF-8
        return None, f"{type(exc).__name__}: {exc}"


def project(probs_or_counts, records: list[int]) -> Counter:
    """Map outcomes of the register `c` onto the recorded bits in record order (a bit beyond it reads 0)."""
    out: Counter = Counter()
    for key, weight in probs_or_counts.items():
        out[tuple(key[r] if r < len(key) else 0 for r in records)] += weight
    return out


class RecordDecoder:
    """Outcomes of `c` as the record sequences a translation's output map decodes them to.

    A record the map cannot recover decodes with no value, so the runner's
    value is dropped at its place: by position where no record has a guard
    (every shot then records the same sequence), else in every record of
    its kind and label, on both sides.
    """

    def __init__(self, translation, misread: set[int] = frozenset(), unordered: bool = False):
        self.translation, self.unordered = translation, unordered
        entries = translation.outputs["records"]
        lost = [i for i, entry in enumerate(entries) if not entry["recoverable"]]
        self.positions = None if any(entry["guard"] for entry in entries) else set(lost)
        if self.positions is not None and misread:  # the k-th result record, by its place among all records
            results = [i for i, entry in enumerate(entries) if entry["kind"] == "RESULT"]
            self.positions |= {results[k] for k in misread if k < len(results)}
        self.lost_names = {(entries[i]["kind"], entries[i]["label"]) for i in lost}

    def __call__(self, outcomes) -> Counter:
        out: Counter = Counter()
        for key, weight in outcomes.items():
            records = self.translation.decode(tuple(int(bit) for bit in key))
            out[self.mask([record_key(*record) for record in records])] += weight
        return out

    def mask(self, shot: list) -> tuple:
        if self.positions is not None:
            shot = [(k, None, l) if i in self.positions else (k, v, l) for i, (k, v, l) in enumerate(shot)]
        else:
            shot = [(k, None, l) if (k, l) in self.lost_names else (k, v, l) for k, v, l in shot]
        return tuple(sorted(shot, key=repr) if self.unordered else shot)


def compare_output(output: str, runner_text: str, records: list[int] | None, entry: str | None,
                   shots: int = SHOTS, translation=None, unordered: bool = False) -> Outcome:
    """Compare an already translated and checked program with the runner on `runner_text`.

    With a `translation` (a `corvane.Translation` of `output`) the runner's
    records are compared with the records its output map decodes from the
    simulated bits of `c`; else the runner's result records with the bits
    `records` of `c`. Records of a result the runner misreads (never measured,
    `qirscan.misread_records`) are left out on both sides; with `unordered`
    (the runner runs another compilation of the same circuit, which may
    record in another order) each shot's records are compared as a multiset. Every shot of the runner ended, so output still looping
    after the simulator's cap on the turns of one loop is a mismatch.
    """
    try:
        runs = run_qir(runner_text, entry=entry, shots=shots, seed=RUNNER_SEED, records=translation is not None)
    except RunnerRejected as exc:
        return Outcome("runner-rejected", str(exc), output=output)
    if translation is not None:
        decoder = RecordDecoder(translation, qirscan.misread_records(runner_text), unordered)
        counts = Counter(decoder.mask(shot) for shot in runs)
        project_onto = decoder
    elif any(len(shot) != len(records) for shot in runs):
        lengths = sorted({len(shot) for shot in runs})
        return Outcome("not-static", f"runner recorded {lengths} values per shot, expected {len(records)}",
                       output=output)
    else:
        counts = Counter(tuple(int(v) for v in shot) for shot in runs)
        project_onto = lambda outcomes: project(outcomes, records)  # noqa: E731
    unending = f"the runner ended all {shots} shots"
    try:
        distribution = statevector.distribution(output)
        if distribution.unended > IMPOSSIBLE or not distribution.probs:
            verdict = Verdict(False, "unending", f"probability {distribution.unended:.3g} of the output is still in "
                              f"a while loop after its turn cap ({distribution.lost:.3g} lost in all); {unending}")
        else:
            verdict = against_exact(project_onto(distribution.probs), counts)
            verdict.detail += f" (mass {distribution.lost:.2e} pruned)" if distribution.lost > 1e-6 else ""
    except statevector.TooManyWorlds:
        try:
            verdict = against_sample(project_onto(statevector.sample(output, shots, SAMPLE_SEED)), counts)
        except statevector.Unending as exc:
            verdict = Verdict(False, "unending", f"{exc} in a sampled run; {unending}")
        except statevector.SimulationError as exc:
            return Outcome("simulator-error", str(exc), output=output)
    except statevector.SimulationError as exc:
        return Outcome("simulator-error", str(exc), output=output)
    return Outcome("compared", verdict.detail, verdict, output)


def lost_records(translation) -> Counter:
    """The records of a translation's output map that the final bits do not determine, by reason."""
    return Counter(entry["reason"] for entry in translation.outputs["records"] if not entry["recoverable"])


def check_module(text: str, runner_text: str | None = None, shots: int = SHOTS, unordered: bool = False) -> Outcome:
    """Translate `text` and compare the records of the runner on `runner_text` (default `text`) with
    those the output map decodes from the simulated output. Where the map loses records, the
    translation that keeps their values in extra bits is the one compared."""
    translation, error = translate(text)
    if translation is None:
        return Outcome("translate-error", error)
    lost = lost_records(translation)
    if lost:
        translation, error = translate(text, keep_values=True)
        if translation is None:
            return Outcome("translate-error", f"with keep_values: {error}")
    outcome = _check_translation(translation, text if runner_text is None else runner_text, shots, unordered)
    outcome.lost = lost
    outcome.recoverable = len(translation.outputs["records"]) - sum(lost.values())
    return outcome


def _check_translation(translation, runner_text: str, shots: int, unordered: bool = False) -> Outcome:
    output = translation.openqasm
    try:
        _, report = inspect_program(output)
    except Exception as exc:  # the reference parser's own error types
        return Outcome("parse-error", f"{type(exc).__name__}: {exc}", output=output)
    if report.errors:
        return Outcome("dialect-error", "; ".join(report.errors), output=output)
    if not report.simulatable:
        return Outcome("unsimulatable", f"uses {sorted(report.gates)}", output=output)
    entries = translation.outputs["records"]
    if not entries:
        return Outcome("not-static", "nothing is recorded", output=output)
    looped = sum(entry["reason"] == "it is recorded in a loop" for entry in entries)
    if looped:
        return Outcome("not-static", f"{looped} records are made in a loop", output=output)
    function = qirscan.entry_function(runner_text)
    return compare_output(output, runner_text, None, function.name if function else None, shots, translation,
                          unordered)


def translate_checked(text: str) -> tuple[str | None, Outcome | None]:
    """The translation of `text` when it passes the parser and the dialect check and can be simulated,
    else the outcome that ends the check."""
    translation, error = translate(text)
    if translation is None:
        return None, Outcome("translate-error", error)
    output = translation.openqasm
    try:
        _, report = inspect_program(output)
    except Exception as exc:  # the reference parser's own error types
        return None, Outcome("parse-error", f"{type(exc).__name__}: {exc}", output=output)
    if report.errors:
        return None, Outcome("dialect-error", "; ".join(report.errors), output=output)
    if not report.simulatable:
        return None, Outcome("unsimulatable", f"uses {sorted(report.gates)}", output=output)
    return output, None


def check_registers(text: str, runner_text: str, shots: int = SHOTS) -> Outcome:
    """A PYTKET-profile module against the runner's INT records of `runner_text`, the same circuit
    compiled for a profile the runner can link: the register values are read out of `c` by the layout
    of `qirscan.register_records`."""
    output, ended = translate_checked(text)
    if output is None:
        return ended
    layout = qirscan.register_records(text)
    if isinstance(layout, str):
        return Outcome("not-static", layout, output=output)
    function = qirscan.entry_function(runner_text)
    try:
        runs = run_qir(runner_text, entry=function.name if function else None, shots=shots, seed=RUNNER_SEED,
                       kind="INT")
    except RunnerRejected as exc:
        return Outcome("runner-rejected", str(exc), output=output)
    if any(len(shot) != len(layout) for shot in runs):
        return Outcome("not-static", f"runner recorded {sorted({len(s) for s in runs})} values per shot, "
                       f"expected {len(layout)}", output=output)
    counts = Counter(tuple(int(v) for v in shot) for shot in runs)
    try:
        distribution = statevector.distribution(output)
    except statevector.SimulationError as exc:
        return Outcome("simulator-error", str(exc), output=output)
    values: Counter = Counter()
    for bits, weight in distribution.probs.items():
        values[tuple(qirscan.register_value(bits, first, size) for first, size in layout)] += weight
    verdict = against_exact(values, counts)
    return Outcome("compared", verdict.detail, verdict, output)


def check_corpus_module(text: str, shots: int = CORPUS_SHOTS, runner_text: str | None = None,
                        unordered: bool = False) -> Outcome:
    """`check_module` for a module as a producer wrote it; the runner runs `runner_text` (default
    `text`), which measures the same results; `unordered` when it is another compilation of the
    circuit, which may record in another order (`compare_output`).

    A module that records nothing gets recording calls for the constant
    results it measures, or, measuring nothing, a final measurement and
    recording of every qubit (`qirscan.add_records`); both sides see that text.
    """
    runner_text = text if runner_text is None else runner_text
    added = qirscan.add_records(text) if qirscan.record_mapping(text) == [] else None
    runner_added = qirscan.add_records(runner_text) if added is not None else None
    if added is None or runner_added is None:
        return check_module(text, runner_text, shots, unordered)
    augmented, _, note = added
    outcome = check_module(augmented, runner_added[0], shots, unordered)
    if outcome.stage == "compared":
        outcome.detail = f"[{note}] " + outcome.detail
    return outcome


def save_case(folder: Path, files: dict[str, str]) -> None:
    """Write the files of a case that did not pass into a folder of its own."""
    folder.mkdir(parents=True, exist_ok=True)
    for name, text in files.items():
        (folder / name).write_text(text)
