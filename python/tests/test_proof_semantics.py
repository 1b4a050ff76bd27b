"""corvane's output computes what its QIR input computes.

The QIR runner executes the input; the harness's state-vector simulator
executes corvane's OpenQASM output; the recorded results are compared with
the bits of `c` they map to (see proof.differential and proof.compare for
the verdict and its false-alarm rate). Inputs are the real-world corpus and
random programs written by our own emitter (typed and opaque pointers) and
by pyqir.
"""
from __future__ import annotations

import dataclasses
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
import proof  # noqa: E402

proof.require()
corvane = pytest.importorskip("corvane", reason="corvane is not installed")

from hypothesis import HealthCheck, given, settings  # noqa: E402
from hypothesis import strategies as st  # noqa: E402

from proof import differential, qirgen, strategies  # noqa: E402

pytestmark = pytest.mark.proof

CORPUS = proof.corpus_files()

# Stages at which a corpus module simply is not comparable (not a failure of
# the translation's meaning): it does not translate, its output has a gate
# without meaning, its recording is not static, or the runner refuses it.
NOT_COMPARABLE = {"translate-error", "unsimulatable", "not-static", "runner-rejected"}


@pytest.mark.skipif(not CORPUS, reason="QIR corpus folder (../shared/corpus) is absent")
@pytest.mark.parametrize("path", CORPUS, ids=[str(p.relative_to(proof.corpus_dir())) for p in CORPUS] if CORPUS else [])
def test_corpus_module_computes_what_the_runner_computes(path):
    outcome = differential.check_corpus_module(proof.read_text(path))
    if outcome.stage in NOT_COMPARABLE:
        pytest.skip(f"{outcome.stage}: {outcome.detail}")
    if outcome.stage == "simulator-error" and "exceed the simulator's limit" in outcome.detail:
        pytest.skip(outcome.detail)
    assert outcome.stage == "compared", f"{outcome.stage}: {outcome.detail}\n{outcome.output}"
    assert outcome.matched, f"{outcome.verdict.method}: {outcome.detail}\n{outcome.output}"


def check_random(prog: qirgen.Program, corvane_text: str, runner_text: str) -> None:
    outcome = differential.check_module(corvane_text, runner_text, list(prog.records))
    detail = f"{outcome.stage}: {outcome.detail}\n--- program\n{prog}\n--- QIR\n{corvane_text}\n--- OpenQASM\n{outcome.output}"
    assert outcome.stage == "compared", detail
    assert outcome.matched, detail


def _shape_programs() -> list[tuple[str, qirgen.Program]]:
    """One small program per shape of the generator, so that every shape is checked on every run."""
    from proof.qirgen import Ctl, Gate, If, IntView, Logic, Loop, Measure, Not, Program, Read, Reset, Sel

    init = (Measure(0, 0), Measure(0, 1), Measure(0, 2))
    coins = (Gate("h", (), (0,)), Gate("ry", (1.1,), (1,)), Measure(0, 0), Measure(1, 1))
    r0, r1 = Read(0), Read(1, "rt")
    conds = {
        "read": r0, "read-zeroext": Read(0, "rt-zeroext"), "not": Not(r0), "not-true-first": Not(r1, True),
        "sel-c-t": Sel(r0, r1, True), "sel-c-f": Sel(r0, r1, False), "sel-t-c": Sel(r0, True, r1),
        "sel-f-c": Sel(r0, False, r1), "sel-t-f": Sel(r0, True, False), "sel-f-t": Sel(r0, False, True),
        "sel-t-t": Sel(r0, True, True), "sel-c-c": Sel(r0, r1, Not(r1)),
    }
    for op in ("and", "or"):
        for style in ("instr", "select", "phi"):
            conds[f"{op}-{style}"] = Logic(op, r0, Not(r1), style)
        conds[f"{op}-phi-swapped"] = Logic(op, Not(r0), r1, "phi", False)
        conds[f"{op}-phi-inverted"] = Logic(op, r0, r1, "phi", True, True)
    # conditions whose parts add blocks of their own
    conds["phi-in-phi"] = Logic("and", r0, Logic("or", r1, Not(r0), "phi"), "phi")
    conds["materialise-in-phi"] = Logic("or", IntView(r0, "materialise"), r1, "phi")
    conds["ifmerge-in-phi"] = Logic("and", r0, IntView(r1, "ifmerge"), "phi", True, True)
    for op in ("xor", "eq", "ne"):
        conds[op] = Logic(op, r0, r1)
    for style in ("zext", "select", "arith", "materialise", "ifmerge"):
        for variant in range({"materialise": 4, "ifmerge": 8}.get(style, 4 if style in ("zext", "select") else 1)):
            conds[f"int-{style}-{variant}"] = IntView(r1, style, variant)
    out = []
    for name, cond in conds.items():
        body = init + coins + (If(cond, (Gate("x", (), (2,)), Gate("h", (), (1,))), (Gate("rx", (0.7,), (2,)),)),
                               Measure(1, 1), Measure(2, 2))
        out.append((f"if-{name}", Program(3, 3, body, (0, 1, 2))))
    for style in ("self", "header"):
        for until_zero in (True, False):
            body = init + coins + (Loop(0, 0, (Gate("ry", (0.4,), (1,)), Ctl("x1", False, (1, 2))), style, until_zero),
                                   Measure(1, 1), Measure(2, 2))
            out.append((f"loop-{style}-{'while-one' if until_zero else 'while-zero'}", Program(3, 3, body, (0, 1, 2))))
    loop = Loop(0, 0, (Gate("ry", (0.4,), (2,)),), "header", True)
    nested = {
        "loop-in-if": (If(r1, (loop,), (Gate("x", (), (2,)),)),),
        "loop-in-loop": (Loop(1, 1, (Loop(0, 0, (Gate("ry", (0.4,), (2,)),), "self", True),), "header", True),),
        "two-loops": (Loop(1, 1, (Gate("ry", (0.4,), (2,)),), "self", False), loop),
        "phi-if-in-loop": (Loop(0, 0, (If(Logic("or", r1, Not(r1), "phi"), (Gate("ry", (0.5,), (2,)),)),
                                        Gate("h", (), (1,)), Measure(1, 1)), "header", False),),
        "empty-ifs": (If(r0, (), (), True), If(Logic("and", r0, r1, "phi"), (), ())),
    }
    for name, stmts in nested.items():
        out.append((name, Program(3, 3, init + coins + stmts + (Measure(2, 2),), (0, 1, 2))))
    for op, (n_angles, n_qubits, _) in qirgen.QIR_GATES.items():
        prep = tuple(Gate("ry", (0.6 + q,), (q,)) for q in range(3)) + (Gate("rz", (1.2,), (0,)),)
        gate = Gate(op, tuple(0.9 + i for i in range(n_angles)), tuple(range(n_qubits)))
        body = init + prep + (gate, Gate("h", (), (0,)), Gate("rx", (0.3,), (1,))) + tuple(Measure(q, q) for q in range(3))
        out.append((f"gate-{op}", Program(3, 3, body, (0, 1, 2))))
    for op in qirgen.CONTROLLED_OPS:
        for adjoint in (False, True):
            c, t = qirgen.CONTROLLED_OPS[op]
            body = init + (Gate("h", (), (0,)), Gate("ry", (2.0,), (1,)), Gate("rx", (1.0,), (2,)),
                           Ctl(op, adjoint, tuple(range(c + t))), Gate("h", (), (2,))) + tuple(Measure(q, q) for q in range(3))
            out.append((f"controlled-{op}{'-adj' if adjoint else ''}", Program(3, 3, body, (0, 1, 2))))
    for kind in ("mz", "m", "mresetz"):
        body = init + (Gate("h", (), (0,)), Measure(0, 0, kind), Reset(1), Gate("cnot", (), (0, 1)), Measure(1, 1))
        out.append((f"measure-{kind}", Program(2, 3, body, (1, 0))))
    base = Program(3, 3, init + coins + (If(Logic("or", r0, r1), (Gate("rx", (0.5,), (2,)),), (Gate("y", (), (2,)),)),
                                         If(Read(1), (), (Gate("x", (), (0,)),)), Measure(0, 0), Measure(2, 2)), (2, 1, 0))
    out += _switch_and_angle_programs(init + coins, r0, r1)
    out.append(("handles-by-instruction", dataclasses.replace(base, handles="instr")))
    out.append(("angles-through-memory", dataclasses.replace(base, memory_angles=True)))
    out.append(("blocks-shuffled", dataclasses.replace(base, block_order=3)))
    # calls of defined functions: nested, before and after the entry point, one and two returns
    inner = qirgen.DefinedCall((Gate("ry", (0.8,), (2,)), If(IntView(r1, "ifmerge"), (Gate("x", (), (0,)),))), 2, True)
    for two_returns in (False, True):
        call = qirgen.DefinedCall((Gate("rx", (1.3,), (1,)), inner, Measure(1, 1)), 2, two_returns, 1, -2, two_returns,
                                  (Gate("h", (), (2,)),))
        body = init + coins + (call, Measure(0, 0), Measure(2, 2))
        out.append((f"defined-call-{'two-returns' if two_returns else 'one-return'}", Program(3, 3, body, (0, 1, 2))))
    return out + _value_shape_programs()


def _switch_and_angle_programs(start: tuple, r0, r1) -> list[tuple[str, qirgen.Program]]:
    """Switches (shared arms, cases to the default, default only, a phi in the join) and computed angles."""
    from proof.qirgen import (FArith, Gate, IArith, IBit, IConst, ISelect, IShift, IZext, Measure, Program, Switch,
                              ToDouble)

    x2, h1, ry2 = Gate("x", (), (2,)), Gate("h", (), (1,)), Gate("ry", (0.4,), (2,))
    two_bits = IArith(32, "or", IZext(32, IBit(r0)), IShift(32, "shl", IZext(32, IBit(r1)), 1))
    switches = {
        "shared-arms": Switch(two_bits, ((0, 0), (2, -1), (3, 0), (1, 1)), ((x2,), (ry2, h1)), (h1,)),
        "default-is-join": Switch(two_bits, ((3, 0), (1, 1), (0, 1)), ((x2,), (ry2,)), None),
        "default-only": Switch(IZext(64, IBit(r0)), ((1, -1),), (), (x2,)),
        "constant": Switch(IConst(64, 7), ((7, 0), (3, -1)), ((x2,),), None),
        "i1": Switch(IBit(r1), ((1, 0),), ((x2,),), (h1,)),
        "phi-in-join": Switch(two_bits, ((0, 0), (2, -1), (3, 0)), ((h1,),), None, True, (x2,)),
    }
    angles = (
        FArith("fmul", FArith("fadd", ToDouble("sitofp", IZext(64, IBit(r0))), 0.25),
               FArith("fneg", ToDouble("uitofp", ISelect(32, r1, -3, 5)))),
        FArith("fdiv", 1.0, 3.0),
        FArith("fsub", ToDouble("sitofp", IBit(r1)), FArith("fmul", ToDouble("uitofp", IConst(64, -1)), 2.0 ** -60)),
        FArith("fadd", ToDouble("sitofp", two_bits), ToDouble("uitofp", IBit(r0))),
    )
    out = [(f"switch-{name}", Program(3, 3, start + (stmt, Measure(1, 1), Measure(2, 2)), (0, 1, 2)))
           for name, stmt in switches.items()]
    gates = tuple(Gate(op, (angle,), (2,)) for op, angle in zip(("rx", "ry", "rz", "rx"), angles))
    out.append(("computed-angles", Program(3, 3, start + (Gate("h", (), (2,)),) + gates + (Measure(2, 2),),
                                           (0, 1, 2))))
    return out


def _value_shape_programs() -> list[tuple[str, qirgen.Program]]:
    """One program per shape of the value classes: a value defined at one point and used later."""
    from proof.qirgen import (After, Bind, Bound, Choose, Cmp, Gate, If, IntView, Loaded, LoadedInt, Logic, Loop,
                              Measure, Merge, Not, PhiJoin, PhiLoop, Plus, Program, Read, Store, While, Widen)

    init = (Measure(0, 0), Measure(0, 1), Measure(0, 2))
    coins = (Gate("h", (), (0,)), Gate("ry", (1.1,), (1,)), Measure(0, 0), Measure(1, 1))
    r0, r1 = Read(0), Read(1, "rt")
    x2, h1, ry2 = Gate("x", (), (2,)), Gate("h", (), (1,)), Gate("ry", (0.4,), (2,))

    def count(slot: int) -> Store:
        return Store(slot, "i64", Plus(LoadedInt(slot), 1))

    def remeasure(qubit: int, op: str = "x") -> tuple:
        return (Gate(op, (), (qubit,)), Measure(qubit, qubit))

    shapes = {
        # a cell set before an `if`, stored again in one or both arms, loaded after the join
        "store-i64-in-then": (Store(0, "i64", 3), If(r0, (Store(0, "i64", 5),)), If(Cmp(LoadedInt(0), "eq", 5), (x2,))),
        "store-i64-in-both-computed": (
            Store(0, "i64", 0), If(r0, (Store(0, "i64", Widen(r1)),), (Store(0, "i64", Choose(r1, 4, 6)),)),
            If(Cmp(LoadedInt(0), "sgt", 0), (x2,), (h1,))),
        "store-i64-plus-in-else": (Store(0, "i64", 2), If(r0, (), (Store(0, "i64", Plus(LoadedInt(0), 3)),)),
                                   If(Cmp(LoadedInt(0), "ult", 4), (x2,))),
        "store-i1-in-else": (Store(1, "i1", False), If(r0, (), (Store(1, "i1", Not(r1)),)), If(Loaded(1), (x2,))),
        # the arm measures and stores the bit; the result is measured again before the load
        "store-i1-measured-in-arm": (Store(1, "i1", True), If(r0, (h1, Measure(1, 1), Store(1, "i1", r1))),
                                     *remeasure(1, "h"), If(Not(Loaded(1)), (x2,))),
        # a load, a store to the same cell, then a use of what was loaded
        "load-store-use-i64": (Store(0, "i64", Choose(r0, 2, 7)), Bind(5, LoadedInt(0)), Store(0, "i64", Plus(Bound(5), 1)),
                               If(Cmp(Bound(5), "eq", 2), (x2,)), If(Cmp(LoadedInt(0), "eq", 3), (h1,))),
        "load-store-use-i1": (Store(1, "i1", r0), Bind(6, Loaded(1)), Store(1, "i1", Not(Bound(6))),
                              If(Bound(6), (x2,)), If(Loaded(1), (h1,))),
        # a value read from a result that is measured again before the use
        "remeasure-then-branch": (Bind(7, r0), *remeasure(0), If(Bound(7), (x2,))),
        "remeasure-old-and-new": (Bind(7, r0), *remeasure(0, "h"), If(Logic("and", Bound(7), r0), (x2,), (h1,))),
        "remeasure-int": (Bind(8, Widen(r0)), *remeasure(0), If(Cmp(Bound(8), "eq", 1), (x2,))),
        "remeasure-in-phi-rhs": (If(Logic("or", r0, After(remeasure(0), r1), "phi"), (x2,)),),
        "remeasure-in-phi-rhs-inverted": (If(Logic("and", Not(r0), After(remeasure(0, "h"), r1), "phi", False, True),
                                             (x2,), (h1,)),),
        # integer merges: one inside a loop, one starting from another, one starting from a result
        "ifmerge-in-loop": (Loop(0, 0, (If(IntView(r1, "ifmerge", 5), (x2,)), h1, Measure(1, 1)), "header"),),
        "merge-in-counted-loop": (Store(0, "i64", 0), While(Cmp(LoadedInt(0), "slt", 3), (
            h1, Measure(1, 1), Merge(3, r1, 0, 1), If(Cmp(Bound(3), "eq", 1), (x2,)), count(0)))),
        # the merge's condition holds on the first turn only: a value kept from the turn before shows
        "merge-in-counted-loop-first-turn": (Store(0, "i64", 0), While(Cmp(LoadedInt(0), "slt", 2), (
            Merge(3, Cmp(LoadedInt(0), "eq", 0), 0, 1), If(Cmp(Bound(3), "eq", 1), (x2,)), count(0)))),
        "ifmerge-in-counted-loop-first-turn": (Store(0, "i64", 0), While(Cmp(LoadedInt(0), "slt", 2), (
            If(IntView(Cmp(LoadedInt(0), "eq", 0), "ifmerge", 1), (x2,)), count(0)))),
        "chained-merges": (Merge(0, r0, 4, 1), Merge(1, r1, Bound(0), 10, swap=True),
                           If(Cmp(Bound(0), "eq", 5), (x2,)), If(Cmp(Bound(1), "eq", 15), (h1,))),
        "chained-merges-remeasured": (Merge(0, r0, 5, 2, on_false=True), *remeasure(0), Merge(1, r0, Bound(0), 10),
                                      *remeasure(1), If(Cmp(Bound(0), "eq", 5), (x2,)),
                                      If(Cmp(Bound(1), "sgt", 15), (h1,))),
        "merge-base-from-result": (Merge(2, r1, Widen(r0), 1), *remeasure(0), If(Cmp(Bound(2), "eq", 1), (x2,))),
        # loops kept in memory: a flag loop (the flag is the bit or its negation) and counted loops
        "flag-loop": (Store(1, "i1", True), While(Loaded(1), (ry2, Gate("h", (), (0,)), Measure(0, 0), Store(1, "i1", r0)))),
        "flag-loop-negated": (Store(1, "i1", True), While(Loaded(1), (
            Merge(4, r1, 1, 2), If(Cmp(Bound(4), "eq", 3), (x2,)), h1, Measure(1, 1), Gate("h", (), (0,)), Measure(0, 0),
            Store(1, "i1", Not(r0))))),
        "counted-loop-uses-counter": (Store(0, "i64", 0), While(Cmp(LoadedInt(0), "slt", 3), (
            If(Cmp(LoadedInt(0), "eq", 1), (x2,), (ry2,)), count(0)))),
        "counted-loop-counts-ones": (Store(0, "i64", 0), Store(2, "i64", 0), While(Cmp(LoadedInt(0), "slt", 3), (
            h1, Measure(1, 1), If(r1, (count(2),)), count(0))), If(Cmp(LoadedInt(2), "sge", 2), (x2,))),
        "cell-carried-between-turns": (Store(0, "i64", 0), Store(3, "i64", 1), While(Cmp(LoadedInt(0), "slt", 3), (
            If(Cmp(LoadedInt(3), "eq", 1), (x2,)), h1, Measure(1, 1), Store(3, "i64", Widen(r1)), count(0)))),
        "read-before-loop-remeasured-inside": (Bind(9, r0), Store(0, "i64", 0), While(Cmp(LoadedInt(0), "slt", 2), (
            *remeasure(0, "h"), If(Bound(9), (x2,)), count(0)))),
        # phis of any shape: several predecessors, critical edges, i32 extremes, values from other blocks
        "phi-join-i1": (PhiJoin(5, "i1", (r0, r1), (True, Not(r1), False), (False, True)), If(Bound(5), (x2,))),
        "phi-join-i32": (PhiJoin(5, "i32", (r0, Not(r1)), (-2147483648, 2147483647, -1), (True, False)),
                         If(Cmp(Bound(5), "slt", 0), (x2,), (h1,))),
        "phi-join-i64-remeasured": (PhiJoin(5, "i64", (r1,), (Widen(r0), 4)), *remeasure(0),
                                    If(Cmp(Bound(5), "eq", 1), (x2,))),
        # counters and swapping pairs in loop header phis
        "phi-loop-swap-i1": (PhiLoop(5, 7, "i1", 3, r0, False, (If(Bound(5), (ry2,)),)), If(Bound(5), (x2,))),
        "phi-self-loop-counter": (PhiLoop(5, 7, "i64", 2, 1, Widen(r1), (
            If(Cmp(Bound(7), "eq", 1), (x2,)), h1, Measure(1, 1)), True), If(Cmp(Bound(6), "eq", 1), (h1,))),
    }
    for n in range(4):
        shapes[f"counted-loop-{n}"] = (Store(0, "i64", 0), While(Cmp(LoadedInt(0), "slt", n), (
            ry2, h1, Measure(1, 1), If(r1, (Gate("rx", (0.3,), (2,)),)), count(0))))
    out = [(f"value-{name}", Program(3, 3, init + coins + stmts + (Measure(1, 1), Measure(2, 2)), (0, 1, 2)))
           for name, stmts in shapes.items()]
    # memory, phis and bound values must follow the paths whatever order the blocks are written in
    for name in ("store-i64-in-both-computed", "flag-loop", "counted-loop-3", "remeasure-in-phi-rhs", "chained-merges",
                 "merge-in-counted-loop", "phi-join-i1", "phi-join-i32", "phi-loop-swap-i1", "phi-self-loop-counter"):
        out.append((f"value-{name}-shuffled", dataclasses.replace(dict(out)[f"value-{name}"], block_order=5)))
    return out


SHAPES = _shape_programs()


@pytest.mark.parametrize("style", ["typed", "opaque"])
@pytest.mark.parametrize("prog", [p for _, p in SHAPES], ids=[name for name, _ in SHAPES])
def test_each_generated_shape_computes_what_the_runner_computes(prog, style):
    check_random(prog, qirgen.emit_text(prog, style, "corvane"), qirgen.emit_text(prog, style, "runner"))


PYQIR_SHAPES = [(name, p) for name, p in SHAPES if qirgen.pyqir_supports(p)]


@pytest.mark.parametrize("prog", [p for _, p in PYQIR_SHAPES], ids=[name for name, _ in PYQIR_SHAPES])
def test_each_pyqir_shape_computes_what_the_runner_computes(prog):
    check_random(prog, qirgen.emit_pyqir(prog, "corvane"), qirgen.emit_pyqir(prog, "runner"))


SETTINGS = settings(max_examples=100, derandomize=True, deadline=None, database=None,
                    suppress_health_check=list(HealthCheck))


@SETTINGS
@given(strategies.programs(), st.sampled_from(["typed", "opaque"]))
def test_random_program_computes_what_the_runner_computes(prog, style):
    check_random(prog, qirgen.emit_text(prog, style, "corvane"), qirgen.emit_text(prog, style, "runner"))


@settings(SETTINGS, max_examples=50)
@given(strategies.programs("pyqir"))
def test_random_pyqir_program_computes_what_the_runner_computes(prog):
    check_random(prog, qirgen.emit_pyqir(prog, "corvane"), qirgen.emit_pyqir(prog, "runner"))


# --- directed shapes where a value's timing matters -------------------------------
#
# Each module below is valid QIR that corvane translates, and each reads a
# classical value at a different time than it is written. Where the runner
# and the simulator disagree, the case is a strict expected failure, so the
# suite stays green while the fault stands and turns red once it is fixed
# (remove the marker then). A translation error or any other stage fails the
# test outright (RuntimeError is not the expected exception).

DECLARATIONS = """
declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr writeonly) #1
declare i1 @__quantum__qis__read_result__body(ptr)
declare void @__quantum__rt__result_record_output(ptr, ptr)
attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
attributes #1 = { "irreversible" }
"""

Q = {i: "ptr null" if i == 0 else f"ptr inttoptr (i64 {i} to ptr)" for i in range(4)}


def module(body: str) -> str:
    return "define void @main() #0 {\n" + body.format(**{f"q{i}": v for i, v in Q.items()}) + "}\n" + DECLARATIONS


READ_THEN_REMEASURE = module("""\
entry:
  call void @__quantum__qis__h__body({q0})
  call void @__quantum__qis__mz__body({q0}, {q0})
  %v = call i1 @__quantum__qis__read_result__body({q0})
  call void @__quantum__qis__x__body({q0})
  call void @__quantum__qis__mz__body({q0}, {q0})
  br i1 %v, label %then, label %done
then:
  call void @__quantum__qis__x__body({q1})
  br label %done
done:
  call void @__quantum__qis__mz__body({q1}, {q1})
  call void @__quantum__rt__result_record_output({q0}, ptr null)
  call void @__quantum__rt__result_record_output({q1}, ptr null)
  ret void
""")

SHORT_CIRCUIT_AFTER_REMEASURE = module("""\
entry:
  call void @__quantum__qis__mz__body({q1}, {q1})
  call void @__quantum__qis__h__body({q0})
  call void @__quantum__qis__mz__body({q0}, {q0})
  %v = call i1 @__quantum__qis__read_result__body({q0})
  br i1 %v, label %join, label %rhs
rhs:
  call void @__quantum__qis__x__body({q0})
  call void @__quantum__qis__mz__body({q0}, {q0})
  %w = call i1 @__quantum__qis__read_result__body({q1})
  br label %join
join:
  %p = phi i1 [ true, %entry ], [ %w, %rhs ]
  br i1 %p, label %flip, label %done
flip:
  call void @__quantum__qis__x__body({q2})
  br label %done
done:
  call void @__quantum__qis__mz__body({q2}, {q2})
  call void @__quantum__rt__result_record_output({q0}, ptr null)
  call void @__quantum__rt__result_record_output({q2}, ptr null)
  ret void
""")

IF_MERGE_INIT_FROM_RESULT = module("""\
entry:
  call void @__quantum__qis__mz__body({q2}, {q2})
  call void @__quantum__qis__x__body({q0})
  call void @__quantum__qis__mz__body({q0}, {q0})
  %v = call i1 @__quantum__qis__read_result__body({q0})
  %i = zext i1 %v to i64
  call void @__quantum__qis__h__body({q1})
  call void @__quantum__qis__mz__body({q1}, {q1})
  %w = call i1 @__quantum__qis__read_result__body({q1})
  br i1 %w, label %upd, label %merge
upd:
  %a = add i64 %i, 1
  br label %merge
merge:
  %p = phi i64 [ %i, %entry ], [ %a, %upd ]
  %c = icmp eq i64 %p, 1
  br i1 %c, label %flip, label %done
flip:
  call void @__quantum__qis__x__body({q2})
  br label %done
done:
  call void @__quantum__qis__mz__body({q2}, {q2})
  call void @__quantum__rt__result_record_output({q1}, ptr null)
  call void @__quantum__rt__result_record_output({q2}, ptr null)
  ret void
""")

IF_MERGE_IN_LOOP = module("""\
entry:
  call void @__quantum__qis__mz__body({q2}, {q2})
  call void @__quantum__qis__h__body({q0})
  br label %head
head:
  call void @__quantum__qis__mz__body({q0}, {q0})
  %v = call i1 @__quantum__qis__read_result__body({q0})
  br i1 %v, label %body, label %exit
body:
  call void @__quantum__qis__h__body({q1})
  call void @__quantum__qis__mz__body({q1}, {q1})
  %w = call i1 @__quantum__qis__read_result__body({q1})
  br i1 %w, label %upd, label %merge
upd:
  %a = add i64 0, 1
  br label %merge
merge:
  %p = phi i64 [ 0, %body ], [ %a, %upd ]
  %c = icmp eq i64 %p, 1
  br i1 %c, label %flip, label %cont
flip:
  call void @__quantum__qis__x__body({q2})
  br label %cont
cont:
  call void @__quantum__qis__h__body({q0})
  br label %head
exit:
  call void @__quantum__qis__mz__body({q2}, {q2})
  call void @__quantum__rt__result_record_output({q2}, ptr null)
  ret void
""")

# Enough shots to see a difference of 0.03 in one probability at the stated false-alarm rate.
DIRECTED_SHOTS = 20000

@pytest.mark.parametrize("text", [
    pytest.param(READ_THEN_REMEASURE, id="read-result-then-remeasure"),
    pytest.param(SHORT_CIRCUIT_AFTER_REMEASURE, id="short-circuit-phi-after-remeasure"),
    # the initial value reads a result measured just before: it must be taken there, not at the top
    pytest.param(IF_MERGE_INIT_FROM_RESULT, id="if-merge-init-from-result"),
    pytest.param(IF_MERGE_IN_LOOP, id="if-merge-inside-loop"),
])
def test_value_timing_shapes(text):
    outcome = differential.check_module(text, shots=DIRECTED_SHOTS)
    if outcome.stage != "compared":
        raise RuntimeError(f"{outcome.stage}: {outcome.detail}\n{outcome.output}")
    assert outcome.matched, f"{outcome.verdict.method}: {outcome.detail}\n{outcome.output}"


# --- valid input in the forms LLVM allows ----------------------------------------------
#
# LLVM reads every module below (the runner runs them).

PHI_BEFORE_ITS_PREDECESSOR = module("""\
entry:
  call void @__quantum__qis__h__body({q0})
  call void @__quantum__qis__mz__body({q0}, {q0})
  call void @__quantum__qis__h__body({q1})
  call void @__quantum__qis__mz__body({q1}, {q1})
  %a = call i1 @__quantum__qis__read_result__body({q0})
  br i1 %a, label %join, label %rhs
join:
  %p = phi i1 [ true, %entry ], [ %b, %rhs ]
  br i1 %p, label %flip, label %done
rhs:
  %b = call i1 @__quantum__qis__read_result__body({q1})
  br label %join
flip:
  call void @__quantum__qis__x__body({q2})
  br label %done
done:
  call void @__quantum__qis__mz__body({q2}, {q2})
  call void @__quantum__rt__result_record_output({q0}, ptr null)
  call void @__quantum__rt__result_record_output({q1}, ptr null)
  call void @__quantum__rt__result_record_output({q2}, ptr null)
  ret void
""")


# The constant comes from a branch before the loop, the other value (a bit
# measured from |0>) from the loop's latch: the second arrival reads the bit.
CONSTANT_PHI_INTO_A_LOOP_HEADER = module("""\
entry:
  call void @__quantum__qis__h__body({q0})
  call void @__quantum__qis__mz__body({q0}, {q0})
  call void @__quantum__qis__mz__body({q1}, {q1})
  %c = call i1 @__quantum__qis__read_result__body({q0})
  %m = call i1 @__quantum__qis__read_result__body({q1})
  br i1 %c, label %head, label %done
head:
  %p = phi i1 [ true, %entry ], [ %m, %latch ]
  br i1 %p, label %latch, label %done
latch:
  call void @__quantum__qis__x__body({q2})
  br label %head
done:
  call void @__quantum__qis__mz__body({q2}, {q2})
  call void @__quantum__rt__result_record_output({q0}, ptr null)
  call void @__quantum__rt__result_record_output({q2}, ptr null)
  ret void
""")


def latch_written_first(text: str) -> str:
    """The module with its `latch:` block moved above its `head:` block."""
    head, latch, done = text.index("head:"), text.index("latch:"), text.index("done:")
    return text[:head] + text[latch:done] + text[head:latch] + text[done:]


def tiny_angle_from_pyqir() -> str:
    """pyqir (LLVM's printer) writes 1.902362356418622e-302 as a hex literal without its leading zero digit."""
    prog = qirgen.Program(1, 1, (qirgen.Gate("h", (), (0,)), qirgen.Gate("rz", (1.902362356418622e-302,), (0,)),
                                 qirgen.Gate("h", (), (0,)), qirgen.Measure(0, 0)), (0,))
    text = qirgen.emit_pyqir(prog, "corvane")
    assert "double 0x14A176BDFC384C5," in text
    return text


def bound_value_used_above_its_definition() -> str:
    """A value defined in one join block and branched on in a later one, the later block written first."""
    from proof.qirgen import Bind, Bound, Gate, If, Measure, Program, Read

    body = (Measure(0, 0), Measure(0, 1), Measure(0, 2), Gate("h", (), (0,)), Gate("ry", (1.1,), (1,)),
            Measure(0, 0), Measure(1, 1), If(Read(0), (Gate("x", (), (1,)),)), Bind(0, Read(1)),
            If(Read(0), (Gate("x", (), (2,)),)), If(Bound(0), (Gate("h", (), (2,)),)), Measure(2, 2))
    text = qirgen.emit_text(Program(3, 3, body, (0, 1, 2), block_order=1), "opaque")
    definition = text.index("= call i1 @__quantum__qis__read_result__body(ptr inttoptr (i64 1 to ptr))")
    name = text[:definition].rsplit("%", 1)[1].strip()
    assert text.index(f"br i1 %{name},") < definition
    return text


@pytest.mark.parametrize("make", [
    pytest.param(bound_value_used_above_its_definition, id="value-used-in-a-block-written-before-its-definition"),
    pytest.param(lambda: PHI_BEFORE_ITS_PREDECESSOR, id="phi-written-before-its-predecessor"),
    pytest.param(lambda: CONSTANT_PHI_INTO_A_LOOP_HEADER, id="constant-phi-into-a-loop-header"),
    pytest.param(lambda: latch_written_first(CONSTANT_PHI_INTO_A_LOOP_HEADER),
                 id="constant-phi-into-a-loop-header-latch-written-first"),
    pytest.param(tiny_angle_from_pyqir, id="short-hex-double-from-llvm"),
])
def test_valid_llvm_shapes(make):
    outcome = differential.check_module(make(), shots=DIRECTED_SHOTS)
    if outcome.stage != "compared":
        raise RuntimeError(f"{outcome.stage}: {outcome.detail}\n{outcome.output}")
    assert outcome.matched, f"{outcome.verdict.method}: {outcome.detail}\n{outcome.output}"


# --- integer semantics ---------------------------------------------------------------
#
# LLVM integers have a width and its predicates a signedness; `i1` true is -1
# when read as signed, `add i1` wraps to 0 and `add i32` at 2^31. Each module
# measures a deterministic or fair bit, computes on it, and flips q[2] on the
# outcome.


def flip_on(setup: str, compute: str, recorded: tuple[int, ...]) -> str:
    records = "".join(f"  call void @__quantum__rt__result_record_output({{q{r}}}, ptr null)\n" for r in recorded)
    return module(f"""\
entry:
{setup}{compute}  br i1 %c, label %flip, label %done
flip:
  call void @__quantum__qis__x__body({{q2}})
  br label %done
done:
  call void @__quantum__qis__mz__body({{q2}}, {{q2}})
{records}  ret void
""")


COIN_0 = ("  call void @__quantum__qis__h__body({q0})\n"
          "  call void @__quantum__qis__mz__body({q0}, {q0})\n"
          "  %a = call i1 @__quantum__qis__read_result__body({q0})\n")
ONES_01 = ("  call void @__quantum__qis__x__body({q0})\n  call void @__quantum__qis__mz__body({q0}, {q0})\n"
           "  call void @__quantum__qis__x__body({q1})\n  call void @__quantum__qis__mz__body({q1}, {q1})\n"
           "  %a = call i1 @__quantum__qis__read_result__body({q0})\n"
           "  %b = call i1 @__quantum__qis__read_result__body({q1})\n")
ZERO_1 = "  call void @__quantum__qis__mz__body({q1}, {q1})\n  %b = call i1 @__quantum__qis__read_result__body({q1})\n"


@pytest.mark.parametrize("text", [
    # a 64-bit sum that overflows wraps, in LLVM and in the output's int
    pytest.param(flip_on(COIN_0, "  %k = select i1 %a, i64 9223372036854775807, i64 0\n  %m = add i64 %k, 1\n"
                                 "  %c = icmp slt i64 %m, 0\n", (0, 2)), id="i64-overflow-wraps"),
    pytest.param(flip_on(COIN_0, "  %z = zext i1 %a to i64\n  %m = mul i64 %z, 3\n  %d = sub i64 %m, 1\n"
                                 "  %c = icmp sgt i64 %d, 0\n", (0, 2)), id="signed-arithmetic"),
    # `icmp sgt i1 true, false` is false: true is -1 under a signed predicate
    pytest.param(flip_on(COIN_0 + ZERO_1, "  %c = icmp sgt i1 %a, %b\n", (0, 2)), id="signed-predicate-on-i1"),
    pytest.param(flip_on(COIN_0, "  %c = icmp slt i1 %a, false\n", (0, 2)), id="signed-predicate-on-i1-constant"),
    # -1 is the largest i64 for `icmp ult`
    pytest.param(flip_on(COIN_0, "  %z = zext i1 %a to i64\n  %d = sub i64 %z, 1\n  %c = icmp ult i64 %d, 5\n",
                         (0, 2)), id="unsigned-predicate-on-negative"),
    pytest.param(flip_on(COIN_0, "  %k = select i1 %a, i32 -7, i32 7\n  %c = icmp uge i32 %k, 4294967289\n",
                         (0, 2)), id="unsigned-predicate-on-negative-i32"),
    # `add i1 true, true` is false
    pytest.param(flip_on(ONES_01, "  %c = add i1 %a, %b\n", (2,)), id="i1-sum-wraps"),
    pytest.param(flip_on(COIN_0, "  %c = mul i1 %a, -1\n", (0, 2)), id="i1-product-with-minus-one"),
    # `add i32 2147483647, 1` is -2147483648; 65536 * 65536 is 0 in i32
    pytest.param(flip_on(COIN_0, "  %k = select i1 %a, i32 2147483647, i32 0\n  %m = add i32 %k, 1\n"
                                 "  %c = icmp slt i32 %m, 0\n", (0, 2)), id="i32-overflow-wraps"),
    pytest.param(flip_on(COIN_0, "  %k = select i1 %a, i32 65536, i32 3\n  %m = mul i32 %k, %k\n"
                                 "  %c = icmp eq i32 %m, 0\n", (0, 2)), id="i32-product-wraps"),
    pytest.param(flip_on(COIN_0, "  %k = select i1 %a, i32 -2147483648, i32 5\n  %m = sub i32 %k, 1\n"
                                 "  %c = icmp sgt i32 %m, 5\n", (0, 2)), id="i32-difference-wraps"),
    # a computed -1 extended from i32 is 4294967295
    pytest.param(flip_on(COIN_0, "  %z = zext i1 %a to i32\n  %d = sub i32 %z, 1\n  %w = zext i32 %d to i64\n"
                                 "  %c = icmp eq i64 %w, 4294967295\n", (0, 2)), id="zext-of-negative"),
    # bits packed into an i64 register and read back, as pytket writes conditions
    pytest.param(flip_on(ONES_01, "  %x = zext i1 %a to i64\n  %y = zext i1 %b to i64\n  %s = shl i64 %y, 1\n"
                                  "  %r = or i64 %x, %s\n  %m = and i64 %r, 2\n  %c = icmp eq i64 %m, 2\n", (2,)),
                 id="register-packing"),
    # the sign bit of an i32 shifted in wraps to -2^31; ashr keeps the sign, lshr does not
    pytest.param(flip_on(COIN_0, "  %n = sext i1 %a to i32\n  %s = shl i32 %n, 31\n  %t = ashr i32 %s, 30\n"
                                 "  %c = icmp eq i32 %t, -2\n", (0, 2)), id="ashr-of-negative-i32"),
    pytest.param(flip_on(COIN_0, "  %n = sext i1 %a to i32\n  %t = lshr i32 %n, 28\n"
                                 "  %c = icmp eq i32 %t, 15\n", (0, 2)), id="lshr-of-negative-i32"),
    # trunc keeps the low bits: 0x1_0000_0001 is 1 in i32; sext of i1 true is -1
    pytest.param(flip_on(COIN_0, "  %k = select i1 %a, i64 4294967297, i64 2\n  %t = trunc i64 %k to i32\n"
                                 "  %c = icmp eq i32 %t, 1\n", (0, 2)), id="trunc-keeps-low-bits"),
    pytest.param(flip_on(COIN_0, "  %k = select i1 %a, i64 6, i64 7\n  %t = trunc i64 %k to i1\n"
                                 "  %c = xor i1 %t, true\n", (0, 2)), id="trunc-to-i1"),
    # udiv below 64 bits reads the pattern: -2 as i32 is 4294967294
    pytest.param(flip_on(COIN_0, "  %k = select i1 %a, i32 -2, i32 4\n  %d = udiv i32 %k, 2\n"
                                 "  %c = icmp eq i32 %d, 2147483647\n", (0, 2)), id="udiv-of-negative-i32"),
    pytest.param(flip_on(COIN_0, "  %z = zext i1 %a to i64\n  %m = add i64 %z, 9\n  %r = srem i64 %m, 4\n"
                                 "  %c = icmp eq i64 %r, 2\n", (0, 2)), id="srem-of-non-negative"),
])
def test_integer_semantics(text):
    outcome = differential.check_module(text, shots=DIRECTED_SHOTS)
    if outcome.stage != "compared":
        raise RuntimeError(f"{outcome.stage}: {outcome.detail}\n{outcome.output}")
    assert outcome.matched, f"{outcome.verdict.method}: {outcome.detail}\n{outcome.output}"


@settings(SETTINGS, max_examples=60)
@given(strategies.integer_programs(), st.sampled_from(["typed", "opaque"]))
def test_random_integer_program_computes_what_the_runner_computes(prog, style):
    check_random(prog, qirgen.emit_text(prog, style, "corvane"), qirgen.emit_text(prog, style, "runner"))


def test_controlled_phaseshift_is_valid_but_left_out_of_simulation():
    """`cphaseshift` is written without its angle: syntax is checked, meaning is not."""
    text = """\
%Qubit = type opaque
%Array = type opaque

define void @main() #0 {
entry:
  call void (i64, i64, i64, i64, i8*, ...) @generalizedInvokeWithRotationsControlsTargets(i64 0, i64 0, i64 1, i64 1, i8* bitcast (void (%Array*, %Qubit*)* @__quantum__qis__phaseshift__ctl to i8*), %Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  ret void
}

declare void @__quantum__qis__phaseshift__ctl(%Array*, %Qubit*)
declare void @generalizedInvokeWithRotationsControlsTargets(i64, i64, i64, i64, i8*, ...)
attributes #0 = { "entry_point" }
"""
    outcome = differential.check_module(text)
    assert (outcome.stage, outcome.detail) == ("unsimulatable", "uses ['cphaseshift']")
    assert "cphaseshift q[0], q[1];\n" in outcome.output
