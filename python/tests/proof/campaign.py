"""An offline differential campaign over many random programs.

Draws programs from `strategies.programs()` (every class, both pointer
styles), or with `--kind integer` from `strategies.integer_programs()`
(conditions on i1/i32/i64 integer values under every predicate), and puts
each through the check of the random-program test in test_proof_semantics.
It reports how many programs ran, were compared, mismatched, failed to
translate or stopped at another stage, which classes were drawn, and the
time taken; every program that did not match is written to a folder of its
own under `--out` (the model, both QIR texts, the output, the detail).

    cd python/tests && python -m proof.campaign -n 10000 --out /tmp/campaign
    python python/tests/proof/campaign.py -n 200 --seed 7 --kind integer
"""
from __future__ import annotations

import argparse
import json
import sys
import time
import traceback
from collections import Counter
from dataclasses import dataclass, field
from pathlib import Path

_TESTS = str(Path(__file__).resolve().parents[1])
if _TESTS not in sys.path:
    sys.path.insert(0, _TESTS)

from proof import differential, qirgen, strategies  # noqa: E402


@dataclass
class Tally:
    out: Path
    programs: int = 0
    stages: Counter = field(default_factory=Counter)  # "compared", "translate-error", ... and "harness-error"
    mismatches: int = 0
    drawn: Counter = field(default_factory=Counter)  # programs holding each class
    slowest: list = field(default_factory=list)  # (seconds, program number)
    recoverable: int = 0  # records the output maps recover
    lost: Counter = field(default_factory=Counter)  # records they do not, by reason
    started: float = field(default_factory=time.monotonic)

    def summary(self) -> dict:
        return {"programs": self.programs, "compared": self.stages["compared"], "mismatches": self.mismatches,
                "translate_errors": self.stages["translate-error"],
                "other_stages": {k: v for k, v in self.stages.items() if k not in ("compared", "translate-error")},
                "seconds": round(time.monotonic() - self.started, 1),
                "slowest": [f"#{number}: {seconds} s" for seconds, number in self.slowest],
                "records": {"recoverable": self.recoverable, "lost": dict(self.lost.most_common())},
                "drawn": dict(sorted(self.drawn.items()))}


def classes(program: qirgen.Program) -> set[str]:
    """Names of the classes a program holds, with the value classes told apart by shape."""
    names = set()

    def visit(node, in_loop: bool) -> None:
        for n in qirgen.walk(node):
            names.add(type(n).__name__)
            if isinstance(n, qirgen.While):
                names.add("While:" + ("counted" if isinstance(n.cond, qirgen.ICmp) else "flag"))
            if isinstance(n, qirgen.Merge) and isinstance(n.base, qirgen.Bound):
                names.add("Merge:chained")
            if in_loop and (isinstance(n, qirgen.Merge) or (isinstance(n, qirgen.IntView) and n.style == "ifmerge")):
                names.add("if-merge in a loop")
            if isinstance(n, qirgen.If) and any(isinstance(s, qirgen.Store) for s in n.then + n.else_):
                names.add("Store under an if")
            if not in_loop and isinstance(n, (qirgen.While, qirgen.Loop)):
                visit(n.body, True)

    visit(program.body, False)
    return names


def check(tally: Tally, program: qirgen.Program, style: str) -> None:
    tally.programs += 1
    number = tally.programs
    tally.drawn.update(classes(program))
    corvane_text = qirgen.emit_text(program, style, "corvane")
    runner_text = qirgen.emit_text(program, style, "runner")
    began = time.monotonic()
    try:
        outcome = differential.check_module(corvane_text, runner_text)
        stage, detail, output = outcome.stage, outcome.detail, outcome.output
        failed = not outcome.matched
        tally.recoverable += outcome.recoverable
        tally.lost.update(outcome.lost)
    except Exception:  # a fault of the harness itself: keep going, keep the case
        stage, detail, output, failed = "harness-error", traceback.format_exc(), "", True
    seconds = time.monotonic() - began
    tally.slowest = sorted(tally.slowest + [(round(seconds, 2), number)], reverse=True)[:5]
    tally.stages[stage] += 1
    if stage == "compared" and failed:
        tally.mismatches += 1
    if failed:
        kind = "mismatch" if stage == "compared" else stage
        differential.save_case(tally.out / f"{kind}-{number:05d}", {
            "program.txt": f"{program!r}\nstyle={style}\n", "input.ll": corvane_text, "runner.ll": runner_text,
            "output.qasm": output, "detail.txt": f"{stage}: {detail}\n"})


def run(n: int, seed: int, out: Path, progress: int = 100, kind: str = "all") -> dict:
    """Check `n` random programs drawn with hypothesis seed `seed`; failures go to `out`."""
    tally = Tally(out)

    def one(program, style):
        check(tally, program, style)
        if progress and tally.programs % progress == 0:
            s = tally.summary()
            print(f"{s['programs']} programs, {s['compared']} compared, {s['mismatches']} mismatches, "
                  f"{s['translate_errors']} translate errors, other {s['other_stages']}, {s['seconds']} s",
                  flush=True)

    strategies.for_each(kind, n, seed, one)
    summary = tally.summary()
    out.mkdir(parents=True, exist_ok=True)
    (out / "summary.json").write_text(json.dumps(summary, indent=2) + "\n")
    return summary


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-n", type=int, default=1000, help="programs to draw (default 1000)")
    parser.add_argument("--seed", type=int, default=1206, help="hypothesis seed (default 1206)")
    parser.add_argument("--out", type=Path, default=Path("campaign-out"), help="folder for failures and summary")
    parser.add_argument("--progress", type=int, default=100, help="print a line every this many programs")
    parser.add_argument("--kind", choices=sorted(strategies.KINDS), default="all", help="which programs to draw")
    args = parser.parse_args(argv)
    summary = run(args.n, args.seed, args.out, args.progress, args.kind)
    print(json.dumps(summary, indent=2))
    failures = summary["mismatches"] + summary["translate_errors"] + sum(summary["other_stages"].values())
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
