"""Random QIR programs: a program model and its text emitter.

A program is a tree of the statement and condition classes below; `emit_text`
writes it in the typed-pointer (`%Qubit*`) or opaque-pointer (`ptr`) style.
The `corvane` target is the program as given; the `runner` target replaces
the calls the QIR runner cannot execute by their equivalents under
`conventions.py` (`ccnot` by `ccx`, `phasedx(theta, phi)` by
`rz(-phi); rx(theta); rz(phi)`, controlled invocations by plain gates) and is
otherwise byte for byte the same. Every program records constant results in
its one returning block, so recorded values map statically onto `c[i]`.
"""
from __future__ import annotations

import dataclasses
import functools
import struct
from dataclasses import dataclass, field

# --- the model ---------------------------------------------------------------

# QIR gate key -> (angles, qubits, function name); `_adj` keys name the adjoint
QIR_GATES: dict[str, tuple[int, int, str]] = {
    op: (angles, qubits, f"__quantum__qis__{op.removesuffix('_adj')}__{'adj' if op.endswith('_adj') else 'body'}")
    for op, angles, qubits in (
        ("h", 0, 1), ("x", 0, 1), ("y", 0, 1), ("z", 0, 1), ("s", 0, 1), ("s_adj", 0, 1), ("t", 0, 1),
        ("t_adj", 0, 1), ("cnot", 0, 2), ("cx", 0, 2), ("cy", 0, 2), ("cz", 0, 2), ("swap", 0, 2), ("rx", 1, 1),
        ("ry", 1, 1), ("rz", 1, 1), ("rxx", 1, 2), ("ryy", 1, 2), ("rzz", 1, 2), ("ccx", 0, 3), ("ccnot", 0, 3),
        ("phasedx", 2, 1))
}

# controlled op -> (controls, targets); the gate corvane maps it onto is in
# the runner substitution below.
CONTROLLED_OPS: dict[str, tuple[int, int]] = {
    "x1": (1, 1), "x2": (2, 1), "y": (1, 1), "z": (1, 1), "swap": (1, 2),
}
GENERALIZED = "generalizedInvokeWithRotationsControlsTargets"


@dataclass(frozen=True)
class Gate:
    op: str
    angles: tuple[float, ...]
    qubits: tuple[int, ...]


@dataclass(frozen=True)
class Ctl:
    """A controlled operation through the generalized invocation."""

    op: str  # key of CONTROLLED_OPS
    adjoint: bool
    qubits: tuple[int, ...]  # controls then targets


@dataclass(frozen=True)
class Measure:
    qubit: int
    result: int
    kind: str = "mz"  # "mz", "m" or "mresetz"


@dataclass(frozen=True)
class Reset:
    qubit: int


@dataclass(frozen=True)
class Read:
    result: int
    # "qis" (__quantum__qis__read_result__body), "rt" (__quantum__rt__read_result) or
    # "rt-zeroext" (the same with the return attribute the Q# compiler writes) or
    # "rt-attrs" (more attributes on the declaration and the call, a tail marker)
    via: str = "qis"


@dataclass(frozen=True)
class Not:
    operand: object
    true_first: bool = False  # xor i1 true, %x instead of xor i1 %x, true


@dataclass(frozen=True)
class Logic:
    """Two conditions combined.

    op "and"/"or" with style "instr" (and/or i1), "select" or "phi"
    (short-circuit blocks); op "xor" (xor i1), "eq"/"ne" (icmp on i1) with
    style "instr" only.
    """

    op: str
    lhs: object
    rhs: object
    style: str = "instr"
    phi_const_first: bool = True
    # phi style only: the left side's branch goes the other way round, so the
    # value is (!lhs && rhs) for "and" and (!lhs || rhs) for "or"
    phi_inverted: bool = False


@dataclass(frozen=True)
class Sel:
    """select i1 %cond, i1 then, i1 else; then/else are True, False or a condition."""

    cond: object
    then: object
    else_: object


@dataclass(frozen=True)
class IntView:
    """An i1 condition passed through an integer value and compared back."""

    operand: object
    style: str  # "zext", "select", "materialise" or "ifmerge"
    variant: int = 0


# --- integer values: LLVM's widths and signedness ---------------------------------
#
# A tree of iN values (N = 1, 32 or 64) built from conditions and constants and
# compared by `icmp`. Operations never carry nsw/nuw, so every overflow wraps;
# shift amounts stay below N and divisors are non-zero constants (never -1 for a
# signed division), so no value is poison. `int_value` below gives LLVM's result,
# for drawing the cases of a switch.


@dataclass(frozen=True)
class IConst:
    """An iN constant; `unsigned` writes a negative value as its unsigned N-bit number."""

    width: int
    value: int  # canonical: 0/1 for i1, signed otherwise
    unsigned: bool = False


@dataclass(frozen=True)
class IBit:
    """A condition used as an i1 value."""

    cond: object


@dataclass(frozen=True)
class ISelect:
    """select i1 cond, iN a, iN b (N = 32 or 64)."""

    width: int
    cond: object
    then: int
    else_: int


@dataclass(frozen=True)
class IZext:
    """zext of a non-constant narrower value to iN."""

    width: int
    operand: object


@dataclass(frozen=True)
class IArith:
    """add/sub/mul (wrapping) or and/or/xor on iN."""

    width: int
    op: str
    lhs: object
    rhs: object


@dataclass(frozen=True)
class IShift:
    """shl/lshr/ashr iN by a constant amount below N (never poison)."""

    width: int
    op: str
    operand: object
    amount: int


@dataclass(frozen=True)
class IDiv:
    """udiv/sdiv/urem/srem iN by a constant divisor that makes no poison."""

    width: int
    op: str
    lhs: object
    divisor: int  # canonical, non-zero


@dataclass(frozen=True)
class ICast:
    """sext (to a wider iN) or trunc (to a narrower iN) of a non-constant value."""

    width: int
    op: str
    operand: object


@dataclass(frozen=True)
class ICmpInt:
    """icmp pred iN lhs, rhs: a condition."""

    pred: str
    lhs: object
    rhs: object


ICMP_PREDICATES = ("eq", "ne", "ult", "ule", "ugt", "uge", "slt", "sle", "sgt", "sge")


def width_of(value) -> int:
    return 1 if isinstance(value, IBit) else value.width


def _bits(value: int, width: int) -> int:
    return value & ((1 << width) - 1)


def _canonical(bits: int, width: int) -> int:
    """An N-bit pattern as held in canonical form: 0/1 for i1, sign-extended otherwise."""
    bits = _bits(bits, width)
    if width > 1 and bits >= 1 << (width - 1):
        return bits - (1 << width)
    return bits


def int_value(value, truth) -> int:
    """LLVM's value of an integer tree, in canonical form; `truth(cond)` decides conditions."""
    if isinstance(value, IConst):
        return _canonical(value.value, value.width)
    if isinstance(value, IBit):
        return int(bool(truth(value.cond)))
    if isinstance(value, ISelect):
        return _canonical(value.then if truth(value.cond) else value.else_, value.width)
    if isinstance(value, IZext):
        return _bits(int_value(value.operand, truth), width_of(value.operand))
    if isinstance(value, IArith):
        a, b = int_value(value.lhs, truth), int_value(value.rhs, truth)
        out = {"add": a + b, "sub": a - b, "mul": a * b, "and": a & b, "or": a | b, "xor": a ^ b}[value.op]
        return _canonical(out, value.width)
    if isinstance(value, IShift):
        a, k, width = int_value(value.operand, truth), value.amount, value.width
        if value.op == "shl":
            return _canonical(a << k, width)
        if value.op == "lshr":
            return _canonical(_bits(a, width) >> k, width)
        return _canonical(_signed(a, width) >> k, width)  # ashr: Python's >> rounds down
    if isinstance(value, IDiv):
        width = value.width
        a, b = int_value(value.lhs, truth), value.divisor
        if value.op == "udiv":
            return _canonical(_bits(a, width) // _bits(b, width), width)
        if value.op == "urem":
            return _canonical(_bits(a, width) % _bits(b, width), width)
        sa, sb = _signed(a, width), _signed(b, width)
        quotient = abs(sa) // abs(sb) * (1 if (sa < 0) == (sb < 0) else -1)  # rounds toward zero
        return _canonical(quotient if value.op == "sdiv" else sa - sb * quotient, width)
    if isinstance(value, ICast):
        a = int_value(value.operand, truth)
        if value.op == "sext":
            return _canonical(_signed(a, width_of(value.operand)), value.width)
        return _canonical(a, value.width)  # trunc keeps the low bits
    raise TypeError(value)


def _signed(value: int, width: int) -> int:
    """A canonical iN value read as signed: an i1 true is -1."""
    return -value if width == 1 else value


def int_leaves(value) -> list:
    """The conditions an integer tree reads, in order."""
    if isinstance(value, ICmpInt):
        return int_leaves(value.lhs) + int_leaves(value.rhs)
    if isinstance(value, (IBit, ISelect)):
        return [value.cond]
    if isinstance(value, (IZext, IShift, ICast)):
        return int_leaves(value.operand)
    if isinstance(value, IArith):
        return int_leaves(value.lhs) + int_leaves(value.rhs)
    if isinstance(value, IDiv):
        return int_leaves(value.lhs)
    return []


@dataclass(frozen=True)
class If:
    cond: object
    then: tuple = ()
    else_: tuple = ()
    empty_arm_block: bool = False  # write an empty arm as its own block (diamond)


@dataclass(frozen=True)
class Loop:
    """Repeat: body, h on `qubit`, measure it into `result`, until the bit says stop.

    style "self": one block that branches to itself; "header": a header that
    measures and a body block that jumps back. The loop runs while the bit is
    1 (`until_zero`) or while it is 0.
    """

    qubit: int
    result: int
    body: tuple = ()
    style: str = "self"
    until_zero: bool = True


@dataclass(frozen=True)
class Switch:
    """`switch` on an integer tree. Each case maps a constant to an arm (its index
    in `arms`) or to the default (-1); every arm and the default branch to one
    join. The default is a block of its own holding `default`, or the join
    itself when `default` is None. With `phi` (one arm, default None) the join
    starts with a `phi i64` that is 1 where the arm ran and 0 on every edge
    from the switch, and `marked` runs where it is 1.
    """

    value: object  # an integer tree
    cases: tuple[tuple[int, int], ...]
    arms: tuple[tuple, ...] = ()
    default: tuple | None = ()
    phi: bool = False
    marked: tuple = ()


@dataclass(frozen=True)
class FArith:
    """A double for a gate angle: `op` (fadd, fsub, fmul, fdiv; fneg on `lhs` only)
    on floats, other FArith and ToDouble values."""

    op: str
    lhs: object
    rhs: object = None


@dataclass(frozen=True)
class ToDouble:
    """`sitofp` or `uitofp` of an integer tree, as a double for a gate angle."""

    op: str
    value: object


def angle_value(angle, truth) -> float:
    """The double LLVM computes for an angle; `truth(cond)` decides conditions."""
    if isinstance(angle, FArith):
        a = angle_value(angle.lhs, truth)
        if angle.op == "fneg":
            return -a
        b = angle_value(angle.rhs, truth)
        return {"fadd": a + b, "fsub": a - b, "fmul": a * b, "fdiv": a / b if b else 0.0}[angle.op]
    if isinstance(angle, ToDouble):
        width = width_of(angle.value)
        v = int_value(angle.value, truth)
        return float(_signed(v, width) if angle.op == "sitofp" else _bits(v, width))
    return float(angle)


def angle_leaves(angle) -> list:
    """The conditions an angle reads, in order."""
    if isinstance(angle, FArith):
        return angle_leaves(angle.lhs) + (angle_leaves(angle.rhs) if angle.rhs is not None else [])
    if isinstance(angle, ToDouble):
        return int_leaves(angle.value)
    return []


@dataclass(frozen=True)
class DefinedCall:
    """Calls of a function that the module defines, with `body` as its body.

    Every qubit and result handle and every angle of the body is a parameter
    of the function (qubits, results, doubles), passed by the call; nested
    calls pass their arguments on. The function is called `times` times in a
    row and written before the entry point when `before`. With `returns`, it
    also takes an i64 `offset` and returns `offset + 1` when the bit of result
    `returns` is 1 and `offset` otherwise (from one `ret`, or from two when
    `two_returns`); the caller runs `then` when the last call returned
    `offset + 1`.
    """

    body: tuple = ()
    times: int = 1
    before: bool = False
    returns: int | None = None
    offset: int = 0
    two_returns: bool = False
    then: tuple = ()


@dataclass
class Program:
    qubits: int
    results: int
    body: tuple
    records: tuple[int, ...]  # result indices recorded at the end, in order
    handles: str = "const"  # "const" (constant expressions) or "instr" (inttoptr instructions)
    memory_angles: bool = False  # angles stored to and loaded from an alloca
    block_order: int = 0  # non-zero: write the blocks after the entry in a shuffled order (seed)


# --- helpers -------------------------------------------------------------------


def _format_double(value: float) -> str:
    if value != 0 and abs(value) < 1e-200:
        # as LLVM's printer writes such values: the bits in hexadecimal,
        # without leading zero digits
        return "0x%X" % struct.unpack("<Q", struct.pack("<d", value))[0]
    text = repr(float(value))
    if "e" in text or "E" in text or "." not in text:
        text = f"{float(value):.17e}"
    return text


def runner_gates(stmt) -> list[Gate]:
    """The gate calls the runner target writes for one Gate or Ctl."""
    if isinstance(stmt, Ctl):
        q = stmt.qubits
        if stmt.op == "x1":
            return [Gate("cnot", (), q)]
        if stmt.op == "x2":
            return [Gate("ccx", (), q)]
        if stmt.op == "y":
            return [Gate("cy", (), q)]
        if stmt.op == "z":
            return [Gate("cz", (), q)]
        if stmt.op == "swap":
            c, a, b = q
            return [Gate("cnot", (), (b, a)), Gate("ccx", (), (c, a, b)), Gate("cnot", (), (b, a))]
        raise ValueError(stmt.op)
    if stmt.op == "ccnot":
        return [Gate("ccx", (), stmt.qubits)]
    if stmt.op == "phasedx":
        theta, phi = stmt.angles
        return [Gate("rz", (-phi,), stmt.qubits), Gate("rx", (theta,), stmt.qubits),
                Gate("rz", (phi,), stmt.qubits)]
    return [stmt]


# --- values with a lifetime: memory cells, bound values, integer merges -------------
#
# A condition of the classes above is evaluated where it is used. The classes
# below give a value a lifetime instead: it is defined at one point and used
# at a later one, and what it reads (a result, a memory cell, an earlier
# value) may be written in between. Statements: Store, Bind, Merge, While.
# Conditions (i1): Loaded, Bound, Cmp, After. Integer expressions (i64): int
# constants, LoadedInt, Bound, Plus, Widen, Choose.


@dataclass(frozen=True)
class Store:
    """`store` into memory cell `slot`, an `alloca` of type `ty` ("i1" or "i64") in the entry block.

    `value` is a bool or a condition for "i1", an int or an integer expression for "i64".
    """

    slot: int
    ty: str
    value: object


@dataclass(frozen=True)
class Loaded:
    """Condition: `load i1` from cell `slot`."""

    slot: int


@dataclass(frozen=True)
class LoadedInt:
    """Integer: `load i64` from cell `slot`."""

    slot: int


@dataclass(frozen=True)
class Bind:
    """Evaluate `value` (a condition or an integer expression) here and name it for later `Bound` uses."""

    name: int
    value: object


@dataclass(frozen=True)
class Bound:
    """The value that `Bind` or `Merge` named `name`: a condition or an integer, as it was bound."""

    name: int


@dataclass(frozen=True)
class Plus:
    """Integer: `add i64 operand, k`."""

    operand: object
    k: int


@dataclass(frozen=True)
class Widen:
    """Integer: `zext i1 cond to i64`."""

    cond: object


@dataclass(frozen=True)
class Choose:
    """Integer: `select i1 cond, i64 then, i64 else_`."""

    cond: object
    then: int
    else_: int


@dataclass(frozen=True)
class Cmp:
    """Condition: `icmp pred i64 operand, k`."""

    operand: object
    pred: str
    k: int


@dataclass(frozen=True)
class After:
    """Condition: run `stmts` (gates and measurements) where the condition is evaluated, then `cond`.

    As the right side of a short-circuit `Logic` it puts quantum work in the
    block that only one side of the branch runs.
    """

    stmts: tuple
    cond: object


@dataclass(frozen=True)
class Merge:
    """An integer if-merge named `name`: `base`, plus `step` on the path where `cond` holds.

    Written as a branch on `cond` (taken the other way if `on_false`) to an
    update block holding `add i64 base, step` and a join with
    `phi i64 [base, branching block], [sum, update block]` (incomings the
    other way round if `swap`). `base` is an int or an integer expression,
    for instance the `Bound` value of an earlier merge.
    """

    name: int
    cond: object
    base: object
    step: int
    on_false: bool = False
    swap: bool = False


@dataclass(frozen=True)
class While:
    """A loop whose header evaluates `cond` on every turn (typically loads of cells) before `body`."""

    cond: object
    body: tuple = ()


@dataclass(frozen=True)
class PhiJoin:
    """A join reached from several blocks, with a `phi` of type `ty` ("i1", "i32" or "i64") named `name`.

    Block k branches on `conds[k]` to the join (through an empty arm block if
    `arm_blocks[k]`, else straight: a critical edge) or on to block k + 1; the
    last block always goes to the join. The phi takes `values[k]` (one more
    than `conds`) from block k, evaluated there: a bool or condition for
    "i1", an int (or for "i64" an integer expression) otherwise. An i32 phi
    is bound through `sext ... to i64`.
    """

    name: int
    ty: str
    conds: tuple
    values: tuple
    arm_blocks: tuple = ()


@dataclass(frozen=True)
class PhiLoop:
    """A counted loop whose state lives in header phis only.

    Bound name `counter` counts the turns from 0 (an `add i64` on each), and
    `name` and `name + 1` (type `ty`, "i1" or "i64", from `first` and
    `second`) swap on every turn: a pair of phis that read each other. With
    `self_loop` the loop's first block tests `counter + 1 < turns` at the end
    of the body (at least one turn, the back edge leaves a conditional
    branch), else a header tests `counter < turns` first. `body` may use the
    three names; after the loop they hold their values of the last header run.
    """

    name: int
    counter: int
    ty: str
    turns: int
    first: object
    second: object
    body: tuple = ()
    self_loop: bool = False


VALUE_STATEMENTS = (Store, Bind, Merge, While, PhiJoin, PhiLoop)
VALUE_CONDITIONS = (Loaded, Bound, Cmp, After)
INT_EXPRESSIONS = (LoadedInt, Plus, Widen, Choose)  # and int constants and integer `Bound` values
CMP_PREDICATES = ("eq", "ne", "slt", "sle", "sgt", "sge", "ult", "ule", "ugt", "uge")


def walk(node):
    """Every model node within `node` (a program, a node or a tuple of them), outermost first."""
    if isinstance(node, Program):
        yield from walk(node.body)
    elif isinstance(node, (tuple, list)):
        for item in node:
            yield from walk(item)
    elif dataclasses.is_dataclass(node) and not isinstance(node, type):
        yield node
        for f in dataclasses.fields(node):
            yield from walk(getattr(node, f.name))


def _value_type(value, bound: dict) -> str:
    """"i1" or "i64": the type a Store, Bind or Merge value has; `bound` maps names to types."""
    if isinstance(value, bool):
        return "i1"
    if isinstance(value, int) or isinstance(value, INT_EXPRESSIONS):
        return "i64"
    if isinstance(value, Bound):
        return bound[value.name]
    return "i1"


class _ValueEmitter:
    """The part of `_TextEmitter` that writes the value classes.

    Cells are allocated at the top of the entry block once the body is
    written (`place_cells`); bound names map to the SSA operand and type of
    their definition.
    """

    @functools.cached_property
    def _values(self) -> dict:
        return {"cells": {}, "bound": {}}

    def cell(self, slot: int, ty: str) -> str:
        """The typed pointer operand of cell `slot` of type `ty`."""
        name = self._values["cells"].setdefault((slot, ty), f"cell_{ty}_{slot}")
        return f"{ty}* %{name}" if self.typed else f"ptr %{name}"

    def place_cells(self) -> None:
        cells = self._values["cells"]
        self.blocks[0].lines[0:0] = [f"  %{name} = alloca {ty}" for (_, ty), name in cells.items()]

    def value_statement(self, stmt) -> None:
        bound = self._values["bound"]
        if isinstance(stmt, Store):
            operand = self.value_operand(stmt.value, stmt.ty)
            self.line(f"store {stmt.ty} {operand}, {self.cell(stmt.slot, stmt.ty)}")
        elif isinstance(stmt, Bind):
            ty = _value_type(stmt.value, {k: t for k, (_, t) in bound.items()})
            bound[stmt.name] = (self.value_operand(stmt.value, ty), ty)
        elif isinstance(stmt, Merge):
            base = self.value_int_operand(stmt.base)
            cond = self.cond(stmt.cond)
            source = self.cur.label
            update, join = self.fresh("inc"), self.fresh("join")
            targets = (join, update) if stmt.on_false else (update, join)
            self.line(f"br i1 {cond}, label %{targets[0]}, label %{targets[1]}")
            self.start(update)
            total = self.fresh("w")
            self.line(f"%{total} = add i64 {base}, {stmt.step}")
            self.line(f"br label %{join}")
            self.start(join)
            value = self.fresh("v")
            incomings = [f"[ {base}, %{source} ]", f"[ %{total}, %{update} ]"]
            if stmt.swap:
                incomings.reverse()
            self.line(f"%{value} = phi i64 {', '.join(incomings)}")
            bound[stmt.name] = (f"%{value}", "i64")
        elif isinstance(stmt, PhiJoin):
            join, incomings = self.fresh("pjoin"), []
            ty = stmt.ty
            for k, cond in enumerate(stmt.conds):
                value = self.value_operand(stmt.values[k], ty)
                taken = self.cond(cond)
                after = self.fresh("pnext")
                if k < len(stmt.arm_blocks) and stmt.arm_blocks[k]:
                    arm = self.fresh("parm")
                    self.line(f"br i1 {taken}, label %{arm}, label %{after}")
                    self.start(arm)
                    self.line(f"br label %{join}")
                else:
                    arm = self.cur.label
                    self.line(f"br i1 {taken}, label %{join}, label %{after}")
                incomings.append(f"[ {value}, %{arm} ]")
                self.start(after)
            incomings.append(f"[ {self.value_operand(stmt.values[-1], ty)}, %{self.cur.label} ]")
            self.line(f"br label %{join}")
            self.start(join)
            value = self.fresh("p")
            self.line(f"%{value} = phi {ty} {', '.join(incomings)}")
            if ty == "i32":
                wide = self.fresh("s")
                self.line(f"%{wide} = sext i32 %{value} to i64")
                value, ty = wide, "i64"
            bound[stmt.name] = (f"%{value}", ty)
        elif isinstance(stmt, PhiLoop):
            first, second = self.value_operand(stmt.first, stmt.ty), self.value_operand(stmt.second, stmt.ty)
            entry, head, done = self.cur.label, self.fresh("phead"), self.fresh("pexit")
            i, a, b, step = self.fresh("pi"), self.fresh("pa"), self.fresh("pb"), self.fresh("pn")
            self.line(f"br label %{head}")
            self.start(head)
            header = self.cur
            bound[stmt.counter], bound[stmt.name], bound[stmt.name + 1] = (f"%{i}", "i64"), (f"%{a}", stmt.ty), (f"%{b}", stmt.ty)
            if not stmt.self_loop:
                test, body = self.fresh("pt"), self.fresh("pbody")
                self.line(f"%{test} = icmp slt i64 %{i}, {stmt.turns}")
                self.line(f"br i1 %{test}, label %{body}, label %{done}")
                self.start(body)
            self.body(stmt.body)
            self.line(f"%{step} = add i64 %{i}, 1")
            if stmt.self_loop:
                test = self.fresh("pt")
                self.line(f"%{test} = icmp slt i64 %{step}, {stmt.turns}")
                self.line(f"br i1 %{test}, label %{head}, label %{done}")
            else:
                self.line(f"br label %{head}")
            latch = self.cur.label
            header.lines[0:0] = [f"  %{i} = phi i64 [ 0, %{entry} ], [ %{step}, %{latch} ]",
                                 f"  %{a} = phi {stmt.ty} [ {first}, %{entry} ], [ %{b}, %{latch} ]",
                                 f"  %{b} = phi {stmt.ty} [ {second}, %{entry} ], [ %{a}, %{latch} ]"]
            self.start(done)
        elif isinstance(stmt, While):
            head, body, done = self.fresh("whead"), self.fresh("wbody"), self.fresh("wexit")
            self.line(f"br label %{head}")
            self.start(head)
            cond = self.cond(stmt.cond)
            self.line(f"br i1 {cond}, label %{body}, label %{done}")
            self.start(body)
            self.body(stmt.body)
            self.line(f"br label %{head}")
            self.start(done)
        else:
            raise TypeError(stmt)

    def value_operand(self, value, ty: str) -> str:
        if ty == "i1":
            return ("true" if value else "false") if isinstance(value, bool) else self.cond(value)
        return self.value_int_operand(value)

    def value_int_operand(self, expr) -> str:
        """The i64 operand text of an integer expression, written into the current block."""
        if isinstance(expr, int) and not isinstance(expr, bool):
            return str(expr)
        if isinstance(expr, Bound):
            operand, ty = self._values["bound"][expr.name]
            assert ty == "i64", f"{expr} is bound to an {ty}"
            return operand
        out = self.fresh("i")
        if isinstance(expr, LoadedInt):
            self.line(f"%{out} = load i64, {self.cell(expr.slot, 'i64')}")
        elif isinstance(expr, Plus):
            self.line(f"%{out} = add i64 {self.value_int_operand(expr.operand)}, {expr.k}")
        elif isinstance(expr, Widen):
            self.line(f"%{out} = zext i1 {self.cond(expr.cond)} to i64")
        elif isinstance(expr, Choose):
            self.line(f"%{out} = select i1 {self.cond(expr.cond)}, i64 {expr.then}, i64 {expr.else_}")
        else:
            raise TypeError(expr)
        return f"%{out}"

    def value_cond(self, cond) -> str:
        if isinstance(cond, Bound):
            operand, ty = self._values["bound"][cond.name]
            assert ty == "i1", f"{cond} is bound to an {ty}"
            return operand
        if isinstance(cond, After):
            self.body(cond.stmts)
            return self.cond(cond.cond)
        out = self.fresh("c")
        if isinstance(cond, Loaded):
            self.line(f"%{out} = load i1, {self.cell(cond.slot, 'i1')}")
        elif isinstance(cond, Cmp):
            self.line(f"%{out} = icmp {cond.pred} i64 {self.value_int_operand(cond.operand)}, {cond.k}")
        else:
            raise TypeError(cond)
        return f"%{out}"


# --- own text emitter -------------------------------------------------------------


@dataclass
class _Block:
    label: str
    lines: list[str] = field(default_factory=list)


class _TextEmitter(_ValueEmitter):
    def __init__(self, program: Program, style: str, target: str):
        assert style in ("typed", "opaque") and target in ("corvane", "runner")
        self.program = program
        self.typed = style == "typed"
        self.target = target
        self.blocks: list[_Block] = [_Block("entry")]
        self.counter = 0
        self.declared: dict[str, str] = {}
        # Within a defined function: its parameters, (kind, index) -> (type, name, argument)
        self.params: dict | None = None
        self.functions: list[tuple[bool, list[str]]] = []  # (before the entry point, lines)

    # names and operands
    def fresh(self, prefix: str) -> str:
        self.counter += 1
        return f"{prefix}{self.counter}"

    @property
    def cur(self) -> _Block:
        return self.blocks[-1]

    def line(self, text: str) -> None:
        self.cur.lines.append("  " + text)

    def start(self, label: str) -> None:
        self.blocks.append(_Block(label))

    def ptr_type(self, kind: str) -> str:
        return f"%{kind}*" if self.typed else "ptr"

    def param(self, key: tuple, ty: str, argument) -> str:
        """The operand of the current function's parameter `key`, added on first use."""
        if key not in self.params:
            self.params[key] = (ty, self.fresh("p"), argument)
        return f"{ty} %{self.params[key][1]}"

    def handle(self, kind: str, index: int) -> str:
        ty = self.ptr_type(kind)
        if self.params is not None:
            return self.param((kind, index), ty, (kind, index))
        if self.program.handles == "instr":
            name = self.fresh("h")
            self.line(f"%{name} = inttoptr i64 {index} to {ty}")
            return f"{ty} %{name}"
        if index == 0:
            return f"{ty} null"
        return f"{ty} inttoptr (i64 {index} to {ty})"

    def declare(self, name: str, text: str) -> None:
        self.declared.setdefault(name, text)

    def call_void(self, name: str, args: list[str], param_types: list[str], attrs: str = "") -> None:
        self.declare(name, f"declare void @{name}({', '.join(param_types)}){attrs}")
        self.line(f"call void @{name}({', '.join(args)})")

    def angle(self, value) -> str:
        if isinstance(value, FArith):
            lhs = self.angle(value.lhs)
            out = self.fresh("f")
            if value.op == "fneg":
                self.line(f"%{out} = fneg double {lhs}")
            else:
                self.line(f"%{out} = {value.op} double {lhs}, {self.angle(value.rhs)}")
            return f"%{out}"
        if isinstance(value, ToDouble):
            source = self.int_operand(value.value)
            out = self.fresh("f")
            self.line(f"%{out} = {value.op} i{width_of(value.value)} {source} to double")
            return f"%{out}"
        if self.params is not None:
            return self.param(("double", self.fresh("")), "double", value).split(" ")[1]
        if not self.program.memory_angles:
            return _format_double(value)
        slot, loaded = self.fresh("slot"), self.fresh("a")
        pty = "double*" if self.typed else "ptr"
        self.line(f"%{slot} = alloca double")
        self.line(f"store double {_format_double(value)}, {pty} %{slot}")
        self.line(f"%{loaded} = load double, {pty} %{slot}")
        return f"%{loaded}"

    # statements
    def gate(self, gate: Gate) -> None:
        n_angles, _, name = QIR_GATES[gate.op]
        args = [f"double {self.angle(a)}" for a in gate.angles]
        args += [self.handle("Qubit", q) for q in gate.qubits]
        types = ["double"] * n_angles + [self.ptr_type("Qubit")] * len(gate.qubits)
        self.call_void(name, args, types)

    def controlled(self, ctl: Ctl) -> None:
        controls, targets = CONTROLLED_OPS[ctl.op]
        inner = "x" if ctl.op in ("x1", "x2") else ctl.op
        inner_name = f"__quantum__qis__{inner}__ctl"
        qubit_args = [self.handle("Qubit", q) for q in ctl.qubits]
        if self.typed:
            inner_arg = f"i8* bitcast (void (%Array*, %Qubit*)* @{inner_name} to i8*)"
            self.declare(inner_name, f"declare void @{inner_name}(%Array*, %Qubit*)")
            self.declare("%Array", "%Array = type opaque")
            prefix = "i64, i64, i64, i64, i8*"
        else:
            inner_arg = f"ptr @{inner_name}"
            self.declare(inner_name, f"declare void @{inner_name}(ptr, ptr)")
            prefix = "i64, i64, i64, i64, ptr"
        args = ["i64 0", f"i64 {int(ctl.adjoint)}", f"i64 {controls}", f"i64 {targets}", inner_arg] + qubit_args
        self.declare(GENERALIZED, f"declare void @{GENERALIZED}({prefix}, ...)")
        self.line(f"call void ({prefix}, ...) @{GENERALIZED}({', '.join(args)})")

    def measure(self, m: Measure) -> None:
        name = {"mz": "__quantum__qis__mz__body", "m": "__quantum__qis__m__body",
                "mresetz": "__quantum__qis__mresetz__body"}[m.kind]
        args = [self.handle("Qubit", m.qubit), self.handle("Result", m.result)]
        self.call_void(name, args, [self.ptr_type("Qubit"), self.ptr_type("Result") + " writeonly"], " #1")

    def statement(self, stmt) -> None:
        if isinstance(stmt, (Gate, Ctl)):
            if self.target == "runner":
                for gate in runner_gates(stmt):
                    self.gate(gate)
            elif isinstance(stmt, Ctl):
                self.controlled(stmt)
            else:
                self.gate(stmt)
        elif isinstance(stmt, Measure):
            self.measure(stmt)
        elif isinstance(stmt, Reset):
            self.call_void("__quantum__qis__reset__body", [self.handle("Qubit", stmt.qubit)],
                           [self.ptr_type("Qubit")])
        elif isinstance(stmt, If):
            self.if_(stmt)
        elif isinstance(stmt, Loop):
            self.loop(stmt)
        elif isinstance(stmt, Switch):
            self.switch(stmt)
        elif isinstance(stmt, VALUE_STATEMENTS):
            self.value_statement(stmt)
        elif isinstance(stmt, DefinedCall):
            self.defined_call(stmt)
        else:
            raise TypeError(stmt)

    def defined_call(self, stmt: DefinedCall) -> None:
        saved = (self.blocks, self.params)
        self.blocks, self.params = [_Block(self.fresh("f"))], {}
        self.body(stmt.body)
        ret = "void"
        if stmt.returns is None:
            self.line("ret void")
        else:
            ret = "i64"
            offset = self.param(("i64",), "i64", stmt.offset)
            bit = self.cond(Read(stmt.returns))
            plus = self.fresh("v")
            if stmt.two_returns:
                one, zero = self.fresh("one"), self.fresh("zero")
                self.line(f"br i1 {bit}, label %{one}, label %{zero}")
                self.start(one)
                self.line(f"%{plus} = add i64 {offset.split(' ')[1]}, 1")
                self.line(f"ret i64 %{plus}")
                self.start(zero)
                self.line(f"ret {offset}")
            else:
                wide = self.fresh("z")
                self.line(f"%{wide} = zext i1 {bit} to i64")
                self.line(f"%{plus} = add i64 %{wide}, {offset.split(' ')[1]}")
                self.line(f"ret i64 %{plus}")
        blocks, params = self.blocks, self.params
        self.blocks, self.params = saved
        name = self.fresh("fn")
        header = ", ".join(f"{ty} %{p}" for ty, p, _ in params.values())
        lines = [f"define internal {ret} @{name}({header}) {{"]
        for i, block in enumerate(blocks):
            lines += ([""] if i else []) + [f"{block.label}:"] + block.lines
        self.functions.append((stmt.before, lines + ["}", ""]))
        for _ in range(stmt.times):
            args = []
            for ty, _, argument in params.values():
                if isinstance(argument, tuple) and len(argument) == 2:
                    args.append(self.handle(*argument))
                elif ty == "double":
                    args.append(f"double {self.angle(argument)}")
                else:
                    args.append(f"i64 {argument}")
            result = self.fresh("ret")
            self.line(f"{'' if ret == 'void' else f'%{result} = '}call {ret} @{name}({', '.join(args)})")
        if stmt.returns is not None:
            test = self.fresh("c")
            self.line(f"%{test} = icmp eq i64 %{result}, {stmt.offset + 1}")
            then, join = self.fresh("then"), self.fresh("join")
            self.line(f"br i1 %{test}, label %{then}, label %{join}")
            self.start(then)
            self.body(stmt.then)
            self.line(f"br label %{join}")
            self.start(join)

    def body(self, stmts) -> None:
        for stmt in stmts:
            self.statement(stmt)

    def switch(self, stmt: Switch) -> None:
        width = width_of(stmt.value)
        value = self.int_operand(stmt.value)
        source = self.cur.label
        join = self.fresh("sjoin")
        arms = [self.fresh("case") for _ in stmt.arms]
        default = join if stmt.default is None else self.fresh("dflt")

        def constant(k: int) -> str:
            return ("true" if k & 1 else "false") if width == 1 else str(_canonical(k, width))

        self.line(f"switch i{width} {value}, label %{default} [")
        for k, arm in stmt.cases:
            self.cur.lines.append(f"    i{width} {constant(k)}, label %{arms[arm] if arm >= 0 else default}")
        self.cur.lines.append("  ]")
        ends = []
        for label, arm in zip(arms, stmt.arms):
            self.start(label)
            self.body(arm)
            ends.append(self.cur.label)
            self.line(f"br label %{join}")
        if stmt.default is not None:
            self.start(default)
            self.body(stmt.default)
            self.line(f"br label %{join}")
        self.start(join)
        if stmt.phi:
            # one incoming per edge: the default's and each case's that goes to the join
            edges = 1 + sum(1 for _, arm in stmt.cases if arm < 0)
            incomings = [f"[ 0, %{source} ]"] * edges + [f"[ 1, %{ends[0]} ]"]
            p, t = self.fresh("sp"), self.fresh("st")
            self.line(f"%{p} = phi i64 {', '.join(incomings)}")
            self.line(f"%{t} = icmp eq i64 %{p}, 1")
            mark, after = self.fresh("smark"), self.fresh("safter")
            self.line(f"br i1 %{t}, label %{mark}, label %{after}")
            self.start(mark)
            self.body(stmt.marked)
            self.line(f"br label %{after}")
            self.start(after)

    def if_(self, stmt: If) -> None:
        cond = self.cond(stmt.cond)
        join = self.fresh("join")
        then_label = self.fresh("then") if (stmt.then or stmt.empty_arm_block or not stmt.else_) else join
        else_label = self.fresh("else") if (stmt.else_ or (stmt.empty_arm_block and stmt.then)) else join
        if then_label == join and else_label == join:
            then_label = self.fresh("then")
        self.line(f"br i1 {cond}, label %{then_label}, label %{else_label}")
        for label, arm in ((then_label, stmt.then), (else_label, stmt.else_)):
            if label == join:
                continue
            self.start(label)
            self.body(arm)
            self.line(f"br label %{join}")
        self.start(join)

    def loop(self, stmt: Loop) -> None:
        exit_label = self.fresh("exit")
        if stmt.style == "self":
            label = self.fresh("loop")
            self.line(f"br label %{label}")
            self.start(label)
            self.body(stmt.body)
            self.gate(Gate("h", (), (stmt.qubit,)))
            self.measure(Measure(stmt.qubit, stmt.result))
            bit = self.cond(Read(stmt.result))
            targets = (label, exit_label) if stmt.until_zero else (exit_label, label)
            self.line(f"br i1 {bit}, label %{targets[0]}, label %{targets[1]}")
        else:
            head = self.fresh("head")
            body = self.fresh("body")
            self.gate(Gate("h", (), (stmt.qubit,)))
            self.line(f"br label %{head}")
            self.start(head)
            self.measure(Measure(stmt.qubit, stmt.result))
            bit = self.cond(Read(stmt.result))
            targets = (body, exit_label) if stmt.until_zero else (exit_label, body)
            self.line(f"br i1 {bit}, label %{targets[0]}, label %{targets[1]}")
            self.start(body)
            self.body(stmt.body)
            self.gate(Gate("h", (), (stmt.qubit,)))
            self.line(f"br label %{head}")
        self.start(exit_label)

    # conditions: return the i1 operand text (`%name`) available in the current block
    def cond(self, cond) -> str:
        if isinstance(cond, Read):
            name = "__quantum__qis__read_result__body" if cond.via == "qis" else "__quantum__rt__read_result"
            attribute = {"rt-zeroext": "zeroext ", "rt-attrs": "noundef zeroext "}.get(cond.via, "")
            rty = self.ptr_type("Result")
            if cond.via == "rt-attrs":
                self.declare(name, f"declare {attribute}i1 @{name}({rty} nocapture readonly) nounwind")
            else:
                self.declare(name, f"declare {attribute}i1 @{name}({rty})")
            operand = self.handle("Result", cond.result)
            value = self.fresh("r")
            marker = "tail " if cond.via == "rt-attrs" else ""
            self.line(f"%{value} = {marker}call {attribute}i1 @{name}({operand})")
            return f"%{value}"
        if isinstance(cond, Not):
            inner = self.cond(cond.operand)
            value = self.fresh("n")
            operands = f"true, {inner}" if cond.true_first else f"{inner}, true"
            self.line(f"%{value} = xor i1 {operands}")
            return f"%{value}"
        if isinstance(cond, Logic):
            if cond.style == "phi":
                return self.short_circuit(cond)
            lhs = self.cond(cond.lhs)
            rhs = self.cond(cond.rhs)
            value = self.fresh("l")
            if cond.op in ("eq", "ne"):
                self.line(f"%{value} = icmp {cond.op} i1 {lhs}, {rhs}")
            elif cond.style == "instr":
                self.line(f"%{value} = {cond.op} i1 {lhs}, {rhs}")
            elif cond.op == "and":
                self.line(f"%{value} = select i1 {lhs}, i1 {rhs}, i1 false")
            else:
                self.line(f"%{value} = select i1 {lhs}, i1 true, i1 {rhs}")
            return f"%{value}"
        if isinstance(cond, IntView):
            return self.int_view(cond)
        if isinstance(cond, ICmpInt):
            lhs, rhs = self.int_operand(cond.lhs), self.int_operand(cond.rhs)
            value = self.fresh("ic")
            self.line(f"%{value} = icmp {cond.pred} i{width_of(cond.lhs)} {lhs}, {rhs}")
            return f"%{value}"
        if isinstance(cond, Sel):
            c = self.cond(cond.cond)
            arms = [arm if isinstance(arm, str) else self.cond(arm)
                    for arm in ("true" if cond.then is True else "false" if cond.then is False else cond.then,
                                "true" if cond.else_ is True else "false" if cond.else_ is False else cond.else_)]
            value = self.fresh("s")
            self.line(f"%{value} = select i1 {c}, i1 {arms[0]}, i1 {arms[1]}")
            return f"%{value}"
        if isinstance(cond, VALUE_CONDITIONS):
            return self.value_cond(cond)
        raise TypeError(cond)

    def short_circuit(self, cond: Logic) -> str:
        lhs = self.cond(cond.lhs)
        lhs_block = self.cur.label
        rhs_label = self.fresh("rhs")
        join = self.fresh("sc")
        to_rhs_on_true = (cond.op == "and") != cond.phi_inverted
        if to_rhs_on_true:
            self.line(f"br i1 {lhs}, label %{rhs_label}, label %{join}")
        else:
            self.line(f"br i1 {lhs}, label %{join}, label %{rhs_label}")
        constant = "false" if cond.op == "and" else "true"
        self.start(rhs_label)
        rhs = self.cond(cond.rhs)
        rhs_block = self.cur.label
        self.line(f"br label %{join}")
        self.start(join)
        value = self.fresh("p")
        incomings = [f"[ {constant}, %{lhs_block} ]", f"[ {rhs}, %{rhs_block} ]"]
        if not cond.phi_const_first:
            incomings.reverse()
        self.line(f"%{value} = phi i1 {', '.join(incomings)}")
        return f"%{value}"

    def int_operand(self, value) -> str:
        """The operand text (without its type) of an integer tree, emitting its instructions."""
        if isinstance(value, IConst):
            if value.width == 1:
                return "true" if value.value else "false"
            # LLVM reads N-bit patterns either way; the translator takes an i64
            # constant only in the signed range, as LLVM itself writes it
            if value.unsigned and value.value < 0 and value.width < 64:
                return str(value.value + (1 << value.width))
            return str(value.value)
        if isinstance(value, IBit):
            return self.cond(value.cond)
        out = self.fresh("iv")
        if isinstance(value, ISelect):
            c = self.cond(value.cond)
            self.line(f"%{out} = select i1 {c}, i{value.width} {value.then}, i{value.width} {value.else_}")
        elif isinstance(value, IZext):
            source = self.int_operand(value.operand)
            self.line(f"%{out} = zext i{width_of(value.operand)} {source} to i{value.width}")
        elif isinstance(value, IArith):
            lhs, rhs = self.int_operand(value.lhs), self.int_operand(value.rhs)
            self.line(f"%{out} = {value.op} i{value.width} {lhs}, {rhs}")
        elif isinstance(value, IShift):
            operand = self.int_operand(value.operand)
            self.line(f"%{out} = {value.op} i{value.width} {operand}, {value.amount}")
        elif isinstance(value, IDiv):
            lhs = self.int_operand(value.lhs)
            self.line(f"%{out} = {value.op} i{value.width} {lhs}, {value.divisor}")
        elif isinstance(value, ICast):
            source = self.int_operand(value.operand)
            self.line(f"%{out} = {value.op} i{width_of(value.operand)} {source} to i{value.width}")
        else:
            raise TypeError(value)
        return f"%{out}"

    def int_view(self, cond: IntView) -> str:
        inner = self.cond(cond.operand)
        out = self.fresh("b")
        if cond.style == "zext":
            z = self.fresh("z")
            self.line(f"%{z} = zext i1 {inner} to i64")
            pred, k = [("eq", 1), ("ne", 0), ("sgt", 0), ("uge", 1)][cond.variant % 4]
            self.line(f"%{out} = icmp {pred} i64 %{z}, {k}")
        elif cond.style == "arith":
            z, m, d = self.fresh("z"), self.fresh("m"), self.fresh("d")
            self.line(f"%{z} = zext i1 {inner} to i64")
            self.line(f"%{m} = mul i64 %{z}, 3")
            self.line(f"%{d} = sub i64 %{m}, 1")
            self.line(f"%{out} = icmp sgt i64 %{d}, 0")
        elif cond.style == "select":
            k = self.fresh("k")
            ty = "i64" if cond.variant % 2 == 0 else "i32"
            self.line(f"%{k} = select i1 {inner}, {ty} 5, {ty} 7")
            pred, c = [("eq", 5), ("slt", 6), ("ne", 7), ("ule", 5)][cond.variant % 4]
            self.line(f"%{out} = icmp {pred} {ty} %{k}, {c}")
        elif cond.style == "materialise":
            t, f, m = self.fresh("mt"), self.fresh("mf"), self.fresh("mm")
            self.line(f"br i1 {inner}, label %{t}, label %{f}")
            for label in (t, f):
                self.start(label)
                self.line(f"br label %{m}")
            self.start(m)
            p = self.fresh("p")
            # variant bit 0: which constant the true side carries; bit 1: incoming order
            k_true = 1 if cond.variant % 2 == 0 else 0
            incomings = [f"[ {k_true}, %{t} ]", f"[ {1 - k_true}, %{f} ]"]
            if cond.variant & 2:
                incomings.reverse()
            self.line(f"%{p} = phi i64 {', '.join(incomings)}")
            self.line(f"%{out} = icmp {'ne' if k_true else 'eq'} i64 %{p}, 0")
        elif cond.style == "ifmerge":
            # variant bit 0: the constants; bit 1: update on the false side; bit 2: incoming order
            source = self.cur.label
            u, m = self.fresh("upd"), self.fresh("merge")
            on_false = bool(cond.variant & 2)
            targets = (m, u) if on_false else (u, m)
            self.line(f"br i1 {inner}, label %{targets[0]}, label %{targets[1]}")
            self.start(u)
            w = self.fresh("w")
            init, step = [(0, 1), (2, 3)][cond.variant % 2]
            self.line(f"%{w} = add i64 {init}, {step}")
            self.line(f"br label %{m}")
            self.start(m)
            p = self.fresh("p")
            incomings = [f"[ {init}, %{source} ]", f"[ %{w}, %{u} ]"]
            if cond.variant & 4:
                incomings.reverse()
            self.line(f"%{p} = phi i64 {', '.join(incomings)}")
            self.line(f"%{out} = icmp {'ne' if on_false else 'eq'} i64 %{p}, {init + step}")
        else:
            raise ValueError(cond.style)
        return f"%{out}"

    def text(self) -> str:
        self.body(self.program.body)
        for result in self.program.records:
            label = "i8* null" if self.typed else "ptr null"
            self.call_void("__quantum__rt__result_record_output",
                           [self.handle("Result", result), label],
                           [self.ptr_type("Result"), "i8*" if self.typed else "ptr"])
        self.line("ret void")
        self.place_cells()
        out: list[str] = []
        if self.typed:
            out += ["%Qubit = type opaque", "%Result = type opaque"]
            if "%Array" in self.declared:
                out.append(self.declared["%Array"])
            out.append("")
        blocks = list(self.blocks)
        if self.program.block_order:
            import random

            rest = blocks[1:]
            random.Random(self.program.block_order).shuffle(rest)
            blocks = blocks[:1] + rest
        out += [line for before, lines in self.functions if before for line in lines]
        out.append("define void @main() #0 {")
        for i, block in enumerate(blocks):
            if i:
                out.append("")
            out.append(f"{block.label}:")
            out.extend(block.lines)
        out.append("}")
        out.append("")
        out += [line for before, lines in self.functions if not before for line in lines]
        out += [text for name, text in self.declared.items() if name != "%Array"]
        out.append("")
        out.append('attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" '
                   f'"required_num_qubits"="{self.program.qubits}" "required_num_results"="{self.program.results}" }}')
        out.append('attributes #1 = { "irreversible" }')
        return "\n".join(out) + "\n"


def emit_text(program: Program, style: str = "typed", target: str = "corvane") -> str:
    """QIR text of `program` in pointer `style` ("typed"/"opaque") for `target`."""
    return _TextEmitter(program, style, target).text()


def _reads(cond) -> list:
    """The Read leaves of a leaf condition (a read or its negation)."""
    if isinstance(cond, Read):
        return [cond]
    if isinstance(cond, Not):
        return _reads(cond.operand)
    raise TypeError(cond)


def _truth(cond, bits: dict) -> bool:
    if isinstance(cond, Read):
        return bool(bits[cond.result])
    if isinstance(cond, Not):
        return not _truth(cond.operand, bits)
    raise TypeError(cond)
