"""Concurrency and determinism: threads and separate processes give the bytes
of sequential calls, and other threads run while a translation does."""
from __future__ import annotations

import inspect
import json
import subprocess
import sys
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

import corvane

REPO = Path(__file__).resolve().parents[2]
PATHS = sorted((REPO / "core" / "tests" / "golden").glob("*.ll")) + sorted((REPO.parent / "shared" / "corpus").rglob("*.ll"))


def outcome(text: str) -> str:
    try:
        return "ok:" + corvane.translate(text, producer="determinism")
    except corvane.CorvaneError as error:
        return "error:" + str(error)


# the child processes run the same function
CHILD = "import json, sys\nimport corvane\n" + inspect.getsource(outcome) + (
    "print(json.dumps([outcome(open(path, encoding='utf-8').read()) for path in sys.argv[1:]]))\n")


def test_threads_and_processes_match_sequential_calls() -> None:
    if not PATHS:
        pytest.skip("no test modules found")
    texts = [p.read_text(encoding="utf-8") for p in PATHS]
    expected = [outcome(t) for t in texts]
    with ThreadPoolExecutor(max_workers=8) as pool:
        for _ in range(3):
            assert list(pool.map(outcome, texts)) == expected
    for _ in range(2):
        done = subprocess.run([sys.executable, "-c", CHILD, *map(str, PATHS)], check=True, capture_output=True,
                              text=True)
        assert json.loads(done.stdout) == expected


def test_other_threads_run_while_a_translation_runs() -> None:
    # A module that takes tens of milliseconds. A ticker thread counts once per
    # millisecond of sleep (sleeping lets go of the interpreter lock); the
    # translating thread reads the count just before and just after its call.
    # Were the lock held during the translation, the ticker could not count in
    # between (a few ticks slip in around the call).
    text = ("%Qubit = type opaque\ndefine void @main() #0 {\n"
            + "  call void @__quantum__qis__h__body(%Qubit* null)\n" * 300_000
            + '  ret void\n}\ndeclare void @__quantum__qis__h__body(%Qubit*)\nattributes #0 = { "entry_point" }\n')
    ticks, done = [0], threading.Event()

    def ticker() -> None:
        while not done.is_set():
            ticks[0] += 1
            time.sleep(0.001)

    thread = threading.Thread(target=ticker)
    thread.start()
    try:
        time.sleep(0.01)
        before = ticks[0]
        output = corvane.translate(text)
        after = ticks[0]
    finally:
        done.set()
        thread.join()
    assert output.startswith("OPENQASM 3.0;\nqubit[1] q;\nh q[0];\n")
    assert after - before >= 20
