"""Tests of the proof harness itself, independent of the translator.

The dialect checker must reject what it is meant to reject, the simulator
must reproduce known distributions, the comparison must flag wrong counts,
and the generator, the QIR runner and the simulator must agree on programs
written straight from the model (so that a later mismatch points at the
translation, not at the harness).
"""
from __future__ import annotations

import math
import sys
from collections import Counter
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
import proof  # noqa: E402

proof.require()

from hypothesis import HealthCheck, given, settings  # noqa: E402
from hypothesis import strategies as st  # noqa: E402

from proof import compare, conventions, qirgen, qirscan, runner, statevector, strategies  # noqa: E402
from proof.dialect import check_program, inspect_program  # noqa: E402
from proof.qirgen import Gate, If, Logic, Loop, Measure, Not, Program, Read, Reset  # noqa: E402

pytestmark = pytest.mark.proof

TRAILER = '// generated-by: {"name":"corvane","version":"0.2.0"}\n'


def program(*lines: str, qubits: int = 3, bits: int = 3) -> str:
    head = ["OPENQASM 3.0;", f"qubit[{qubits}] q;", f"bit[{bits}] c;"]
    return "\n".join(head + list(lines)) + "\n" + TRAILER


# --- dialect checker ---------------------------------------------------------------


def test_dialect_accepts_every_gate_and_statement_form():
    text = program(
        "int cint_0 = 0;",
        "h q[0];", "x q[0];", "y q[0];", "z q[0];", "s q[0];", "inv @ s q[0];", "t q[0];",
        "inv @ t q[1];", "cnot q[0], q[1];", "cy q[1], q[2];", "cz q[2], q[0];", "swap q[0], q[2];",
        "rx(0.5) q[0];", "ry(-0.25) q[1];", "rz(3.0) q[2];", "xx(0.1) q[0], q[1];",
        "yy(0.2) q[1], q[2];", "zz(0.3) q[0], q[2];", "ccnot q[0], q[1], q[2];",
        "prx(0.5, 1.5) q[1];", "cswap q[0], q[1], q[2];", "inv @ cz q[0], q[1];",
        "c[0] = measure q[0];", "reset q[0];",
        "if ((c[0] == 1) != (c[1] == 1) && !(c[2] == 1)) {", "  x q[1];", "} else {", "  cint_0 = cint_0 + 1;", "}",
        "while (c[0] * 5 + (1 - c[0]) * 7 == 5) {", "  c[0] = measure q[0];", "}",
    )
    report = check_program(text)
    assert report.errors == []
    assert report.simulatable
    assert (report.qubits, report.bits) == (3, 3)


def test_dialect_accepts_cphaseshift_without_angle_and_marks_it_unsimulatable():
    report = check_program(program("cphaseshift q[0], q[1];", "inv @ cphaseshift q[1], q[0];"))
    assert report.errors == []
    assert not report.simulatable


@pytest.mark.parametrize("lines, errors", [
    (["rx q[0];"], ["line 4: gate rx takes 1 angle(s), got 0"]),
    (["cphaseshift(0.5) q[0], q[1];"], ["line 4: gate cphaseshift takes 0 angle(s), got 1"]),
    (["h q[0], q[1];"], ["line 4: gate h takes 1 qubit(s), got 2"]),
    (["prx(0.5) q[0];"], ["line 4: gate prx takes 2 angle(s), got 1"]),
    (["ccnot q[0], q[1];"], ["line 4: gate ccnot takes 3 qubit(s), got 2"]),
    (["cx q[0], q[1];"], ["line 4: gate cx is not a gate of the dialect"]),
    (["u3(0.1, 0.2, 0.3) q[0];"], ["line 4: gate u3 is not a gate of the dialect"]),
    (["h q[3];"], ["line 4: index 3 outside q[3]"]),
    (["c[3] = measure q[0];"], ["line 4: index 3 outside c[3]"]),
    (["if (c[5] == 1) {", "  x q[0];", "}"], ["line 4: index 5 outside c[3]"]),
    (["cnot q[1], q[1];"], ["line 4: gate cnot names one qubit twice: [1, 1]"]),
    (["ctrl @ x q[0], q[1];"], ["line 4: modifier ctrl is not part of the dialect",
                                "line 4: gate x takes 1 qubit(s), got 2"]),
    (["cint_1 = 2;"], ["line 4: assignment to undeclared cint_1"]),
    (["if (cint_9 == 1) {", "}"], ["line 4: undeclared variable cint_9"]),
    (["h r[0];"], ["line 4: r is not a declared qubit register"]),
    (["barrier q[0];"], ["line 4: statement QuantumBarrier is not part of the dialect"]),
])
def test_dialect_reports_each_fault(lines, errors):
    _, report = inspect_program(program(*lines))
    assert report.errors == errors


@pytest.mark.parametrize("text, errors", [
    ("OPENQASM 3.0;\nqubit[1] q;\nh q[0];\n", ["last line is not the generated-by trailer: 'h q[0];'"]),
    ("OPENQASM 3.0;\nqubit[1] q;\n// generated-by: {\"name\":\"other\"}\n",
     ["trailer does not name corvane: {'name': 'other'}"]),
    ("OPENQASM 3.0;\n// stray\nqubit[1] q;\n" + TRAILER, ["expected exactly one comment line, found 2"]),
    ("OPENQASM 3.0;\nqubit[1] q;\n" + TRAILER.rstrip("\n"), ["program does not end with a line feed"]),
])
def test_dialect_checks_header_and_trailer(text, errors):
    _, report = inspect_program(text)
    assert report.errors == errors


# --- simulator -------------------------------------------------------------------------


def near(dist: statevector.Distribution, expected: dict) -> bool:
    keys = set(dist.probs) | set(expected)
    return all(abs(dist.probs.get(k, 0.0) - expected.get(k, 0.0)) < 1e-9 for k in keys)


@pytest.mark.parametrize("lines, expected", [
    # Bell pair
    (["h q[0];", "cnot q[0], q[1];", "c[0] = measure q[0];", "c[1] = measure q[1];"],
     {(0, 0, 0): 0.5, (1, 1, 0): 0.5}),
    # inverse cancels: h s inv@s h is the identity
    (["h q[0];", "s q[0];", "inv @ s q[0];", "h q[0];", "c[0] = measure q[0];"], {(0, 0, 0): 1.0}),
    # s s = z, so h s s h = x
    (["h q[0];", "s q[0];", "s q[0];", "h q[0];", "c[0] = measure q[0];"], {(1, 0, 0): 1.0}),
    # t^4 = z
    (["h q[2];"] + ["t q[2];"] * 4 + ["h q[2];", "c[2] = measure q[2];"], {(0, 0, 1): 1.0}),
    # xx(pi) flips both qubits, zz(pi) only adds phase
    (["xx(3.141592653589793) q[0], q[1];", "zz(3.141592653589793) q[0], q[1];",
      "c[0] = measure q[0];", "c[1] = measure q[1];"], {(1, 1, 0): 1.0}),
    # yy(pi/2) on |00>: half |00>, half |11>
    (["yy(1.5707963267948966) q[1], q[2];", "c[1] = measure q[1];", "c[2] = measure q[2];"],
     {(0, 0, 0): 0.5, (0, 1, 1): 0.5}),
    # prx(pi, pi/2) is a y rotation by pi: |0> -> |1>
    (["prx(3.141592653589793, 1.5707963267948966) q[0];", "c[0] = measure q[0];"], {(1, 0, 0): 1.0}),
    # rx(theta): P(1) = sin^2(theta/2)
    (["rx(1.0) q[0];", "c[0] = measure q[0];"], {(0, 0, 0): math.cos(0.5) ** 2, (1, 0, 0): math.sin(0.5) ** 2}),
    # controlled gates and swap
    (["x q[0];", "x q[1];", "ccnot q[0], q[1], q[2];", "cswap q[2], q[0], q[1];", "swap q[0], q[2];",
      "c[0] = measure q[0];", "c[1] = measure q[1];", "c[2] = measure q[2];"], {(1, 1, 1): 1.0}),
    (["x q[0];", "cy q[0], q[1];", "cz q[0], q[1];", "c[1] = measure q[1];"], {(0, 1, 0): 1.0}),
    # reset after a coin: always 0
    (["h q[0];", "reset q[0];", "c[0] = measure q[0];"], {(0, 0, 0): 1.0}),
    # teleportation of rx(1.1)|0>, undone on the receiver: the last bit is always 0
    (["rx(1.1) q[0];", "h q[1];", "cnot q[1], q[2];", "cnot q[0], q[1];", "h q[0];",
      "c[0] = measure q[0];", "c[1] = measure q[1];",
      "if (c[1] == 1) {", "  x q[2];", "}", "if (c[0] == 1) {", "  z q[2];", "}",
      "rx(-1.1) q[2];", "c[2] = measure q[2];", "c[0] = measure q[2];", "c[1] = measure q[2];"],
     {(0, 0, 0): 1.0}),
    # else branch and negation
    (["x q[0];", "c[0] = measure q[0];", "if (!(c[0] == 1)) {", "  x q[1];", "} else {", "  x q[2];", "}",
      "c[1] = measure q[1];", "c[2] = measure q[2];"], {(1, 0, 1): 1.0}),
    # printed precedence: (a == 1) != (b == 1) is exclusive or
    (["x q[0];", "c[0] = measure q[0];", "if ((c[0] == 1) != (c[1] == 1)) {", "  x q[2];", "}",
      "c[2] = measure q[2];"], {(1, 0, 1): 1.0}),
    # integer select blend
    (["x q[0];", "c[0] = measure q[0];", "if (c[0] * 5 + (1 - c[0]) * 7 == 5) {", "  x q[1];", "}",
      "c[1] = measure q[1];"], {(1, 1, 0): 1.0}),
    # repeat until the coin shows 0; the loop always ends with c[0] = 0
    (["h q[0];", "c[0] = measure q[0];", "while (c[0] == 1) {", "  h q[0];", "  c[0] = measure q[0];", "}"],
     {(0, 0, 0): 1.0}),
])
def test_simulator_reproduces_known_distributions(lines, expected):
    dist = statevector.distribution(program(*lines))
    assert near(dist, expected), dist
    assert dist.lost < 1e-9


# The output's integer conventions: each condition is true, so q[0] flips.
@pytest.mark.parametrize("condition", [
    "9223372036854775807 + 1 < 0",                       # + wraps at 64 bits
    "(-9223372036854775807 - 1) - 1 == 9223372036854775807",
    "4294967296 * 4294967296 == 0",                      # * wraps
    "-(-9223372036854775807 - 1) < 0",                   # negation of the minimum wraps to itself
    "1 << 63 == -9223372036854775807 - 1",               # << by a constant below 64 wraps
    "(-1 & 4294967295) == 4294967295",                   # & | ^ on two's-complement bits
    "(-2 ^ -9223372036854775807 - 1) == 9223372036854775806",
    "(-8 | 3) == -5",
    "-1 < 0",                                            # comparisons are signed
    "(9223372036854775807 >> 62) == 1",                  # >> / % of non-negative values
    "7 / 2 == 3",
    "7 % 3 == 1",
])
def test_simulator_integers_follow_the_output_conventions(condition):
    text = program(f"if ({condition}) {{", "  x q[0];", "}", "c[0] = measure q[0];")
    assert near(statevector.distribution(text), {(1, 0, 0): 1.0})


@pytest.mark.parametrize("condition, message", [
    ("-1 >> 1 == -1", "-1 >> 1 has no settled meaning"),
    ("1 >> 64 == 0", "1 >> 64 has no settled meaning"),
    ("1 << 64 == 0", "shift by 64 has no settled meaning"),
    ("-7 / 2 == -3", "-7 / 2 has no settled meaning"),
    ("7 / 0 == 0", "7 / 0 has no settled meaning"),
    ("7 % -2 == 1", "7 % -2 has no settled meaning"),
    ("-7 % 2 == -1", "-7 % 2 has no settled meaning"),
    ("-9223372036854775808 < 0", "integer literal 9223372036854775808 does not fit the 64-bit int"),
])
def test_simulator_refuses_integer_forms_without_a_settled_meaning(condition, message):
    text = program(f"if ({condition}) {{", "  x q[0];", "}")
    with pytest.raises(statevector.SimulationError, match=f"^{message}$"):
        statevector.distribution(text)


def test_simulator_counts_loop_iterations_in_int_variables():
    text = "\n".join([
        "OPENQASM 3.0;", "qubit[1] q;", "bit[2] c;", "int cint_0 = 0;",
        "x q[0];", "c[0] = measure q[0];",
        "while (cint_0 < 3) {", "  cint_0 = cint_0 + 1;", "  x q[0];", "}",
        "c[1] = measure q[0];",
    ]) + "\n" + TRAILER
    # three more flips after |1>: |0>
    assert near(statevector.distribution(text), {(1, 0): 1.0})


def test_simulator_sampling_agrees_with_exact_distribution():
    text = program("rx(1.3) q[0];", "cnot q[0], q[1];", "ry(0.4) q[2];",
                   "c[0] = measure q[0];", "c[1] = measure q[1];", "c[2] = measure q[2];")
    exact = statevector.distribution(text).probs
    sample = statevector.sample(text, 3000, 3)
    assert compare.against_exact(exact, sample).ok


def test_simulator_refuses_gates_it_cannot_simulate():
    with pytest.raises(statevector.SimulationError, match="gate cphaseshift cannot be simulated"):
        statevector.distribution(program("cphaseshift q[0], q[1];"))


def test_prx_is_rz_rx_rz():
    for theta, phi in [(0.3, 1.1), (-2.0, 0.4), (1.0, -3.0)]:
        composed = conventions.rz(phi) @ conventions.rx(theta) @ conventions.rz(-phi)
        assert abs(abs(composed.conj().T @ conventions.prx(theta, phi)).trace() - 2) < 1e-12


# --- comparison -------------------------------------------------------------------------


@pytest.mark.parametrize("x, df, expected", [
    (3.841458820694124, 1, 0.05), (5.991464547107979, 2, 0.05), (7.814727903251178, 3, 0.05),
    (9.487729036781154, 4, 0.05), (11.070497693516351, 5, 0.05), (23.209251158954356, 10, 0.01),
    (0.0, 3, 1.0),
])
def test_chi2_survival_function(x, df, expected):
    assert abs(compare.chi2_sf(x, df) - expected) < 1e-9


@pytest.mark.parametrize("probs, counts, ok, method", [
    ({(0,): 1.0}, Counter({(0,): 1000}), True, "deterministic"),
    ({(0,): 1.0}, Counter({(0,): 999, (1,): 1}), False, "deterministic"),
    ({(0,): 0.5, (1,): 0.5}, Counter({(0,): 520, (1,): 480}), True, "chi-square"),
    ({(0,): 0.5, (1,): 0.5}, Counter({(0,): 600, (1,): 400}), False, "chi-square"),
    ({(0, 0): 0.5, (1, 1): 0.5}, Counter({(0, 0): 500, (1, 1): 499, (0, 1): 1}), False, "impossible outcome"),
])
def test_verdict_against_exact_distribution(probs, counts, ok, method):
    verdict = compare.against_exact(probs, counts)
    assert (verdict.ok, verdict.method) == (ok, method)


def test_verdict_against_sample():
    assert compare.against_sample(Counter({(0,): 510, (1,): 490}), Counter({(0,): 490, (1,): 510})).ok
    assert not compare.against_sample(Counter({(0,): 700, (1,): 300}), Counter({(0,): 500, (1,): 500})).ok


# --- recorded results -----------------------------------------------------------------

RECORDING = """\
define void @main() #0 {{
entry:
  call void @__quantum__qis__mz__body(ptr null, ptr inttoptr (i64 1 to ptr))
  br label %out
out:
{body}
  ret void
}}
attributes #0 = {{ "entry_point" }}
"""


@pytest.mark.parametrize("body, expected", [
    ("  call void @__quantum__rt__result_record_output(ptr inttoptr (i64 1 to ptr), ptr null)\n"
     "  call void @__quantum__rt__result_record_output(ptr null, ptr @0)", [1, 0]),
    ("  call void @__quantum__rt__result_record_output(ptr nonnull inttoptr (i64 4 to ptr), ptr @0)", [4]),
    ("  call void @__quantum__rt__result_record_output(%Result* inttoptr (i64 2 to %Result*), i8* null)", [2]),
    ("  call void @__quantum__rt__result_record_output(ptr %r, ptr null)",
     "recorded result is not a constant: call void @__quantum__rt__result_record_output(ptr %r, ptr null)"),
    ("  call void @__quantum__rt__result_record_output(ptr null, ptr null)\n"
     "  call void @__quantum__qis__mz__body(ptr null, ptr null)",
     "quantum operation after recording: call void @__quantum__qis__mz__body(ptr null, ptr null)"),
])
def test_record_mapping(body, expected):
    mapping = qirscan.record_mapping(RECORDING.format(body=body))
    assert (mapping.records if isinstance(mapping, qirscan.Mapping) else mapping) == expected


def test_record_mapping_rejects_records_in_two_blocks():
    text = RECORDING.format(body="  call void @__quantum__rt__result_record_output(ptr null, ptr null)").replace(
        "  br label %out", "  call void @__quantum__rt__result_record_output(ptr null, ptr null)\n  br label %out")
    assert qirscan.record_mapping(text) == "results are recorded in more than one block"


def test_add_records_records_every_measured_result_before_ret():
    text = RECORDING.format(body="  call void @__quantum__qis__mz__body(ptr null, ptr inttoptr (i64 3 to ptr))")
    augmented, records = qirscan.add_records(text)
    assert records == [1, 3]
    assert qirscan.record_mapping(augmented).records == [1, 3]
    shots = runner.run_qir(augmented + "declare void @__quantum__qis__mz__body(ptr, ptr)\n", shots=5)
    assert shots == [["0", "0"]] * 5


# --- generator, runner and simulator together -------------------------------------------


def runner_counts(text: str, shots: int = 2000) -> Counter:
    return Counter(tuple(int(v) for v in shot) for shot in runner.run_qir(text, shots=shots, seed=5))


def reference_verdict(prog: Program, text: str) -> compare.Verdict:
    qasm = qirgen.reference_qasm(prog)
    counts = runner_counts(text)
    try:
        dist = statevector.distribution(qasm)
        probs: dict = {}
        for key, p in dist.probs.items():
            projected = tuple(key[r] for r in prog.records)
            probs[projected] = probs.get(projected, 0.0) + p
        return compare.against_exact(probs, counts)
    except statevector.TooManyWorlds:
        sample = Counter()
        for key, n in statevector.sample(qasm, 2000, 9).items():
            sample[tuple(key[r] for r in prog.records)] += n
        return compare.against_sample(sample, counts)


BELL = Program(2, 2, (Gate("h", (), (0,)), Gate("cnot", (), (0, 1)), Measure(0, 0), Measure(1, 1)), (0, 1))
TELEPORT = Program(3, 3, (
    Gate("rx", (1.1,), (0,)), Gate("h", (), (1,)), Gate("cnot", (), (1, 2)), Gate("cnot", (), (0, 1)),
    Gate("h", (), (0,)), Measure(0, 0), Measure(1, 1),
    If(Read(1), (Gate("x", (), (2,)),)), If(Read(0), (Gate("z", (), (2,)),)),
    Gate("rx", (-1.1,), (2,)), Measure(2, 2)), (2, 0, 1))


def test_runner_gives_bell_pairs():
    counts = runner_counts(qirgen.emit_text(BELL, "typed", "runner"))
    assert set(counts) == {(0, 0), (1, 1)}
    assert reference_verdict(BELL, qirgen.emit_text(BELL, "opaque", "runner")).ok


def test_runner_teleports():
    for text in (qirgen.emit_text(TELEPORT, "typed", "runner"), qirgen.emit_pyqir(TELEPORT, "runner")):
        counts = runner_counts(text)
        assert {key[0] for key in counts} == {0}
        assert len(counts) == 4  # the two correction bits are fair coins
        assert reference_verdict(TELEPORT, text).ok


RUNNER_GATES = [op for op in qirgen.QIR_GATES if op not in ("ccnot", "phasedx")]


@pytest.mark.parametrize("op", RUNNER_GATES)
def test_gate_conventions_match_the_runner(op):
    """Each gate between random single-qubit rotations: sign and order errors show."""
    n_angles, n_qubits, _ = qirgen.QIR_GATES[op]
    preps = [(0.7, 1.9), (2.3, -0.6), (-1.2, 0.8)]
    for variant in range(3):
        body = []
        for q in range(n_qubits):
            a, b = preps[(q + variant) % 3]
            body += [Gate("ry", (a,), (q,)), Gate("rz", (b,), (q,))]
        body.append(Gate(op, tuple(0.9 + 0.8 * variant + i for i in range(n_angles)), tuple(range(n_qubits))))
        for q in range(n_qubits):
            a, b = preps[(q + variant + 1) % 3]
            body += [Gate("rz", (a,), (q,)), Gate("rx", (b,), (q,)), Measure(q, q)]
        prog = Program(n_qubits, n_qubits, tuple(body), tuple(range(n_qubits)))
        verdict = reference_verdict(prog, qirgen.emit_text(prog, "opaque", "runner"))
        assert verdict.ok, verdict.detail


def test_generalized_controls_and_phasedx_substitutions_match_the_dialect():
    body = (Gate("h", (), (0,)), Gate("ry", (0.8,), (1,)), Gate("rx", (2.1,), (2,)),
            qirgen.Ctl("swap", False, (0, 1, 2)), qirgen.Ctl("x2", True, (2, 0, 1)), qirgen.Ctl("y", False, (1, 2)),
            Gate("phasedx", (1.3, 0.4), (0,)), Gate("ccnot", (), (0, 2, 1)), Gate("h", (), (2,)),
            Measure(0, 0), Measure(1, 1), Measure(2, 2))
    prog = Program(3, 3, body, (0, 1, 2))
    assert reference_verdict(prog, qirgen.emit_text(prog, "typed", "runner")).ok


SETTINGS = settings(max_examples=40, derandomize=True, deadline=None, database=None,
                    suppress_health_check=list(HealthCheck))


@SETTINGS
@given(strategies.programs(), st.sampled_from(["typed", "opaque"]))
def test_generated_text_agrees_with_the_reference_program(prog, style):
    verdict = reference_verdict(prog, qirgen.emit_text(prog, style, "runner"))
    assert verdict.ok, verdict.detail


@SETTINGS
@given(strategies.programs("pyqir"))
def test_pyqir_text_agrees_with_the_reference_program(prog):
    assert qirgen.pyqir_supports(prog)
    verdict = reference_verdict(prog, qirgen.emit_pyqir(prog, "runner"))
    assert verdict.ok, verdict.detail


def test_loop_and_branch_shapes_run_on_the_runner():
    prog = Program(2, 2, (
        Measure(0, 0), Measure(0, 1), Gate("h", (), (1,)), Measure(1, 1),
        If(Logic("or", Read(1), Not(Read(0), True), "phi", False), (Reset(1),), (Gate("x", (), (0,)),)),
        If(qirgen.IntView(Read(1), "ifmerge", 1), (Gate("x", (), (1,)),)),
        If(qirgen.IntView(Not(Read(0)), "materialise", 1), (), (Gate("y", (), (1,)),), True),
        Loop(0, 0, (Gate("ry", (0.5,), (1,)),), "header", True),
        Loop(1, 1, (), "self", False),
        Measure(0, 0)), (1, 0), "instr")
    for style in ("typed", "opaque"):
        assert reference_verdict(prog, qirgen.emit_text(prog, style, "runner")).ok


def test_runner_reads_never_measured_result_one_as_one():
    """The runner's convention, unlike a fresh bit register: result 1 unmeasured reads One.

    The generator therefore writes every result before anything reads it.
    """
    prog = Program(1, 4, (), (0, 1, 2, 3))
    assert runner.run_qir(qirgen.emit_text(prog, "opaque", "runner"), shots=3) == [["0", "1", "0", "0"]] * 3
    measured = Program(1, 4, (Measure(0, 1),), (0, 1, 2, 3))
    assert runner.run_qir(qirgen.emit_text(measured, "typed", "runner"), shots=3) == [["0", "0", "0", "0"]] * 3


# --- a translation that never ends --------------------------------------------------

ENDS = Program(1, 1, (Gate("h", (), (0,)), Measure(0, 0)), (0,))
SPIN = (qirgen.Store(0, "i1", True), qirgen.While(qirgen.Loaded(0), (Gate("x", (), (0,)),)))


def _sampled_only(*args, **kwargs):
    raise statevector.TooManyWorlds("forced for the test")


@pytest.mark.parametrize("body, sampled", [
    pytest.param(ENDS.body + SPIN, False, id="always"),
    pytest.param(ENDS.body + (If(Read(0), SPIN),), False, id="on-one-path"),
    pytest.param(ENDS.body + (If(Read(0), SPIN),), True, id="sampled"),
])
def test_output_that_keeps_looping_where_the_runner_ended_is_a_mismatch(body, sampled, monkeypatch):
    """The runner ends every shot, so output still looping at the simulator's cap is a mismatch, not lost mass."""
    from proof import differential

    if sampled:
        monkeypatch.setattr(statevector, "distribution", _sampled_only)
    output = qirgen.reference_qasm(Program(1, 1, body, (0,)))
    outcome = differential.compare_output(output, qirgen.emit_text(ENDS, "opaque", "runner"), [0], None)
    assert (outcome.stage, outcome.verdict.ok, outcome.verdict.method) == ("compared", False, "unending")
