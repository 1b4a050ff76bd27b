"""Modules from real QIR producers through the differential check.

Q# programs compiled by `qsharp` (Adaptive_RI, Adaptive_RIF, and Adaptive with its
loops over arrays) and pytket
circuits compiled by `pytket-qir` (PYTKET, adaptive and base profiles) are drawn by
`producergen` under each producer's own interpreter; every module that
corvane translates is run on the QIR runner and compared with the simulator
on the output (`differential.check_corpus_module`). The report gives per
producer and profile how many modules were generated, translated, compared
and matched, and the refusals grouped by message. A translated module that
does not match, or whose output fails the reference parser or the dialect
check, is a fault: it is written to a folder of its own under `--out` and
the exit status is 1. Refusals do not fail the run.

The QIR runner links neither pytket's register runtime nor its barriers
nor `zzmax`, so it runs the copy of each pytket circuit that producergen
compiles without them ("runner_qir"); pytket may order that copy's records
differently, so where the copy differs each shot's records are compared as
a multiset of (kind, value, label). A PYTKET-profile module is compared
by its INT records: the runner's for the copy compiled for ADAPTIVE_CREGSIZE, the register values
read out of the translation's `c` for corvane (`differential.check_registers`).
qiskit-qir circuits (its base profile, registers recorded) go through the
same check.

The producers' interpreters come from `--qsharp-python` / `--pytket-python` /
`--qiskit-python`, else CORVANE_QSHARP_PYTHON / CORVANE_PYTKET_PYTHON /
CORVANE_QISKIT_PYTHON, else build-producers/{qsharp,pytket,qiskit}/bin/python in
the repository; a group whose interpreter is missing is skipped.

    cd python/tests && python -m proof.producers -n 50 --out /tmp/producers-faults
"""
from __future__ import annotations

import argparse
import json
import os
import re
import subprocess
import sys
import time
import traceback
from collections import Counter
from dataclasses import dataclass, field
from pathlib import Path

_TESTS = str(Path(__file__).resolve().parents[1])
if _TESTS not in sys.path:
    sys.path.insert(0, _TESTS)

from proof import REPO, differential  # noqa: E402

HERE = Path(__file__).resolve().parent
# (producer, profile).
GROUPS = (("qsharp", "Adaptive_RI"), ("qsharp", "Adaptive_RIF"), ("qsharp", "Adaptive"), ("pytket", "pytket"),
          ("pytket", "adaptive"), ("pytket", "base"), ("qiskit", "base"))
PACKAGES = {"qsharp": "qsharp", "pytket": "pytket.qir", "qiskit": "qiskit_qir"}
FAULT_STAGES = ("mismatch", "parse-error", "dialect-error", "simulator-error", "harness-error")


def producer_python(producer: str, given: str | None = None) -> str | None:
    """The interpreter that has `producer` installed, or None."""
    path = given or os.environ.get(f"CORVANE_{producer.upper()}_PYTHON") or str(
        REPO / "build-producers" / producer / "bin" / "python")
    if not Path(path).is_file():
        return None
    probe = subprocess.run([path, "-c", f"import {PACKAGES[producer]}"], capture_output=True)
    return path if probe.returncode == 0 else None


def generate(python: str, producer: str, profile: str, n: int, seed: int) -> list[dict]:
    """Run the generator under `python`; its modules as {"name", "source", "qir" or "error"}."""
    done = subprocess.run([python, str(HERE / "producergen.py"), producer, "-n", str(n), "--seed", str(seed),
                           "--profile", profile], capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f"producergen.py failed ({done.returncode}): {done.stderr[-2000:]}")
    return [json.loads(line) for line in done.stdout.splitlines() if line.startswith("{")]


def refusal_key(message: str) -> str:
    """A refusal message with its instance details (quoted texts, numbers) blanked, for grouping."""
    message = re.sub(r'"(?:[^"\\]|\\.)*"', '"…"', message.splitlines()[0] if message else "")
    return re.sub(r"\b\d+\b", "N", message)


@dataclass
class Group:
    producer: str
    profile: str
    stages: Counter = field(default_factory=Counter)
    refusals: Counter = field(default_factory=Counter)
    producer_errors: Counter = field(default_factory=Counter)
    faults: list = field(default_factory=list)
    recoverable: int = 0  # records of the translated modules that the output map recovers
    lost: Counter = field(default_factory=Counter)  # and those it does not, by reason

    def summary(self) -> dict:
        generated = sum(self.stages.values())
        refused = self.stages["translate-error"] + self.stages["producer-error"]
        return {"producer": self.producer, "profile": self.profile, "generated": generated,
                "producer_errors": self.stages["producer-error"], "translated": generated - refused,
                "compared": self.stages["compared"] + self.stages["mismatch"], "matched": self.stages["compared"],
                "stages": dict(sorted(self.stages.items())), "faults": self.faults,
                "refusals": self.refusals.most_common(), "producer_error_kinds": self.producer_errors.most_common(),
                "records": {"recoverable": self.recoverable, "lost": dict(self.lost.most_common())}}


def check(group: Group, module: dict, out: Path | None, shots: int = differential.SHOTS) -> str:
    """Put one generated module through the check; returns its stage ("mismatch" for a failed comparison)."""
    if "error" in module:
        stage = "producer-error"
        group.producer_errors[refusal_key(module["error"].split("\n\n")[0])] += 1
        group.stages[stage] += 1
        return stage
    try:
        if group.profile == "pytket":
            outcome = differential.check_registers(module["qir"], module["runner_qir"], shots=shots)
        else:
            runner = module.get("runner_qir")
            outcome = differential.check_corpus_module(module["qir"], shots, runner,
                                                       unordered=runner not in (None, module["qir"]))
        stage = "mismatch" if outcome.stage == "compared" and not outcome.matched else outcome.stage
        detail, output = outcome.detail, outcome.output
        group.recoverable += outcome.recoverable
        group.lost.update(outcome.lost)
    except Exception:  # a fault of the harness itself: keep going, keep the case
        stage, detail, output = "harness-error", traceback.format_exc(), ""
    group.stages[stage] += 1
    if stage == "translate-error":
        group.refusals[refusal_key(detail)] += 1
    if stage in FAULT_STAGES:
        name = f"{group.producer}-{group.profile}-{module['name']}"
        group.faults.append(f"{name}: {stage}: {detail[:300]}")
        if out is not None:
            differential.save_case(out / name, {"module.ll": module["qir"], "source.txt": module["source"] + "\n",
                                                "output.qasm": output, "detail.txt": f"{stage}: {detail}\n"})
    return stage


def run(n: int, seed: int, out: Path | None, pythons: dict[str, str | None], only: str | None = None) -> list[dict]:
    summaries = []
    for producer, profile in GROUPS:
        if only not in (None, producer):
            continue
        python = producer_python(producer, pythons.get(producer))
        if python is None:
            print(f"{producer} {profile}: skipped, no interpreter with {PACKAGES[producer]}", flush=True)
            continue
        began = time.monotonic()
        group = Group(producer, profile)
        for module in generate(python, producer, profile, n, seed):
            check(group, module, out)
        summary = group.summary()
        summary["seconds"] = round(time.monotonic() - began, 1)
        summaries.append(summary)
        print(report(summary), flush=True)
    return summaries


def report(s: dict) -> str:
    lines = [f"{s['producer']} {s['profile']}: {s['generated']} generated, {s['producer_errors']} not compiled by "
             f"the producer, {s['translated']} translated, {s['compared']} compared, {s['matched']} matched "
             f"({s['seconds']} s); stages {s['stages']}"]
    lines.append(f"  records: {s['records']['recoverable']} recoverable, "
                 f"{sum(s['records']['lost'].values())} not: {s['records']['lost']}")
    lines += [f"  refused {count}x: {message}" for message, count in s["refusals"]]
    lines += [f"  producer error {count}x: {message}" for message, count in s["producer_error_kinds"]]
    lines += [f"  FAULT {fault}" for fault in s["faults"]]
    return "\n".join(lines)


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-n", type=int, default=50, help="random modules per producer and profile (default 50)")
    parser.add_argument("--seed", type=int, default=0, help="first generator seed (default 0)")
    parser.add_argument("--out", type=Path, default=Path("producers-out"), help="folder for faults and summary")
    parser.add_argument("--qsharp-python", help="interpreter with the qsharp package")
    parser.add_argument("--pytket-python", help="interpreter with pytket and pytket-qir")
    parser.add_argument("--qiskit-python", help="interpreter with qiskit and qiskit-qir")
    parser.add_argument("--only", choices=sorted(PACKAGES), help="this producer's groups alone")
    parser.add_argument("--require", action="store_true", help="fail when a producer's interpreter is missing")
    args = parser.parse_args(argv)
    pythons = {"qsharp": args.qsharp_python, "pytket": args.pytket_python, "qiskit": args.qiskit_python}
    summaries = run(args.n, args.seed, args.out, pythons, args.only)
    args.out.mkdir(parents=True, exist_ok=True)
    (args.out / "summary.json").write_text(json.dumps(summaries, indent=2) + "\n")
    missing = args.require and len(summaries) < sum(args.only in (None, g[0]) for g in GROUPS)
    return 1 if missing or any(s["faults"] for s in summaries) else 0


if __name__ == "__main__":
    sys.exit(main())
