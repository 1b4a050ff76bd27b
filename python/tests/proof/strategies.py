"""Hypothesis strategies that draw random programs of the `qirgen` model.

Sizes stay small (at most 4 qubits and 4 results, a few statements per
block, nesting depth 2, at most one repeat-until loop and two value shapes)
so that the exact branching simulation stays cheap. Every recorded value has
one meaning in both languages: loops end with probability 1 (each turn ends
with `h` on the qubit measured for the decision, or a counter bounds the
turns), and every result is measured before anything reads or records it.
Timing is drawn on purpose: a `condition` is read right before its branch,
while a `value_shape` reads a result or a cell, writes it again and uses
the value read earlier afterwards.

Two faults of the QIR runner (qirrunner 0.9.7) stay out of reach: it runs
`rx` by an odd multiple of pi followed by `y`, `x`, `ry` or a cnot target
on that qubit wrongly (no drawn angle is an exact multiple of pi, `u3`,
whose runner form turns by `rx(theta)`, takes drawn angles only, and the
shapes flip bits with `x` and `h`), it records a result never measured
by its pointer value (every result is measured first), and it records a
computed i1 such as `xor i1 %r, true` as true whatever its value (the
runner's text records a constant on each side of a branch instead).
"""
from __future__ import annotations

from hypothesis import HealthCheck, Phase, given, settings
from hypothesis import seed as hypothesis_seed
from hypothesis import strategies as st

from . import qirgen
from .qirgen import (CONTROLLED_OPS, ICMP_PREDICATES, QIR_GATES, ROTATIONS, After, ArrayLoop, Barrier, Bind, Bound,
                     Cmp, Ctl, DefinedCall, FArith, Gate, IBin, IBit, ICast, ICmp, IConst, If, IntView, ISelect, Load,
                     Logic, Loop, Measure, Merge, Not, PhiJoin, PhiLoop, Plus, Program, Read, Rec, Reset, Sel, Store,
                     Switch, ToDouble, While, Widen)

ANGLES = st.one_of(
    st.floats(min_value=-3.5, max_value=3.5, allow_nan=False, allow_infinity=False).map(lambda x: round(x, 3)),
    st.floats(min_value=-3.5, max_value=3.5, allow_nan=False, allow_infinity=False),
    # printing edge cases: tiny, large, negative zero, many digits. Nothing near
    # 1e21: the QIR runner joins consecutive rotations about one axis by adding
    # their angles in floating point, so rx(1e21); rx(2.3) runs as rx(1e21).
    st.sampled_from([1e-07, -2.5e-12, 123456.789, 1e9 + 0.5, -0.0, 0.1 + 0.2, 3e-300]),
)


def _distinct(n_qubits: int, k: int, exclude: frozenset = frozenset()):
    pool = [q for q in range(n_qubits) if q not in exclude]
    return st.permutations(pool).map(lambda p: tuple(p[:k]))


@st.composite
def gate_stmt(draw, n_qubits: int, exclude: frozenset = frozenset(), n_results: int = 0):
    """A gate; with `n_results`, its angles may be computed (`angle_expr`)."""
    free = n_qubits - len(exclude)
    ops = [op for op, (_, k, _) in QIR_GATES.items() if k <= free]
    controlled = [op for op, (c, t, _) in CONTROLLED_OPS.items() if c + t <= free]
    if controlled and draw(st.integers(0, 5)) == 0:
        op = draw(st.sampled_from(controlled))
        c, t, _ = CONTROLLED_OPS[op]
        computed = n_results > 0 and draw(st.integers(0, 3)) == 0
        angles = (draw(angle_expr(n_results) if computed else ANGLES),) if op in ROTATIONS else ()
        return Ctl(op, draw(st.booleans()), draw(_distinct(n_qubits, c + t, exclude)), angles)
    op = draw(st.sampled_from(ops))
    n_angles, k, _ = QIR_GATES[op]
    # phasedx and u3 are run as rotations by shifted angles on the runner, which needs plain angles
    computed = n_results > 0 and op not in ("phasedx", "u3") and draw(st.integers(0, 3)) == 0
    angles = tuple(draw(angle_expr(n_results) if computed else ANGLES) for _ in range(n_angles))
    return Gate(op, angles, draw(_distinct(n_qubits, k, exclude)))


# --- computed angles ----------------------------------------------------------------------
#
# Angles computed with fadd/fsub/fmul/fdiv/fneg from constants and from
# sitofp/uitofp of integers, measured ones among them. Integers computed at run
# time stay small (the translator takes a converted integer only where its
# range shows the double exact); constants may be any, the large ones scaled
# down so that no angle grows huge (the runner adds consecutive rotations'
# angles in floating point). fdiv divides constants only.

SMALL_FACTORS = st.sampled_from([0.5, -0.25, 1.5, 2.0, 0.1, -1.75, 3.0])


@st.composite
def exact_int(draw, n_results: int, width: int, depth: int = 1, signed: bool = True):
    """An iN value of a small known range, read from results; not negative unless `signed`."""
    leaf = leaf_cond(n_results)
    kinds = ["bit"] if width == 1 else ["zext", "select"] + (["arith"] if depth > 0 else [])
    kind = draw(st.sampled_from(kinds))
    if kind == "bit":
        return IBit(draw(leaf))
    if kind == "zext":
        return ICast(width, "zext", IBit(draw(leaf)))
    if kind == "select":
        small = st.integers(-1000 if signed else 0, 1000)
        return ISelect(width, draw(leaf), draw(small), draw(small))
    op = draw(st.sampled_from(["add", "mul"] if not signed else ["add", "sub", "mul"]))
    return IBin(width, op, draw(exact_int(n_results, width, depth - 1, signed)),
                  draw(exact_int(n_results, width, depth - 1, signed)))


@st.composite
def angle_expr(draw, n_results: int, depth: int = 2):
    kinds = ["float", "int", "const-int"] + (["op", "op", "neg"] if depth > 0 else [])
    kind = draw(st.sampled_from(kinds))
    conversion = st.sampled_from(["sitofp", "uitofp"])
    if kind == "float":
        return draw(ANGLES)
    op = draw(conversion)
    width = draw(st.sampled_from([1, 32, 64]))
    if kind == "int":
        # an i64 that may be negative has no exact unsigned double
        return ToDouble(op, draw(exact_int(n_results, width, 1, op == "sitofp" or width < 64)))
    if kind == "const-int":
        value = draw(st.integers(-50, 50) if width > 1 else st.integers(0, 1))
        if width > 1 and (draw(st.booleans()) or (op == "uitofp" and value < 0)):
            # an edge constant (or a negative one read unsigned), whose double may be rounded, scaled down
            if draw(st.booleans()):
                value = draw(int_constant(width))
            return FArith("fmul", ToDouble(op, IConst(width, value)), 2.0 ** -60)
        return ToDouble(op, IConst(width, value))
    lhs = draw(angle_expr(n_results, depth - 1))
    if kind == "neg":
        return FArith("fneg", lhs)
    op = draw(st.sampled_from(["fadd", "fsub", "fmul", "fdiv"]))
    if op == "fmul":
        return FArith(op, lhs, draw(st.one_of(SMALL_FACTORS, angle_expr(n_results, 0).filter(
            lambda a: not isinstance(a, float)))))
    rhs = draw(angle_expr(n_results, depth - 1))
    if op == "fdiv":
        # only constants divide (the output has no float division)
        if qirgen.leaves(lhs) or qirgen.leaves(rhs):
            op = "fadd"
        else:
            divisor = qirgen.angle_value(rhs, None)
            if divisor == 0 or abs(qirgen.angle_value(lhs, None) / divisor) > 1e9:
                op = "fsub"
    return FArith(op, lhs, rhs)


@st.composite
def switch_stmt(draw, n_qubits: int, n_results: int, depth: int, exclude: frozenset):
    """A switch on an integer value: several cases share an arm, some go to the default."""
    width = draw(st.sampled_from([1, 32, 64]))
    value = draw(int_value(n_results, width, 1))
    reads = sorted({r.result for leaf in qirgen.leaves(value) for r in _reads(leaf)})
    possible = []
    for mask in range(1 << len(reads)):
        bits = {r: (mask >> i) & 1 for i, r in enumerate(reads)}
        possible.append(qirgen._bits(qirgen.int_value(value, lambda leaf: _truth(leaf, bits)), width))
    pool = sorted(set(possible) | {qirgen._bits(k, width) for k in draw(st.lists(int_constant(width), max_size=2))})
    constants = draw(st.lists(st.sampled_from(pool), unique=True, max_size=5))
    phi = bool(constants) and draw(st.integers(0, 3)) == 0
    n_arms = 1 if phi else min(len(constants), draw(st.integers(0, 3)))
    # every arm has a case; the other cases go to any arm or to the default
    cases = tuple((k, i if i < n_arms else draw(st.integers(-1, n_arms - 1))) for i, k in enumerate(constants))
    arm_depth = 0 if phi else depth - 1
    arms = tuple(tuple(draw(statements(n_qubits, n_results, arm_depth, 2, exclude)))
                 for _ in range(n_arms))
    if phi:
        marked = tuple(draw(statements(n_qubits, n_results, 0, 2, exclude)))
        return Switch(value, cases, arms, None, True, marked)
    default = None if draw(st.booleans()) else tuple(
        draw(statements(n_qubits, n_results, depth - 1, 2, exclude)))
    return Switch(value, cases, arms, default)


def _reads(cond) -> list:
    """The Read leaves of a leaf condition (a read or its negation)."""
    return [cond] if isinstance(cond, Read) else _reads(cond.operand)


def _truth(cond, bits: dict) -> bool:
    return bool(bits[cond.result]) if isinstance(cond, Read) else not _truth(cond.operand, bits)


@st.composite
def leaf_cond(draw, n_results: int):
    via = draw(st.sampled_from(qirgen.READS))
    read = Read(draw(st.integers(0, n_results - 1)), via)
    if draw(st.integers(0, 3)) == 0:
        return Not(read, draw(st.booleans()))
    return read


@st.composite
def condition(draw, n_results: int):
    """A branch condition."""
    kind = draw(st.integers(0, 5))
    leaf = leaf_cond(n_results)
    if kind <= 1:
        return draw(leaf)
    if kind == 2:
        return Not(draw(leaf), draw(st.booleans()))
    if kind == 3:
        style = draw(st.sampled_from(["instr", "select", "phi"]))
        return Logic(draw(st.sampled_from(["and", "or"])), draw(leaf), draw(leaf), style, draw(st.booleans()),
                     style == "phi" and draw(st.booleans()))
    if kind == 4:
        if draw(st.booleans()):
            return Logic(draw(st.sampled_from(["xor", "eq", "ne"])), draw(leaf), draw(leaf))
        arm = st.one_of(st.just(True), st.just(False), leaf)
        return Sel(draw(leaf), draw(arm), draw(arm))
    if draw(st.booleans()):
        return draw(int_comparison(n_results))
    views = ["zext", "select", "arith", "materialise", "ifmerge"]
    return IntView(draw(leaf), draw(st.sampled_from(views)), draw(st.integers(0, 7)))


# --- integer values of i1, i32 and i64 ------------------------------------------------
#
# Constants gather at the edges of each width (0, +-1, the extremes and their
# neighbours), so sums and products overflow often and comparisons see
# negative values under unsigned predicates.


def int_constant(width: int):
    if width == 1:
        return st.integers(0, 1)
    lo, hi = -(1 << (width - 1)), (1 << (width - 1)) - 1
    edges = [0, 1, -1, 2, -2, 3, 7, hi, hi - 1, lo, lo + 1, 1 << (width // 2), -(1 << (width // 2)), 1 << (width - 2)]
    return st.one_of(st.sampled_from(edges), st.integers(lo, hi))


@st.composite
def int_value(draw, n_results: int, width: int, depth: int, constant_allowed: bool = True):
    """An iN value; `constant_allowed` False keeps it an instruction result (casts need one)."""
    leaf = leaf_cond(n_results)
    kinds = (["const"] if constant_allowed else []) + (["bit"] if width == 1 else ["select", "zext"])
    if depth > 0:
        kinds += ["arith", "bitwise", "shift", "cast"] + ([] if width == 1 else ["div"])
    kind = draw(st.sampled_from(kinds))
    below = depth - 1 if depth > 0 else 0
    if kind == "const":
        return IConst(width, draw(int_constant(width)), draw(st.booleans()))
    if kind == "bit":
        return IBit(draw(leaf))
    if kind == "select":
        return ISelect(width, draw(leaf), draw(int_constant(width)), draw(int_constant(width)))
    if kind == "zext":
        source = draw(st.sampled_from([1, 32] if width == 64 else [1]))
        return ICast(width, "zext", draw(int_value(n_results, source, below, False)))
    if kind in ("arith", "bitwise"):
        return IBin(width, draw(st.sampled_from(qirgen.INT_KINDS[kind])),
                    draw(int_value(n_results, width, below)), draw(int_value(n_results, width, below)))
    if kind == "shift":
        op = draw(st.sampled_from(qirgen.INT_KINDS["shift"]))
        # The translator shifts an i64 right only where it is known non-negative: a zext is.
        operand = (draw(non_negative_value(n_results, width, below)) if op != "shl" and width == 64
                   else draw(int_value(n_results, width, below)))
        return IBin(width, op, operand, draw(st.integers(0, width - 1)))
    if kind == "cast":
        if width == 1:
            return ICast(1, "trunc", draw(int_value(n_results, draw(st.sampled_from([32, 64])), below, False)))
        sources = {32: [1, 64], 64: [1, 32]}[width]
        source = draw(st.sampled_from(sources))
        op = "sext" if source < width else "trunc"
        return ICast(width, op, draw(int_value(n_results, source, below, False)))
    # div: the translator divides where the operands are known non-negative, and
    # below 64 bits also reads an unsigned operand as its pattern.
    op = draw(st.sampled_from(qirgen.INT_KINDS["div"]))
    signed = op.startswith("s")
    if signed or width == 64:
        lhs = draw(non_negative_value(n_results, width, below))
        divisor = draw(st.integers(1, (1 << (width - 1)) - 1) | st.sampled_from([1, 2, 3, 7]))
    else:
        lhs = draw(int_value(n_results, width, below))
        divisor = draw(int_constant(width).filter(lambda value: value != 0))
    return IBin(width, op, lhs, divisor)


@st.composite
def non_negative_value(draw, n_results: int, width: int, depth: int):
    """An iN value (N = 32 or 64) the translator's ranges know to be non-negative: a zext."""
    source = draw(st.sampled_from([1, 32] if width == 64 else [1]))
    return ICast(width, "zext", draw(int_value(n_results, source, depth, False)))


@st.composite
def int_comparison(draw, n_results: int, depth: int = 2):
    """icmp of two iN values (N = 1, 32 or 64), at least one of them computed."""
    width = draw(st.sampled_from([1, 32, 64]))
    lhs = draw(int_value(n_results, width, depth))
    rhs = draw(int_value(n_results, width, depth, not isinstance(lhs, IConst)))
    return ICmp(draw(st.sampled_from(ICMP_PREDICATES)), lhs, rhs)


LABELS = st.one_of(st.none(), st.sampled_from(["0_r", "t", 'q"\\', "é", "a b"]))


@st.composite
def record_stmt(draw, n_results: int):
    """An output record of a computed value, a result, or a tuple or array header, labelled or not."""
    kind = draw(st.sampled_from(["result", "bool", "int", "int", "tuple", "array"]))
    if kind == "result":
        value = draw(st.integers(0, n_results - 1))
    elif kind == "bool":
        value = draw(condition(n_results))
    elif kind == "int":
        value = draw(int_value(n_results, 64, 2))
    else:
        value = draw(st.integers(0, 3))
    return Rec(kind, value, draw(LABELS))


@st.composite
def statements(draw, n_qubits: int, n_results: int, depth: int, max_len: int,
               exclude: frozenset = frozenset(), records: bool = False):
    """Statements; with `records` (never in a loop, where each turn records again) output records too."""
    out = []
    free = [q for q in range(n_qubits) if q not in exclude]
    for _ in range(draw(st.integers(0, max_len))):
        kind = draw(st.integers(0, 14 if records else 12))
        if kind >= 13:
            out.append(draw(record_stmt(n_results)))
        elif kind <= 6 or not free:
            if free:
                out.append(draw(gate_stmt(n_qubits, exclude, n_results)))
        elif kind <= 8:
            out.append(Measure(draw(st.sampled_from(free)), draw(st.integers(0, n_results - 1)),
                               draw(st.sampled_from(list(qirgen.MEASUREMENTS)))))
        elif kind == 9:
            if draw(st.integers(0, 3)):
                out.append(Reset(draw(st.sampled_from(free))))
            else:
                out.append(Barrier(tuple(draw(st.lists(st.sampled_from(free), max_size=3, unique=True)))))
        elif depth > 0 and kind == 12 and draw(st.booleans()):
            out.append(draw(switch_stmt(n_qubits, n_results, depth, exclude)))
        elif depth > 0:
            cond = draw(condition(n_results))
            then = draw(statements(n_qubits, n_results, depth - 1, 3, exclude, records))
            else_ = draw(statements(n_qubits, n_results, depth - 1, 3, exclude, records))
            out.append(If(cond, tuple(then), tuple(else_), draw(st.booleans())))
    return out


@st.composite
def defined_call(draw, n_qubits: int, n_results: int, depth: int):
    """Calls of a defined function: gates, measurements and ifs, possibly a nested call."""
    body = draw(statements(n_qubits, n_results, depth=1, max_len=4))
    if depth > 0 and draw(st.booleans()):
        body.insert(draw(st.integers(0, len(body))), draw(defined_call(n_qubits, n_results, depth - 1)))
    returns = draw(st.none() | st.integers(0, n_results - 1))
    then = draw(statements(n_qubits, n_results, depth=0, max_len=2)) if returns is not None else []
    return DefinedCall(tuple(body), draw(st.integers(1, 2)), draw(st.booleans()), returns,
                       draw(st.integers(-3, 3)), draw(st.booleans()), tuple(then))


@st.composite
def array_loop(draw, n_qubits: int, n_results: int):
    """A counted loop over constant arrays of qubits (and results, and angles)."""
    n = draw(st.integers(1, 4))
    qubits = tuple(draw(st.integers(0, n_qubits - 1)) for _ in range(n))
    op = draw(st.sampled_from(["h", "x", "y", "s", "t", "rx", "ry"]))
    angles = tuple(draw(ANGLES) for _ in range(n)) if op in ("rx", "ry") else ()
    results = tuple(draw(st.integers(0, n_results - 1)) for _ in range(n)) if draw(st.booleans()) else ()
    return ArrayLoop(qubits, op, angles, results, bool(results) and draw(st.booleans()),
                     draw(st.sampled_from(["slot", "phi"])), draw(st.sampled_from(["one", "two", "i64"])))


@st.composite
def programs(draw):
    """A random program."""
    n_qubits = draw(st.integers(1, 4))
    n_results = draw(st.integers(1, 4))
    body = draw(statements(n_qubits, n_results, depth=2, max_len=8, records=True))
    if draw(st.booleans()):
        # a value read, its result measured again, then the value recorded
        name, qubit, result = 100, draw(st.integers(0, n_qubits - 1)), draw(st.integers(0, n_results - 1))
        value = draw(st.sampled_from([Read(result), Not(Read(result))]))
        at = draw(st.integers(0, len(body)))
        body[at:at] = [Bind(name, value), *_flip(qubit, result, draw(st.sampled_from(["h", "x"]))),
                       Rec("bool", Bound(name), draw(LABELS))]
    if draw(st.integers(0, 2)) == 0:
        qubit = draw(st.integers(0, n_qubits - 1))
        result = draw(st.integers(0, n_results - 1))
        style = draw(st.sampled_from(["self", "header"]))
        loop_body = draw(statements(n_qubits, n_results, depth=0 if style == "self" else 1,
                                    max_len=3, exclude=frozenset([qubit])))
        # measurements inside the loop must not write the loop's own result
        loop_body = [s for s in loop_body if not (isinstance(s, Measure) and s.result == result)]
        at = draw(st.integers(0, len(body)))
        body.insert(at, Loop(qubit, result, tuple(loop_body), style, draw(st.booleans())))
    for _ in range(draw(st.integers(0, 2))):
        at = draw(st.integers(0, len(body)))
        body.insert(at, draw(defined_call(n_qubits, n_results, depth=1)))
    if draw(st.integers(0, 3)) == 0:
        body.insert(draw(st.integers(0, len(body))), draw(array_loop(n_qubits, n_results)))
    for ids in range(0, 10 * draw(st.integers(0, 2)), 10):
        at = draw(st.integers(0, len(body)))
        body[at:at] = draw(value_shape(n_qubits, n_results, ids))
    tail = draw(statements(n_qubits, n_results, depth=0, max_len=3, records=True))
    measures = [Measure(q, draw(st.integers(0, n_results - 1))) for q in range(n_qubits)]
    records = tuple(draw(st.permutations(range(n_results))))
    handles = draw(st.sampled_from(["const", "const", "instr"]))
    memory_angles = draw(st.integers(0, 3)) == 0
    block_order = 0 if draw(st.booleans()) else draw(st.integers(1, 1000))
    spelling = 0 if draw(st.booleans()) else draw(st.integers(1, 10**6))
    # Every result is written before anything reads or records it: the runner
    # reads a never-measured result 1 as One, where the bit register starts at 0.
    init = [Measure(0, r) for r in range(n_results)]
    # Start from a generic product state, so that most programs interfere and
    # most outcomes are random rather than fixed.
    init += [Gate(draw(st.sampled_from(["ry", "rx"])), (draw(ANGLES),), (q,))
             for q in range(n_qubits) if draw(st.integers(0, 3)) > 0]
    program = Program(n_qubits, n_results, tuple(init + body + tail + measures), records, handles,
                      memory_angles, block_order, spelling)
    return program


@st.composite
def integer_programs(draw, n_conditions: int = 3):
    """Fair coins on q[0] and q[1], then conditions on integer values of their bits, each
    flipping its own qubit: every outcome of every condition shows in the recorded bits."""
    n_qubits = 2 + n_conditions
    init = [Measure(0, r) for r in range(n_qubits)]
    coins = [Gate("h", (), (0,)), Gate("h", (), (1,)), Measure(0, 0), Measure(1, 1)]
    checks = [If(draw(int_comparison(2)), (Gate("x", (), (2 + i,)),), (), draw(st.booleans()))
              for i in range(n_conditions)]
    measures = [Measure(2 + i, 2 + i) for i in range(n_conditions)]
    handles = draw(st.sampled_from(["const", "instr"]))
    return Program(n_qubits, n_qubits, tuple(init + coins + checks + measures), tuple(range(n_qubits)), handles)


# --- values with a lifetime ------------------------------------------------------
#
# Each shape is a short run of statements in which a value is defined at one
# point and used at a later one. Cells and bound names of one shape are
# numbered from its `ids` (nested shapes from `ids + 5`), so shapes never share them.

VALUE_KINDS = ("cond-store", "load-store-use", "remeasure", "remeasure-phi", "merge", "chained-merge",
               "phi-join", "counted-loop", "flag-loop", "phi-loop")
LOOP_KINDS = ("counted-loop", "flag-loop", "phi-loop")
# i32 phi incomings: small values and the extremes, negative ones among them
I32_VALUES = (0, 1, 7, -1, -5, 2147483647, -2147483648)


@st.composite
def _mark(draw, free: list[int]):
    """A gate that makes the branch it stands in visible in the final measurements."""
    op = draw(st.sampled_from(["x", "h", "ry"]))
    return Gate(op, (draw(st.sampled_from([0.6, 1.3, 2.2])),) if op == "ry" else (), (draw(st.sampled_from(free)),))


def _computed(n_results: int):
    """A condition to compute a stored value from: mostly one read result, sometimes any condition."""
    return st.one_of(leaf_cond(n_results), leaf_cond(n_results), condition(n_results))


def _filler(n_qubits: int, n_results: int, exclude: frozenset, depth: int = 0):
    return statements(n_qubits, n_results, depth, 2, exclude)


def _flip(qubit: int, result: int, op: str) -> tuple:
    """Measure `qubit` into `result` again after `op` on it, so the bit can change."""
    return (Gate(op, (), (qubit,)), Measure(qubit, result))


@st.composite
def _int_value(draw, n_results: int, slot: int | None = None):
    """An i64 value to store: a constant, or computed from a read result (or from the cell itself)."""
    kinds = ["const", "widen", "choose"] + (["plus"] if slot is not None else [])
    kind = draw(st.sampled_from(kinds))
    if kind == "const":
        return draw(st.integers(0, 7))
    if kind == "widen":
        return Widen(draw(_computed(n_results)))
    if kind == "choose":
        return ISelect(64, draw(_computed(n_results)), draw(st.integers(0, 7)), draw(st.integers(0, 7)))
    return Plus(Load(slot, "i64"), draw(st.integers(0, 3)))


@st.composite
def _bool_value(draw, n_results: int, slot: int | None = None):
    """An i1 value to store: a constant, a read result or its negation (or the cell's negation)."""
    kinds = ["const", "read"] + (["not-cell"] if slot is not None else [])
    kind = draw(st.sampled_from(kinds))
    if kind == "const":
        return draw(st.booleans())
    if kind == "read":
        return draw(_computed(n_results))
    return Not(Load(slot, "i1"), draw(st.booleans()))


@st.composite
def _int_test(draw, operand):
    """An icmp of an integer against a constant near the values the shapes store."""
    predicates = ("eq", "ne", "slt", "sle", "sgt", "sge", "ult", "ule", "ugt", "uge")  # ICMP_PREDICATES, signed first
    return Cmp(operand, draw(st.sampled_from(predicates)), draw(st.integers(0, 8)))


@st.composite
def value_shape(draw, n_qubits: int, n_results: int, ids: int, depth: int = 1,
                exclude: frozenset = frozenset(), kinds: tuple = VALUE_KINDS):
    """The statements of one value class; loops (and shapes nested in them) only while `depth` > 0."""
    free = [q for q in range(n_qubits) if q not in exclude]
    if not free:
        return []
    kinds = [k for k in kinds if depth > 0 or k not in LOOP_KINDS]
    kind = draw(st.sampled_from(kinds))
    mark = _mark(free)
    filler = _filler(n_qubits, n_results, exclude)
    result = st.integers(0, n_results - 1)

    def arms(cond) -> If:
        return If(cond, (draw(mark),) + tuple(draw(filler)), tuple(draw(filler)), draw(st.booleans()))

    if kind == "cond-store":
        # a cell set before an `if`, stored again in one or both arms, loaded after the join
        slot, ty = ids, draw(st.sampled_from(["i1", "i64"]))
        value = _int_value(n_results, slot) if ty == "i64" else _bool_value(n_results, slot)
        init = draw(st.integers(0, 7)) if ty == "i64" else draw(st.booleans())
        stores = draw(st.sampled_from([(True, False), (False, True), (True, True)]))
        branches = []
        for stored in stores:
            body = list(draw(filler))
            if stored:
                body.insert(draw(st.integers(0, len(body))), Store(slot, ty, draw(value)))
            branches.append(tuple(body))
        cond = draw(condition(n_results))
        use = draw(_int_test(Load(slot, "i64"))) if ty == "i64" else draw(st.sampled_from(
            [Load(slot, "i1"), Not(Load(slot, "i1")), Logic("and", Load(slot, "i1"), draw(leaf_cond(n_results)))]))
        return [Store(slot, ty, init), If(cond, *branches, draw(st.booleans())), *draw(filler), arms(use)]

    if kind == "load-store-use":
        # a load, a store to the same cell, then a use of what was loaded (and of the new contents)
        slot, name, ty = ids, ids + 1, draw(st.sampled_from(["i1", "i64"]))
        value = _int_value(n_results, slot) if ty == "i64" else _bool_value(n_results, slot)
        first = _int_value(n_results) if ty == "i64" else _bool_value(n_results)  # the cell is not set yet
        out = [Store(slot, ty, draw(first))]
        if draw(st.booleans()):
            out.append(If(draw(leaf_cond(n_results)), (Store(slot, ty, draw(value)),)))
        out.append(Bind(name, Load(slot, "i64") if ty == "i64" else Load(slot, "i1")))
        new = draw(st.one_of(value, st.just(Plus(Bound(name), 1) if ty == "i64" else Not(Bound(name)))))
        out += [Store(slot, ty, new), *draw(filler)]
        old = draw(_int_test(Bound(name))) if ty == "i64" else Bound(name)
        out.append(arms(old))
        if draw(st.booleans()):
            out.append(arms(draw(_int_test(Load(slot, "i64"))) if ty == "i64" else Load(slot, "i1")))
        return out

    if kind == "remeasure":
        # a value read from a result, the result measured again, then a use of the value
        name, qubit, r = ids, draw(st.sampled_from(free)), draw(result)
        read = Read(r, draw(st.sampled_from(["qis", "rt"])))
        value = draw(st.sampled_from([read, Not(read), Logic("and", read, draw(leaf_cond(n_results))),
                                      Widen(read), ISelect(64, read, 3, 5)]))
        out = [Gate("h", (), (qubit,)), Measure(qubit, r), Bind(name, value),
               *_flip(qubit, r, draw(st.sampled_from(["h", "x"]))), *draw(filler)]
        if isinstance(value, (ICast, ISelect)):
            use = draw(_int_test(Bound(name)))
        else:
            op = draw(st.sampled_from(["and", "or", "xor"]))
            style = "instr" if op == "xor" else draw(st.sampled_from(["instr", "select", "phi"]))
            use = draw(st.sampled_from([Bound(name), Logic(op, Bound(name), read, style)]))
        out.append(arms(use))
        return out

    if kind == "remeasure-phi":
        # a short-circuit phi whose right-hand block measures the result its left side read
        qubit, r = draw(st.sampled_from(free)), draw(result)
        lhs = draw(st.sampled_from([Read(r), Not(Read(r))]))
        rhs = After(_flip(qubit, r, draw(st.sampled_from(["h", "x"]))),
                    draw(st.one_of(st.just(Read(r)), leaf_cond(n_results))))
        cond = Logic(draw(st.sampled_from(["and", "or"])), lhs, rhs, "phi", draw(st.booleans()), draw(st.booleans()))
        return [Gate("h", (), (qubit,)), Measure(qubit, r), arms(cond)]

    if kind == "merge":
        # an if-merge whose initial value may read a result that is measured again before the use
        name, qubit, r = ids, draw(st.sampled_from(free)), draw(result)
        base = draw(st.one_of(st.integers(0, 5), st.just(Widen(Read(r))), st.just(ISelect(64, Read(r), 2, 4))))
        out = [Merge(name, draw(condition(n_results)), base, draw(st.integers(1, 3)),
                     draw(st.booleans()), draw(st.booleans()))]
        if draw(st.booleans()):
            out += _flip(qubit, r, draw(st.sampled_from(["h", "x"])))
        out += [*draw(filler), arms(draw(_int_test(Bound(name))))]
        return out

    if kind == "chained-merge":
        # a second if-merge starting from the first one's value; both values used afterwards
        first, second = ids, ids + 1
        out = [Merge(first, draw(leaf_cond(n_results)), draw(st.sampled_from([4, 5])), draw(st.sampled_from([1, 2])),
                     draw(st.booleans()), draw(st.booleans())), *draw(filler),
               Merge(second, draw(leaf_cond(n_results)), Bound(first), 10, draw(st.booleans()), draw(st.booleans())),
               *draw(filler), arms(Cmp(Bound(first), "eq", 5))]
        out.append(arms(Cmp(Bound(second), draw(st.sampled_from(["eq", "ne", "sgt", "slt"])),
                            draw(st.sampled_from([5, 14, 15, 16])))))
        return out

    if kind == "phi-join":
        # a join of two to four blocks, on critical edges or through arm blocks, with one phi
        name, ty, n = ids, draw(st.sampled_from(["i1", "i32", "i64"])), draw(st.integers(1, 3))
        value = {"i1": st.one_of(st.booleans(), leaf_cond(n_results)), "i32": st.sampled_from(I32_VALUES),
                 "i64": st.one_of(st.integers(0, 7), st.builds(Widen, leaf_cond(n_results)))}[ty]
        values = tuple(draw(value) for _ in range(n + 1))
        join = PhiJoin(name, ty, tuple(draw(leaf_cond(n_results)) for _ in range(n)), values,
                       tuple(draw(st.booleans()) for _ in range(n)))
        if ty == "i1":
            use = draw(st.sampled_from([Bound(name), Not(Bound(name))]))
        else:
            known = [v for v in values if isinstance(v, int)] or [1]
            use = Cmp(Bound(name), draw(st.sampled_from(["eq", "ne", "slt", "sgt"])), draw(st.sampled_from(known)))
        return [join, *draw(filler), arms(use)]

    body = list(draw(_filler(n_qubits, n_results, exclude, depth=1)))
    if kind == "phi-loop":
        # counter and a swapping pair in header phis, used inside the loop and after it
        name, counter, ty = ids, ids + 2, draw(st.sampled_from(["i1", "i64"]))
        value = st.one_of(st.booleans(), leaf_cond(n_results)) if ty == "i1" else st.one_of(
            st.integers(0, 7), st.builds(Widen, leaf_cond(n_results)))

        def pair_use():
            return draw(st.sampled_from([Bound(name), Bound(name + 1)])) if ty == "i1" else draw(
                _int_test(Bound(draw(st.sampled_from([name, name + 1])))))

        if draw(st.booleans()):
            body.insert(draw(st.integers(0, len(body))), arms(Cmp(Bound(counter), "eq", draw(st.integers(0, 2)))))
        if draw(st.booleans()):
            body.insert(draw(st.integers(0, len(body))), arms(pair_use()))
        loop = PhiLoop(name, counter, ty, draw(st.integers(0, 3)), draw(value), draw(value), tuple(body),
                       draw(st.booleans()))
        return [loop, *draw(filler), arms(pair_use()), arms(draw(_int_test(Bound(counter))))]

    if kind == "counted-loop":
        # the counted loop the Q# compiler writes for `for i in 0..n-1`
        slot, n = ids, draw(st.integers(0, 3))
        pred, bound = draw(st.sampled_from([("slt", n), ("sle", n - 1), ("ne", n), ("ult", n)]))
        if draw(st.booleans()):
            body += draw(value_shape(n_qubits, n_results, ids + 5, depth - 1, exclude))
        if draw(st.booleans()):
            body.append(If(Cmp(Load(slot, "i64"), "eq", draw(st.integers(0, 2))), (draw(mark),)))
        before, after = [Store(slot, "i64", 0)], []
        if draw(st.booleans()):
            # a second cell counts the turns on which a bit was one; it is used after the loop
            ones = ids + 1
            before.append(Store(ones, "i64", 0))
            body.append(If(draw(leaf_cond(n_results)), (Store(ones, "i64", Plus(Load(ones, "i64"), 1)),)))
            after.append(arms(draw(_int_test(Load(ones, "i64")))))
        if draw(st.booleans()):
            # an if-merge on the turn number: a value kept from an earlier turn shows for certain
            name = ids + 4
            body.insert(0, Merge(name, Cmp(Load(slot, "i64"), "eq", draw(st.integers(0, 2))), draw(st.integers(0, 2)),
                                 draw(st.integers(1, 3)), draw(st.booleans()), draw(st.booleans())))
            body.insert(draw(st.integers(1, len(body))), arms(draw(_int_test(Bound(name)))))
        if draw(st.booleans()):
            # a cell carried from one turn to the next: loaded at the top of the body, stored at its end
            carry = ids + 3
            before.append(Store(carry, "i64", draw(st.integers(0, 1))))
            body.insert(0, arms(draw(_int_test(Load(carry, "i64")))))
            body.append(Store(carry, "i64", draw(_int_value(n_results, carry))))
        if draw(st.booleans()):
            # a bit read before the loop, measured again inside it, and the value read used on every turn
            name, qubit, r = ids + 2, draw(st.sampled_from(free)), draw(result)
            before.append(Bind(name, Read(r)))
            at = draw(st.integers(0, len(body)))
            body[at:at] = _flip(qubit, r, draw(st.sampled_from(["h", "x"])))
            body.insert(draw(st.integers(0, len(body))), arms(Bound(name)))
        body.append(Store(slot, "i64", Plus(Load(slot, "i64"), 1)))
        return before + [While(Cmp(Load(slot, "i64"), pred, bound), tuple(body))] + after

    # flag loop: each turn ends with h on its own qubit before the measurement the flag takes
    slot, qubit, r = ids, draw(st.sampled_from(free)), draw(result)
    body = list(draw(_filler(n_qubits, n_results, exclude | {qubit}, depth=1)))
    if draw(st.booleans()):
        body += draw(value_shape(n_qubits, n_results, ids + 5, depth - 1, exclude | {qubit}))
    body += [Gate("h", (), (qubit,)), Measure(qubit, r), Store(slot, "i1", draw(st.sampled_from([Read(r), Not(Read(r))])))]
    return [Store(slot, "i1", True), While(Load(slot, "i1"), tuple(body))]


KINDS = {"all": programs, "integer": integer_programs}


def for_each(kind: str, n: int, seed: int, check) -> None:
    """`check(program, style)` on `n` programs of `kind` drawn with hypothesis seed `seed`, in both pointer styles."""

    @settings(max_examples=n, database=None, deadline=None, phases=[Phase.generate],
              suppress_health_check=list(HealthCheck))
    @hypothesis_seed(seed)
    @given(KINDS[kind](), st.sampled_from(["typed", "opaque"]))
    def one(program, style):
        check(program, style)

    one()
