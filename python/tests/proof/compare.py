"""Comparing the outcome distribution of the QIR runner with the simulator's.

The simulator gives the exact distribution of the recorded bits (or, when
the branching tree is too large, a seeded sample); the runner gives counts
over a fixed number of shots with a fixed seed. The verdict:

* deterministic programs (one outcome with probability at least
  1 - DETERMINISTIC_SLACK): every shot must show that outcome;
* an outcome the simulator gives probability below IMPOSSIBLE is a mismatch
  the moment the runner shows it;
* otherwise Pearson's chi-square goodness-of-fit test, outcomes with an
  expected count below 5 pooled into one cell, rejects at
  FALSE_ALARM_RATE (the chance that a correct translation is reported as a
  mismatch, per compared program, under the chi-square approximation);
* against a sample, the chi-square test of homogeneity of the two count
  vectors, at the same rate.

With fixed seeds on both sides every verdict is reproducible.
"""
from __future__ import annotations

import math
from collections import Counter
from dataclasses import dataclass

FALSE_ALARM_RATE = 1e-6
DETERMINISTIC_SLACK = 1e-9
IMPOSSIBLE = 1e-9
MIN_EXPECTED = 5.0


def chi2_sf(x: float, df: int) -> float:
    """Survival function of the chi-square distribution with integer `df` >= 1."""
    if x <= 0:
        return 1.0
    half = x / 2.0
    if df % 2 == 0:
        term = math.exp(-half)
        total = term
        for i in range(1, df // 2):
            term *= half / i
            total += term
        return min(1.0, total)
    # odd df: erfc term plus a finite series
    total = math.erfc(math.sqrt(half))
    if df > 1:
        term = math.sqrt(2.0 * x / math.pi) * math.exp(-half)
        series = term
        for i in range(1, (df - 1) // 2):
            term *= x / (2 * i + 1)
            series += term
        total += series
    return min(1.0, total)


@dataclass
class Verdict:
    ok: bool
    method: str
    detail: str


def _format_counts(counts: Counter) -> str:
    return ", ".join(f"{''.join(map(str, k))}: {v}" for k, v in sorted(counts.items()))


def against_exact(probs: dict[tuple, float], counts: Counter) -> Verdict:
    """Compare observed runner `counts` with exact outcome probabilities."""
    shots = sum(counts.values())
    total = sum(probs.values())
    probs = {k: v / total for k, v in probs.items() if v > 0}
    top, top_p = max(probs.items(), key=lambda kv: kv[1])
    if top_p >= 1.0 - DETERMINISTIC_SLACK:
        others = {k: v for k, v in counts.items() if k != top}
        if others:
            return Verdict(False, "deterministic",
                           f"expected only {''.join(map(str, top))}; runner gave {_format_counts(counts)}")
        return Verdict(True, "deterministic", f"{shots} shots all {''.join(map(str, top))}")
    impossible = {k: v for k, v in counts.items() if probs.get(k, 0.0) < IMPOSSIBLE}
    if impossible:
        return Verdict(False, "impossible outcome",
                       f"runner gave outcomes the translation cannot produce: {_format_counts(Counter(impossible))};"
                       f" expected {_describe(probs)}")
    cells_expected: list[float] = []
    cells_observed: list[int] = []
    pooled_e, pooled_o = 0.0, 0
    for key, p in probs.items():
        expected = p * shots
        if expected < MIN_EXPECTED:
            pooled_e += expected
            pooled_o += counts.get(key, 0)
        else:
            cells_expected.append(expected)
            cells_observed.append(counts.get(key, 0))
    if pooled_e > 0:
        cells_expected.append(pooled_e)
        cells_observed.append(pooled_o)
    if len(cells_expected) < 2:
        return Verdict(True, "chi-square", "a single cell after pooling")
    stat = sum((o - e) ** 2 / e for o, e in zip(cells_observed, cells_expected))
    p_value = chi2_sf(stat, len(cells_expected) - 1)
    detail = (f"chi2={stat:.2f} df={len(cells_expected) - 1} p={p_value:.3g}; runner {_format_counts(counts)};"
              f" expected {_describe(probs)}")
    return Verdict(p_value >= FALSE_ALARM_RATE, "chi-square", detail)


def against_sample(sample: Counter, counts: Counter) -> Verdict:
    """Chi-square test of homogeneity between a simulator sample and runner counts."""
    keys = sorted(set(sample) | set(counts))
    n1, n2 = sum(sample.values()), sum(counts.values())
    total = n1 + n2
    cells = []
    pooled = [0, 0]
    for key in keys:
        a, b = sample.get(key, 0), counts.get(key, 0)
        if min((a + b) * n1 / total, (a + b) * n2 / total) < MIN_EXPECTED:
            pooled[0] += a
            pooled[1] += b
        else:
            cells.append((a, b))
    if sum(pooled):
        cells.append(tuple(pooled))
    if len(cells) < 2:
        return Verdict(True, "homogeneity", "a single cell after pooling")
    stat = 0.0
    for a, b in cells:
        column = a + b
        for observed, n in ((a, n1), (b, n2)):
            expected = column * n / total
            stat += (observed - expected) ** 2 / expected
    p_value = chi2_sf(stat, len(cells) - 1)
    detail = f"chi2={stat:.2f} df={len(cells) - 1} p={p_value:.3g}; simulator {_format_counts(sample)}; runner {_format_counts(counts)}"
    return Verdict(p_value >= FALSE_ALARM_RATE, "homogeneity", detail)


def _describe(probs: dict[tuple, float]) -> str:
    return ", ".join(f"{''.join(map(str, k))}: {v:.4f}" for k, v in sorted(probs.items()))
