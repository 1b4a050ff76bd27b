#!/usr/bin/env python3
"""Runs many random programs through the differential check, outside the test suite.

    python3 scripts/run_differential.py [--count N] [--seed S] [--kind integer|general] [--out FILE]

Each program of the proof harness's generator is translated by the installed
corvane and compared with the QIR runner (see python/tests/proof). `integer`
draws programs whose conditions compare i1/i32/i64 values computed with
wrapping arithmetic, zext and select; `general` draws the suite's usual
random programs. Prints the count per outcome, the time taken, and writes
every program that was not compared and matched to FILE (default: none).
Exit status 1 when any program mismatched.
"""
from __future__ import annotations

import argparse
import sys
import time
from collections import Counter
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "python" / "tests"))


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--seed", type=int, default=14)
    parser.add_argument("--kind", choices=["integer", "general"], default="integer")
    parser.add_argument("--out", type=Path)
    args = parser.parse_args()

    from hypothesis import HealthCheck, Phase, given, seed, settings
    from hypothesis import strategies as st

    from proof import differential, qirgen, strategies

    programs = strategies.integer_programs() if args.kind == "integer" else strategies.programs()
    stages: Counter = Counter()
    failures: list[str] = []

    @seed(args.seed)
    @settings(max_examples=args.count, deadline=None, database=None, phases=[Phase.generate],
              suppress_health_check=list(HealthCheck))
    @given(programs, st.sampled_from(["typed", "opaque"]))
    def run(prog, style):
        outcome = differential.check_module(qirgen.emit_text(prog, style, "corvane"),
                                            qirgen.emit_text(prog, style, "runner"), list(prog.records))
        stage = outcome.stage if outcome.stage != "compared" else ("match" if outcome.matched else "mismatch")
        stages[stage] += 1
        if stage != "match":
            failures.append(f"=== {stage}: {outcome.detail}\n{prog}\n--- OpenQASM\n{outcome.output}\n")

    start = time.monotonic()
    run()
    elapsed = time.monotonic() - start
    total = sum(stages.values())
    print(f"{total} {args.kind} programs in {elapsed:.0f} s: "
          + ", ".join(f"{name} {n}" for name, n in sorted(stages.items())))
    if args.out is not None:
        args.out.write_text("".join(failures), encoding="utf-8")
    return 1 if stages["mismatch"] else 0


if __name__ == "__main__":
    sys.exit(main())
