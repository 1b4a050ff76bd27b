#!/usr/bin/env python3
"""Throughput benchmark for corvane.

Generates QIR modules of several sizes and shapes with the shared generator,
then reports for each: input size, median wall time and MB/s of
``corvane.translate`` called repeatedly from Python (interpreter start
excluded), the CPU-time rate of those calls (what an idle core would give),
the rate of the first call in a fresh process ("cold": its memory is not yet
mapped, which repeated calls on small inputs get for free from the allocator),
MB/s of the C++ entry alone (``corvane_cli --time``), peak resident memory of
a process that translates the file once (beyond its baseline after import
and one tiny translation, which loads the library's code; the input text
counts), and the time of ``llvm-as`` parsing the same file,
with the ratio. It ends with the growth ratio of time at the largest size
over time at the next size, for repeated and for first calls.

Usage: python3 core/bench/bench.py [--sizes 1,10,100] [--kinds straight,opaque,branchy,oneline]
                                   [--repeat 5] [--cli PATH] [--json OUT]
"""
from __future__ import annotations

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
GEN = ROOT.parent / "shared" / "tools" / "gen_qir.py"

# Operations per MB of generated text, measured on the generator's output; the
# exact size is reported, so these only need to be close.
# "oneline" is the straight-line module with all its body's instructions on
# one line, which LLVM reads the same (not among the default kinds: a check
# that such a line is read in linear time).
OPS_PER_MB = {"straight": 10700, "opaque": 12060, "branchy": 9790, "oneline": 10700}


def on_one_line(text: str) -> str:
    """`text` with the instructions of each body joined into one line per block."""
    out, run = [], []
    for line in text.split("\n"):
        if line.startswith("  ") and not line.strip().startswith(";"):
            run.append(line.strip())
            continue
        if run:
            out.append("  " + " ".join(run))
            run = []
        out.append(line)
    return "\n".join(out)


def generate(kind: str, megabytes: int, folder: Path) -> Path:
    path = folder / f"{kind}-{megabytes}mb.ll"
    if path.exists():
        return path
    gen_kind = "branchy" if kind == "branchy" else "straight"
    args = [sys.executable, str(GEN), gen_kind, str(OPS_PER_MB[kind] * megabytes)]
    if kind == "opaque":
        args.append("--opaque")
    text = subprocess.run(args, capture_output=True, check=True).stdout.decode()
    path.write_text(on_one_line(text) if kind == "oneline" else text)
    return path


def ensure_llvm_as() -> str | None:
    found = shutil.which("llvm-as") or shutil.which("llvm-as-14")
    if found or os.geteuid() != 0:
        return found
    subprocess.run(["apt-get", "update", "-qq"], check=False)
    subprocess.run(["apt-get", "install", "-y", "-qq", "llvm-14"], check=False,
                   env={**os.environ, "DEBIAN_FRONTEND": "noninteractive"})
    return shutil.which("llvm-as") or shutil.which("llvm-as-14") or (
        "/usr/lib/llvm-14/bin/llvm-as" if Path("/usr/lib/llvm-14/bin/llvm-as").exists() else None)


def ensure_cli(explicit: str | None) -> str:
    if explicit:
        return explicit
    build = ROOT / "build-bench"
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DCORVANE_BUILD_TESTS=OFF",
                    "-DCORVANE_BUILD_PYTHON=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["ninja", "-C", str(build), "corvane_cli"], check=True,
                   stdout=subprocess.DEVNULL)
    return str(build / "core" / "driver" / "corvane_cli")


def time_python(path: Path, repeat: int) -> tuple[float, float]:
    """Median wall seconds and median CPU seconds of one translate call.

    translate runs on one thread, so its CPU time is what the wall time would
    be on an idle core; on a shared, loaded machine the two differ.
    """
    import corvane  # the installed package

    text = path.read_text(encoding="utf-8")
    times = []
    cpu_times = []
    for _ in range(repeat):
        start = time.perf_counter()
        cpu_start = time.process_time()
        corvane.translate(text)
        cpu_times.append(time.process_time() - cpu_start)
        times.append(time.perf_counter() - start)
    return statistics.median(times), statistics.median(cpu_times)


# The high-water mark of the process's own memory (VmHWM). ru_maxrss is not
# used where /proc is available: Linux carries the parent's peak into a child
# across fork and exec, so after a large run in the parent it hides the child's.
PEAK_SCRIPT = r"""
import resource, sys

WARM_UP = '''define void @main() #0 {
  call void @__quantum__qis__h__body(%Qubit* null)
  ret void
}
declare void @__quantum__qis__h__body(%Qubit*)
attributes #0 = { "entry_point" }
'''

def high_water_bytes():
    try:
        with open("/proc/self/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024

import time
import corvane
# One tiny translation first: the library's code pages and static tables are
# loaded then, a fixed cost that does not grow with the input.
corvane.translate(WARM_UP)
base = high_water_bytes()
text = open(sys.argv[1], encoding="utf-8").read()
start = time.perf_counter()
corvane.translate(text)
seconds = time.perf_counter() - start
print(base, high_water_bytes(), seconds)
"""


def peak_memory(path: Path) -> tuple[int, int, float]:
    """Baseline and peak memory of a fresh process translating the file once,
    and the time of that first (cold) call."""
    out = subprocess.run([sys.executable, "-c", PEAK_SCRIPT, str(path)], check=True,
                         capture_output=True, text=True).stdout.split()
    return int(out[0]), int(out[1]), float(out[2])


def time_cli(cli: str, path: Path, repeat: int) -> float:
    out = subprocess.run([cli, "--time", str(repeat), str(path)], check=True,
                         capture_output=True, text=True).stdout
    return json.loads(out)["median_s"]


def time_llvm_as(llvm_as: str | None, path: Path, kind: str, repeat: int) -> float | None:
    if llvm_as is None:
        return None
    args = [llvm_as]
    if kind == "opaque":
        args.append("-opaque-pointers")
    args += ["-o", os.devnull, str(path)]
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        done = subprocess.run(args, capture_output=True)
        times.append(time.perf_counter() - start)
        if done.returncode != 0:
            return None
    return statistics.median(times)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", default="1,10,100")
    parser.add_argument("--kinds", default="straight,opaque,branchy")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--cli", default=None, help="path to a built corvane_cli")
    parser.add_argument("--workdir", default=None, help="where generated modules are kept")
    parser.add_argument("--json", default=None, help="also write the rows as JSON here")
    args = parser.parse_args()

    sizes = [int(s) for s in args.sizes.split(",")]
    kinds = args.kinds.split(",")
    workdir = Path(args.workdir or tempfile.gettempdir()) / "corvane-bench"
    workdir.mkdir(parents=True, exist_ok=True)
    cli = ensure_cli(args.cli)
    llvm_as = ensure_llvm_as()

    rows = []
    header = (f"{'module':<16}{'MB':>8}{'py s':>9}{'py MB/s':>9}{'py CPU MB/s':>12}"
              f"{'cold MB/s':>10}{'C++ MB/s':>10}{'peak/in':>9}{'llvm-as s':>11}"
              f"{'x llvm-as':>11}")
    print(f"load average at start: {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores")
    print(header)
    for kind in kinds:
        for mb in sizes:
            path = generate(kind, mb, workdir)
            size = path.stat().st_size
            repeat = max(1, args.repeat)
            # Fresh processes read the whole file each time: fewer for big files.
            fresh_repeat = repeat if mb < 50 else min(repeat, 3)
            py_s, py_cpu_s = time_python(path, repeat)
            cli_s = time_cli(cli, path, repeat)
            colds = []
            for _ in range(fresh_repeat):
                base, peak, cold_s = peak_memory(path)
                colds.append(cold_s)
            cold_s = statistics.median(colds)
            llvm_s = time_llvm_as(llvm_as, path, kind, 3)
            row = {
                "kind": kind, "mb": size / 1e6, "python_s": py_s,
                "python_mb_s": size / 1e6 / py_s, "python_cpu_mb_s": size / 1e6 / py_cpu_s,
                "cold_s": cold_s, "cold_mb_s": size / 1e6 / cold_s,
                "cpp_mb_s": size / 1e6 / cli_s,
                "peak_over_input": (peak - base) / size, "llvm_as_s": llvm_s,
                "speedup_vs_llvm_as": (llvm_s / py_s) if llvm_s else None,
            }
            rows.append(row)
            llvm_txt = f"{llvm_s:11.2f}" if llvm_s else f"{'n/a':>11}"
            ratio_txt = f"{row['speedup_vs_llvm_as']:11.1f}" if llvm_s else f"{'n/a':>11}"
            print(f"{kind + '-' + str(mb) + 'MB':<16}{row['mb']:8.1f}{py_s:9.3f}"
                  f"{row['python_mb_s']:9.1f}{row['python_cpu_mb_s']:12.1f}"
                  f"{row['cold_mb_s']:10.1f}{row['cpp_mb_s']:10.1f}"
                  f"{row['peak_over_input']:9.2f}{llvm_txt}{ratio_txt}", flush=True)
    if len(sizes) >= 2:
        big, small = sizes[-1], sizes[-2]
        for kind in kinds:
            ordered = [r for r in rows if r["kind"] == kind]
            growth = ordered[-1]["python_s"] / ordered[-2]["python_s"]
            cold_growth = ordered[-1]["cold_s"] / ordered[-2]["cold_s"]
            print(f"growth {kind}: time at {big} MB / time at {small} MB = {growth:.2f}"
                  f" repeated, {cold_growth:.2f} first call"
                  f" (size ratio {ordered[-1]['mb'] / ordered[-2]['mb']:.2f})")
    if args.json:
        Path(args.json).write_text(json.dumps(rows, indent=2))
    return 0


if __name__ == "__main__":
    sys.exit(main())
