"""The proof harness can fail: a wrong translation is caught, the simulator runs
each gate as the QIR runner does, and the checkers refuse what has no meaning.
Every golden output passes the dialect check (every translated corpus module
gets the same check in test_proof_semantics)."""
from __future__ import annotations

import cmath
import math
import random
import re
import sys
from collections import Counter
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
import proof  # noqa: E402

proof.require()

import numpy as np  # noqa: E402
import openqasm3  # noqa: E402

from proof import differential, qirgen, qirscan, statevector  # noqa: E402
from proof.dialect import inspect_program  # noqa: E402
from proof.qirgen import (CONTROLLED_OPS, QIR_GATES, ROTATIONS, Ctl, Gate, If, Measure, Program, Read,  # noqa: E402
                          Reset)

pytestmark = pytest.mark.proof

TRAILER = '// generated-by: {"name":"corvane","version":"0.2.0"}\n'


def qasm(*lines: str, qubits: int = 3) -> str:
    return "\n".join(["OPENQASM 3.0;", f"qubit[{qubits}] q;", f"bit[{qubits}] c;", *lines]) + "\n" + TRAILER


# --- a known-wrong translation is caught ---------------------------------------------

QIR = qirgen.emit_text(Program(3, 3, (
    Measure(0, 0), Measure(0, 1), Measure(0, 2), Gate("h", (), (0,)), Measure(0, 0),
    If(Read(0), (Gate("x", (), (1,)),), (Gate("rx", (1.1,), (2,)),)), Gate("x", (), (0,)), Reset(0),
    Gate("cnot", (), (0, 2)), Measure(1, 1), Measure(2, 2)), (0, 1, 2)), "opaque", "runner")
RIGHT = qasm("h q[0];", "c[0] = measure q[0];", "if (c[0] == 1) {", "  x q[1];", "} else {", "  rx(1.1) q[2];", "}",
             "x q[0];", "reset q[0];", "cnot q[0], q[2];", "c[1] = measure q[1];", "c[2] = measure q[2];")
# (name, text replaced in the right translation, replacement, verdict method on the exact distribution)
WRONG = [
    ("right", "", "", "chi-square"),
    ("gate-swapped", "h q[0];", "x q[0];", "deterministic"),
    ("condition-flipped", "c[0] == 1", "c[0] == 0", "impossible outcome"),
    ("reset-dropped", "reset q[0];\n", "", "chi-square"),
    ("angle-changed", "rx(1.1)", "rx(2.1)", "chi-square"),
    ("never-ends", "c[2] = measure q[2];\n", "c[2] = measure q[2];\nwhile (c[1] == 1) {\n  x q[0];\n}\n",
     "unending"),
]


def _too_many_worlds(*args, **kwargs):
    raise statevector.TooManyWorlds("forced")


@pytest.mark.parametrize("sampled", [False, True], ids=["exact", "sampled"])
@pytest.mark.parametrize("name, old, new, method", WRONG, ids=[row[0] for row in WRONG])
def test_a_wrong_translation_is_caught(name, old, new, method, sampled, monkeypatch):
    output = RIGHT.replace(old, new, 1) if old else RIGHT
    assert output != RIGHT or name == "right"
    if sampled:  # the comparison against a seeded sample, used where the exact tree grows too large
        monkeypatch.setattr(statevector, "distribution", _too_many_worlds)
        method = method if method == "unending" else "homogeneity"
    outcome = differential.compare_output(output, QIR, [0, 1, 2], None)
    assert (outcome.stage, outcome.verdict.ok, outcome.verdict.method) == ("compared", name == "right", method)


@pytest.mark.parametrize("expected, counts, ok, method", [
    ({(0,): 1.0}, {(0,): 1000}, True, "deterministic"),
    ({(0,): 1.0}, {(0,): 999, (1,): 1}, False, "deterministic"),
    ({(0,): 0.5, (1,): 0.5}, {(0,): 520, (1,): 480}, True, "chi-square"),
    ({(0,): 0.5, (1,): 0.5}, {(0,): 600, (1,): 400}, False, "chi-square"),
    ({(0, 0): 0.5, (1, 1): 0.5}, {(0, 0): 500, (1, 1): 499, (0, 1): 1}, False, "impossible outcome"),
    (Counter({(0,): 510, (1,): 490}), {(0,): 490, (1,): 510}, True, "homogeneity"),
    (Counter({(0,): 700, (1,): 300}), {(0,): 500, (1,): 500}, False, "homogeneity"),
])
def test_verdict(expected, counts, ok, method):
    """Probabilities (a dict) are exact; a Counter is the simulator's sample."""
    against = differential.against_sample if isinstance(expected, Counter) else differential.against_exact
    verdict = against(expected, Counter(counts))
    assert (verdict.ok, verdict.method) == (ok, method)


# --- the simulator's gates are the runner's ---------------------------------------

DIALECT_NAMES = {"s_adj": "inv @ s", "t_adj": "inv @ t", "cx": "cnot", "rxx": "xx", "ryy": "yy", "rzz": "zz",
                 "ccx": "ccnot", "phasedx": "prx", "r1": "rz", "ctl-x1": "cnot", "ctl-x2": "ccnot", "ctl-y": "cy",
                 "ctl-z": "cz", "ctl-swap": "cswap"}
# the operations with one dialect gate of their own (the others: test_decomposition_is_the_operation)
GATE_CASES = [(op, False) for op in QIR_GATES if op != "u3"] + [
    (f"ctl-{op}", adj) for op in CONTROLLED_OPS if f"ctl-{op}" in DIALECT_NAMES for adj in (False, True)]


@pytest.mark.parametrize("op, adjoint", GATE_CASES)
def test_simulator_runs_each_gate_as_the_runner_does(op, adjoint):
    """Each gate between rotations of every qubit: sign, order and operand errors show.
    The runner runs what the generator's runner target writes (its substitutions included)."""
    if op.startswith("ctl-"):
        n_angles, n_qubits = 0, sum(CONTROLLED_OPS[op[4:]][:2])
        stmt = Ctl(op[4:], adjoint, tuple(range(n_qubits)))
    else:
        n_angles, n_qubits, _ = QIR_GATES[op]
        stmt = Gate(op, tuple(0.9 + 0.8 * i for i in range(n_angles)), tuple(range(n_qubits)))
    name = ("inv @ " if adjoint else "") + DIALECT_NAMES.get(op, op)
    angles = f"({', '.join(map(repr, stmt.angles))})" if n_angles else ""
    preps = [(0.7, 1.9), (2.3, -0.6), (-1.2, 0.8)]
    body, lines = [], []
    for q in range(n_qubits):
        (a, b), (c, d) = preps[q], preps[(q + 1) % 3]
        body.append((Gate("ry", (a,), (q,)), Gate("rz", (b,), (q,))))
        lines.append((f"ry({a}) q[{q}];", f"rz({b}) q[{q}];"))
        body.append((Gate("rz", (c,), (q,)), Gate("rx", (d,), (q,)), Measure(q, q)))
        lines.append((f"rz({c}) q[{q}];", f"rx({d}) q[{q}];", f"c[{q}] = measure q[{q}];"))
    program = Program(n_qubits, n_qubits, (*sum(body[0::2], ()), stmt, *sum(body[1::2], ())), tuple(range(n_qubits)))
    gate = f"{name}{angles} {', '.join(f'q[{q}]' for q in range(n_qubits))};"
    output = qasm(*sum(lines[0::2], ()), gate, *sum(lines[1::2], ()), qubits=n_qubits)
    outcome = differential.compare_output(output, qirgen.emit_text(program, "opaque", "runner"),
                                          list(range(n_qubits)), None)
    assert outcome.matched, outcome.detail


# --- corvane's decompositions are the operations ------------------------------------

def _unitary(text: str, n_qubits: int) -> np.ndarray:
    """The matrix of a program of gates alone, run by the simulator on each basis state."""
    interpreter = statevector._Interpreter(openqasm3.parse(text), True, None, 0.0, 1, 1)
    start, columns = interpreter.declare(), []
    for k in range(2 ** n_qubits):
        world = start.copy(1.0)
        world.state.reshape(-1)[:] = np.eye(2 ** n_qubits)[k]
        (world,) = interpreter.run_block(interpreter.program.statements, [world])
        columns.append(world.state.reshape(-1))
    return np.array(columns).T


def _u3(theta: float, phi: float, lam: float) -> np.ndarray:
    c, s = math.cos(theta / 2), math.sin(theta / 2)
    return np.array([[c, -cmath.exp(1j * lam) * s], [cmath.exp(1j * phi) * s, cmath.exp(1j * (phi + lam)) * c]])


def _matrix(name: str, angle: float) -> np.ndarray:
    """The matrix of a QIR operation: r1 is diag(1, e^{i angle}), the others the dialect's gates of that name."""
    if name == "r1":
        return np.diag([1, cmath.exp(1j * angle)])
    return statevector.gate_matrix(name, [angle] if name in ROTATIONS else [], False)


DECOMPOSED = [("r1", False), ("u3", False)] + [(f"ctl-{op}", adj) for op in CONTROLLED_OPS for adj in (False, True)]


@pytest.mark.parametrize("angle", [0.0, math.pi / 2, math.pi, -math.pi / 3, random.Random(28).uniform(-7, 7)])
@pytest.mark.parametrize("op, adjoint", DECOMPOSED)
def test_decomposition_is_the_operation(op, adjoint, angle):
    """corvane's gates for r1, u3 and every controlled op, multiplied out, are the operation's matrix up to a global
    phase: under a control, one of the whole sequence, so the target's own phase is pinned by the control-off block."""
    corvane = pytest.importorskip("corvane", reason="corvane is not installed")
    if op.startswith("ctl-"):
        controls, targets, inner = CONTROLLED_OPS[op[4:]]
        n_qubits, target = controls + targets, _matrix(inner, angle)
        stmt = Ctl(op[4:], adjoint, tuple(range(n_qubits)), (angle,) if inner in ROTATIONS else ())
        expected = statevector._controlled(target.conj().T if adjoint else target, controls)
    else:
        n_qubits = 1
        angles = (angle, angle + 1.1, 0.3 - 2 * angle) if op == "u3" else (angle,)
        stmt = Gate(op, angles, (0,))
        expected = _u3(*angles) if op == "u3" else _matrix("r1", angle)
    text = corvane.translate(qirgen.emit_text(Program(n_qubits, 0, (stmt,), ()), "opaque", "corvane"))
    assert not inspect_program(text)[1].errors
    actual = _unitary(text, n_qubits)
    phase = np.vdot(expected, actual) / len(expected)
    assert abs(abs(phase) - 1) < 1e-9 and np.allclose(actual, phase * expected, atol=1e-9), text


PYTKET_ZZMAX = """import json
from pytket import Circuit
from pytket.qir import QIRFormat, QIRProfile, pytket_to_qir
circuit = Circuit(2).H(0).Rx(0.3, 1).ZZMax(0, 1).add_barrier([0, 1]).H(1)
unitary = circuit.get_unitary()  # qubit 0 is the most significant, as in the simulator
print(json.dumps({"qir": pytket_to_qir(circuit, qir_format=QIRFormat.STRING, profile=QIRProfile.ADAPTIVE),
                  "unitary": [[[z.real, z.imag] for z in row] for row in unitary]}))
"""


def test_zzmax_is_pytkets_unitary():
    """pytket's ZZMax (with a barrier between gates) translates to gates whose matrix is pytket's own, up to phase."""
    corvane = pytest.importorskip("corvane", reason="corvane is not installed")
    from proof import producers
    python = producers.producer_python("pytket")
    if python is None:
        pytest.skip("no interpreter with pytket and pytket-qir")
    import json
    import subprocess
    done = json.loads(subprocess.run([python, "-c", PYTKET_ZZMAX], capture_output=True, text=True, check=True).stdout)
    text = corvane.translate(done["qir"])
    assert "zz(" in text and "barrier q[0], q[1];" in text and not inspect_program(text)[1].errors
    expected = np.array([[complex(*z) for z in row] for row in done["unitary"]])
    actual = _unitary(text, 2)
    phase = np.vdot(expected, actual) / len(expected)
    assert abs(abs(phase) - 1) < 1e-9 and np.allclose(actual, phase * expected, atol=1e-9), text


# --- forms without a meaning are refused ------------------------------------------


@pytest.mark.parametrize("condition, refusal", [
    ("9223372036854775807 + 1 < 0", None),  # + - * and negation wrap at 64 bits
    ("(-9223372036854775807 - 1) - 1 == 9223372036854775807", None),
    ("4294967296 * 4294967296 == 0", None),
    ("-(-9223372036854775807 - 1) < 0", None),
    ("1 << 63 == -9223372036854775807 - 1", None),
    ("(-1 & 4294967295) == 4294967295", None),  # & | ^ act on two's-complement bits
    ("(-2 ^ -9223372036854775807 - 1) == 9223372036854775806", None),
    ("(-8 | 3) == -5", None),
    ("-1 < 0", None),
    ("(9223372036854775807 >> 62) == 1", None),
    ("7 / 2 == 3", None),
    ("7 % 3 == 1", None),
    ("-1 >> 1 == -1", "-1 >> 1 has no settled meaning"),
    ("1 >> 64 == 0", "1 >> 64 has no settled meaning"),
    ("1 << 64 == 0", "shift by 64 has no settled meaning"),
    ("-7 / 2 == -3", "-7 / 2 has no settled meaning"),
    ("7 / 0 == 0", "7 / 0 has no settled meaning"),
    ("7 % -2 == 1", "7 % -2 has no settled meaning"),
    ("-7 % 2 == -1", "-7 % 2 has no settled meaning"),
    ("-9223372036854775808 < 0", "integer literal 9223372036854775808 does not fit the 64-bit int"),
])
def test_simulator_integers(condition, refusal):
    """Each condition holds, so q[0] flips; a form without a settled meaning is refused."""
    text = qasm(f"if ({condition}) {{", "  x q[0];", "}", "c[0] = measure q[0];")
    if refusal is not None:
        with pytest.raises(statevector.SimulationError, match=f"^{re.escape(refusal)}$"):
            statevector.distribution(text)
    else:
        assert statevector.distribution(text).probs == {(1, 0, 0): 1.0}


GOLDEN = proof.golden_outputs()


@pytest.mark.parametrize("path", GOLDEN, ids=[str(p.relative_to(proof.REPO)) for p in GOLDEN])
def test_golden_output_is_valid_dialect(path):
    assert inspect_program(proof.read_text(path))[1].errors == []


@pytest.mark.parametrize("text, errors", [
    (qasm("rx q[0];"), ["line 4: gate rx takes 1 angle(s), got 0"]),
    (qasm("cphaseshift(0.5) q[0], q[1];"), ["line 4: gate cphaseshift takes 0 angle(s), got 1"]),
    (qasm("ccnot q[0], q[1];"), ["line 4: gate ccnot takes 3 qubit(s), got 2"]),
    (qasm("cx q[0], q[1];"), ["line 4: gate cx is not a gate of the dialect"]),
    (qasm("h q[3];"), ["line 4: index 3 outside q[3]"]),
    (qasm("c[3] = measure q[0];"), ["line 4: index 3 outside c[3]"]),
    (qasm("if (c[5] == 1) {", "  x q[0];", "}"), ["line 4: index 5 outside c[3]"]),
    (qasm("cnot q[1], q[1];"), ["line 4: gate cnot names one qubit twice: [1, 1]"]),
    (qasm("ctrl @ x q[0], q[1];"), ["line 4: modifier ctrl is not part of the dialect",
                                    "line 4: gate x takes 1 qubit(s), got 2"]),
    (qasm("cint_1 = 2;"), ["line 4: assignment to undeclared cint_1"]),
    (qasm("if (cint_9 == 1) {", "}"), ["line 4: undeclared variable cint_9"]),
    (qasm("h r[0];"), ["line 4: r is not a declared qubit register"]),
    (qasm("barrier q;", "barrier q[0], q[2];"), []),
    (qasm("barrier r;"), ["line 4: barrier on r, which is not a declared qubit register"]),
    (qasm("c[0] = true;", "c[1] = c[0] == 1;", "c[2] = !(c[0] == 1);"), []),
    (qasm("c[0] = 1;"), ["line 4: a bit is assigned an integer, not a comparison or truth value"]),
    (qasm("c[0] = c[1] + 1;"), ["line 4: a bit is assigned an integer, not a comparison or truth value"]),
    ("OPENQASM 3.0;\nqubit[1] q;\nh q[0];\n", ["last line is not the generated-by trailer: 'h q[0];'"]),
    ('OPENQASM 3.0;\nqubit[1] q;\n// generated-by: {"name":"other"}\n',
     ["trailer does not name corvane: {'name': 'other'}"]),
    ("OPENQASM 3.0;\n// stray\nqubit[1] q;\n" + TRAILER, ["expected exactly one comment line, found 2"]),
    ("OPENQASM 3.0;\nqubit[1] q;\n" + TRAILER.rstrip("\n"), ["program does not end with a line feed"]),
    (qasm("cphaseshift q[0], q[1];", "inv @ prx(0.5, 1.5) q[1];", "cswap q[0], q[1], q[2];"), []),
    (qasm("inv @ prx(0.5, 1.5) q[1];", "cswap q[0], q[1], q[2];"), []),
])
def test_dialect_check(text, errors):
    report = inspect_program(text)[1]
    # `cphaseshift` is written without its angle: its syntax is checked, its meaning is not simulated
    assert (report.errors, report.simulatable) == (errors, not errors and "cphaseshift" not in text)


RECORDING = """define void @main() #0 {{
entry:
  call void @__quantum__qis__mz__body(ptr null, ptr inttoptr (i64 1 to ptr))
{first}  br label %out
out:
{body}
  ret void
}}
attributes #0 = {{ "entry_point" }}
"""
RECORD = "  call void @__quantum__rt__result_record_output({}, ptr null)\n"


@pytest.mark.parametrize("first, body, expected", [
    ("", RECORD.format("ptr inttoptr (i64 1 to ptr)") + RECORD.format("ptr null"), [1, 0]),
    ("", RECORD.format("ptr nonnull inttoptr (i64 4 to ptr)"), [4]),
    ("", RECORD.format("%Result* inttoptr (i64 2 to %Result*)"), [2]),
    ("", RECORD.format("ptr %r"), "recorded result is not a constant: " + RECORD.format("ptr %r").strip()),
    ("", RECORD.format("ptr null") + "  call void @__quantum__qis__mz__body(ptr null, ptr null)",
     "quantum operation after recording: call void @__quantum__qis__mz__body(ptr null, ptr null)"),
    (RECORD.format("ptr null"), RECORD.format("ptr null"), "results are recorded in more than one block"),
    ("", "  call void @__quantum__qis__mz__body(ptr null, ptr inttoptr (i64 3 to ptr))", "added [1, 3]"),
])
def test_record_mapping(first, body, expected):
    """Only a static recording maps onto `c`; a module without one gets one for every measured result."""
    text = RECORDING.format(first=first, body=body.rstrip("\n"))
    mapping = qirscan.record_mapping(text)
    if mapping == []:
        augmented, records, _ = qirscan.add_records(text)
        assert qirscan.record_mapping(augmented) == records
        mapping = f"added {records}"
    assert mapping == expected


@pytest.mark.parametrize("measured, records, expected", [
    ("inttoptr (i64 1 to ptr)", ["inttoptr (i64 1 to ptr)", "null"], set()),
    ("null", ["inttoptr (i64 1 to ptr)", "null", "inttoptr (i64 1 to ptr)"], {0, 2}),
    ("null", ["inttoptr (i64 2 to ptr)"], set()),
])
def test_misread_records(measured, records, expected):
    """The runner misreads only a recorded result 1 that nothing measures."""
    text = RECORDING.format(first="", body="".join(RECORD.format(f"ptr {r}") for r in records).rstrip("\n"))
    text = text.replace("ptr inttoptr (i64 1 to ptr))\n  br", f"ptr {measured})\n  br")
    assert qirscan.misread_records(text) == expected
