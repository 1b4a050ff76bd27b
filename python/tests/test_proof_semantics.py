"""corvane's output computes what its QIR input computes.

The QIR runner executes the input, the harness's simulator executes corvane's
output, and the recorded results are compared with the bits of `c` they map
to (proof.differential). Inputs: the corpus, one program per shape of the
generator's model (integer semantics and LLVM's layouts among them), and
random programs in both pointer styles.
"""
from __future__ import annotations

import dataclasses
import re
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
from proof.qirgen import (CONTROLLED_OPS, QIR_GATES, ROTATIONS, After, ArrayLoop, Bind, Bound, Cmp, Ctl,  # noqa: E402
                          DefinedCall, FArith, Gate, IBin, IBit, ICast, ICmp, IConst, If, IntView, ISelect, Load, Logic,
                          Loop, Measure, Merge, Not, PhiJoin, PhiLoop, Plus, Program, Read, Reset, Sel, Store, Switch,
                          ToDouble, While, Widen)

pytestmark = pytest.mark.proof

CORPUS = proof.corpus_files()

# Stages at which a corpus module is not comparable (no verdict on its meaning).
NOT_COMPARABLE = {"translate-error", "unsimulatable", "not-static", "runner-rejected"}


@pytest.mark.skipif(not CORPUS, reason="QIR corpus folder (../shared/corpus) is absent")
@pytest.mark.parametrize("path", CORPUS, ids=[str(p.relative_to(proof.corpus_dir())) for p in CORPUS] if CORPUS else [])
def test_corpus_module_computes_what_the_runner_computes(path):
    outcome = differential.check_corpus_module(proof.read_text(path))
    if outcome.stage in NOT_COMPARABLE or "exceed the simulator's limit" in outcome.detail:
        pytest.skip(f"{outcome.stage}: {outcome.detail}")
    assert outcome.matched, f"{outcome.stage}: {outcome.detail}\n{outcome.output}"


def check(prog: Program, style: str, edit=None) -> None:
    corvane_text, runner_text = (qirgen.emit_text(prog, style, target) for target in ("corvane", "runner"))
    if edit is not None:
        corvane_text, runner_text = edit(corvane_text), edit(runner_text)
    outcome = differential.check_module(corvane_text, runner_text)
    assert outcome.matched, (f"{outcome.stage}: {outcome.detail}\n--- program\n{prog}\n--- QIR\n{corvane_text}"
                             f"\n--- OpenQASM\n{outcome.output}")


# --- one program per shape ------------------------------------------------------------

INIT = (Measure(0, 0), Measure(0, 1), Measure(0, 2))
COINS = (Gate("h", (), (0,)), Gate("ry", (1.1,), (1,)), Measure(0, 0), Measure(1, 1))
R0, R1 = Read(0), Read(1, "rt")
X2, H1, RY2 = Gate("x", (), (2,)), Gate("h", (), (1,)), Gate("ry", (0.4,), (2,))
MEASURE_ALL = tuple(Measure(q, q) for q in range(3))


def coined(*stmts, tail=(Measure(1, 1), Measure(2, 2)), **options) -> Program:
    """Fair and biased coins in c[0] and c[1], then `stmts`, then `tail`."""
    return Program(3, 3, INIT + COINS + stmts + tail, (0, 1, 2), **options)


def controlled_shape(op: str, adjoint: bool) -> Program:
    """A controlled op between turns of its qubits (a fourth one for three controls), h after it on
    the first control too, so that a wrong phase on the target shows."""
    n = max(3, n_qubits := sum(CONTROLLED_OPS[op][:2]))
    turns = (Gate("h", (), (0,)), Gate("ry", (2.0,), (1,)), Gate("rx", (1.0,), (2,)), Gate("ry", (0.7,), (3,)))
    ctl = Ctl(op, adjoint, tuple(range(n_qubits)), (0.9,) if op in ROTATIONS else ())
    after = tuple(Gate("h", (), (q,)) for q in (0, 2, 3)[:n - 1])
    return Program(n, n, INIT + turns[:n] + (Gate("rz", (0.5,), (1,)), ctl) + after + tuple(
        Measure(q, q) for q in range(n)), tuple(range(n)))


def count(slot: int) -> Store:
    return Store(slot, "i64", Plus(Load(slot, "i64"), 1))


def remeasure(qubit: int, op: str = "x") -> tuple:
    return Gate(op, (), (qubit,)), Measure(qubit, qubit)


CONDITIONS = {
    "read": R0, "read-zeroext": Read(0, "rt-zeroext"), "not": Not(R0), "not-true-first": Not(R1, True),
    "sel-c-t": Sel(R0, R1, True), "sel-c-f": Sel(R0, R1, False), "sel-t-c": Sel(R0, True, R1),
    "sel-f-c": Sel(R0, False, R1), "sel-t-f": Sel(R0, True, False), "sel-f-t": Sel(R0, False, True),
    "sel-t-t": Sel(R0, True, True), "sel-c-c": Sel(R0, R1, Not(R1)),
    **{f"{op}-{style}": Logic(op, R0, Not(R1), style) for op in ("and", "or") for style in ("instr", "select", "phi")},
    **{f"{op}-phi-swapped": Logic(op, Not(R0), R1, "phi", False) for op in ("and", "or")},
    **{f"{op}-phi-inverted": Logic(op, R0, R1, "phi", True, True) for op in ("and", "or")},
    # conditions whose parts add blocks of their own
    "phi-in-phi": Logic("and", R0, Logic("or", R1, Not(R0), "phi"), "phi"),
    "materialise-in-phi": Logic("or", IntView(R0, "materialise"), R1, "phi"),
    "ifmerge-in-phi": Logic("and", R0, IntView(R1, "ifmerge"), "phi", True, True),
    **{op: Logic(op, R0, R1) for op in ("xor", "eq", "ne")},
    **{f"int-{style}-{variant}": IntView(R1, style, variant)
       for style, variants in (("zext", 4), ("select", 4), ("arith", 1), ("materialise", 4), ("ifmerge", 8))
       for variant in range(variants)},
}
LOOP = Loop(0, 0, (RY2,), "header", True)
BASE = coined(If(Logic("or", R0, R1), (Gate("rx", (0.5,), (2,)),), (Gate("y", (), (2,)),)),
              If(Read(1), (), (Gate("x", (), (0,)),)), tail=(Measure(0, 0), Measure(2, 2)))
BASE = dataclasses.replace(BASE, records=(2, 1, 0))
INNER_CALL = DefinedCall((Gate("ry", (0.8,), (2,)), If(IntView(R1, "ifmerge"), (Gate("x", (), (0,)),))), 2, True)
TWO_BITS = IBin(32, "or", ICast(32, "zext", IBit(R0)), IBin(32, "shl", ICast(32, "zext", IBit(R1)), 1))
ANGLES = (
    FArith("fmul", FArith("fadd", ToDouble("sitofp", ICast(64, "zext", IBit(R0))), 0.25),
           FArith("fneg", ToDouble("uitofp", ISelect(32, R1, -3, 5)))),
    FArith("fdiv", 1.0, 3.0),
    FArith("fsub", ToDouble("sitofp", IBit(R1)), FArith("fmul", ToDouble("uitofp", IConst(64, -1)), 2.0 ** -60)),
    FArith("fadd", ToDouble("sitofp", TWO_BITS), ToDouble("uitofp", IBit(R0))),
)
SWITCHES = {
    "shared-arms": Switch(TWO_BITS, ((0, 0), (2, -1), (3, 0), (1, 1)), ((X2,), (RY2, H1)), (H1,)),
    "default-is-join": Switch(TWO_BITS, ((3, 0), (1, 1), (0, 1)), ((X2,), (RY2,)), None),
    "default-only": Switch(ICast(64, "zext", IBit(R0)), ((1, -1),), (), (X2,)),
    "constant": Switch(IConst(64, 7), ((7, 0), (3, -1)), ((X2,),), None),
    "i1": Switch(IBit(R1), ((1, 0),), ((X2,),), (H1,)),
    "phi-in-join": Switch(TWO_BITS, ((0, 0), (2, -1), (3, 0)), ((H1,),), None, True, (X2,)),
}

SHAPES = {
    **{f"if-{name}": coined(If(cond, (X2, H1), (Gate("rx", (0.7,), (2,)),))) for name, cond in CONDITIONS.items()},
    **{f"loop-{style}-{'while-one' if until_zero else 'while-zero'}": coined(
        Loop(0, 0, (Gate("ry", (0.4,), (1,)), Ctl("x1", False, (1, 2))), style, until_zero))
       for style in ("self", "header") for until_zero in (True, False)},
    **{name: coined(*stmts, tail=(Measure(2, 2),)) for name, stmts in {
        "loop-in-if": (If(R1, (LOOP,), (X2,)),),
        "loop-in-loop": (Loop(1, 1, (Loop(0, 0, (RY2,), "self", True),), "header", True),),
        "two-loops": (Loop(1, 1, (RY2,), "self", False), LOOP),
        "phi-if-in-loop": (Loop(0, 0, (If(Logic("or", R1, Not(R1), "phi"), (Gate("ry", (0.5,), (2,)),)), H1,
                                       Measure(1, 1)), "header", False),),
        "empty-ifs": (If(R0, (), (), True), If(Logic("and", R0, R1, "phi"), (), ())),
    }.items()},
    **{f"gate-{op}": Program(3, 3, INIT + tuple(Gate("ry", (0.6 + q,), (q,)) for q in range(3)) + (
        Gate("rz", (1.2,), (0,)), Gate(op, tuple(0.9 + i for i in range(n_angles)), tuple(range(n_qubits))),
        Gate("h", (), (0,)), Gate("rx", (0.3,), (1,))) + MEASURE_ALL, (0, 1, 2))
       for op, (n_angles, n_qubits, _) in QIR_GATES.items()},
    **{f"controlled-{op}{'-adj' if adjoint else ''}": controlled_shape(op, adjoint)
       for op in CONTROLLED_OPS for adjoint in (False, True)},
    # a reset of a qubit in |1>
    **{f"measure-{kind}": Program(2, 3, INIT + (Gate("h", (), (0,)), Measure(0, 0, kind), Gate("x", (), (1,)),
                                                Reset(1), Gate("cnot", (), (0, 1)), Measure(1, 1)), (1, 0))
       for kind in ("mz", "m", "mresetz")},
    **{f"switch-{name}": coined(stmt) for name, stmt in SWITCHES.items()},
    "computed-angles": coined(Gate("h", (), (2,)), *(Gate(op, (angle,), (2,)) for op, angle in
                                                     zip(("rx", "ry", "rz", "rx"), ANGLES)), tail=(Measure(2, 2),)),
    "handles-by-instruction": dataclasses.replace(BASE, handles="instr"),
    "angles-through-memory": dataclasses.replace(BASE, memory_angles=True),
    "blocks-shuffled": dataclasses.replace(BASE, block_order=3),
    # calls of defined functions: nested, before and after the entry point, one and two returns
    **{f"defined-call-{'two-returns' if two else 'one-return'}": coined(
        DefinedCall((Gate("rx", (1.3,), (1,)), INNER_CALL, Measure(1, 1)), 2, two, 1, -2, two, (Gate("h", (), (2,)),)),
        tail=(Measure(0, 0), Measure(2, 2))) for two in (False, True)},
}

# Values defined at one point and used at a later one.
VALUES = {
    # a cell set before an `if`, stored again in one or both arms, loaded after the join
    "store-i64-in-then": (Store(0, "i64", 3), If(R0, (Store(0, "i64", 5),)), If(Cmp(Load(0, "i64"), "eq", 5), (X2,))),
    "store-i64-in-both-computed": (
        Store(0, "i64", 0), If(R0, (Store(0, "i64", Widen(R1)),), (Store(0, "i64", ISelect(64, R1, 4, 6)),)),
        If(Cmp(Load(0, "i64"), "sgt", 0), (X2,), (H1,))),
    "store-i64-plus-in-else": (Store(0, "i64", 2), If(R0, (), (Store(0, "i64", Plus(Load(0, "i64"), 3)),)),
                               If(Cmp(Load(0, "i64"), "ult", 4), (X2,))),
    "store-i1-in-else": (Store(1, "i1", False), If(R0, (), (Store(1, "i1", Not(R1)),)), If(Load(1, "i1"), (X2,))),
    # the arm measures and stores the bit; the result is measured again before the load
    "store-i1-measured-in-arm": (Store(1, "i1", True), If(R0, (H1, Measure(1, 1), Store(1, "i1", R1))),
                                 *remeasure(1, "h"), If(Not(Load(1, "i1")), (X2,))),
    # a load, a store to the same cell, then a use of what was loaded
    "load-store-use-i64": (Store(0, "i64", ISelect(64, R0, 2, 7)), Bind(5, Load(0, "i64")),
                           Store(0, "i64", Plus(Bound(5), 1)),
                           If(Cmp(Bound(5), "eq", 2), (X2,)), If(Cmp(Load(0, "i64"), "eq", 3), (H1,))),
    "load-store-use-i1": (Store(1, "i1", R0), Bind(6, Load(1, "i1")), Store(1, "i1", Not(Bound(6))),
                          If(Bound(6), (X2,)), If(Load(1, "i1"), (H1,))),
    # a value read from a result that is measured again before the use
    "remeasure-then-branch": (Bind(7, R0), *remeasure(0), If(Bound(7), (X2,))),
    "remeasure-old-and-new": (Bind(7, R0), *remeasure(0, "h"), If(Logic("and", Bound(7), R0), (X2,), (H1,))),
    "remeasure-int": (Bind(8, Widen(R0)), *remeasure(0), If(Cmp(Bound(8), "eq", 1), (X2,))),
    "remeasure-in-phi-rhs": (If(Logic("or", R0, After(remeasure(0), R1), "phi"), (X2,)),),
    "remeasure-in-phi-rhs-inverted": (If(Logic("and", Not(R0), After(remeasure(0, "h"), R1), "phi", False, True),
                                         (X2,), (H1,)),),
    # integer merges: one inside a loop, one starting from another, one starting from a result
    "ifmerge-in-loop": (Loop(0, 0, (If(IntView(R1, "ifmerge", 5), (X2,)), H1, Measure(1, 1)), "header"),),
    "merge-in-counted-loop": (Store(0, "i64", 0), While(Cmp(Load(0, "i64"), "slt", 3), (
        H1, Measure(1, 1), Merge(3, R1, 0, 1), If(Cmp(Bound(3), "eq", 1), (X2,)), count(0)))),
    # the merge's condition holds on the first turn only: a value kept from the turn before shows
    "merge-in-counted-loop-first-turn": (Store(0, "i64", 0), While(Cmp(Load(0, "i64"), "slt", 2), (
        Merge(3, Cmp(Load(0, "i64"), "eq", 0), 0, 1), If(Cmp(Bound(3), "eq", 1), (X2,)), count(0)))),
    "ifmerge-in-counted-loop-first-turn": (Store(0, "i64", 0), While(Cmp(Load(0, "i64"), "slt", 2), (
        If(IntView(Cmp(Load(0, "i64"), "eq", 0), "ifmerge", 1), (X2,)), count(0)))),
    "chained-merges": (Merge(0, R0, 4, 1), Merge(1, R1, Bound(0), 10, swap=True),
                       If(Cmp(Bound(0), "eq", 5), (X2,)), If(Cmp(Bound(1), "eq", 15), (H1,))),
    "chained-merges-remeasured": (Merge(0, R0, 5, 2, on_false=True), *remeasure(0), Merge(1, R0, Bound(0), 10),
                                  *remeasure(1), If(Cmp(Bound(0), "eq", 5), (X2,)),
                                  If(Cmp(Bound(1), "sgt", 15), (H1,))),
    "merge-base-from-result": (Merge(2, R1, Widen(R0), 1), *remeasure(0), If(Cmp(Bound(2), "eq", 1), (X2,))),
    # the base is read before the branch's result is measured again: it is taken there, not at the join
    "merge-base-read-before-remeasure": (Merge(2, After(remeasure(1, "h"), R1), Widen(R0), 1),
                                         If(Cmp(Bound(2), "eq", 1), (X2,))),
    # loops kept in memory: a flag loop (the flag is the bit or its negation) and counted loops
    "flag-loop": (Store(1, "i1", True), While(Load(1, "i1"), (RY2, Gate("h", (), (0,)), Measure(0, 0), Store(1, "i1", R0)))),
    "flag-loop-negated": (Store(1, "i1", True), While(Load(1, "i1"), (
        Merge(4, R1, 1, 2), If(Cmp(Bound(4), "eq", 3), (X2,)), H1, Measure(1, 1), Gate("h", (), (0,)), Measure(0, 0),
        Store(1, "i1", Not(R0))))),
    "counted-loop-uses-counter": (Store(0, "i64", 0), While(Cmp(Load(0, "i64"), "slt", 3), (
        If(Cmp(Load(0, "i64"), "eq", 1), (X2,), (RY2,)), count(0)))),
    "counted-loop-counts-ones": (Store(0, "i64", 0), Store(2, "i64", 0), While(Cmp(Load(0, "i64"), "slt", 3), (
        H1, Measure(1, 1), If(R1, (count(2),)), count(0))), If(Cmp(Load(2, "i64"), "sge", 2), (X2,))),
    "cell-carried-between-turns": (Store(0, "i64", 0), Store(3, "i64", 1), While(Cmp(Load(0, "i64"), "slt", 3), (
        If(Cmp(Load(3, "i64"), "eq", 1), (X2,)), H1, Measure(1, 1), Store(3, "i64", Widen(R1)), count(0)))),
    "read-before-loop-remeasured-inside": (Bind(9, R0), Store(0, "i64", 0), While(Cmp(Load(0, "i64"), "slt", 2), (
        *remeasure(0, "h"), If(Bound(9), (X2,)), count(0)))),
    # phis of any shape: several predecessors, critical edges, i32 extremes, values from other blocks
    "phi-join-i1": (PhiJoin(5, "i1", (R0, R1), (True, Not(R1), False), (False, True)), If(Bound(5), (X2,))),
    "phi-join-i32": (PhiJoin(5, "i32", (R0, Not(R1)), (-2147483648, 2147483647, -1), (True, False)),
                     If(Cmp(Bound(5), "slt", 0), (X2,), (H1,))),
    "phi-join-i64-remeasured": (PhiJoin(5, "i64", (R1,), (Widen(R0), 4)), *remeasure(0),
                                If(Cmp(Bound(5), "eq", 1), (X2,))),
    # counters and swapping pairs in loop header phis
    "phi-loop-swap-i1": (PhiLoop(5, 7, "i1", 3, R0, False, (If(Bound(5), (RY2,)),)), If(Bound(5), (X2,))),
    "phi-self-loop-counter": (PhiLoop(5, 7, "i64", 2, 1, Widen(R1), (
        If(Cmp(Bound(7), "eq", 1), (X2,)), H1, Measure(1, 1)), True), If(Cmp(Bound(6), "eq", 1), (H1,))),
    **{f"counted-loop-{n}": (Store(0, "i64", 0), While(Cmp(Load(0, "i64"), "slt", n), (
        RY2, H1, Measure(1, 1), If(R1, (Gate("rx", (0.3,), (2,)),)), count(0)))) for n in range(4)},
    # loops over constant arrays of qubits, results and angles, unrolled (each counter and element form)
    **{f"array-loop-{counter}-{form}": (ArrayLoop((2, 0, 2), "ry", (0.4, 1.2, 2.1), (2, 1, 0), True, counter, form),
                                        If(R1, (X2,))) for counter in ("slot", "phi") for form in ("one", "two", "i64")},
}
SHAPES.update({f"value-{name}": coined(*stmts) for name, stmts in VALUES.items()})
# memory, phis and bound values must follow the paths whatever order the blocks are written in
SHAPES.update({f"value-{name}-shuffled": dataclasses.replace(SHAPES[f"value-{name}"], block_order=5) for name in (
    "store-i64-in-both-computed", "flag-loop", "counted-loop-3", "remeasure-in-phi-rhs", "chained-merges",
    "merge-in-counted-loop", "phi-join-i1", "phi-join-i32", "phi-loop-swap-i1", "phi-self-loop-counter")})
# and whatever way LLVM's text spells them (literals past their width, volatile, cells in arrays, line breaks)
SHAPES.update({f"value-{name}-spelled": dataclasses.replace(SHAPES[f"value-{name}"], spelling=seed) for seed, name in
               enumerate(VALUES, 1)})

# LLVM's integers have a width and its predicates a signedness: `i1` true is -1
# read as signed, `add i1` wraps to 0, `add i32` at 2^31. A fair bit in c[0]
# (both bits 1 for "ones"), a computation on it, and q[2] flips on the outcome.
A, B, MAX64 = IBit(R0), IBit(R1), (1 << 63) - 1
ONES = (Gate("x", (), (0,)), Measure(0, 0), Gate("x", (), (1,)), Measure(1, 1))
INTEGERS = {
    "i64-overflow-wraps": ICmp("slt", IBin(64, "add", ISelect(64, R0, MAX64, 0), IConst(64, 1)), IConst(64, 0)),
    "signed-arithmetic": ICmp("sgt", IBin(64, "sub", IBin(64, "mul", ICast(64, "zext", A), IConst(64, 3)),
                                               IConst(64, 1)), IConst(64, 0)),
    "signed-predicate-on-i1": ICmp("sgt", A, B),
    "signed-predicate-on-i1-constant": ICmp("slt", A, IConst(1, 0)),
    "unsigned-predicate-on-negative": ICmp("ult", IBin(64, "sub", ICast(64, "zext", A), IConst(64, 1)), IConst(64, 5)),
    "unsigned-predicate-on-negative-i32": ICmp("uge", ISelect(32, R0, -7, 7), IConst(32, -7, True)),
    "ones-i1-sum-wraps": ICmp("ne", IBin(1, "add", A, B), IConst(1, 0)),
    "i1-product-with-true": ICmp("ne", IBin(1, "mul", A, IConst(1, 1)), IConst(1, 0)),
    "i32-overflow-wraps": ICmp("slt", IBin(32, "add", ISelect(32, R0, (1 << 31) - 1, 0), IConst(32, 1)),
                                  IConst(32, 0)),
    "i32-product-wraps": ICmp("eq", IBin(32, "mul", ISelect(32, R0, 65536, 3), ISelect(32, R0, 65536, 3)),
                                 IConst(32, 0)),
    "i32-difference-wraps": ICmp("sgt", IBin(32, "sub", ISelect(32, R0, -(1 << 31), 5), IConst(32, 1)),
                                    IConst(32, 5)),
    "zext-of-negative": ICmp("eq", ICast(64, "zext", IBin(32, "sub", ICast(32, "zext", A), IConst(32, 1))),
                                IConst(64, (1 << 32) - 1)),
    # bits packed into an i64 register and read back, as pytket writes conditions
    "ones-register-packing": ICmp("eq", IBin(64, "and", IBin(64, "or", ICast(64, "zext", A), IBin(
        64, "shl", ICast(64, "zext", B), 1)), IConst(64, 2)), IConst(64, 2)),
    "ashr-of-negative-i32": ICmp("eq", IBin(32, "ashr", IBin(32, "shl", ICast(32, "sext", A), 31), 30),
                                    IConst(32, -2)),
    "lshr-of-negative-i32": ICmp("eq", IBin(32, "lshr", ICast(32, "sext", A), 28), IConst(32, 15)),
    "trunc-keeps-low-bits": ICmp("eq", ICast(32, "trunc", ISelect(64, R0, (1 << 32) + 1, 2)), IConst(32, 1)),
    "trunc-to-i1": ICmp("eq", ICast(1, "trunc", ISelect(64, R0, 6, 7)), IConst(1, 0)),
    "udiv-of-negative-i32": ICmp("eq", IBin(32, "udiv", ISelect(32, R0, -2, 4), 2), IConst(32, (1 << 31) - 1)),
    "srem-of-non-negative": ICmp("eq", IBin(64, "srem", IBin(64, "add", ICast(64, "zext", A), IConst(64, 9)), 4),
                                    IConst(64, 2)),
}
SHAPES.update({f"integer-{name}": Program(3, 3, INIT + (ONES if name.startswith("ones") else COINS[::2]) + (
    If(cond, (X2,)), Measure(2, 2)), (0, 1, 2)) for name, cond in INTEGERS.items()})


@pytest.mark.parametrize("style", ["typed", "opaque"])
@pytest.mark.parametrize("prog", SHAPES.values(), ids=SHAPES.keys())
def test_each_shape_computes_what_the_runner_computes(prog, style):
    check(prog, style)


# --- layouts LLVM allows that the emitter does not write by itself --------------------


def move_block(label: str, above: str):
    """An edit that writes the first block whose label starts with `label` right above the one of `above`."""

    def edit(text: str) -> str:
        parts = re.split(r"\n\n(?=[\w.]+:\n)", text)
        block = parts.pop(next(k for k, p in enumerate(parts) if re.match(rf"{label}\d*:\n", p)))
        parts.insert(next(k for k, p in enumerate(parts) if re.match(rf"{above}\d*:\n", p)), block)
        return "\n\n".join(parts)

    return edit


def requires(fragment: str):
    """An edit that leaves the text as it is once it has made sure the text holds `fragment`."""

    def edit(text: str) -> str:
        assert re.search(fragment, text, re.S), text
        return text

    return edit


# The constant reaches the loop header from a branch before the loop, the
# other value (a bit measured from |0>) from the latch.
CONSTANT_PHI_INTO_A_LOOP_HEADER = """define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(ptr null)
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 1 to ptr))
  %c = call i1 @__quantum__qis__read_result__body(ptr null)
  %m = call i1 @__quantum__qis__read_result__body(ptr inttoptr (i64 1 to ptr))
  br i1 %c, label %head, label %done

head:
  %p = phi i1 [ true, %entry ], [ %m, %latch ]
  br i1 %p, label %latch, label %done

latch:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 2 to ptr))
  br label %head

done:
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 2 to ptr), ptr inttoptr (i64 2 to ptr))
  call void @__quantum__rt__result_record_output(ptr null, ptr null)
  call void @__quantum__rt__result_record_output(ptr inttoptr (i64 2 to ptr), ptr null)
  ret void
}
declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr writeonly)
declare i1 @__quantum__qis__read_result__body(ptr)
declare void @__quantum__rt__result_record_output(ptr, ptr)
attributes #0 = { "entry_point" }
"""
LAYOUTS = {
    "phi-written-above-its-predecessor": (coined(If(Logic("or", R0, R1, "phi"), (X2,))), move_block("sc", "rhs")),
    "value-used-in-a-block-written-above-its-definition": (coined(
        If(Read(0), (Gate("x", (), (1,)),)), Bind(0, Read(1)), If(Read(0), (X2,)), If(Bound(0), (Gate("h", (), (2,)),)),
        tail=(Measure(2, 2),), block_order=1), requires(
        r"br i1 (%r\d+),.*\1 = call i1 @__quantum__qis__read_result__body\(ptr inttoptr \(i64 1 to ptr\)\)")),
    # LLVM's printer writes such a double in hexadecimal without its leading zero digits
    "short-hex-double": (Program(1, 1, (Gate("h", (), (0,)), Gate("rz", (1.902362356418622e-302,), (0,)),
                                        Gate("h", (), (0,)), Measure(0, 0)), (0,)), requires("double 0x14A176BDFC384C5,")),
    # i1 true written as -1, as LLVM reads it
    "i1-minus-one": (SHAPES["integer-i1-product-with-true"],
                     lambda text: requires(r"mul i1 %\w+, -1\n")(re.sub(r"(mul i1 %\w+), true", r"\1, -1", text))),
    "constant-phi-into-a-loop-header": (Program(3, 3, (), (0, 2)), lambda _: CONSTANT_PHI_INTO_A_LOOP_HEADER),
    "constant-phi-into-a-loop-header-latch-written-first": (
        Program(3, 3, (), (0, 2)), lambda _: move_block("latch", "head")(CONSTANT_PHI_INTO_A_LOOP_HEADER)),
}


@pytest.mark.parametrize("prog, edit", LAYOUTS.values(), ids=LAYOUTS.keys())
def test_each_llvm_layout_computes_what_the_runner_computes(prog, edit):
    check(prog, "opaque", edit)


# --- random programs ---------------------------------------------------------------------

SETTINGS = settings(max_examples=100, derandomize=True, deadline=None, database=None,
                    suppress_health_check=list(HealthCheck))


@SETTINGS
@given(strategies.programs(), st.sampled_from(["typed", "opaque"]))
def test_random_program_computes_what_the_runner_computes(prog, style):
    check(prog, style)


@settings(SETTINGS, max_examples=60)
@given(strategies.integer_programs(), st.sampled_from(["typed", "opaque"]))
def test_random_integer_program_computes_what_the_runner_computes(prog, style):
    check(prog, style)
