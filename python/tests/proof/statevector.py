"""A small state-vector simulator for the Ostrel OpenQASM dialect, and the meaning of its gates.

The reference parser (``openqasm3.parse``) reads the program and its syntax
tree is executed directly, precedence of the printed expressions included.

Gates (operands in the order written; `GATES` is the one place that fixes
them): ``h x y z``; ``s = diag(1, i)``, ``t = diag(1, exp(i pi/4))``, ``inv @``
the conjugate transpose; ``cnot/cy/cz a, b`` control ``a``, ``ccnot a, b, t``
controls ``a, b``, ``cswap a, b, c`` control ``a``; ``rx/ry/rz(t) = exp(-i t
P/2)`` and ``xx/yy/zz(t) = exp(-i t/2 P(x)P)`` as QIR's ``r{x,y,z}`` and
``r{xx,yy,zz}``; ``prx(theta, phi) = exp(-i theta/2 (cos(phi) X + sin(phi)
Y))``, taken as the meaning of QIR's ``phasedx(theta, phi, q)``.
``cphaseshift a, b`` is written without its angle: checked for syntax only.
``barrier`` leaves the state as it is.
No gate is applied under a control, so only matrices up to phase matter.

Integers: ``int`` is 64-bit two's complement; ``+ - *``, unary ``-`` and
``<<`` by 0 to 63 wrap; ``& | ^`` act on the bits; comparisons are signed;
a bit counts as 0 or 1 and is assigned truth values only. A literal beyond 64 bits, ``>>`` of a negative value
or by 64 or more, ``/`` or ``%`` of a negative value or by less than 1 have
no settled meaning and are refused (SimulationError). Every bit and qubit
starts at 0, as the QIR runner's results start at Zero.

``distribution`` is exact: every measurement splits a branch ("world") into
its outcomes, each with its state (norm 1) and probability; worlds below
``prune`` are dropped and counted as ``lost``, worlds equal in bits,
variables and state up to phase are joined. ``sample`` runs one world per
shot with seeded outcomes, for programs whose exact tree grows too large.
"""
from __future__ import annotations

import cmath
import math
from collections import Counter
from dataclasses import dataclass, field

import numpy as np
import openqasm3
from openqasm3 import ast


_X = np.array([[0, 1], [1, 0]], dtype=complex)
_Y = np.array([[0, -1j], [1j, 0]], dtype=complex)
_Z = np.diag([1, -1]).astype(complex)
_SWAP = np.eye(4, dtype=complex)[[0, 2, 1, 3]]


def _controlled(u: np.ndarray, controls: int) -> np.ndarray:
    """u controlled on `controls` leading qubits (all must be 1)."""
    out = np.eye(u.shape[0] << controls, dtype=complex)
    out[-u.shape[0]:, -u.shape[0]:] = u
    return out


def _rotation(p: np.ndarray, theta: float) -> np.ndarray:
    """exp(-i theta/2 P) for a Hermitian P with P @ P = identity."""
    return math.cos(theta / 2) * np.eye(p.shape[0]) - 1j * math.sin(theta / 2) * p


# name -> (number of angles, number of qubits, matrix from the angles); the
# first operand is the most significant index of the matrix
GATES: dict[str, tuple[int, int, object]] = {
    "h": (0, 1, lambda: np.array([[1, 1], [1, -1]], dtype=complex) / math.sqrt(2)),
    "x": (0, 1, lambda: _X), "y": (0, 1, lambda: _Y), "z": (0, 1, lambda: _Z),
    "s": (0, 1, lambda: np.diag([1, 1j])), "t": (0, 1, lambda: np.diag([1, cmath.exp(1j * math.pi / 4)])),
    "cnot": (0, 2, lambda: _controlled(_X, 1)), "cy": (0, 2, lambda: _controlled(_Y, 1)),
    "cz": (0, 2, lambda: _controlled(_Z, 1)), "swap": (0, 2, lambda: _SWAP),
    "rx": (1, 1, lambda t: _rotation(_X, t)), "ry": (1, 1, lambda t: _rotation(_Y, t)),
    "rz": (1, 1, lambda t: _rotation(_Z, t)),
    "xx": (1, 2, lambda t: _rotation(np.kron(_X, _X), t)), "yy": (1, 2, lambda t: _rotation(np.kron(_Y, _Y), t)),
    "zz": (1, 2, lambda t: _rotation(np.kron(_Z, _Z), t)),
    "ccnot": (0, 3, lambda: _controlled(_X, 2)), "cswap": (0, 3, lambda: _controlled(_SWAP, 1)),
    "prx": (2, 1, lambda theta, phi: _rotation(math.cos(phi) * _X + math.sin(phi) * _Y, theta)),
}
# gates written without the angle their operation needs: name -> (angles as written, qubits)
UNSIMULATABLE_GATES = {"cphaseshift": (0, 2)}
DIALECT_GATES = {**{name: (a, q) for name, (a, q, _) in GATES.items()}, **UNSIMULATABLE_GATES}


def gate_matrix(name: str, angles: list[float], inverse: bool) -> np.ndarray:
    """The matrix of one dialect gate call (KeyError for unknown names)."""
    n_angles, _, build = GATES[name]
    if len(angles) != n_angles:
        raise ValueError(f"gate {name} takes {n_angles} angle(s), got {len(angles)}")
    matrix = build(*angles)
    return matrix.conj().T if inverse else matrix


MAX_QUBITS = 16
MERGE_THRESHOLD = 64


class SimulationError(Exception):
    """The program uses something the simulator cannot run."""


class Unending(SimulationError):
    """A while loop was still running after the iteration cap (sampling mode)."""


class TooManyWorlds(SimulationError):
    """The exact branching tree grew past its cap."""


@dataclass
class World:
    prob: float
    state: np.ndarray  # shape (2,) * n_qubits
    bits: dict[str, list[int]]
    ints: dict[str, int] = field(default_factory=dict)

    def copy(self, prob: float) -> "World":
        return World(prob, self.state.copy(), {k: list(v) for k, v in self.bits.items()}, dict(self.ints))


@dataclass
class Distribution:
    """Exact outcome probabilities of the bit register `c` (tuples of bits)."""

    probs: dict[tuple[int, ...], float]
    lost: float
    # the part of `lost` whose worlds were still inside a while loop after
    # `max_iterations` turns of it (not cut off for being improbable)
    unended: float = 0.0


def _wrap(value):
    """Integer results are 64-bit two's complement (`int` without a width is taken as 64 bits)."""
    if isinstance(value, (bool, float)) or not isinstance(value, int):
        return value
    return (value + (1 << 63)) % (1 << 64) - (1 << 63)


def _settled(text: str, refused: bool, value):
    """`value`, unless the operation `text` has no settled meaning."""
    if refused:
        raise SimulationError(f"{text} has no settled meaning")
    return value


_BINARY = {
    "==": lambda a, b: a == b, "!=": lambda a, b: a != b, "<": lambda a, b: a < b, "<=": lambda a, b: a <= b,
    ">": lambda a, b: a > b, ">=": lambda a, b: a >= b, "+": lambda a, b: _wrap(a + b),
    "-": lambda a, b: _wrap(a - b), "*": lambda a, b: _wrap(a * b), "**": lambda a, b: _wrap(a ** b),
    "&": lambda a, b: int(a) & int(b), "|": lambda a, b: int(a) | int(b), "^": lambda a, b: int(a) ^ int(b),
    "<<": lambda a, b: _settled(f"shift by {int(b)}", not 0 <= b < 64, _wrap(int(a) << min(max(int(b), 0), 64))),
    ">>": lambda a, b: _settled(f"{int(a)} >> {int(b)}", a < 0 or not 0 <= b < 64, int(a) >> min(max(int(b), 0), 64)),
    "/": lambda a, b: _settled(f"{int(a)} / {int(b)}", a < 0 or b <= 0, int(a) // max(int(b), 1)),
    "%": lambda a, b: _settled(f"{int(a)} % {int(b)}", a < 0 or b <= 0, int(a) % max(int(b), 1)),
}


def _apply(state: np.ndarray, matrix: np.ndarray, qubits: list[int]) -> np.ndarray:
    k = len(qubits)
    tensor = matrix.reshape((2,) * (2 * k))
    moved = np.tensordot(tensor, state, axes=(list(range(k, 2 * k)), qubits))
    return np.moveaxis(moved, list(range(k)), qubits)


class _Interpreter:
    def __init__(self, program: ast.Program, exact: bool, rng: np.random.Generator | None,
                 prune: float, max_worlds: int, max_iterations: int):
        self.program = program
        self.exact = exact
        self.rng = rng
        self.prune = prune
        self.max_worlds = max_worlds
        self.max_iterations = max_iterations
        self.lost = 0.0
        self.unended = 0.0
        self.qubit_registers: dict[str, int] = {}  # name -> offset
        self.n_qubits = 0
        self.bit_sizes: dict[str, int] = {}

    # Expressions -------------------------------------------------------
    def value(self, node, world: World):
        if isinstance(node, ast.IntegerLiteral):
            if node.value >= 1 << 63:
                raise SimulationError(f"integer literal {node.value} does not fit the 64-bit int")
            return node.value
        if isinstance(node, (ast.FloatLiteral, ast.BooleanLiteral)):
            return node.value
        if isinstance(node, ast.Identifier):
            if node.name in world.ints:
                return world.ints[node.name]
            if node.name == "pi":
                return np.pi
            raise SimulationError(f"unknown identifier {node.name}")
        if isinstance(node, ast.IndexExpression):
            return world.bits[node.collection.name][node.index[0].value]
        if isinstance(node, ast.UnaryExpression):
            op = node.op.name
            operand = self.value(node.expression, world)
            if op == "!":
                return not operand
            if op == "-":
                return _wrap(-operand)
            if op == "~":
                return ~int(operand)
            raise SimulationError(f"unary operator {op}")
        if isinstance(node, ast.BinaryExpression):
            op = node.op.name
            if op in ("&&", "||"):
                lhs = bool(self.value(node.lhs, world))
                return lhs if lhs == (op == "||") else bool(self.value(node.rhs, world))
            if op not in _BINARY:
                raise SimulationError(f"binary operator {op}")
            return _BINARY[op](self.value(node.lhs, world), self.value(node.rhs, world))
        raise SimulationError(f"expression {type(node).__name__}")

    # Register elements are literal and in range: the dialect check has seen to it.
    def qubit(self, node) -> int:
        return self.qubit_registers[node.name.name] + node.indices[0][0].value

    @staticmethod
    def bit_target(node) -> tuple[str, int]:
        return node.name.name, node.indices[0][0].value

    # Statements --------------------------------------------------------
    def measure(self, worlds: list[World], qubit: int) -> list[tuple[World, int]]:
        out: list[tuple[World, int]] = []
        for world in worlds:
            one = np.take(world.state, 1, axis=qubit)
            p1 = float(np.vdot(one, one).real)
            p1 = min(max(p1, 0.0), 1.0)
            if self.exact:
                outcomes = [(0, 1.0 - p1), (1, p1)]
            else:
                outcomes = [(1, 1.0) if self.rng.random() < p1 else (0, 1.0)]
            for outcome, weight in outcomes:
                prob = world.prob * weight
                if weight <= 0.0:
                    continue
                if self.exact and prob < self.prune:
                    self.lost += prob
                    continue
                child = world.copy(prob) if len(outcomes) > 1 else world
                index = [slice(None)] * child.state.ndim
                index[qubit] = 1 - outcome
                child.state[tuple(index)] = 0
                norm = np.linalg.norm(child.state)
                child.state /= norm
                out.append((child, outcome))
        if self.exact and len(out) > MERGE_THRESHOLD:
            out = self.merge(out)
        if len(out) > self.max_worlds:
            raise TooManyWorlds(f"more than {self.max_worlds} branches")
        return out

    @staticmethod
    def merge(pairs: list[tuple[World, int]]) -> list[tuple[World, int]]:
        """Join worlds that agree on outcome, classical values and state (up to global phase).

        Such worlds evolve identically from here on, so adding their
        probabilities is exact; it keeps loops that re-measure from growing the
        tree without bound.
        """
        merged: dict = {}
        for world, outcome in pairs:
            flat = world.state.reshape(-1)
            pivot = flat[int(np.argmax(np.abs(flat) > 1e-6))]
            canonical = np.round(flat * (abs(pivot) / pivot), 9) + 0.0  # + 0.0 turns -0.0 into 0.0
            key = (outcome, tuple(tuple(v) for v in world.bits.values()), tuple(sorted(world.ints.items())),
                   canonical.tobytes())
            if key in merged:
                merged[key][0].prob += world.prob
            else:
                merged[key] = (world, outcome)
        return list(merged.values())

    def run_block(self, body: list, worlds: list[World]) -> list[World]:
        for node in body:
            if not worlds:
                break
            worlds = self.run_statement(node, worlds)
        return worlds

    def split(self, condition, worlds: list[World]) -> tuple[list[World], list[World]]:
        yes, no = [], []
        for world in worlds:
            (yes if self.value(condition, world) else no).append(world)
        return yes, no

    def run_statement(self, node, worlds: list[World]) -> list[World]:
        if isinstance(node, (ast.QubitDeclaration, ast.Include, ast.IODeclaration, ast.QuantumBarrier)):
            return worlds
        if isinstance(node, ast.ClassicalDeclaration):
            if isinstance(node.type, ast.IntType):
                for world in worlds:
                    world.ints[node.identifier.name] = int(self.value(node.init_expression, world))
            return worlds
        if isinstance(node, ast.QuantumGate):
            name = node.name.name
            if name not in GATES:
                raise SimulationError(f"gate {name} cannot be simulated")
            for modifier in node.modifiers:
                if modifier.modifier != ast.GateModifierName.inv:
                    raise SimulationError(f"modifier {modifier.modifier.name}")
            qubits = [self.qubit(q) for q in node.qubits]
            for world in worlds:
                angles = [float(self.value(a, world)) for a in node.arguments]
                world.state = _apply(world.state, gate_matrix(name, angles, len(node.modifiers) % 2 == 1), qubits)
            return worlds
        if isinstance(node, (ast.QuantumMeasurementStatement, ast.QuantumReset)):
            measuring = isinstance(node, ast.QuantumMeasurementStatement)
            qubit = self.qubit(node.measure.qubit if measuring else node.qubits)
            result = []
            for world, outcome in self.measure(worlds, qubit):
                if measuring:
                    name, index = self.bit_target(node.target)
                    world.bits[name][index] = outcome
                elif outcome == 1:  # reset: the measured |1> flipped back to |0>
                    world.state = _apply(world.state, gate_matrix("x", [], False), [qubit])
                result.append(world)
            return result
        if isinstance(node, ast.ClassicalAssignment):
            if node.op != ast.AssignmentOperator["="]:
                raise SimulationError(f"assignment operator {node.op.name}")
            for world in worlds:
                value = self.value(node.rvalue, world)
                if isinstance(node.lvalue, ast.Identifier):
                    world.ints[node.lvalue.name] = int(value)
                else:  # a bit takes a truth value only
                    if not isinstance(value, (bool, np.bool_)):
                        raise SimulationError(f"bit assigned the non-truth value {value!r}")
                    name, index = self.bit_target(node.lvalue)
                    world.bits[name][index] = int(value)
            return worlds
        if isinstance(node, ast.BranchingStatement):
            yes, no = self.split(node.condition, worlds)
            return self.run_block(node.if_block, yes) + self.run_block(node.else_block, no)
        if isinstance(node, ast.WhileLoop):
            done, active = [], worlds
            for turn in range(self.max_iterations + 1):
                yes, no = self.split(node.while_condition, active)
                done.extend(no)
                if not yes:
                    break
                if turn == self.max_iterations:  # still looping after the cap
                    if not self.exact:
                        raise Unending(f"while loop ran past {self.max_iterations} iterations")
                    self.lost += sum(w.prob for w in yes)
                    self.unended += sum(w.prob for w in yes)
                    break
                active = self.run_block(node.block, yes)
            return done
        raise SimulationError(f"statement {type(node).__name__}")

    def declare(self) -> World:
        for node in self.program.statements:
            if isinstance(node, ast.QubitDeclaration):
                size = node.size.value if node.size is not None else 1
                self.qubit_registers[node.qubit.name] = self.n_qubits
                self.n_qubits += size
            elif isinstance(node, (ast.ClassicalDeclaration, ast.IODeclaration)) and isinstance(node.type, ast.BitType):
                size = node.type.size.value if node.type.size is not None else 1
                self.bit_sizes[node.identifier.name] = size
        if self.n_qubits > MAX_QUBITS:
            raise SimulationError(f"{self.n_qubits} qubits exceed the simulator's limit of {MAX_QUBITS}")
        state = np.zeros((2,) * self.n_qubits, dtype=complex)
        state[(0,) * self.n_qubits] = 1.0
        return World(1.0, state, {name: [0] * size for name, size in self.bit_sizes.items()})

    def run(self) -> list[World]:
        return self.run_block(self.program.statements, [self.declare()])


def _parse(program) -> ast.Program:
    return openqasm3.parse(program) if isinstance(program, str) else program


def distribution(program, register: str = "c", prune: float = 1e-12, max_worlds: int = 1 << 14,
                 max_iterations: int = 200) -> Distribution:
    """Exact distribution of the final value of `register` (tuple of bits, index 0 first).

    A program without that register yields the empty tuple with probability 1.
    """
    interpreter = _Interpreter(_parse(program), True, None, prune, max_worlds, max_iterations)
    worlds = interpreter.run()
    probs: dict[tuple[int, ...], float] = {}
    for world in worlds:
        key = tuple(world.bits.get(register, []))
        probs[key] = probs.get(key, 0.0) + world.prob
    return Distribution(probs, interpreter.lost, interpreter.unended)


def sample(program, shots: int, seed: int, register: str = "c",
           max_iterations: int = 10_000) -> Counter:
    """Counts of the final value of `register` over `shots` seeded runs."""
    tree = _parse(program)
    rng = np.random.default_rng(seed)
    counts: Counter = Counter()
    for _ in range(shots):
        interpreter = _Interpreter(tree, False, rng, 0.0, 1, max_iterations)
        (world,) = interpreter.run()
        counts[tuple(world.bits.get(register, []))] += 1
    return counts
