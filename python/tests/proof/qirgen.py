"""Random QIR programs: a program model and its text emitter.

A program is a tree of the statement, condition, integer and angle classes
below; `emit_text` writes it in the typed-pointer (`%Qubit*`) or
opaque-pointer (`ptr`) style. The `corvane` target is the program as given;
the `runner` target replaces the calls the QIR runner cannot execute by
their equivalents (`RUNNER_GATES`: `ccnot` by `ccx`, `phasedx(theta, phi)`
by `rz(-phi); rx(theta); rz(phi)`, `r1` by `rz`, `u3` by `rz; rx; rz`,
controlled invocations by plain gates or by the runner's own `__ctl`
functions, whose controls are passed in an array)
and is otherwise byte for byte the same. Every program records constant
results in its one returning block, so recorded values map onto `c[i]`.

Values: conditions are i1 values; integers are iN values (N = 1, 32 or 64,
a plain Python int being an i64 constant) built with LLVM's opcodes, which
never carry nsw/nuw, so every overflow wraps; shift amounts stay below N and
divisors are non-zero constants (never -1 for a signed division), so no
value is poison. A value is used where it is evaluated, or it is given a
lifetime: stored in a memory cell (`Store`, `Load`), named (`Bind`,
`Merge`, `PhiJoin`, `PhiLoop`, used as `Bound`), defined at one point and
read at a later one after what it read (a result, a cell) was written again.
"""
from __future__ import annotations

import dataclasses
import math
import random
import struct
from dataclasses import dataclass, field, make_dataclass

# QIR gate key -> (angles, qubits, function name); `_adj` keys name the adjoint
QIR_GATES: dict[str, tuple[int, int, str]] = {
    op: (angles, qubits, f"__quantum__qis__{op.removesuffix('_adj')}__{'adj' if op.endswith('_adj') else 'body'}")
    for op, angles, qubits in (
        ("h", 0, 1), ("x", 0, 1), ("y", 0, 1), ("z", 0, 1), ("s", 0, 1), ("s_adj", 0, 1), ("t", 0, 1),
        ("t_adj", 0, 1), ("cnot", 0, 2), ("cx", 0, 2), ("cy", 0, 2), ("cz", 0, 2), ("swap", 0, 2), ("rx", 1, 1),
        ("ry", 1, 1), ("rz", 1, 1), ("rxx", 1, 2), ("ryy", 1, 2), ("rzz", 1, 2), ("ccx", 0, 3), ("ccnot", 0, 3),
        ("phasedx", 2, 1), ("r1", 1, 1), ("u3", 3, 1))
}
# controlled op -> (controls, targets, the `__ctl` function invoked); a rotation (ROTATIONS) takes one angle
CONTROLLED_OPS: dict[str, tuple[int, int, str]] = {
    "x1": (1, 1, "x"), "x2": (2, 1, "x"), "y": (1, 1, "y"), "z": (1, 1, "z"), "swap": (1, 2, "swap"),
    "h": (1, 1, "h"), "s": (1, 1, "s"), "t": (1, 1, "t"), "rx": (1, 1, "rx"), "ry": (1, 1, "ry"),
    "rz": (1, 1, "rz"), "r1": (1, 1, "r1"), "x3": (3, 1, "x"), "y2": (2, 1, "y"), "y3": (3, 1, "y"),
    "z2": (2, 1, "z"), "z3": (3, 1, "z")}
ROTATIONS = ("rx", "ry", "rz", "r1")
GENERALIZED = "generalizedInvokeWithRotationsControlsTargets"
ICMP_PREDICATES = ("eq", "ne", "ult", "ule", "ugt", "uge", "slt", "sle", "sgt", "sge")
MEASUREMENTS = {"mz": "__quantum__qis__mz__body", "m": "__quantum__qis__m__body",
                "mresetz": "__quantum__qis__mresetz__body"}


def _node(name: str, fields: str, **defaults) -> type:
    """A frozen dataclass `name` with the space-separated `fields`; those in `defaults` are optional."""
    return make_dataclass(name, [(f, object, field(default=defaults[f])) if f in defaults else (f, object)
                                 for f in fields.split()], frozen=True, namespace={"__module__": __name__})


# --- statements ---
Gate = _node("Gate", "op angles qubits", angles=(), qubits=())  # op: key of QIR_GATES; angles: floats or doubles
# the generalized invocation of CONTROLLED_OPS[op]: controls, then targets; `angles` holds a rotation's angle
Ctl = _node("Ctl", "op adjoint qubits angles", angles=())
# runner target only: the runner's `__quantum__qis__<inner>__ctl[adj]` with the controls in an array
RunnerCtl = _node("RunnerCtl", "inner adjoint controls target angle", angle=None)
Measure = _node("Measure", "qubit result kind", kind="mz")  # kind: key of MEASUREMENTS
Reset = _node("Reset", "qubit")
# pytket's `barrierN` on the qubits for corvane; the runner links only the barrier without operands
Barrier = _node("Barrier", "qubits", qubits=())
If = _node("If", "cond then else_ empty_arm_block", then=(), else_=(), empty_arm_block=False)  # empty arm as a block
# Repeat `body`, h on `qubit`, measure it into `result`, while the bit is 1 (`until_zero`) or 0: in one
# block that branches to itself ("self") or a measuring header and a body ("header").
Loop = _node("Loop", "qubit result body style until_zero", body=(), style="self", until_zero=True)
# `switch` on an integer; each case maps a constant to an arm (its index) or the default (-1). Arms and
# the default (a block of its own, or the join when None) go to one join. With `phi` (one arm, default
# None) the join starts with a `phi i64`, 1 from the arm and 0 from the switch, and `marked` runs on 1.
Switch = _node("Switch", "value cases arms default phi marked", arms=(), default=(), phi=False, marked=())
# `times` calls of a function the module defines (before the entry point if `before`); every handle and
# angle of `body` is a parameter. With `returns` it takes an i64 `offset` and returns `offset + 1` when
# the bit of result `returns` is 1, else `offset` (from one `ret`, or two if `two_returns`); the caller
# runs `then` when the last call returned `offset + 1`.
DefinedCall = _node("DefinedCall", "body times before returns offset two_returns then", body=(), times=1,
                    before=False, returns=None, offset=0, two_returns=False, then=())
# Values with a lifetime. A cell is an `alloca` of `ty` ("i1" or "i64") in the entry block; a bound name
# is an SSA value used later as `Bound(name)`.
Store = _node("Store", "slot ty value")  # value: a bool or condition for "i1", an integer for "i64"
Bind = _node("Bind", "name value")  # evaluate a condition or integer here, for later uses
# An i64 if-merge: a branch on `cond` (the other way if `on_false`) to a block adding `step` to `base`,
# and a join with the phi of both (incomings swapped if `swap`).
Merge = _node("Merge", "name cond base step on_false swap", on_false=False, swap=False)
While = _node("While", "cond body", body=())  # a header evaluating `cond` on every turn, then `body`
# A join of several blocks with a phi of `ty` ("i1", "i32" bound through sext, or "i64"): block k branches
# on `conds[k]` to the join (through an empty block if `arm_blocks[k]`, else on a critical edge) or on to
# block k + 1, the last one to the join; the phi takes `values[k]`, evaluated in block k.
PhiJoin = _node("PhiJoin", "name ty conds values arm_blocks", arm_blocks=())
# A counted loop whose state lives in header phis: `counter` counts the turns from 0, `name` and
# `name + 1` (from `first` and `second`) swap on every turn. With `self_loop` the body ends testing
# `counter + 1 < turns`, else a header tests `counter < turns` first.
PhiLoop = _node("PhiLoop", "name counter ty turns first second body self_loop", body=(), self_loop=False)
# A counted loop over constant global arrays, as the Q# compiler writes `for i in 0..n-1`: turn i applies
# `op` to `qubits[i]` (with the angle `angles[i]` for a rotation), then measures it into `results[i]` and
# flips it on a One if `flip`. The counter is an alloca ("slot") or a header phi ("phi"); elements are read
# with a one-index getelementptr ("one"), a two-index one over the array type ("two"), or as i64 indices
# passed through inttoptr ("i64").
ArrayLoop = _node("ArrayLoop", "qubits op angles results flip counter form", angles=(), results=(), flip=False,
                  counter="slot", form="one")
# An output record where it stands: kind "result" (`value` a result index), "bool" (a condition), "int" (an
# i64 value), "tuple" or "array" (`value` the element count), with a label string or none.
Rec = _node("Rec", "kind value label", label=None)
RECORD_FUNCTIONS = {"result": "__quantum__rt__result_record_output", "bool": "__quantum__rt__bool_record_output",
                    "int": "__quantum__rt__int_record_output", "tuple": "__quantum__rt__tuple_record_output",
                    "array": "__quantum__rt__array_record_output"}

# --- conditions (i1) ---
# via "qis" or "rt": __quantum__{qis__read_result__body,rt__read_result}; "rt-zeroext" with the return
# attribute the Q# compiler writes, "rt-attrs" with more attributes and a tail marker
Read = _node("Read", "result via", via="qis")
Not = _node("Not", "operand true_first", true_first=False)  # xor i1 true, %x when `true_first`
# "and"/"or" with style "instr", "select" or "phi" (short-circuit blocks; the constant's incoming first
# if `phi_const_first`; the left side's branch the other way round, !lhs && rhs or !lhs || rhs, if
# `phi_inverted`); "xor", "eq", "ne" on i1 with style "instr"
Logic = _node("Logic", "op lhs rhs style phi_const_first phi_inverted", style="instr", phi_const_first=True,
              phi_inverted=False)
Sel = _node("Sel", "cond then else_")  # select i1; then/else_ are True, False or a condition
# a condition passed through an integer and compared back: style "zext", "arith", "select",
# "materialise" (a phi of constants) or "ifmerge" (a phi of an update); `variant` picks constants and order
IntView = _node("IntView", "operand style variant", variant=0)
ICmp = _node("ICmp", "pred lhs rhs")  # icmp pred iN
Load = _node("Load", "slot ty")  # a condition for "i1", an integer for "i64"
Bound = _node("Bound", "name")  # the value of a name: a condition or an i64
# run `stmts` where the condition is evaluated, then `cond` (the right side of a short-circuit `Logic`
# puts quantum work in a block only one side runs)
After = _node("After", "stmts cond")

# --- integers (a plain int is an i64 constant) and doubles ---
IConst = _node("IConst", "width value unsigned", unsigned=False)  # canonical value; `unsigned` prints N bits
IBit = _node("IBit", "cond")  # a condition as an i1 value
ISelect = _node("ISelect", "width cond then else_")  # select between two constants
ICast = _node("ICast", "width op operand")  # zext, sext or trunc of a non-constant value
IBin = _node("IBin", "width op lhs rhs")  # an opcode of INT_OPS; shifts and divisions by a constant
FArith = _node("FArith", "op lhs rhs", rhs=None)  # fadd, fsub, fmul, fdiv; fneg of `lhs`
ToDouble = _node("ToDouble", "op value")  # sitofp or uitofp of an integer


def Widen(cond) -> ICast:  # noqa: N802 - shorthands of the values the lifetime shapes use
    return ICast(64, "zext", IBit(cond))


def Plus(operand, k: int) -> IBin:  # noqa: N802
    return IBin(64, "add", operand, k)


def Cmp(operand, pred: str, k: int) -> ICmp:  # noqa: N802
    return ICmp(pred, operand, k)


# op -> the gates the runner target writes instead, from the qubits and angles
RUNNER_GATES = {
    "ccnot": lambda q, a: [Gate("ccx", (), q)],
    "phasedx": lambda q, a: [Gate("rz", (-a[1],), q), Gate("rx", (a[0],), q), Gate("rz", (a[1],), q)],
    "ctl-x1": lambda q, a: [Gate("cnot", (), q)], "ctl-x2": lambda q, a: [Gate("ccx", (), q)],
    "ctl-y": lambda q, a: [Gate("cy", (), q)], "ctl-z": lambda q, a: [Gate("cz", (), q)],
    "ctl-swap": lambda q, a: [Gate("cnot", (), (q[2], q[1])), Gate("ccx", (), q), Gate("cnot", (), (q[2], q[1]))],
    # r1(a) is rz(a) up to phase; u3(t, p, l) is rz(p) ry(t) rz(l) up to phase, and ry(t) = rz(pi/2) rx(t) rz(-pi/2)
    "r1": lambda q, a: [Gate("rz", a, q)],
    "u3": lambda q, a: [Gate("rz", (a[2] - math.pi / 2,), q), Gate("rx", (a[0],), q),
                        Gate("rz", (a[1] + math.pi / 2,), q)],
    # controlled r1(a): r1(a/2) on the control (as rz, up to phase) and controlled rz(a)
    "ctl-r1": lambda q, a: [Gate("rz", (FArith("fmul", a[0], 0.5),), q[:1]), RunnerCtl("rz", False, q[:1], q[1], a[0])],
}


@dataclass
class Program:
    qubits: int
    results: int
    body: tuple
    records: tuple[int, ...]  # result indices recorded at the end, in order
    handles: str = "const"  # "const" (constant expressions) or "instr" (inttoptr instructions)
    memory_angles: bool = False  # angles stored to and loaded from an alloca
    block_order: int = 0  # non-zero: write the blocks after the entry in a shuffled order (seed)
    # non-zero: spell the text in other ways LLVM reads the same (seed): integer literals outside their
    # width, volatile memory accesses, cells as elements of arrays reached through getelementptr
    # chains, instructions broken over several lines, and statements sharing lines (two instructions,
    # a label with an instruction, the header with the body's start, the last instruction with the
    # closing brace)
    spelling: int = 0


def walk(node):
    """Every model node within `node` (a program, a node or a tuple of them), outermost first."""
    if isinstance(node, (tuple, list)):
        for item in node:
            yield from walk(item)
    elif dataclasses.is_dataclass(node) and not isinstance(node, type):
        if not isinstance(node, Program):
            yield node
        for f in dataclasses.fields(node):
            yield from walk(getattr(node, f.name))


# --- LLVM's values ---------------------------------------------------------------------------


def _bits(value: int, width: int) -> int:
    return value & ((1 << width) - 1)


def _canonical(bits: int, width: int) -> int:
    """An N-bit pattern as held in canonical form: 0/1 for i1, sign-extended otherwise."""
    bits = _bits(bits, width)
    return bits - (1 << width) if width > 1 and bits >= 1 << (width - 1) else bits


def _signed(value: int, width: int) -> int:
    """A canonical iN value read as signed: an i1 true is -1."""
    return -value if width == 1 else value


def _sdiv(a: int, b: int) -> int:
    return abs(a) // abs(b) * (1 if (a < 0) == (b < 0) else -1)  # rounds toward zero


# the integer opcodes by kind, and each one's value on canonical operands (before wrapping to the width)
INT_KINDS = {"arith": ("add", "sub", "mul"), "bitwise": ("and", "or", "xor"), "shift": ("shl", "lshr", "ashr"),
             "div": ("udiv", "sdiv", "urem", "srem")}
INT_OPS = {
    "add": lambda a, b, w: a + b, "sub": lambda a, b, w: a - b, "mul": lambda a, b, w: a * b,
    "and": lambda a, b, w: a & b, "or": lambda a, b, w: a | b, "xor": lambda a, b, w: a ^ b,
    "shl": lambda a, k, w: a << k, "lshr": lambda a, k, w: _bits(a, w) >> k,
    "ashr": lambda a, k, w: _signed(a, w) >> k,  # Python's >> rounds down
    "udiv": lambda a, b, w: _bits(a, w) // _bits(b, w), "sdiv": lambda a, b, w: _sdiv(_signed(a, w), _signed(b, w)),
    "urem": lambda a, b, w: _bits(a, w) % _bits(b, w),
    "srem": lambda a, b, w: _signed(a, w) - _signed(b, w) * _sdiv(_signed(a, w), _signed(b, w)),
}
READS = ("qis", "rt", "rt-zeroext", "rt-attrs")  # the ways a Read is written, see `Read`


def width_of(value) -> int:
    if isinstance(value, IBit):
        return 1
    if isinstance(value, Load):
        return int(value.ty[1:])
    return value.width if hasattr(value, "width") else 64  # plain ints and integer Bound values are i64


def int_value(value, truth) -> int:
    """LLVM's value of an integer, in canonical form; `truth(cond)` decides conditions."""
    if isinstance(value, int):
        return value
    if isinstance(value, IConst):
        return _canonical(value.value, value.width)
    if isinstance(value, IBit):
        return int(bool(truth(value.cond)))
    if isinstance(value, ISelect):
        return _canonical(value.then if truth(value.cond) else value.else_, value.width)
    if isinstance(value, IBin):
        return _canonical(INT_OPS[value.op](int_value(value.lhs, truth), int_value(value.rhs, truth), value.width),
                          value.width)
    if isinstance(value, ICast):
        a, source = int_value(value.operand, truth), width_of(value.operand)
        return _canonical({"zext": _bits(a, source), "sext": _signed(a, source), "trunc": a}[value.op], value.width)
    raise TypeError(value)


def angle_value(angle, truth) -> float:
    """The double LLVM computes for an angle; `truth(cond)` decides conditions."""
    if isinstance(angle, FArith):
        a = angle_value(angle.lhs, truth)
        if angle.op == "fneg":
            return -a
        b = angle_value(angle.rhs, truth)
        return {"fadd": a + b, "fsub": a - b, "fmul": a * b, "fdiv": a / b if b else 0.0}[angle.op]
    if isinstance(angle, ToDouble):
        width, v = width_of(angle.value), int_value(angle.value, truth)
        return float(_signed(v, width) if angle.op == "sitofp" else _bits(v, width))
    return float(angle)


def leaves(value) -> list:
    """The conditions an integer or angle reads, in order."""
    return [n.cond for n in walk(value) if isinstance(n, (IBit, ISelect))]


def _format_double(value: float) -> str:
    if value != 0 and abs(value) < 1e-200:
        # as LLVM's printer writes such values: the bits in hexadecimal, without leading zero digits
        return "0x%X" % struct.unpack("<Q", struct.pack("<d", value))[0]
    text = repr(float(value))
    return f"{float(value):.17e}" if "e" in text or "E" in text or "." not in text else text


def runner_gates(stmt) -> list:
    """The calls the runner target writes for one Gate or Ctl (Gate and RunnerCtl statements)."""
    key = f"ctl-{stmt.op}" if isinstance(stmt, Ctl) else stmt.op
    angles = stmt.angles
    if isinstance(stmt, Ctl) and stmt.adjoint and stmt.op in ROTATIONS:
        angles = (FArith("fneg", angles[0]),)  # the adjoint of a rotation turns the other way
    if key in RUNNER_GATES:
        return RUNNER_GATES[key](stmt.qubits, angles)
    if isinstance(stmt, Ctl):
        controls, _, inner = CONTROLLED_OPS[stmt.op]
        adjoint = stmt.adjoint and inner in ("s", "t")
        return [RunnerCtl(inner, adjoint, stmt.qubits[:controls], stmt.qubits[controls], (angles or (None,))[0])]
    return [stmt]


# --- the text emitter ----------------------------------------------------------------------


@dataclass
class _Block:
    label: str
    lines: list[str] = field(default_factory=list)


class _TextEmitter:
    def __init__(self, program: Program, style: str, target: str):
        assert style in ("typed", "opaque") and target in ("corvane", "runner")
        self.program, self.typed, self.target = program, style == "typed", target
        self.blocks: list[_Block] = [_Block("entry")]
        self.counter = 0
        self.declared: dict[str, str] = {}
        # Within a defined function: its parameters, (kind, index) -> (type, name, argument)
        self.params: dict | None = None
        self.functions: list[tuple[bool, list[str]]] = []  # (before the entry point, lines)
        self.cells: dict[tuple[int, str], str] = {}  # (slot, type) -> alloca name
        self.spell = random.Random(program.spelling) if program.spelling else None
        self.bound: dict[int, tuple[str, str]] = {}  # name -> (operand, type)
        self.labels: dict[str, str] = {}  # label text -> the global holding it

    def fresh(self, prefix: str) -> str:
        self.counter += 1
        # LLVM names may hold a `-` as they may a `.`.
        if self.spell is not None and self.spell.random() < 0.3:
            return f"{prefix}-{self.counter}"
        return f"{prefix}{self.counter}"

    @property
    def cur(self) -> _Block:
        return self.blocks[-1]

    def line(self, text: str) -> None:
        if self.spell is not None and self.spell.random() < 0.2:
            text = self.broken(text)
        self.cur.lines.append("  " + text)

    def broken(self, text: str) -> str:
        """`text` with a line break where LLVM reads a blank: between any two tokens, except before a
        constant expression, whose opcode would start a line of its own."""
        places = [i + 1 for i, c in enumerate(text) if c == "," or (c == "=" and text.startswith("%"))]
        places += [i for i, c in enumerate(text) if c == " " and not text.startswith(("inttoptr", "getelementptr"), i + 1)]
        if not places:
            return text
        at = self.spell.choice(places)
        # A blank line inside an instruction is a blank too.
        gap = "\n\n      " if self.spell.random() < 0.3 else "\n      "
        return text[:at] + gap + text[at:].lstrip(" ")

    def lit(self, value: int, width: int) -> str:
        """An iN literal of the canonical `value`, perhaps written outside the width (LLVM reads it mod 2^N)."""
        if width == 1:
            spellings = ("true", "1", "-1", "3") if value else ("false", "0", "2", "-2")
            return spellings[self.spell.randrange(4)] if self.spell is not None else spellings[0]
        if self.spell is None or self.spell.random() < 0.5:
            return str(value)
        return str(value + self.spell.choice((-1, 1, 2)) * (1 << width))

    def volatile(self) -> str:
        return "volatile " if self.spell is not None and self.spell.random() < 0.5 else ""

    def start(self, label: str) -> None:
        self.blocks.append(_Block(label))

    def value_line(self, prefix: str, text: str) -> str:
        """Write `%name = text` with a fresh name; the operand `%name`."""
        name = self.fresh(prefix)
        self.line(f"%{name} = {text}")
        return f"%{name}"

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
            return f"{ty} {self.value_line('h', f'inttoptr i64 {self.lit(index, 64)} to {ty}')}"
        return f"{ty} null" if index == 0 else f"{ty} inttoptr (i64 {self.lit(index, 64)} to {ty})"

    def declare(self, name: str, text: str) -> None:
        self.declared.setdefault(name, text)

    def call_void(self, name: str, args: list[str], param_types: list[str], attrs: str = "") -> None:
        self.declare(name, f"declare void @{name}({', '.join(param_types)}){attrs}")
        self.line(f"call void @{name}({', '.join(args)})")

    def cell(self, slot: int, ty: str) -> str:
        """The typed pointer operand of cell `slot` of type `ty`."""
        name = self.cells.setdefault((slot, ty), f"cell_{ty}_{slot}")
        return f"{ty}* %{name}" if self.typed else f"ptr %{name}"

    def angle(self, value) -> str:
        if isinstance(value, FArith):
            lhs = self.angle(value.lhs)
            if value.op == "fneg":
                return self.value_line("f", f"fneg double {lhs}")
            return self.value_line("f", f"{value.op} double {lhs}, {self.angle(value.rhs)}")
        if isinstance(value, ToDouble):
            source = self.int_operand(value.value)
            return self.value_line("f", f"{value.op} i{width_of(value.value)} {source} to double")
        if self.params is not None:
            return self.param(("double", self.fresh("")), "double", value).split(" ")[1]
        if not self.program.memory_angles:
            return _format_double(value)
        slot, pty = self.fresh("slot"), "double*" if self.typed else "ptr"
        self.line(f"%{slot} = alloca double")
        self.line(f"store double {_format_double(value)}, {pty} %{slot}")
        return self.value_line("a", f"load double, {pty} %{slot}")

    # --- statements ---

    def body(self, stmts) -> None:
        for stmt in stmts:
            if isinstance(stmt, (Gate, Ctl)) and self.target == "runner":
                for gate in runner_gates(stmt):
                    (self.gate if isinstance(gate, Gate) else self.runnerctl_)(gate)
            else:
                getattr(self, type(stmt).__name__.lower() + "_")(stmt)

    def gate(self, gate: Gate) -> None:
        n_angles, _, name = QIR_GATES[gate.op]
        args = [f"double {self.angle(a)}" for a in gate.angles] + [self.handle("Qubit", q) for q in gate.qubits]
        self.call_void(name, args, ["double"] * n_angles + [self.ptr_type("Qubit")] * len(gate.qubits))

    gate_ = gate

    def ctl_(self, ctl: Ctl) -> None:
        controls, targets, inner = CONTROLLED_OPS[ctl.op]
        inner_name = f"__quantum__qis__{inner}__ctl"
        angle_args = [f"double {self.angle(a)}" for a in ctl.angles]
        qubit_args = [self.handle("Qubit", q) for q in ctl.qubits]
        if self.typed:
            inner_arg = f"i8* bitcast (void (%Array*, %Qubit*)* @{inner_name} to i8*)"
            self.declare(inner_name, f"declare void @{inner_name}(%Array*, %Qubit*)")
            self.declare("%Array", "%Array = type opaque")
        else:
            inner_arg = f"ptr @{inner_name}"
            self.declare(inner_name, f"declare void @{inner_name}(ptr, ptr)")
        prefix = f"i64, i64, i64, i64, {'i8*' if self.typed else 'ptr'}"
        args = [f"i64 {len(ctl.angles)}", f"i64 {int(ctl.adjoint)}", f"i64 {controls}", f"i64 {targets}", inner_arg]
        self.declare(GENERALIZED, f"declare void @{GENERALIZED}({prefix}, ...)")
        self.line(f"call void ({prefix}, ...) @{GENERALIZED}({', '.join(args + angle_args + qubit_args)})")

    def runnerctl_(self, ctl: RunnerCtl) -> None:
        """The runner's controlled gate: controls in an array, a rotation's (angle, target) in a tuple."""
        array, qubit = self.ptr_type("Array"), self.ptr_type("Qubit")
        i8p = "i8*" if self.typed else "ptr"
        if self.typed:
            self.declare("%Array", "%Array = type opaque")
        self.declare("array_create", f"declare {array} @__quantum__rt__array_create_1d(i32, i64)")
        self.declare("array_element", f"declare {i8p} @__quantum__rt__array_get_element_ptr_1d({array}, i64)")
        handles = [self.handle("Qubit", q) for q in ctl.controls]
        target = self.handle("Qubit", ctl.target)
        operand = self.value_line("arr", f"call {array} @__quantum__rt__array_create_1d(i32 8, i64 {len(handles)})")
        for i, handle in enumerate(handles):
            element = self.value_line(
                "el", f"call {i8p} @__quantum__rt__array_get_element_ptr_1d({array} {operand}, i64 {i})")
            if self.typed:
                element = self.value_line("el", f"bitcast i8* {element} to %Qubit**")
            self.line(f"store {handle}, {qubit}{'*' if self.typed else ''} {element}")
        name = f"__quantum__qis__{ctl.inner}__ctl{'adj' if ctl.adjoint else ''}"
        if ctl.angle is None:
            self.call_void(name, [f"{array} {operand}", target], [array, qubit])
            return
        ty = f"{{ double, {qubit} }}"
        angle = self.angle(ctl.angle)
        pair = self.value_line("pair", f"alloca {ty}")
        pair_ptr = f"{ty}*" if self.typed else "ptr"
        fields = [self.value_line("field", f"getelementptr {ty}, {pair_ptr} {pair}, i32 0, i32 {i}") for i in (0, 1)]
        self.line(f"store double {angle}, {'double*' if self.typed else 'ptr'} {fields[0]}")
        self.line(f"store {target}, {qubit}{'*' if self.typed else ''} {fields[1]}")
        self.call_void(name, [f"{array} {operand}", f"{pair_ptr} {pair}"], [array, pair_ptr])

    def measure_(self, m: Measure) -> None:
        args = [self.handle("Qubit", m.qubit), self.handle("Result", m.result)]
        self.call_void(MEASUREMENTS[m.kind], args, [self.ptr_type("Qubit"), self.ptr_type("Result") + " writeonly"],
                       " #1")

    def reset_(self, stmt: Reset) -> None:
        self.call_void("__quantum__qis__reset__body", [self.handle("Qubit", stmt.qubit)], [self.ptr_type("Qubit")])

    def barrier_(self, stmt: Barrier) -> None:
        if not stmt.qubits or self.target == "runner":
            self.call_void("__quantum__qis__barrier__body", [], [])
        else:
            self.call_void(f"__quantum__qis__barrier{len(stmt.qubits)}__body",
                           [self.handle("Qubit", q) for q in stmt.qubits], [self.ptr_type("Qubit")] * len(stmt.qubits))

    def branch(self, cond: str, labels: tuple[str, str], flip: bool = False) -> None:
        self.line(f"br i1 {cond}, label %{labels[flip]}, label %{labels[not flip]}")

    def arm(self, label: str, stmts, join: str) -> str:
        """Block `label` holding `stmts` and going on to `join`; the label of its last block."""
        self.start(label)
        self.body(stmts)
        self.line(f"br label %{join}")
        return self.blocks[-1].label

    def if_(self, stmt: If) -> None:
        cond = self.cond(stmt.cond)
        join = self.fresh("join")
        then_label = self.fresh("then") if (stmt.then or stmt.empty_arm_block or not stmt.else_) else join
        else_label = self.fresh("else") if (stmt.else_ or (stmt.empty_arm_block and stmt.then)) else join
        if then_label == join and else_label == join:
            then_label = self.fresh("then")
        self.branch(cond, (then_label, else_label))
        for label, arm in ((then_label, stmt.then), (else_label, stmt.else_)):
            if label != join:
                self.arm(label, arm, join)
        self.start(join)

    def loop_(self, stmt: Loop) -> None:
        exit_label, h = self.fresh("exit"), Gate("h", (), (stmt.qubit,))
        if stmt.style == "self":
            label = self.fresh("loop")
            self.line(f"br label %{label}")
            self.start(label)
            self.body((*stmt.body, h, Measure(stmt.qubit, stmt.result)))
            self.branch(self.cond(Read(stmt.result)), (label, exit_label), not stmt.until_zero)
        else:
            head, body = self.fresh("head"), self.fresh("body")
            self.gate(h)
            self.line(f"br label %{head}")
            self.start(head)
            self.measure_(Measure(stmt.qubit, stmt.result))
            self.branch(self.cond(Read(stmt.result)), (body, exit_label), not stmt.until_zero)
            self.arm(body, (*stmt.body, h), head)
        self.start(exit_label)

    def switch_(self, stmt: Switch) -> None:
        width = width_of(stmt.value)
        value = self.int_operand(stmt.value)
        source, join = self.cur.label, self.fresh("sjoin")
        arms = [self.fresh("case") for _ in stmt.arms]
        default = join if stmt.default is None else self.fresh("dflt")
        self.line(f"switch i{width} {value}, label %{default} [")
        for k, arm in stmt.cases:
            constant = ("true" if k & 1 else "false") if width == 1 else str(_canonical(k, width))
            self.cur.lines.append(f"    i{width} {constant}, label %{arms[arm] if arm >= 0 else default}")
        self.cur.lines.append("  ]")
        ends = [self.arm(label, arm, join) for label, arm in zip(arms, stmt.arms)]
        if stmt.default is not None:
            self.arm(default, stmt.default, join)
        self.start(join)
        if stmt.phi:
            # one incoming per edge: the default's and each case's that goes to the join
            edges = 1 + sum(1 for _, arm in stmt.cases if arm < 0)
            p = self.value_line("sp", f"phi i64 {', '.join([f'[ 0, %{source} ]'] * edges + [f'[ 1, %{ends[0]} ]'])}")
            t = self.value_line("st", f"icmp eq i64 {p}, 1")
            mark, after = self.fresh("smark"), self.fresh("safter")
            self.branch(t, (mark, after))
            self.arm(mark, stmt.marked, after)
            self.start(after)

    def definedcall_(self, stmt: DefinedCall) -> None:
        saved = (self.blocks, self.params)
        self.blocks, self.params = [_Block(self.fresh("f"))], {}
        self.body(stmt.body)
        ret = "void" if stmt.returns is None else "i64"
        if stmt.returns is None:
            self.line("ret void")
        else:
            offset = self.param(("i64",), "i64", stmt.offset)
            bit = self.cond(Read(stmt.returns))
            plus = self.fresh("v")
            if stmt.two_returns:
                one, zero = self.fresh("one"), self.fresh("zero")
                self.branch(bit, (one, zero))
                self.start(one)
                self.line(f"%{plus} = add i64 {offset.split(' ')[1]}, 1")
                self.line(f"ret i64 %{plus}")
                self.start(zero)
                self.line(f"ret {offset}")
            else:
                wide = self.value_line("z", f"zext i1 {bit} to i64")
                self.line(f"%{plus} = add i64 {wide}, {offset.split(' ')[1]}")
                self.line(f"ret i64 %{plus}")
        blocks, params = self.blocks, self.params
        self.blocks, self.params = saved
        name = self.fresh("fn")
        lines = [f"define internal {ret} @{name}({', '.join(f'{ty} %{p}' for ty, p, _ in params.values())}) {{"]
        for i, block in enumerate(blocks):
            lines += ([""] if i else []) + [f"{block.label}:"] + block.lines
        self.functions.append((stmt.before, lines + ["}", ""]))
        for _ in range(stmt.times):
            args = [self.handle(*argument) if isinstance(argument, tuple) else
                    f"double {self.angle(argument)}" if ty == "double" else f"i64 {argument}"
                    for ty, _, argument in params.values()]
            result = self.fresh("ret")
            self.line(f"{'' if ret == 'void' else f'%{result} = '}call {ret} @{name}({', '.join(args)})")
        if stmt.returns is not None:
            test = self.value_line("c", f"icmp eq i64 %{result}, {stmt.offset + 1}")
            then, join = self.fresh("then"), self.fresh("join")
            self.branch(test, (then, join))
            self.arm(then, stmt.then, join)
            self.start(join)

    def store_(self, stmt: Store) -> None:
        value = self.value_operand(stmt.value, stmt.ty)
        self.line(f"store {self.volatile()}{stmt.ty} {value}, {self.cell(stmt.slot, stmt.ty)}")

    def bind_(self, stmt: Bind) -> None:
        value = stmt.value
        if isinstance(value, bool):
            ty = "i1"
        elif isinstance(value, Bound):
            ty = self.bound[value.name][1]
        elif isinstance(value, Load):
            ty = value.ty
        else:
            ty = f"i{width_of(value)}" if isinstance(value, (int, IConst, ISelect, ICast, IBin)) else "i1"
        self.bound[stmt.name] = (self.value_operand(value, ty), ty)

    def merge_(self, stmt: Merge) -> None:
        base = self.int_operand(stmt.base)
        cond = self.cond(stmt.cond)
        source, update, join = self.cur.label, self.fresh("inc"), self.fresh("join")
        self.branch(cond, (update, join), stmt.on_false)
        self.start(update)
        total = self.value_line("w", f"add i64 {base}, {stmt.step}")
        self.line(f"br label %{join}")
        self.start(join)
        incomings = [f"[ {base}, %{source} ]", f"[ {total}, %{update} ]"][::-1 if stmt.swap else 1]
        self.bound[stmt.name] = (self.value_line("v", f"phi i64 {', '.join(incomings)}"), "i64")

    def phijoin_(self, stmt: PhiJoin) -> None:
        join, incomings, ty = self.fresh("pjoin"), [], stmt.ty
        for k, cond in enumerate(stmt.conds):
            value = self.value_operand(stmt.values[k], ty)
            taken = self.cond(cond)
            after = self.fresh("pnext")
            if k < len(stmt.arm_blocks) and stmt.arm_blocks[k]:
                arm = self.fresh("parm")
                self.branch(taken, (arm, after))
                self.arm(arm, (), join)
            else:
                arm = self.cur.label
                self.branch(taken, (join, after))
            incomings.append(f"[ {value}, %{arm} ]")
            self.start(after)
        incomings.append(f"[ {self.value_operand(stmt.values[-1], ty)}, %{self.cur.label} ]")
        self.line(f"br label %{join}")
        self.start(join)
        value = self.value_line("p", f"phi {ty} {', '.join(incomings)}")
        if ty == "i32":
            value, ty = self.value_line("s", f"sext i32 {value} to i64"), "i64"
        self.bound[stmt.name] = (value, ty)

    def philoop_(self, stmt: PhiLoop) -> None:
        first, second = self.value_operand(stmt.first, stmt.ty), self.value_operand(stmt.second, stmt.ty)
        entry, head, done = self.cur.label, self.fresh("phead"), self.fresh("pexit")
        i, a, b, step = self.fresh("pi"), self.fresh("pa"), self.fresh("pb"), self.fresh("pn")
        self.line(f"br label %{head}")
        self.start(head)
        header = self.cur
        self.bound.update({stmt.counter: (f"%{i}", "i64"), stmt.name: (f"%{a}", stmt.ty),
                           stmt.name + 1: (f"%{b}", stmt.ty)})
        if not stmt.self_loop:
            body = self.fresh("pbody")
            self.branch(self.value_line("pt", f"icmp slt i64 %{i}, {stmt.turns}"), (body, done))
            self.start(body)
        self.body(stmt.body)
        self.line(f"%{step} = add i64 %{i}, 1")
        if stmt.self_loop:
            self.branch(self.value_line("pt", f"icmp slt i64 %{step}, {stmt.turns}"), (head, done))
        else:
            self.line(f"br label %{head}")
        latch = self.cur.label
        header.lines[0:0] = [f"  %{i} = phi i64 [ 0, %{entry} ], [ %{step}, %{latch} ]",
                             f"  %{a} = phi {stmt.ty} [ {first}, %{entry} ], [ %{b}, %{latch} ]",
                             f"  %{b} = phi {stmt.ty} [ {second}, %{entry} ], [ %{a}, %{latch} ]"]
        self.start(done)

    def array(self, kind: str, ty: str, values) -> str:
        """A constant global array of `values` (texts) of type `ty`; its name."""
        name = self.fresh(f"array_{kind}")
        elements = ", ".join(f"{ty} {v}" for v in values)
        self.declare("@" + name, f"@{name} = internal constant [{len(values)} x {ty}] [{elements}]")
        return name

    def element(self, array: str, ty: str, n: int, i: str, form: str) -> str:
        """Load element `i` of the global array `array` of `n` elements of type `ty`."""
        pty = f"{ty}*" if self.typed else "ptr"
        # A typed pointer to the array is no pointer to its element, so typed text indexes the array type.
        if form == "two" or self.typed:
            at = self.value_line("g", f"getelementptr [{n} x {ty}], {'[%d x %s]*' % (n, ty) if self.typed else 'ptr'} "
                                      f"@{array}, i64 0, i64 {i}")
        else:
            at = self.value_line("g", f"getelementptr {ty}, {pty} @{array}, i64 {i}")
        return self.value_line("e", f"load {ty}, {pty} {at}")

    def arrayloop_(self, stmt: ArrayLoop) -> None:
        n, qty, rty = len(stmt.qubits), self.ptr_type("Qubit"), self.ptr_type("Result")

        def handles(kind: str, ty: str, indices) -> str:
            if stmt.form == "i64":
                return self.array(kind, "i64", [str(k) for k in indices])
            return self.array(kind, ty, ["null" if k == 0 else f"inttoptr (i64 {k} to {ty})" for k in indices])

        qubits = handles("q", qty, stmt.qubits)
        results = handles("r", rty, stmt.results) if stmt.results else None
        angles = self.array("a", "double", [_format_double(a) for a in stmt.angles]) if stmt.angles else None
        entry, head, body, done = self.cur.label, self.fresh("ahead"), self.fresh("abody"), self.fresh("aexit")
        if stmt.counter == "slot":
            cell = self.fresh("acell")
            pty = "i64*" if self.typed else "ptr"
            self.line(f"%{cell} = alloca i64")
            self.line(f"store i64 0, {pty} %{cell}")
        self.line(f"br label %{head}")
        self.start(head)
        header = self.cur
        i = self.value_line("ai", f"load i64, {pty} %{cell}") if stmt.counter == "slot" else f"%{self.fresh('ai')}"
        self.branch(self.value_line("at", f"icmp slt i64 {i}, {n}"), (body, done))
        self.start(body)
        if stmt.counter == "slot":
            i = self.value_line("ai", f"load i64, {pty} %{cell}")

        def handle(array: str, ty: str) -> str:
            if stmt.form == "i64":
                return self.value_line("h", f"inttoptr i64 {self.element(array, 'i64', n, i, 'one')} to {ty}")
            return self.element(array, ty, n, i, stmt.form)

        q = handle(qubits, qty)
        n_angles, _, name = QIR_GATES[stmt.op]
        args = [f"double {self.element(angles, 'double', n, i, stmt.form)}" for _ in range(n_angles)] + [f"{qty} {q}"]
        self.call_void(name, args, ["double"] * n_angles + [qty])
        if results is not None:
            r = handle(results, rty)
            self.call_void(MEASUREMENTS["mz"], [f"{qty} {q}", f"{rty} {r}"], [qty, rty + " writeonly"], " #1")
            if stmt.flip:
                read = self.value_line("b", f"call i1 @__quantum__rt__read_result({rty} {r})")
                self.declare("__quantum__rt__read_result", f"declare i1 @__quantum__rt__read_result({rty})")
                flip, join = self.fresh("aflip"), self.fresh("ajoin")
                self.branch(read, (flip, join))
                self.start(flip)
                self.call_void(QIR_GATES["x"][2], [f"{qty} {q}"], [qty])
                self.line(f"br label %{join}")
                self.start(join)
        step = self.value_line("an", f"add i64 {i}, 1")
        if stmt.counter == "slot":
            self.line(f"store i64 {step}, {pty} %{cell}")
        else:
            header.lines.insert(0, f"  {i} = phi i64 [ 0, %{entry} ], [ {step}, %{self.cur.label} ]")
        self.line(f"br label %{head}")
        self.start(done)

    def label(self, text: str | None) -> str:
        """The label operand: a pointer to a global string, written as LLVM escapes it, or null."""
        ptr = "i8*" if self.typed else "ptr"
        if text is None:
            return f"{ptr} null"
        data = text.encode() + b"\0"
        name = self.labels.setdefault(text, f"@label{len(self.labels)}")
        if not self.typed:
            return f"ptr {name}"
        return f"i8* getelementptr inbounds ([{len(data)} x i8], [{len(data)} x i8]* {name}, i64 0, i64 0)"

    def rec_(self, stmt: Rec) -> None:
        if stmt.kind == "result":
            operand, ty = self.handle("Result", stmt.value), self.ptr_type("Result")
        elif stmt.kind == "bool" and self.target == "runner":
            # The runner records a computed i1 (`xor i1 %r, true`) as true whatever its value: it
            # gets a branch to a record of each constant instead.
            cond, labels, join = self.cond(stmt.value), (self.fresh("rtrue"), self.fresh("rfalse")), self.fresh("rjoin")
            self.branch(cond, labels)
            for label, value in zip(labels, ("true", "false")):
                self.start(label)
                self.call_void(RECORD_FUNCTIONS["bool"], [f"i1 {value}", self.label(stmt.label)],
                               ["i1", "i8*" if self.typed else "ptr"])
                self.line(f"br label %{join}")
            self.start(join)
            return
        elif stmt.kind == "bool":
            operand, ty = f"i1 {self.cond(stmt.value)}", "i1"
        elif stmt.kind == "int":
            operand, ty = f"i64 {self.int_operand(stmt.value)}", "i64"
        else:
            operand, ty = f"i64 {stmt.value}", "i64"
        self.call_void(RECORD_FUNCTIONS[stmt.kind], [operand, self.label(stmt.label)],
                       [ty, "i8*" if self.typed else "ptr"])

    def while_(self, stmt: While) -> None:
        head, body, done = self.fresh("whead"), self.fresh("wbody"), self.fresh("wexit")
        self.line(f"br label %{head}")
        self.start(head)
        self.branch(self.cond(stmt.cond), (body, done))
        self.arm(body, stmt.body, head)
        self.start(done)

    # --- values: each returns its operand text, emitting the instructions it needs ---

    def value_operand(self, value, ty: str) -> str:
        if isinstance(value, bool):
            return self.lit(int(value), 1)
        return self.cond(value) if ty == "i1" else self.int_operand(value)

    def bound_operand(self, name: int, ty: str) -> str:
        operand, bound = self.bound[name]
        assert bound == ty, f"{name} is bound to an {bound}"
        return operand

    def cond(self, cond) -> str:
        """The i1 operand of a condition, available in the current block."""
        if isinstance(cond, Read):
            name = "__quantum__qis__read_result__body" if cond.via == "qis" else "__quantum__rt__read_result"
            attribute = {"rt-zeroext": "zeroext ", "rt-attrs": "noundef zeroext "}.get(cond.via, "")
            rty = self.ptr_type("Result")
            extra = " nocapture readonly) nounwind" if cond.via == "rt-attrs" else ")"
            self.declare(name, f"declare {attribute}i1 @{name}({rty}{extra}")
            operand = self.handle("Result", cond.result)
            marker = "tail " if cond.via == "rt-attrs" else ""
            return self.value_line("r", f"{marker}call {attribute}i1 @{name}({operand})")
        if isinstance(cond, Not):
            inner = self.cond(cond.operand)
            return self.value_line("n", f"xor i1 {f'true, {inner}' if cond.true_first else f'{inner}, true'}")
        if isinstance(cond, Logic):
            if cond.style == "phi":
                return self.short_circuit(cond)
            lhs, rhs = self.cond(cond.lhs), self.cond(cond.rhs)
            if cond.op in ("eq", "ne"):
                return self.value_line("l", f"icmp {cond.op} i1 {lhs}, {rhs}")
            if cond.style == "instr":
                return self.value_line("l", f"{cond.op} i1 {lhs}, {rhs}")
            arms = f"i1 {rhs}, i1 false" if cond.op == "and" else f"i1 true, i1 {rhs}"
            return self.value_line("l", f"select i1 {lhs}, {arms}")
        if isinstance(cond, Sel):
            c = self.cond(cond.cond)
            arms = [{True: "true", False: "false"}[arm] if isinstance(arm, bool) else self.cond(arm)
                    for arm in (cond.then, cond.else_)]
            return self.value_line("s", f"select i1 {c}, i1 {arms[0]}, i1 {arms[1]}")
        if isinstance(cond, IntView):
            return self.int_view(cond)
        if isinstance(cond, ICmp):
            lhs, rhs = self.int_operand(cond.lhs), self.int_operand(cond.rhs)
            return self.value_line("ic", f"icmp {cond.pred} i{width_of(cond.lhs)} {lhs}, {rhs}")
        if isinstance(cond, Load):
            return self.value_line("c", f"load {self.volatile()}i1, {self.cell(cond.slot, 'i1')}")
        if isinstance(cond, Bound):
            return self.bound_operand(cond.name, "i1")
        if isinstance(cond, After):
            self.body(cond.stmts)
            return self.cond(cond.cond)
        raise TypeError(cond)

    def short_circuit(self, cond: Logic) -> str:
        lhs = self.cond(cond.lhs)
        lhs_block, rhs_label, join = self.cur.label, self.fresh("rhs"), self.fresh("sc")
        self.branch(lhs, (rhs_label, join), (cond.op == "and") == cond.phi_inverted)
        self.start(rhs_label)
        rhs = self.cond(cond.rhs)
        rhs_block = self.cur.label
        self.line(f"br label %{join}")
        self.start(join)
        incomings = [f"[ {'false' if cond.op == 'and' else 'true'}, %{lhs_block} ]", f"[ {rhs}, %{rhs_block} ]"]
        return self.value_line("p", f"phi i1 {', '.join(incomings[::1 if cond.phi_const_first else -1])}")

    def int_operand(self, value) -> str:
        """The operand text (without its type) of an integer."""
        if isinstance(value, int):
            return self.lit(value, 64)
        if isinstance(value, IConst):
            if value.width == 1:
                return self.lit(value.value, 1)
            # LLVM reads N-bit patterns either way; the translator takes an i64
            # constant only in the signed range, as LLVM itself writes it
            if value.unsigned and value.value < 0 and value.width < 64:
                return str(value.value + (1 << value.width))
            return self.lit(value.value, value.width)
        if isinstance(value, IBit):
            return self.cond(value.cond)
        if isinstance(value, Bound):
            return self.bound_operand(value.name, "i64")
        if isinstance(value, Load):
            return self.value_line("i", f"load {self.volatile()}i64, {self.cell(value.slot, 'i64')}")
        if isinstance(value, ISelect):
            c, w = self.cond(value.cond), value.width
            return self.value_line("iv", f"select i1 {c}, i{w} {self.lit(value.then, w)}, i{w} {self.lit(value.else_, w)}")
        if isinstance(value, ICast):
            source = self.int_operand(value.operand)
            return self.value_line("iv", f"{value.op} i{width_of(value.operand)} {source} to i{value.width}")
        if isinstance(value, IBin):
            lhs, rhs = self.int_operand(value.lhs), self.int_operand(value.rhs)
            return self.value_line("iv", f"{value.op} i{value.width} {lhs}, {rhs}")
        raise TypeError(value)

    def int_view(self, cond: IntView) -> str:
        inner, variant = self.cond(cond.operand), cond.variant
        if cond.style == "zext":
            z = self.value_line("z", f"zext i1 {inner} to i64")
            pred, k = [("eq", 1), ("ne", 0), ("sgt", 0), ("uge", 1)][variant % 4]
            return self.value_line("b", f"icmp {pred} i64 {z}, {self.lit(k, 64)}")
        if cond.style == "arith":
            z = self.value_line("z", f"zext i1 {inner} to i64")
            d = self.value_line("d", f"sub i64 {self.value_line('m', f'mul i64 {z}, 3')}, 1")
            return self.value_line("b", f"icmp sgt i64 {d}, 0")
        if cond.style == "select":
            ty = "i64" if variant % 2 == 0 else "i32"
            k = self.value_line("k", f"select i1 {inner}, {ty} 5, {ty} 7")
            pred, c = [("eq", 5), ("slt", 6), ("ne", 7), ("ule", 5)][variant % 4]
            return self.value_line("b", f"icmp {pred} {ty} {k}, {c}")
        if cond.style == "materialise":
            # variant bit 0: which constant the true side carries; bit 1: incoming order
            t, f, m = self.fresh("mt"), self.fresh("mf"), self.fresh("mm")
            self.branch(inner, (t, f))
            for label in (t, f):
                self.arm(label, (), m)
            self.start(m)
            k_true = 1 if variant % 2 == 0 else 0
            incomings = [f"[ {self.lit(k_true, 64)}, %{t} ]",
                         f"[ {self.lit(1 - k_true, 64)}, %{f} ]"][::-1 if variant & 2 else 1]
            p = self.value_line("p", f"phi i64 {', '.join(incomings)}")
            return self.value_line("b", f"icmp {'ne' if k_true else 'eq'} i64 {p}, 0")
        # ifmerge; variant bit 0: the constants; bit 1: update on the false side; bit 2: incoming order
        source, u, m = self.cur.label, self.fresh("upd"), self.fresh("merge")
        self.branch(inner, (u, m), bool(variant & 2))
        self.start(u)
        init, step = [(0, 1), (2, 3)][variant % 2]
        w = self.value_line("w", f"add i64 {init}, {step}")
        self.line(f"br label %{m}")
        self.start(m)
        incomings = [f"[ {init}, %{source} ]", f"[ {w}, %{u} ]"][::-1 if variant & 4 else 1]
        p = self.value_line("p", f"phi i64 {', '.join(incomings)}")
        return self.value_line("b", f"icmp {'ne' if variant & 2 else 'eq'} i64 {p}, {init + step}")

    def cell_lines(self) -> list[str]:
        """The entry block's allocas of the cells: one each, or, when spelled, elements of one array per type,
        an i64 cell reached through a row of `[2 x i64]` in one of three getelementptr forms."""
        if self.spell is None:
            return [f"  %{name} = alloca {ty}" for (_, ty), name in self.cells.items()]
        lines, p = [], (lambda ty: f"{ty}*" if self.typed else "ptr")
        for ty in ("i1", "i64"):
            cells = sorted((slot, name) for (slot, t), name in self.cells.items() if t == ty)
            if not cells:
                continue
            rows = max(slot for slot, _ in cells) // 2 + 1
            array = f"[{rows} x [2 x i64]]" if ty == "i64" else f"[{2 * rows} x i1]"
            lines.append(f"  %cells_{ty} = alloca {array}")
            for slot, name in cells:
                row, col = divmod(slot, 2)
                form = self.spell.randrange(3) if ty == "i64" else 0
                if ty == "i1":
                    first = self.fresh("e")
                    lines.append(f"  %{first} = getelementptr {array}, {p(array)} %cells_i1, i64 0, i64 0")
                    lines.append(f"  %{name} = getelementptr i1, {p('i1')} %{first}, i64 {slot}")
                elif form == 0:
                    lines.append(f"  %{name} = getelementptr inbounds {array}, {p(array)} %cells_i64, i64 0, "
                                 f"i64 {row}, i64 {col}")
                elif form == 1:
                    r = self.fresh("row")
                    lines.append(f"  %{r} = getelementptr {array}, {p(array)} %cells_i64, i64 0, i64 {row}")
                    lines.append(f"  %{name} = getelementptr [2 x i64], {p('[2 x i64]')} %{r}, i64 0, i64 {col}")
                else:
                    first = self.fresh("e")
                    lines.append(f"  %{first} = getelementptr {array}, {p(array)} %cells_i64, i64 0, i64 0, i64 0")
                    lines.append(f"  %{name} = getelementptr i64, {p('i64')} %{first}, i64 {slot}")
        return lines

    def text(self) -> str:
        ptr = "i8*" if self.typed else "ptr"
        self.body(self.program.body)
        for result in self.program.records:
            self.call_void("__quantum__rt__result_record_output", [self.handle("Result", result), f"{ptr} null"],
                           [self.ptr_type("Result"), ptr])
        self.line("ret void")
        self.blocks[0].lines[0:0] = self.cell_lines()
        out: list[str] = []
        if self.typed:
            out += ["%Qubit = type opaque", "%Result = type opaque"] + [self.declared.get("%Array")] * (
                "%Array" in self.declared) + [""]
        blocks = self.blocks[1:]
        if self.program.block_order:
            random.Random(self.program.block_order).shuffle(blocks)
        for text, name in self.labels.items():
            data = text.encode() + b"\0"
            escaped = "".join(chr(b) if 32 <= b < 127 and b not in b'"\\' else f"\\{b:02X}" for b in data)
            out.append(f'{name} = internal constant [{len(data)} x i8] c"{escaped}"')
        out += [""] * bool(self.labels)
        out += [line for before, lines in self.functions if before for line in lines]
        body: list[str] = []
        for i, block in enumerate([self.blocks[0]] + blocks):
            head, lines = f"{block.label}:", list(block.lines)
            if self.spell is not None:
                # Two instructions may share a line, and a label its block's first instruction.
                for k in range(len(lines) - 2, -1, -1):
                    if self.spell.random() < 0.1:
                        lines[k:k + 2] = [f"{lines[k]} {lines[k + 1].lstrip()}"]
                if lines and self.spell.random() < 0.3:
                    head = f"{head} {lines.pop(0).lstrip()}"
            body += ([""] if i else []) + [head] + lines
        closing = "}"
        if self.spell is not None:
            # The body may start on the header's line and the closing brace follow its last instruction.
            if self.spell.random() < 0.3:
                body[0] = "define void @main() #0 { " + body[0]
            else:
                body.insert(0, "define void @main() #0 {")
            if self.spell.random() < 0.3:
                body[-1], closing = body[-1] + " }", ""
        else:
            body.insert(0, "define void @main() #0 {")
        out += body + [closing] * bool(closing)
        out += [""] + [line for before, lines in self.functions if not before for line in lines]
        out += [text for name, text in self.declared.items() if name != "%Array"]
        out += ["", 'attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" '
                f'"required_num_qubits"="{self.program.qubits}" "required_num_results"="{self.program.results}" }}',
                'attributes #1 = { "irreversible" }']
        return "\n".join(out) + "\n"


def emit_text(program: Program, style: str = "typed", target: str = "corvane") -> str:
    """QIR text of `program` in pointer `style` ("typed"/"opaque") for `target`."""
    return _TextEmitter(program, style, target).text()
