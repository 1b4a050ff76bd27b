"""Random programs for the real QIR producers, compiled to QIR by them.

`qsharp` and `pytket-qir` each pin a pyqir of their own, so this file runs
under the interpreter of a separate virtual environment; it imports nothing
but the standard library until it compiles. It prints one JSON object per
module: {"name", "source", "qir"} or {"name", "source", "error"}.

    python producergen.py qsharp --profile Adaptive_RI --seed 0 -n 20
    python producergen.py pytket --seed 0 -n 20
    python producergen.py qiskit --seed 0 -n 20

Q# programs come from a small grammar: one- and two-qubit gates and
rotations (by literals or Double variables), `M` and `MResetZ` results,
`Reset`; mutable Int, Bool and (for Adaptive_RIF) Double variables set from
arithmetic (`+ - * &&& |||`), conditional expressions, calls of a function of
the program, comparisons of results, of Ints and of Doubles, `not`/`and`/`or`
and measurements; `if`/`else` on any of those; `for` over a range, over the
qubit array and over its indices (`Length`); `while` and `repeat`/`until`;
operations of the program that are called, some returning a Result.

pytket circuits: gates (`ZZMax` among them), barriers, resets,
measurements into classical registers (a qubit may be measured again),
gates conditioned on a bit, its negation or a register compared with a
constant, classical expressions over registers (arithmetic and bitwise)
written into a register or a bit, register assignments (conditional or not)
and copies; compiled for pytket-qir's PYTKET (its default), ADAPTIVE or BASE
profile (`--profile`; the base profile gets no classical steps). Each pytket
item also holds "runner_qir": the same circuit without its barriers and with
`ZZMax` as the equal `ZZPhase(0.5)`, which the QIR runner can link, compiled
for the module's own profile, or for ADAPTIVE_CREGSIZE (the adaptive profile
with each register's value cut to its width, as the PYTKET runtime keeps
registers) for a PYTKET module.

qiskit-qir circuits: gates, measurements into the bits of one or two
classical registers (some bits measured again, some never) and `x` gates
conditioned on a register's value; qiskit-qir records every register.

Every Q# or pytket classical variable or register bit ends by steering a gate on a qubit
of its own, and every qubit is measured, so the recorded results depend on
the classical values.
"""
from __future__ import annotations

import argparse
import json
import random
import sys
import warnings

# --- Q# ---------------------------------------------------------------------------------------

PROFILES = ("Adaptive_RI", "Adaptive_RIF", "Adaptive")  # Adaptive: with loops and arrays in the QIR
# Angles stay clear of odd multiples of pi: the QIR runner simulates rx by
# such an angle followed by some gates wrongly.
ANGLES = ("0.3", "0.7", "1.2", "2.5", "-0.9")
ONE_QUBIT = ("H", "X", "Y", "Z", "S", "T", "Adjoint S", "Adjoint T")
TWO_QUBIT = ("CNOT", "CZ", "SWAP")
FUNCTIONS = ("x * 2 + y", "x - y + 1", "(x + y) * 3", "x &&& y", "x > y ? x | y")


class QSharpProgram:
    """Source text of one random program, built statement by statement."""

    def __init__(self, rng: random.Random, floats: bool, arrays: bool = False):
        self.rng, self.floats, self.qubits = rng, floats, rng.randint(2, 4)
        self.arrays = arrays  # also loops that index qubits and results by their counters
        self.lines: list[str] = []
        self.ints, self.bools, self.doubles, self.results = [], [], [], []  # names in scope
        self.counter = 0
        self.ops = [self.operation(k) for k in range(rng.randint(0, 2))]  # (text, arity, returns a Result)
        self.funcs = [f"function F{k}(x : Int, y : Int) : Int {{\n    return {rng.choice(FUNCTIONS)};\n}}"
                      for k in range(rng.randint(0, 1))]

    def fresh(self, prefix: str) -> str:
        self.counter += 1
        return f"{prefix}{self.counter}"

    def qubit(self) -> str:
        return f"qs[{self.rng.randrange(self.qubits)}]"

    def two_qubits(self) -> str:
        return ", ".join(f"qs[{q}]" for q in self.rng.sample(range(self.qubits), 2))

    def gate(self, qubit: str | None = None) -> str:
        rng, kind = self.rng, self.rng.random()
        if kind < 0.45 or qubit:
            return f"{rng.choice(ONE_QUBIT)}({qubit or self.qubit()});"
        if kind < 0.7:
            return f"{rng.choice(TWO_QUBIT)}({self.two_qubits()});"
        angle = rng.choice(self.doubles) if self.doubles and rng.random() < 0.5 else rng.choice(ANGLES)
        return f"{rng.choice(('Rx', 'Ry', 'Rz'))}({angle}, {self.qubit()});"

    def operation(self, k: int) -> tuple[str, int, bool]:
        rng, arity = self.rng, self.rng.randint(1, 2)
        params = ["a", "b"][:arity]
        body = []
        for _ in range(rng.randint(1, 3)):
            if arity == 2 and rng.random() < 0.4:
                body.append(f"{rng.choice(TWO_QUBIT)}(a, b);")
            elif rng.random() < 0.3:
                body.append(f"{rng.choice(('Rx', 'Ry'))}({rng.choice(ANGLES)}, {rng.choice(params)});")
            else:
                body.append(f"{rng.choice(ONE_QUBIT)}({rng.choice(params)});")
        returns = rng.random() < 0.5
        if returns:
            body += ["let r = M(a);"] + ([f"if r == One {{ {rng.choice('XHZ')}(b); }}"] if arity == 2 else [])
            body.append("return r;")
        head = ", ".join(f"{p} : Qubit" for p in params)
        return (f"operation Op{k}({head}) : {'Result' if returns else 'Unit'} {{\n    " + "\n    ".join(body)
                + "\n}"), arity, returns

    def int_expr(self, depth: int = 0) -> str:
        rng = self.rng
        kinds = ["lit"] + ["var"] * 3 * bool(self.ints)
        if depth < 2:
            kinds += ["binop", "binop"] + ["cond"] * bool(self.bools or self.results) + ["call"] * bool(self.funcs)
        kind = rng.choice(kinds)
        if kind == "lit":
            return str(rng.randint(-2, 5))
        if kind == "var":
            return rng.choice(self.ints)
        a, b = self.int_expr(depth + 1), self.int_expr(depth + 1)
        if kind == "binop":
            return f"({a} {rng.choice(('+', '-', '*', '+', '&&&', '|||'))} {b})"
        if kind == "cond":
            return f"({self.bool_expr(depth + 1)} ? {a} | {b})"
        return f"F{rng.randrange(len(self.funcs))}({a}, {b})"

    def bool_expr(self, depth: int = 0) -> str:
        rng = self.rng
        kinds = (["result", "result", "results"] * bool(self.results) + ["var"] * bool(self.bools)
                 + ["icmp"] * bool(self.ints) + ["fcmp"] * bool(self.doubles))
        if not kinds:
            return rng.choice(("true", "false"))
        kind = rng.choice(kinds + ["logic", "not"] * (depth < 2))
        if kind == "result":
            return f"{rng.choice(self.results)} == {rng.choice(('One', 'Zero'))}"
        if kind == "results":
            return f"{rng.choice(self.results)} {rng.choice(('==', '!='))} {rng.choice(self.results)}"
        if kind == "var":
            return rng.choice(self.bools)
        if kind == "icmp":
            return f"{rng.choice(self.ints)} {rng.choice(('==', '!=', '<', '<=', '>', '>='))} {self.int_expr(1)}"
        if kind == "fcmp":
            return f"{rng.choice(self.doubles)} {rng.choice(('<', '>'))} {rng.choice(('1.0', '2.0'))}"
        if kind == "not":
            return f"not ({self.bool_expr(depth + 1)})"
        return f"({self.bool_expr(depth + 1)} {rng.choice(('and', 'or'))} {self.bool_expr(depth + 1)})"

    def emit(self, indent: int, line: str) -> None:
        self.lines.append("    " * indent + line)

    def block(self, indent: int, count: int, depth: int) -> None:
        """Statements of a nested block, whose `let` bindings end with it."""
        saved = list(self.results)
        for _ in range(count):
            self.statement(indent, depth)
        self.results = saved

    def statement(self, indent: int, depth: int) -> None:
        rng, emit = self.rng, lambda line, extra=0: self.emit(indent + extra, line)
        kinds = (["gate"] * 4 + ["measure"] * 2 + ["reset", "set-int", "set-bool"] + ["count"] * 2 * bool(self.results)
                 + ["set-double"] * bool(self.doubles) + ["call"] * bool(self.ops)
                 + ["if", "if", "for", "for-qubits", "while", "repeat"] * (depth < 2)
                 + ["for-measure", "for-nested", "for-pack"] * (depth < 2 and self.arrays))
        kind = rng.choice(kinds)
        if kind == "measure":
            name = self.fresh("r")
            emit(f"let {name} = {rng.choice(('M', 'MResetZ'))}({self.qubit()});")
            self.results.append(name)
        elif kind == "reset":
            emit(f"Reset({self.qubit()});")
        elif kind == "set-int" and self.ints:
            step = f"{rng.choice(('+=', '-='))} {self.int_expr(1)}" if rng.random() < 0.4 else f"= {self.int_expr()}"
            emit(f"set {rng.choice(self.ints)} {step};")
        elif kind == "count":
            name, result = rng.choice(self.ints), rng.choice(self.results)
            if self.doubles and rng.random() < 0.3:
                emit(f"if {result} == One {{ set {self.doubles[0]} += 0.5; }}")
            elif rng.random() < 0.5:
                emit(f"if {result} == One {{ set {name} += {rng.randint(1, 3)}; }}")
            else:
                emit(f"set {name} = {name} {rng.choice('+-*')} ({result} == One ? {self.int_expr(1)} | 1);")
        elif kind == "set-bool":  # a flag set from a measurement, as repeat-until-success loops do
            value = f"MResetZ({self.qubit()}) == One" if rng.random() < 0.3 else self.bool_expr()
            emit(f"set {rng.choice(self.bools)} = {value};")
        elif kind == "set-double":
            base = rng.choice(self.doubles)
            emit(f"set {rng.choice(self.doubles)} = {base} {rng.choice('+-*')} {rng.choice(('0.25', '0.5', '1.5', base))};")
        elif kind == "call":
            k = rng.randrange(len(self.ops))
            _, arity, returns = self.ops[k]
            call = f"Op{k}({self.two_qubits() if arity == 2 else self.qubit()});"
            if returns:
                self.results.append(self.fresh("r"))
                call = f"let {self.results[-1]} = {call}"
            emit(call)
        elif kind == "if":
            emit(f"if {self.bool_expr()} {{")
            self.block(indent + 1, rng.randint(1, 3), depth + 1)
            if rng.random() < 0.5:
                emit("} else {")
                self.block(indent + 1, rng.randint(1, 2), depth + 1)
            emit("}")
        elif kind == "for":
            var = self.fresh("k")
            emit(f"for {var} in 0..{rng.randint(1, 2)} {{")
            if rng.random() < 0.5 and self.ints:
                emit(f"set {rng.choice(self.ints)} += {var};", 1)
            self.block(indent + 1, rng.randint(1, 2), depth + 1)
            emit("}")
        elif kind == "for-qubits":  # the array itself, or its indices with a neighbour
            var = self.fresh("q")
            if rng.random() < 0.5:
                emit(f"for {var} in qs {{")
                emit(self.gate(var), 1)
            else:
                emit(f"for {var} in 1..Length(qs) - 1 {{")
                emit(f"{rng.choice(('CNOT', 'CZ'))}(qs[{var} - 1], qs[{var}]);", 1)
            self.block(indent + 1, rng.randint(0, 1), depth + 1)
            emit("}")
        elif kind == "for-measure":  # qs[i] measured into an array of results, flipped back on a One
            var, rs = self.fresh("i"), self.fresh("rs")
            emit(f"mutable {rs} = [];")
            emit(f"for {var} in 0..Length(qs) - 1 {{")
            emit(f"set {rs} += [M(qs[{var}])];", 1)
            emit(f"if {rs}[{var}] == One {{ X(qs[{var}]); }}", 1)
            emit("}")
            if self.ints:
                emit(f"for r in {rs} {{ if r == One {{ set {rng.choice(self.ints)} += 1; }} }}")
        elif kind == "for-nested":  # an inner bound that depends on the outer counter
            outer, inner = self.fresh("i"), self.fresh("j")
            emit(f"for {outer} in 0..Length(qs) - 1 {{")
            emit(f"for {inner} in {outer} + 1..Length(qs) - 1 {{", 1)
            emit(f"{rng.choice(('CNOT', 'CZ'))}(qs[{outer}], qs[{inner}]);", 2)
            emit("}", 1)
            emit("}")
        elif kind == "for-pack" and self.ints:  # results packed into an Int, bit i from result i
            var, bits = self.fresh("i"), self.fresh("b")
            emit(f"mutable {bits} = 0;")
            emit(f"for {var} in 0..Length(qs) - 1 {{")
            emit(f"if M(qs[{var}]) == One {{ set {bits} |||= 1 <<< {var}; }}", 1)
            emit("}")
            emit(f"set {rng.choice(self.ints)} = {bits};")
        elif kind in ("while", "repeat"):
            var = self.fresh("w")
            emit(f"mutable {var} = 0;")
            emit(f"while {var} < {rng.randint(1, 3)} {{" if kind == "while" else "repeat {")
            self.block(indent + 1, rng.randint(1, 2), depth + 1)
            emit(f"set {var} += 1;", 1)
            emit("}" if kind == "while" else f"}} until {var} >= {rng.randint(1, 2)};")
        else:
            emit(self.gate())

    def text(self) -> str:
        rng = self.rng
        self.emit(1, f"use qs = Qubit[{self.qubits}];")
        for names, count, value in ((self.ints, rng.randint(1, 2), lambda: str(rng.randint(0, 3))),
                                    (self.bools, 1, lambda: rng.choice(("true", "false"))),
                                    (self.doubles, int(self.floats), lambda: rng.choice(ANGLES))):
            for _ in range(count):
                names.append(self.fresh("v"))
                self.emit(1, f"mutable {names[-1]} = {value()};")
        if rng.random() < 0.6:  # an early measurement gives the classical code dynamic values to work on
            self.emit(1, rng.choice(("H(qs[0]);", "Ry(1.2, qs[0]);")))
            self.results.append(self.fresh("r"))
            self.emit(1, f"let {self.results[-1]} = M(qs[0]);")
        self.block(1, rng.randint(3, 8), 0)
        self.emit(1, f"use marks = Qubit[{2 * len(self.ints) + len(self.bools) + len(self.doubles)}];")
        marks = iter(range(100))
        for var in self.ints:
            self.emit(1, f"if {var} > {rng.randint(0, 3)} {{ X(marks[{next(marks)}]); }}")
            self.emit(1, f"if ({var} &&& 1) == 1 {{ X(marks[{next(marks)}]); }}")
        for var in self.bools:
            self.emit(1, f"if {var} {{ X(marks[{next(marks)}]); }}")
        for var in self.doubles:
            self.emit(1, f"Ry({var}, marks[{next(marks)}]);")
        self.emit(1, "return MResetEachZ(qs + marks);")
        main = "operation Main() : Result[] {\n" + "\n".join(self.lines) + "\n}"
        return "\n\n".join([text for text, _, _ in self.ops] + self.funcs + [main])


def compile_qsharp(source: str, profile: str) -> str:
    warnings.simplefilter("ignore")  # the qsharp package warns that it is deprecated in favour of qdk
    import qsharp

    qsharp.init(target_profile=getattr(qsharp.TargetProfile, profile))
    qsharp.eval(source)
    return str(qsharp.compile("Main()"))


# --- pytket -------------------------------------------------------------------------------------

# Angles in half-turns, none an odd integer: the QIR runner simulates rx by
# an odd multiple of pi followed by some gates wrongly.
TKET_ANGLES = (0.1, 0.25, 0.3, 0.75, 1.5, -0.4)
TKET_ONE_QUBIT = ("H", "X", "Y", "Z", "S", "Sdg", "T", "Tdg")
ROTATIONS = ("Rx", "Ry", "Rz")
TKET_TWO_QUBIT = ("CX", "CZ")
CONDITIONS = ("if_bit", "if_not_bit", "reg_eq", "reg_neq", "reg_lt", "reg_gt", "reg_leq", "reg_geq")
REGISTER_OPS = ("+", "-", "*", "&", "|", "^")
BIT_OPS = ("&", "|", "^")


TKET_PROFILES = ("pytket", "adaptive", "base")


def plan(seed: int, profile: str = "adaptive") -> dict:
    """The circuit as plain data: qubit count, registers and a list of steps."""
    rng = random.Random(f"{profile}:{seed}")
    classical = profile != "base"
    qubits = rng.randint(2, 3)
    registers = {name: rng.randint(2, 3) for name in ("a", "b", "r")[:rng.randint(2, 3)]}
    names = list(registers)
    steps: list[list] = []

    def bit() -> list:
        name = rng.choice(names)
        return [name, rng.randrange(registers[name])]

    def condition() -> list:
        kind = rng.choice(CONDITIONS)
        if kind in ("if_bit", "if_not_bit"):
            return [kind, bit()]
        name = rng.choice(names)
        top = 1 << registers[name]
        # a register is never below 0 nor above its top value, which pytket refuses to test for
        low, high = {"reg_lt": (1, top), "reg_gt": (0, top - 1)}.get(kind, (0, top))
        return [kind, name, rng.randrange(low, high)]

    # a first layer that puts most qubits in superposition, so measured bits vary
    for q in range(qubits):
        if rng.random() < 0.7:
            steps.append(["gate", rng.choice(("H", "Ry")), q, (q + 1) % qubits, rng.choice(TKET_ANGLES)])
    for _ in range(rng.randint(4, 12)):
        kind = rng.random()
        if not classical and 0.5 <= kind:  # the base profile: gates and measurements
            kind = rng.choice((0.0, 0.4))
        if rng.random() < 0.2:
            steps.append(rng.choice((["barrier", sorted(rng.sample(range(qubits), rng.randint(1, qubits)))],
                                     ["reset", rng.randrange(qubits)],
                                     ["zzmax"] + rng.sample(range(qubits), 2))))
        if kind < 0.3:
            steps.append(["gate", rng.choice(TKET_ONE_QUBIT + ROTATIONS + TKET_TWO_QUBIT)]
                         + rng.sample(range(qubits), 2) + [rng.choice(TKET_ANGLES)])
        elif kind < 0.5:
            qubit = rng.randrange(qubits)
            steps.append(["measure", qubit, bit()])
            if rng.random() < 0.3:  # the same qubit measured again
                steps.append(["measure", qubit, bit()])
        elif kind < 0.7:
            steps.append(["cond-gate", rng.choice(TKET_ONE_QUBIT + ROTATIONS + TKET_TWO_QUBIT)]
                         + rng.sample(range(qubits), 2) + [rng.choice(TKET_ANGLES), condition()])
        elif kind < 0.85:
            left, right = rng.choice(names), rng.choice(names)
            steps.append(["reg-expr", left, rng.choice(REGISTER_OPS), right, rng.choice(names)])
        elif kind < 0.9:
            steps.append(["bit-expr", bit(), rng.choice(BIT_OPS), bit(), bit()])
        elif kind < 0.95:
            name = rng.choice(names)
            steps.append(["set-reg", name, rng.randrange(1 << registers[name]),
                          condition() if rng.random() < 0.5 else None])
        else:
            steps.append(["copy-reg", rng.choice(names), rng.choice(names)])
    return {"qubits": qubits, "registers": registers, "steps": steps, "classical": classical}


def build(recipe: dict, runnable: bool = False):
    """The pytket circuit of a plan; `runnable` leaves the barriers out and writes ZZMax as ZZPhase(0.5)."""
    from pytket.circuit import Circuit, OpType
    from pytket.circuit import logic_exp  # noqa: F401 - registers gain their operators from it
    import pytket.circuit as pc

    qubits, registers = recipe["qubits"], recipe["registers"]
    marks = sum(registers.values())
    circuit = Circuit(qubits + marks)
    regs = {name: circuit.add_c_register(name, width) for name, width in registers.items()}

    def gate(name: str, first: int, second: int, angle: float, **kw) -> None:
        if name in TKET_TWO_QUBIT:
            circuit.add_gate(getattr(OpType, "CX" if name == "CX" else "CZ"), [first, second], **kw)
        elif name in ROTATIONS:
            circuit.add_gate(getattr(OpType, name), angle, [first], **kw)
        else:
            circuit.add_gate(getattr(OpType, name), [first], **kw)

    def condition(cond: list):
        kind = cond[0]
        if kind in ("if_bit", "if_not_bit"):
            return getattr(pc, kind)(regs[cond[1][0]][cond[1][1]])
        return getattr(pc, kind)(regs[cond[1]], cond[2])

    for step in recipe["steps"]:
        kind = step[0]
        if kind == "gate":
            gate(*step[1:5])
        elif kind == "measure":
            circuit.Measure(step[1], regs[step[2][0]][step[2][1]])
        elif kind == "cond-gate":
            gate(*step[1:5], condition=condition(step[5]))
        elif kind == "reg-expr":
            _, left, op, right, out = step
            a, b = regs[left], regs[right]
            expr = {"+": a + b, "-": a - b, "*": a * b, "&": a & b, "|": a | b, "^": a ^ b}[op]
            circuit.add_clexpr_from_logicexp(expr, regs[out].to_list())
        elif kind == "bit-expr":
            _, left, op, right, out = step
            a, b = regs[left[0]][left[1]], regs[right[0]][right[1]]
            expr = {"&": a & b, "|": a | b, "^": a ^ b}[op]
            circuit.add_clexpr_from_logicexp(expr, [regs[out[0]][out[1]]])
        elif kind == "set-reg":
            kw = {"condition": condition(step[3])} if step[3] else {}
            circuit.add_c_setreg(step[2], regs[step[1]], **kw)
        elif kind == "copy-reg":
            circuit.add_c_copyreg(regs[step[1]], regs[step[2]])
        elif kind == "barrier" and not runnable:
            circuit.add_barrier(step[1])
        elif kind == "reset":
            circuit.Reset(step[1])
        elif kind == "zzmax":
            if runnable:
                circuit.ZZPhase(0.5, step[1], step[2])
            else:
                circuit.ZZMax(step[1], step[2])
    mark = qubits
    for name, width in registers.items():
        for i in range(width):
            if recipe.get("classical", True):
                circuit.X(mark, condition=pc.if_bit(regs[name][i]))
            mark += 1
    final = circuit.add_c_register("final", qubits + marks)
    for q in range(qubits + marks):
        circuit.Measure(q, final[q])
    return circuit


def compile_pytket(recipe: dict, seed: int, profile: str, runnable: bool = False) -> str:
    from pytket.qir import QIRFormat, QIRProfile, pytket_to_qir

    return pytket_to_qir(build(recipe, runnable), name=f"seed{seed}", qir_format=QIRFormat.STRING,
                         profile=getattr(QIRProfile, profile.upper()))


# --- qiskit-qir ----------------------------------------------------------------------------------


def qiskit_plan(seed: int) -> dict:
    """A Qiskit circuit as plain data: qubits, classical registers and steps (gates, measurements
    into register bits, measured again or not at all, and gates conditioned on a register's value)."""
    rng = random.Random(f"qiskit:{seed}")
    qubits = rng.randint(2, 3)
    registers = {f"c{k}": rng.randint(1, 3) for k in range(rng.randint(1, 2))}
    steps: list[list] = [["gate", rng.choice(("h", "ry")), q, rng.choice(TKET_ANGLES)] for q in range(qubits)
                         if rng.random() < 0.8]
    for _ in range(rng.randint(3, 8)):
        name = rng.choice(list(registers))
        kind = rng.random()
        if kind < 0.35:
            steps.append(["gate", rng.choice(("h", "x", "ry", "rx", "s", "t")), rng.randrange(qubits),
                          rng.choice(TKET_ANGLES)])
        elif kind < 0.5:
            steps.append(["cx", *rng.sample(range(qubits), 2)])
        elif kind < 0.8:
            steps.append(["measure", rng.randrange(qubits), name, rng.randrange(registers[name])])
        else:
            steps.append(["cond-x", rng.randrange(qubits), name, rng.randrange(1 << registers[name])])
    return {"qubits": qubits, "registers": registers, "steps": steps}


def compile_qiskit(recipe: dict, seed: int) -> str:
    from qiskit import ClassicalRegister, QuantumCircuit, QuantumRegister
    from qiskit_qir import to_qir_module

    registers = {name: ClassicalRegister(width, name) for name, width in recipe["registers"].items()}
    circuit = QuantumCircuit(QuantumRegister(recipe["qubits"], "q"), *registers.values(), name=f"seed{seed}")
    for step in recipe["steps"]:
        if step[0] == "gate":
            _, gate, qubit, angle = step
            getattr(circuit, gate)(*([angle] if gate in ("rx", "ry") else []), qubit)
        elif step[0] == "cx":
            circuit.cx(step[1], step[2])
        elif step[0] == "measure":
            circuit.measure(step[1], registers[step[2]][step[3]])
        else:
            circuit.x(step[1]).c_if(registers[step[2]], step[3])
    module, _ = to_qir_module(circuit, record_output=True)
    return str(module)


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("producer", choices=("qsharp", "pytket", "qiskit"))
    parser.add_argument("--profile", choices=PROFILES + TKET_PROFILES, help="target profile (default Adaptive_RI "
                        "for Q#, adaptive for pytket, base for qiskit-qir)")
    parser.add_argument("--seed", type=int, default=0, help="first seed")
    parser.add_argument("-n", type=int, default=10, help="programs (seeds seed..seed+n-1)")
    args = parser.parse_args(argv)
    own = {"qsharp": PROFILES, "pytket": TKET_PROFILES, "qiskit": ("base",)}[args.producer]
    profile = args.profile or {"qsharp": "Adaptive_RI", "pytket": "adaptive", "qiskit": "base"}[args.producer]
    if profile not in own:
        parser.error(f"profile {profile} is not one of {args.producer}'s")
    args.profile = profile
    for seed in range(args.seed, args.seed + args.n):
        runner = None
        if args.producer == "qsharp":
            source = QSharpProgram(random.Random(f"{args.profile}:{seed}"), args.profile != "Adaptive_RI",
                                   args.profile == "Adaptive").text()
            make = lambda: compile_qsharp(source, args.profile)  # noqa: E731
        elif args.producer == "qiskit":
            recipe = qiskit_plan(seed)
            source = json.dumps(recipe)
            make = lambda: compile_qiskit(recipe, seed)  # noqa: E731
        else:
            recipe = plan(seed, profile)
            source = json.dumps(recipe)
            make = lambda: compile_pytket(recipe, seed, profile)  # noqa: E731
            # registers of the PYTKET runtime hold their own width, as ADAPTIVE_CREGSIZE's integers do
            copy = {"base": "base", "adaptive": "adaptive", "pytket": "adaptive_cregsize"}[profile]
            runner = lambda: compile_pytket(recipe, seed, copy, True)  # noqa: E731
        item = {"name": f"seed-{seed}", "source": source}
        try:
            item["qir"] = make()
            if runner is not None:
                item["runner_qir"] = runner()
        except (Exception, BaseException) as exc:  # noqa: BLE001 - the compilers' panics derive from BaseException
            if isinstance(exc, KeyboardInterrupt):
                raise
            item["error"] = f"{type(exc).__name__}: {exc}"
        print(json.dumps(item), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
