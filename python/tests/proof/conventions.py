"""Gate conventions shared by the OpenQASM simulator and the QIR generator.

This is the one place where the proof harness fixes what each gate of the
Ostrel dialect means. Everything else (the simulator, the substitutions the
generator makes for gates the QIR runner lacks) reads these definitions.

Conventions assumed (qubit operands in the order they are written):

* ``h x y z``: the usual Pauli and Hadamard matrices.
* ``s = diag(1, i)``, ``t = diag(1, exp(i*pi/4))``; ``inv @ g`` is the
  conjugate transpose of ``g``.
* ``cnot a, b`` / ``cy a, b`` / ``cz a, b``: control ``a``, target ``b``.
  ``ccnot a, b, t``: controls ``a`` and ``b``, target ``t``.
  ``cswap a, b, c``: control ``a``, swaps ``b`` and ``c``.
* ``rx(t) = exp(-i t X / 2)``, ``ry(t) = exp(-i t Y / 2)``,
  ``rz(t) = exp(-i t Z / 2)``, as QIR's ``__quantum__qis__r{x,y,z}__body``.
* ``xx(t) = exp(-i t/2 X(x)X)``, ``yy(t) = exp(-i t/2 Y(x)Y)``,
  ``zz(t) = exp(-i t/2 Z(x)Z)``: the same half-angle convention as QIR's
  ``__quantum__qis__r{xx,yy,zz}__body``, which the translator maps onto them
  with the angle unchanged.
* ``prx(theta, phi) = exp(-i theta/2 (cos(phi) X + sin(phi) Y))``
  ``= rz(phi) . rx(theta) . rz(-phi)`` (matrix product, so ``rz(-phi)`` acts
  first). QIR's ``__quantum__qis__phasedx__body(double theta, double phi,
  %Qubit*)`` is taken to mean the same gate with the same operand order; the
  QIR runner has no such function, so the generator hands the runner the
  three rotations instead.
* ``cphaseshift a, b`` is written without its angle, so it has no meaning to
  simulate; programs that contain it are checked for syntax only.
* Classical ``int`` values (declared without a width) are 64-bit two's
  complement: ``+ - *`` and ``<<`` by 0 to 63 wrap like LLVM's ``i64``,
  ``& | ^`` act on the bits, comparisons are signed, and ``>> / %`` have no
  meaning on negative operands (the simulator refuses them there); a bit used
  in arithmetic counts as 0 or 1, and a condition is true when non-zero.
* Measurement is in the computational basis and writes 1 for ``|1>``.
  ``reset`` puts the qubit in ``|0>``. Every bit of ``c`` and every qubit
  starts at 0 (the QIR runner's results also start at Zero).

Global phases are never observable here: no gate is applied under a control
modifier, so only matrices up to phase matter.
"""
from __future__ import annotations

import cmath
import math

import numpy as np

_I = np.eye(2, dtype=complex)
_X = np.array([[0, 1], [1, 0]], dtype=complex)
_Y = np.array([[0, -1j], [1j, 0]], dtype=complex)
_Z = np.array([[1, 0], [0, -1]], dtype=complex)
_H = np.array([[1, 1], [1, -1]], dtype=complex) / math.sqrt(2)
_S = np.diag([1, 1j]).astype(complex)
_T = np.diag([1, cmath.exp(1j * math.pi / 4)]).astype(complex)


def _controlled(u: np.ndarray, controls: int) -> np.ndarray:
    """Return u controlled on `controls` leading qubits (all must be 1)."""
    dim = u.shape[0] * (2**controls)
    out = np.eye(dim, dtype=complex)
    out[dim - u.shape[0]:, dim - u.shape[0]:] = u
    return out


_SWAP = np.array(
    [[1, 0, 0, 0], [0, 0, 1, 0], [0, 1, 0, 0], [0, 0, 0, 1]], dtype=complex
)


def _pauli_rotation(p: np.ndarray, theta: float) -> np.ndarray:
    """exp(-i theta/2 P) for a Hermitian P with P @ P = identity."""
    ident = np.eye(p.shape[0], dtype=complex)
    return math.cos(theta / 2) * ident - 1j * math.sin(theta / 2) * p


def rx(theta: float) -> np.ndarray:
    return _pauli_rotation(_X, theta)


def ry(theta: float) -> np.ndarray:
    return _pauli_rotation(_Y, theta)


def rz(theta: float) -> np.ndarray:
    return _pauli_rotation(_Z, theta)


def prx(theta: float, phi: float) -> np.ndarray:
    axis = math.cos(phi) * _X + math.sin(phi) * _Y
    return _pauli_rotation(axis, theta)


# name -> (number of angles, number of qubits, matrix builder taking the angles)
# The matrix acts on the qubits in operand order, the first operand being the
# most significant index of the matrix.
GATES: dict[str, tuple[int, int, object]] = {
    "h": (0, 1, lambda: _H),
    "x": (0, 1, lambda: _X),
    "y": (0, 1, lambda: _Y),
    "z": (0, 1, lambda: _Z),
    "s": (0, 1, lambda: _S),
    "t": (0, 1, lambda: _T),
    "cnot": (0, 2, lambda: _controlled(_X, 1)),
    "cy": (0, 2, lambda: _controlled(_Y, 1)),
    "cz": (0, 2, lambda: _controlled(_Z, 1)),
    "swap": (0, 2, lambda: _SWAP),
    "rx": (1, 1, rx),
    "ry": (1, 1, ry),
    "rz": (1, 1, rz),
    "xx": (1, 2, lambda t: _pauli_rotation(np.kron(_X, _X), t)),
    "yy": (1, 2, lambda t: _pauli_rotation(np.kron(_Y, _Y), t)),
    "zz": (1, 2, lambda t: _pauli_rotation(np.kron(_Z, _Z), t)),
    "ccnot": (0, 3, lambda: _controlled(_X, 2)),
    "prx": (2, 1, prx),
    "cswap": (0, 3, lambda: _controlled(_SWAP, 1)),
}

# Gates written without the angle their operation needs: syntax is checked,
# simulation is impossible. name -> (angles as emitted, qubits)
UNSIMULATABLE_GATES: dict[str, tuple[int, int]] = {"cphaseshift": (0, 2)}

# The complete dialect table used by the syntax check: name -> (angles, qubits).
DIALECT_GATES: dict[str, tuple[int, int]] = {
    **{name: (spec[0], spec[1]) for name, spec in GATES.items()},
    **UNSIMULATABLE_GATES,
}


def gate_matrix(name: str, angles: list[float], inverse: bool) -> np.ndarray:
    """The matrix of one dialect gate call (KeyError for unknown names)."""
    n_angles, _, build = GATES[name]
    if len(angles) != n_angles:
        raise ValueError(f"gate {name} takes {n_angles} angle(s), got {len(angles)}")
    matrix = build(*angles)
    return matrix.conj().T if inverse else matrix
