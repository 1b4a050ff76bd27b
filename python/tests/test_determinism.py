"""Concurrency and determinism: many threads at once give the same bytes as
sequential calls, and separate processes give byte-identical results."""
from __future__ import annotations

import json
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

import corvane

REPO = Path(__file__).resolve().parents[2]
CORPUS = REPO.parent / "shared" / "corpus"
GOLDEN = REPO / "core" / "tests" / "golden"


def inputs() -> list[Path]:
    files = sorted(GOLDEN.glob("*.ll"))
    if CORPUS.is_dir():
        files += sorted(CORPUS.rglob("*.ll"))
    return files


def outcome(text: str) -> str:
    try:
        return "ok:" + corvane.translate(text, producer="determinism")
    except corvane.CorvaneError as error:
        return "error:" + str(error)


def test_threads_match_sequential_calls() -> None:
    texts = [p.read_text(encoding="utf-8") for p in inputs()]
    if not texts:
        pytest.skip("no test modules found")
    expected = [outcome(t) for t in texts]
    with ThreadPoolExecutor(max_workers=8) as pool:
        for _ in range(3):
            assert list(pool.map(outcome, texts)) == expected


CHILD = r"""
import json, sys
import corvane
results = {}
for path in sys.argv[1:]:
    text = open(path, encoding="utf-8").read()
    try:
        results[path] = "ok:" + corvane.translate(text)
    except corvane.CorvaneError as error:
        results[path] = "error:" + str(error)
print(json.dumps(results))
"""


def test_separate_processes_give_identical_bytes() -> None:
    paths = [str(p) for p in inputs()]
    if not paths:
        pytest.skip("no test modules found")
    runs = [
        json.loads(subprocess.run([sys.executable, "-c", CHILD, *paths], check=True,
                                  capture_output=True, text=True).stdout)
        for _ in range(2)
    ]
    assert runs[0] == runs[1]
    assert set(runs[0]) == set(paths)
