"""Running QIR on the QIR runner (`qirrunner`) and reading what it records.

The runner executes the module and reports every output-recording call per
shot as text lines (START, METADATA, OUTPUT, END). Only the recorded
results matter here: `run_qir` returns, per shot, the list of values of the
`OUTPUT RESULT` lines in order.

The runner runs in a separate worker process, so that a module that crashes
or hangs the runner's JIT ends that worker, not the test session.
"""
from __future__ import annotations

import atexit
import concurrent.futures
import multiprocessing

DEFAULT_TIMEOUT_S = 120


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


_pool: concurrent.futures.ProcessPoolExecutor | None = None


def _executor() -> concurrent.futures.ProcessPoolExecutor:
    global _pool
    if _pool is None:
        _pool = concurrent.futures.ProcessPoolExecutor(
            max_workers=1, mp_context=multiprocessing.get_context("spawn"))
    return _pool


@atexit.register
def _shutdown_executor() -> None:
    global _pool
    if _pool is not None:
        _pool.shutdown(wait=True)
    _pool = None


def _reset_executor() -> None:
    global _pool
    if _pool is not None:
        _pool.shutdown(wait=False, cancel_futures=True)
        for process in list((getattr(_pool, "_processes", None) or {}).values()):
            process.kill()
    _pool = None


def parse_output(text: str) -> list[list[str]]:
    """Split the runner's text into shots; each shot is its recorded result values."""
    shots: list[list[str]] = []
    current: list[str] | None = None
    for line in text.splitlines():
        fields = line.split("\t")
        if fields[0] == "START":
            current = []
            shots.append(current)
        elif fields[0] == "OUTPUT" and len(fields) >= 3 and fields[1] == "RESULT":
            if current is None:
                raise RunnerRejected(f"output outside a shot: {line!r}")
            current.append(fields[2])
        elif fields[0] == "END" and len(fields) >= 2 and fields[1] != "0":
            raise RunnerRejected(f"shot ended with code {fields[1]}")
    return shots


def run_qir(text: str, entry: str | None = None, shots: int = 1000, seed: int = 7,
            timeout: float = DEFAULT_TIMEOUT_S) -> list[list[str]]:
    """Run `text` for `shots` shots; the recorded result values of each shot."""
    future = _executor().submit(_run_in_worker, text, entry, shots, seed)
    try:
        output = future.result(timeout=timeout)
    except concurrent.futures.TimeoutError:
        _reset_executor()
        raise RunnerRejected(f"runner timed out after {timeout} s") from None
    except concurrent.futures.process.BrokenProcessPool:
        _reset_executor()
        raise RunnerRejected("runner process died") from None
    except Exception as exc:  # the runner's own refusal (link errors, bad IR)
        raise RunnerRejected(f"{type(exc).__name__}: {exc}") from None
    result = parse_output(output)
    if len(result) != shots:
        raise RunnerRejected(f"runner reported {len(result)} shots, expected {shots}")
    return result
