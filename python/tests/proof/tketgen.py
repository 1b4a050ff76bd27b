"""Random pytket circuits with classical conditions, compiled to QIR by `pytket-qir`.

A seeded generator builds each circuit: gates, measurements into classical
registers, gates conditioned on a bit, on its negation or on a register
compared with a constant, classical expressions over registers (arithmetic
and bitwise) written into a register or a bit, register assignments
(conditional or not) and register copies. At the end every bit of every
classical register steers an X on a qubit of its own and all qubits are
measured, so the results the QIR records depend on the classical values.

`pytket-qir` pins its own pyqir, so this file runs under the interpreter
of a separate virtual environment; it imports nothing but the standard
library and, in `compile_all`, pytket. Run as a script it prints one JSON
object per module: {"name", "source", "qir"} or {"name", "source", "error"}.

    python tketgen.py --seed 0 -n 20
"""
from __future__ import annotations

import argparse
import json
import random
import sys

# Angles in half-turns, none an odd integer: the QIR runner simulates rx by
# an odd multiple of pi followed by some gates wrongly.
ANGLES = (0.1, 0.25, 0.3, 0.75, 1.5, -0.4)
ONE_QUBIT = ("H", "X", "Y", "Z", "S", "Sdg", "T", "Tdg")
ROTATIONS = ("Rx", "Ry", "Rz")
TWO_QUBIT = ("CX", "CZ")
CONDITIONS = ("if_bit", "if_not_bit", "reg_eq", "reg_neq", "reg_lt", "reg_gt", "reg_leq", "reg_geq")
REGISTER_OPS = ("+", "-", "*", "&", "|", "^")
BIT_OPS = ("&", "|", "^")


def plan(seed: int) -> dict:
    """The circuit as plain data: qubit count, registers and a list of steps."""
    rng = random.Random(seed)
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
            steps.append(["gate", rng.choice(("H", "Ry")), q, (q + 1) % qubits, rng.choice(ANGLES)])
    for _ in range(rng.randint(4, 12)):
        kind = rng.random()
        if kind < 0.3:
            steps.append(["gate", rng.choice(ONE_QUBIT + ROTATIONS + TWO_QUBIT)]
                         + rng.sample(range(qubits), 2) + [rng.choice(ANGLES)])
        elif kind < 0.5:
            steps.append(["measure", rng.randrange(qubits), bit()])
        elif kind < 0.7:
            steps.append(["cond-gate", rng.choice(ONE_QUBIT + ROTATIONS + TWO_QUBIT)]
                         + rng.sample(range(qubits), 2) + [rng.choice(ANGLES), condition()])
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
    return {"qubits": qubits, "registers": registers, "steps": steps}


def build(recipe: dict):
    """The pytket circuit of a plan."""
    from pytket.circuit import Circuit, OpType
    from pytket.circuit import logic_exp  # noqa: F401 - registers gain their operators from it
    import pytket.circuit as pc

    qubits, registers = recipe["qubits"], recipe["registers"]
    marks = sum(registers.values())
    circuit = Circuit(qubits + marks)
    regs = {name: circuit.add_c_register(name, width) for name, width in registers.items()}

    def gate(name: str, first: int, second: int, angle: float, **kw) -> None:
        if name in TWO_QUBIT:
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
    mark = qubits
    for name, width in registers.items():
        for i in range(width):
            circuit.X(mark, condition=pc.if_bit(regs[name][i]))
            mark += 1
    final = circuit.add_c_register("final", qubits + marks)
    for q in range(qubits + marks):
        circuit.Measure(q, final[q])
    return circuit


def compile_all(seeds: list[int]) -> list[dict]:
    from pytket.qir import QIRFormat, QIRProfile, pytket_to_qir

    out = []
    for seed in seeds:
        recipe = plan(seed)
        source = json.dumps(recipe)
        try:
            qir = pytket_to_qir(build(recipe), name=f"seed{seed}", qir_format=QIRFormat.STRING,
                                profile=QIRProfile.ADAPTIVE)
            out.append({"name": f"seed-{seed}", "source": source, "qir": qir})
        except Exception as exc:  # noqa: BLE001 - pytket's own error types
            out.append({"name": f"seed-{seed}", "source": source, "error": f"{type(exc).__name__}: {exc}"})
    return out


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seed", type=int, default=0, help="first seed")
    parser.add_argument("-n", type=int, default=10, help="circuits (seeds seed..seed+n-1)")
    args = parser.parse_args(argv)
    for item in compile_all(list(range(args.seed, args.seed + args.n))):
        print(json.dumps(item), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
