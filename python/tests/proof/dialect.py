"""Checks that an OpenQASM 3 text is a valid program of the Ostrel dialect.

The reference parser (``openqasm3.parse``) decides the syntax. On top of it
this module checks what the parser leaves open: every gate call names a gate
of the dialect with the right number of angles and qubits, only the ``inv``
modifier is used, every register element lies inside its declared register,
no gate names the same qubit twice, every variable is declared before use,
a bit is assigned only a truth value (a comparison, a logical operation or
``true``/``false``, never an integer), a barrier names whole declared qubit
registers or elements of them, and the text closes with one
``// generated-by:`` line holding a JSON object.
"""
from __future__ import annotations

import json
from dataclasses import dataclass, field

import openqasm3
from openqasm3 import ast

from .statevector import DIALECT_GATES, UNSIMULATABLE_GATES

TRAILER_PREFIX = "// generated-by: "


@dataclass
class DialectReport:
    """What the check found: `errors` is empty for a valid program."""

    errors: list[str] = field(default_factory=list)
    gates: set[str] = field(default_factory=set)

    @property
    def simulatable(self) -> bool:
        return not self.errors and not (self.gates & set(UNSIMULATABLE_GATES))


def _literal_index(node) -> int | None:
    """The constant index of `name[i]` forms, or None when not a literal."""
    index = node.index if isinstance(node, ast.IndexExpression) else (
        node.indices[0] if isinstance(node, ast.IndexedIdentifier) and len(node.indices) == 1 else None)
    if isinstance(index, list) and len(index) == 1 and isinstance(index[0], ast.IntegerLiteral):
        return index[0].value
    return None


_TRUTH_OPERATORS = {"==", "!=", "<", "<=", ">", ">=", "&&", "||"}


def _is_truth_value(node) -> bool:
    """Whether `node` is a comparison, a logical operation or a boolean literal."""
    if isinstance(node, ast.BooleanLiteral):
        return True
    if isinstance(node, ast.UnaryExpression):
        return node.op.name == "!"
    return isinstance(node, ast.BinaryExpression) and node.op.name in _TRUTH_OPERATORS


class _Checker:
    def __init__(self, report: DialectReport):
        self.report = report
        self.registers: dict[str, tuple[str, int]] = {}
        self.scalars: set[str] = set()

    def error(self, node, text: str) -> None:
        line = getattr(getattr(node, "span", None), "start_line", "?")
        self.report.errors.append(f"line {line}: {text}")

    # Register elements -------------------------------------------------
    def element(self, node, kind: str) -> int | None:
        """Check `node` is reg[i] of a declared register of `kind`."""
        if isinstance(node, ast.IndexedIdentifier):
            name = node.name.name
        elif isinstance(node, ast.IndexExpression) and isinstance(node.collection, ast.Identifier):
            name = node.collection.name
        else:
            self.error(node, f"expected an element of a {kind} register, got {type(node).__name__}")
            return None
        declared = self.registers.get(name)
        if declared is None or declared[0] != kind:
            self.error(node, f"{name} is not a declared {kind} register")
            return None
        index = _literal_index(node)
        if index is None:
            self.error(node, f"index into {name} is not an integer literal")
            return None
        if not 0 <= index < declared[1]:
            self.error(node, f"index {index} outside {name}[{declared[1]}]")
            return None
        return index

    # Expressions -------------------------------------------------------
    def expression(self, node) -> None:
        if isinstance(node, ast.Identifier):
            if node.name not in self.scalars:
                self.error(node, f"undeclared variable {node.name}")
        elif isinstance(node, ast.IndexExpression):
            self.element(node, "bit")
        elif isinstance(node, ast.UnaryExpression):
            self.expression(node.expression)
        elif isinstance(node, ast.BinaryExpression):
            self.expression(node.lhs)
            self.expression(node.rhs)
        elif not isinstance(node, (ast.IntegerLiteral, ast.FloatLiteral, ast.BooleanLiteral)):
            self.error(node, f"unexpected expression {type(node).__name__}")

    # Statements --------------------------------------------------------
    def declaration(self, node: ast.ClassicalDeclaration) -> None:
        name = node.identifier.name
        if name in self.registers or name in self.scalars:
            self.error(node, f"{name} declared twice")
        if isinstance(node.type, ast.BitType):
            size = node.type.size
            if not isinstance(size, ast.IntegerLiteral) or size.value <= 0 or node.init_expression is not None:
                self.error(node, f"bit register {name} needs a positive literal size and no initialiser")
                return
            self.registers[name] = ("bit", size.value)
        elif isinstance(node.type, ast.IntType):
            if node.type.size is not None or node.init_expression is None:
                self.error(node, f"int {name} must be written without width and with an initialiser")
            else:
                self.expression(node.init_expression)
            self.scalars.add(name)
        else:
            self.error(node, f"unexpected declaration type {type(node.type).__name__}")

    def gate(self, node: ast.QuantumGate) -> None:
        name = node.name.name
        self.report.gates.add(name)
        for modifier in node.modifiers:
            if modifier.modifier != ast.GateModifierName.inv or modifier.argument is not None:
                self.error(node, f"modifier {modifier.modifier.name} is not part of the dialect")
        if name not in DIALECT_GATES:
            self.error(node, f"gate {name} is not a gate of the dialect")
            return
        n_angles, n_qubits = DIALECT_GATES[name]
        if len(node.arguments) != n_angles:
            self.error(node, f"gate {name} takes {n_angles} angle(s), got {len(node.arguments)}")
        if len(node.qubits) != n_qubits:
            self.error(node, f"gate {name} takes {n_qubits} qubit(s), got {len(node.qubits)}")
        for argument in node.arguments:
            self.expression(argument)
        seen = [self.element(qubit, "qubit") for qubit in node.qubits]
        indices = [i for i in seen if i is not None]
        if len(set(indices)) != len(indices):
            self.error(node, f"gate {name} names one qubit twice: {indices}")

    def statements(self, body: list) -> None:
        for node in body:
            self.statement(node)

    def register(self, node, kind: str, name: str, size, what: str) -> None:
        if not isinstance(size, ast.IntegerLiteral) or size.value <= 0:
            self.error(node, f"{what} needs a positive literal size")
            return
        self.registers[name] = (kind, size.value)

    def statement(self, node) -> None:
        if isinstance(node, ast.QubitDeclaration):
            self.register(node, "qubit", node.qubit.name, node.size, "qubit register")
        elif isinstance(node, ast.ClassicalDeclaration):
            self.declaration(node)
        elif isinstance(node, ast.IODeclaration):
            if node.io_identifier != ast.IOKeyword.output or not isinstance(node.type, ast.BitType):
                self.error(node, "only `output bit[N]` is an allowed IO declaration")
            else:
                self.register(node, "bit", node.identifier.name, node.type.size, "output bit register")
        elif isinstance(node, ast.Include):
            pass
        elif isinstance(node, ast.QuantumGate):
            self.gate(node)
        elif isinstance(node, ast.QuantumMeasurementStatement):
            if node.target is None:
                self.error(node, "measurement without a target bit")
            else:
                self.element(node.target, "bit")
            self.element(node.measure.qubit, "qubit")
        elif isinstance(node, ast.QuantumReset):
            self.element(node.qubits, "qubit")
        elif isinstance(node, ast.QuantumBarrier):
            for qubit in node.qubits:
                if isinstance(qubit, ast.Identifier):
                    if self.registers.get(qubit.name, ("",))[0] != "qubit":
                        self.error(node, f"barrier on {qubit.name}, which is not a declared qubit register")
                else:
                    self.element(qubit, "qubit")
        elif isinstance(node, ast.ClassicalAssignment):
            if node.op != ast.AssignmentOperator["="]:
                self.error(node, f"unexpected assignment operator {node.op.name}")
            if isinstance(node.lvalue, ast.Identifier):
                if node.lvalue.name not in self.scalars:
                    self.error(node, f"assignment to undeclared {node.lvalue.name}")
            else:
                self.element(node.lvalue, "bit")
                if not _is_truth_value(node.rvalue):
                    self.error(node, "a bit is assigned an integer, not a comparison or truth value")
            self.expression(node.rvalue)
        elif isinstance(node, ast.BranchingStatement):
            self.expression(node.condition)
            self.statements(node.if_block)
            self.statements(node.else_block)
        elif isinstance(node, ast.WhileLoop):
            self.expression(node.while_condition)
            self.statements(node.block)
        else:
            self.error(node, f"statement {type(node).__name__} is not part of the dialect")


def _check_trailer(text: str, report: DialectReport) -> None:
    lines = text.split("\n")
    if not text.endswith("\n") or len(lines) < 2:
        report.errors.append("program does not end with a line feed")
        return
    last = lines[-2]
    if not last.startswith(TRAILER_PREFIX):
        report.errors.append(f"last line is not the generated-by trailer: {last!r}")
        return
    try:
        trailer = json.loads(last[len(TRAILER_PREFIX):])
    except json.JSONDecodeError as exc:
        report.errors.append(f"trailer is not JSON: {exc}")
        return
    if not isinstance(trailer, dict) or trailer.get("name") != "corvane":
        report.errors.append(f"trailer does not name corvane: {trailer!r}")
    comments = [line for line in lines if line.lstrip().startswith("//")]
    if len(comments) != 1:
        report.errors.append(f"expected exactly one comment line, found {len(comments)}")


def inspect_program(text: str) -> tuple[ast.Program, DialectReport]:
    """Parse `text` with the reference parser and check it against the dialect.

    Parse failures propagate as the parser's own exception; dialect faults
    are collected in the report.
    """
    program = openqasm3.parse(text)
    report = DialectReport()
    if not text.startswith("OPENQASM 3.0;\n") or program.version != "3.0":
        report.errors.append("program does not start with the line `OPENQASM 3.0;`")
    _Checker(report).statements(program.statements)
    _check_trailer(text, report)
    return program, report
