"""Hypothesis strategies that draw random programs of the `qirgen` model.

Sizes stay small (at most 4 qubits, 4 results, a few statements per block,
nesting depth 2, at most one loop) so that the exact branching simulation
stays cheap and every example runs in well under a second.

Shapes are drawn so that every recorded value has one meaning in both
languages: a result is read right before the branch that uses it (never
re-measured in between), loops terminate with probability 1 (each turn
ends with `h` on the loop qubit, so each turn exits with probability 1/2),
if-merge integer conditions are kept out of loop bodies, and every result
is measured (from the fresh qubit 0) before anything reads or records it.
"""
from __future__ import annotations

from hypothesis import strategies as st

from .qirgen import (CONTROLLED_OPS, ICMP_PREDICATES, QIR_GATES, Ctl, Gate, IArith, IBit, ICast, ICmpInt,
                     IConst, IDiv, If, IntView, ISelect, IShift, IZext, Logic, Loop, Measure, Not, Program, Read, Reset, Sel, has_phi)

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


# LLVM writes doubles below about 1e-231 as hex literals with fewer than 16
# digits, which the translator rejects (see test_proof_semantics); pyqir's
# programs keep clear of them.
PYQIR_ANGLES = ANGLES.filter(lambda x: x == 0 or abs(x) > 1e-200)


@st.composite
def gate_stmt(draw, n_qubits: int, flavour: str, exclude: frozenset = frozenset()):
    free = n_qubits - len(exclude)
    ops = [op for op, (_, k, _) in QIR_GATES.items() if k <= free]
    if flavour == "pyqir":
        ops = [op for op in ops if op != "ccnot"]
    controlled = [op for op, (c, t) in CONTROLLED_OPS.items() if c + t <= free]
    if flavour != "pyqir" and controlled and draw(st.integers(0, 5)) == 0:
        op = draw(st.sampled_from(controlled))
        c, t = CONTROLLED_OPS[op]
        return Ctl(op, draw(st.booleans()), draw(_distinct(n_qubits, c + t, exclude)))
    op = draw(st.sampled_from(ops))
    n_angles, k, _ = QIR_GATES[op]
    angles = tuple(draw(PYQIR_ANGLES if flavour == "pyqir" else ANGLES) for _ in range(n_angles))
    return Gate(op, angles, draw(_distinct(n_qubits, k, exclude)))


@st.composite
def leaf_cond(draw, n_results: int, flavour: str):
    via = "qis" if flavour == "pyqir" else draw(st.sampled_from(["qis", "rt"]))
    read = Read(draw(st.integers(0, n_results - 1)), via)
    if draw(st.integers(0, 3)) == 0:
        return Not(read, False if flavour == "pyqir" else draw(st.booleans()))
    return read


@st.composite
def condition(draw, n_results: int, flavour: str, blocks_allowed: bool, ifmerge_allowed: bool):
    """A branch condition; `blocks_allowed` permits shapes that add blocks."""
    kind = draw(st.integers(0, 5))
    leaf = leaf_cond(n_results, flavour)
    if kind <= 1:
        return draw(leaf)
    if kind == 2:
        return Not(draw(leaf), False if flavour == "pyqir" else draw(st.booleans()))
    if flavour == "pyqir":
        return Logic(draw(st.sampled_from(["and", "or", "xor"])), draw(leaf), draw(leaf), "instr")
    styles = ["instr", "select"] + (["phi"] if blocks_allowed else [])
    if kind == 3:
        style = draw(st.sampled_from(styles))
        return Logic(draw(st.sampled_from(["and", "or"])), draw(leaf), draw(leaf), style, draw(st.booleans()),
                     style == "phi" and draw(st.booleans()))
    if kind == 4:
        if draw(st.booleans()):
            return Logic(draw(st.sampled_from(["xor", "eq", "ne"])), draw(leaf), draw(leaf))
        arm = st.one_of(st.just(True), st.just(False), leaf)
        return Sel(draw(leaf), draw(arm), draw(arm))
    if draw(st.booleans()):
        return draw(int_comparison(n_results))
    views = ["zext", "select", "arith"] + (["materialise"] if blocks_allowed else []) + (
        ["ifmerge"] if blocks_allowed and ifmerge_allowed else [])
    return IntView(draw(leaf), draw(st.sampled_from(views)), draw(st.integers(0, 7)))


# --- integer values of i1, i32 and i64 ------------------------------------------------
#
# Constants gather at the edges of each width (0, +-1, the extremes and their
# neighbours), so sums and products overflow often and comparisons see
# negative values under unsigned predicates.


def _edges(width: int) -> list[int]:
    lo, hi = -(1 << (width - 1)), (1 << (width - 1)) - 1
    return [0, 1, -1, 2, -2, 3, 7, hi, hi - 1, lo, lo + 1, 1 << (width // 2), -(1 << (width // 2)),
            1 << (width - 2)]


def int_constant(width: int):
    if width == 1:
        return st.integers(0, 1)
    lo, hi = -(1 << (width - 1)), (1 << (width - 1)) - 1
    return st.one_of(st.sampled_from(_edges(width)), st.integers(lo, hi))


@st.composite
def int_value(draw, n_results: int, width: int, depth: int, constant_allowed: bool = True):
    """An iN value; `constant_allowed` False keeps it an instruction result (casts need one)."""
    leaf = leaf_cond(n_results, "text")
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
        return IZext(width, draw(int_value(n_results, source, below, False)))
    if kind in ("arith", "bitwise"):
        ops = ["add", "sub", "mul"] if kind == "arith" else ["and", "or", "xor"]
        return IArith(width, draw(st.sampled_from(ops)),
                      draw(int_value(n_results, width, below)), draw(int_value(n_results, width, below)))
    if kind == "shift":
        op = draw(st.sampled_from(["shl", "lshr", "ashr"]))
        # The translator shifts an i64 right only where it is known non-negative: a zext is.
        operand = (draw(non_negative_value(n_results, width, below)) if op != "shl" and width == 64
                   else draw(int_value(n_results, width, below)))
        return IShift(width, op, operand, draw(st.integers(0, width - 1)))
    if kind == "cast":
        if width == 1:
            return ICast(1, "trunc", draw(int_value(n_results, draw(st.sampled_from([32, 64])), below, False)))
        sources = {32: [1, 64], 64: [1, 32]}[width]
        source = draw(st.sampled_from(sources))
        op = "sext" if source < width else "trunc"
        return ICast(width, op, draw(int_value(n_results, source, below, False)))
    # div: the translator divides where the operands are known non-negative, and
    # below 64 bits also reads an unsigned operand as its pattern.
    op = draw(st.sampled_from(["udiv", "sdiv", "urem", "srem"]))
    signed = op.startswith("s")
    if signed or width == 64:
        lhs = draw(non_negative_value(n_results, width, below))
        divisor = draw(st.integers(1, (1 << (width - 1)) - 1) | st.sampled_from([1, 2, 3, 7]))
    else:
        lhs = draw(int_value(n_results, width, below))
        divisor = draw(int_constant(width).filter(lambda value: value != 0))
    return IDiv(width, op, lhs, divisor)


@st.composite
def non_negative_value(draw, n_results: int, width: int, depth: int):
    """An iN value (N = 32 or 64) the translator's ranges know to be non-negative: a zext."""
    source = draw(st.sampled_from([1, 32] if width == 64 else [1]))
    return IZext(width, draw(int_value(n_results, source, depth, False)))


@st.composite
def int_comparison(draw, n_results: int, depth: int = 2):
    """icmp of two iN values (N = 1, 32 or 64), at least one of them computed."""
    width = draw(st.sampled_from([1, 32, 64]))
    lhs = draw(int_value(n_results, width, depth))
    rhs = draw(int_value(n_results, width, depth, not isinstance(lhs, IConst)))
    return ICmpInt(draw(st.sampled_from(ICMP_PREDICATES)), lhs, rhs)


@st.composite
def statements(draw, n_qubits: int, n_results: int, flavour: str, depth: int, max_len: int,
               in_loop: bool = False, exclude: frozenset = frozenset()):
    out = []
    free = [q for q in range(n_qubits) if q not in exclude]
    for _ in range(draw(st.integers(0, max_len))):
        kind = draw(st.integers(0, 12))
        if kind <= 6 or not free:
            if free:
                out.append(draw(gate_stmt(n_qubits, flavour, exclude)))
        elif kind <= 8:
            kinds = ["mz"] if flavour == "pyqir" and draw(st.booleans()) else ["mz", "m", "mresetz"]
            out.append(Measure(draw(st.sampled_from(free)), draw(st.integers(0, n_results - 1)),
                               draw(st.sampled_from(kinds))))
        elif kind == 9:
            out.append(Reset(draw(st.sampled_from(free))))
        elif depth > 0:
            cond = draw(condition(n_results, flavour, blocks_allowed=True, ifmerge_allowed=not in_loop))
            then = draw(statements(n_qubits, n_results, flavour, depth - 1, 3, in_loop, exclude))
            else_ = draw(statements(n_qubits, n_results, flavour, depth - 1, 3, in_loop, exclude))
            out.append(If(cond, tuple(then), tuple(else_), draw(st.booleans())))
    return out


@st.composite
def programs(draw, flavour: str = "text"):
    """A random program; flavour "pyqir" keeps to what `emit_pyqir` can write."""
    n_qubits = draw(st.integers(1, 4))
    n_results = draw(st.integers(1, 4))
    body = draw(statements(n_qubits, n_results, flavour, depth=2, max_len=8))
    if flavour != "pyqir" and draw(st.integers(0, 2)) == 0:
        qubit = draw(st.integers(0, n_qubits - 1))
        result = draw(st.integers(0, n_results - 1))
        style = draw(st.sampled_from(["self", "header"]))
        loop_body = draw(statements(n_qubits, n_results, flavour, depth=0 if style == "self" else 1,
                                    max_len=3, in_loop=True, exclude=frozenset([qubit])))
        # measurements inside the loop must not write the loop's own result
        loop_body = [s for s in loop_body if not (isinstance(s, Measure) and s.result == result)]
        at = draw(st.integers(0, len(body)))
        body.insert(at, Loop(qubit, result, tuple(loop_body), style, draw(st.booleans())))
    tail = draw(statements(n_qubits, n_results, flavour, depth=0, max_len=3))
    measures = [Measure(q, draw(st.integers(0, n_results - 1))) for q in range(n_qubits)]
    records = tuple(draw(st.permutations(range(n_results))))
    handles = "const" if flavour == "pyqir" else draw(st.sampled_from(["const", "const", "instr"]))
    memory_angles = flavour != "pyqir" and draw(st.integers(0, 3)) == 0
    block_order = 0 if flavour == "pyqir" or draw(st.booleans()) else draw(st.integers(1, 1000))
    # Every result is written before anything reads or records it: the runner
    # reads a never-measured result 1 as One, where the bit register starts at 0.
    init = [Measure(0, r) for r in range(n_results)]
    # Start from a generic product state, so that most programs interfere and
    # most outcomes are random rather than fixed.
    init += [Gate(draw(st.sampled_from(["ry", "rx"])), (draw(PYQIR_ANGLES),), (q,))
             for q in range(n_qubits) if draw(st.integers(0, 3)) > 0]
    program = Program(n_qubits, n_results, tuple(init + body + tail + measures), records, handles,
                      memory_angles, block_order)
    # Phi patterns look only at blocks written before the phi, so blocks are
    # shuffled only in programs without phis (see test_proof_semantics).
    if block_order and has_phi(program):
        program.block_order = 0
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
