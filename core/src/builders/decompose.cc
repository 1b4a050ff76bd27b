// Operations without a native gate of their own, written as sequences of
// native gates. At the top level a sequence may differ from the operation by
// a global phase, which no observable sees. A controlled operation is a
// sequence on controls and targets together, so the phase of its target
// operation becomes a relative phase: those sequences equal the controlled
// matrix, up to at most a phase of the whole sequence.
//
// Notation below: rz(a) = exp(-i a Z/2), zz(a) = exp(-i a ZZ/2), P(a) = diag(1, e^{ia}).
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <string>

#include "builders/builders_internal.h"

namespace corvane {
namespace {

constexpr double kPi = std::numbers::pi;

// `factor` times `angle` (a half turn, either way): constants are folded,
// anything else is written as the product.
Expr scaled(const Expr& angle, double factor) {
  if (const auto* number = std::get_if<FloatLit>(&angle.node)) {
    return FloatLit{number->value * factor};
  }
  if (const auto* integer = std::get_if<IntLit>(&angle.node)) {
    return FloatLit{static_cast<double>(integer->value) * factor};
  }
  return make_binary_expr(BinaryOp::Mul, FloatLit{factor}, angle);
}

// Appends gates on the qubits of one operation, named by their position.
class Sequence {
 public:
  Sequence(std::span<const IndexedIdent> qubits, std::vector<Stmt>& out)
      : qubits_(qubits), out_(out) {}

  void gate(std::string_view name, std::initializer_list<std::size_t> on,
            std::optional<Expr> angle = std::nullopt, bool inverse = false) {
    GateCall call;
    if (inverse) call.modifiers.push_back(GateModifier::Inv);
    call.name = name;
    if (angle.has_value()) call.params.push_back(std::move(*angle));
    for (const std::size_t position : on) call.qubits.push_back(qubits_[position]);
    out_.emplace_back(std::move(call));
  }

  // diag(1, 1, 1, e^{i lambda}) on (c, t), lambda = sign * angle, is
  //   exp(i lambda/4 (1 - Z_c)(1 - Z_t))
  //     = e^{i lambda/4} rz_c(lambda/2) rz_t(lambda/2) zz(-lambda/2),
  // three commuting gates; the sequence carries the phase e^{-i lambda/4}.
  void controlled_phase(std::size_t c, std::size_t t, const Expr& angle, double sign) {
    gate("rz", {c}, scaled(angle, sign * 0.5));
    gate("rz", {t}, scaled(angle, sign * 0.5));
    gate("zz", {c, t}, scaled(angle, sign * -0.5));
  }

  // Controlled exp(-i theta P/2), theta = sign * angle, for P one of X, Y, Z,
  // with Q a Pauli that anticommutes with P: Rp(theta/2), C-Q, Rp(-theta/2),
  // C-Q. Without the control the two half turns cancel; with it
  // Q Rp(-theta/2) Q = Rp(theta/2) and the two halves add up. Exact, phase
  // included.
  void controlled_rotation(std::string_view rotation, std::string_view anticommuting, std::size_t c,
                           std::size_t t, const Expr& angle, double sign) {
    gate(rotation, {t}, scaled(angle, sign * 0.5));
    gate(anticommuting, {c, t});
    gate(rotation, {t}, scaled(angle, sign * -0.5));
    gate(anticommuting, {c, t});
  }

  // Z on the last of four qubits controlled by the other three, as the phase
  // exp(i pi x0 x1 x2 x3). A product of bits is a signed sum of parities:
  //   x0 x1 x2 x3 = 1/8 * sum over non-empty S of (-1)^(|S|-1) parity(S),
  // and exp(i a parity(S)) is, up to phase, the rotation exp(-i a/2 Z_S):
  // rz for one qubit, zz for two, zz after cnots have folded a parity into one
  // operand for three or four. So every subset gets angle +-pi/8 by its size.
  void triple_controlled_z() {
    const double eighth = kPi / 8;
    for (std::size_t q = 0; q < 4; ++q) gate("rz", {q}, FloatLit{eighth});
    for (std::size_t a = 0; a < 4; ++a) {
      for (std::size_t b = a + 1; b < 4; ++b) gate("zz", {a, b}, FloatLit{-eighth});
    }
    gate("cnot", {0, 1});                   // q1 holds x0^x1
    gate("zz", {1, 2}, FloatLit{eighth});   // {0,1,2}
    gate("zz", {1, 3}, FloatLit{eighth});   // {0,1,3}
    gate("cnot", {2, 3});                   // q3 holds x2^x3
    gate("zz", {1, 3}, FloatLit{-eighth});  // {0,1,2,3}
    gate("cnot", {0, 1});                   // q1 holds x1 again
    gate("zz", {1, 3}, FloatLit{eighth});   // {1,2,3}
    gate("zz", {0, 3}, FloatLit{eighth});   // {0,2,3}
    gate("cnot", {2, 3});                   // q3 holds x3 again
  }

 private:
  std::span<const IndexedIdent> qubits_;
  std::vector<Stmt>& out_;
};

}  // namespace

bool is_rotation_op(std::string_view op) {
  return op == "rx" || op == "ry" || op == "rz" || op == "r1";
}

void emit_u3(const Expr& theta, const Expr& phi, const Expr& lambda, const IndexedIdent& qubit,
             std::vector<Stmt>& out) {
  // U3(theta, phi, lambda) = e^{i (phi + lambda)/2} Rz(phi) Ry(theta) Rz(lambda).
  Sequence sequence({&qubit, 1}, out);
  sequence.gate("rz", {0}, lambda);
  sequence.gate("ry", {0}, theta);
  sequence.gate("rz", {0}, phi);
}

bool emit_controlled(std::string_view op, std::int64_t num_controls, std::int64_t num_targets,
                     const std::optional<Expr>& angle, bool adjoint,
                     std::span<const IndexedIdent> qubits, std::vector<Stmt>& out) {
  if (num_targets != 1) return false;
  Sequence sequence(qubits, out);
  const std::size_t target = static_cast<std::size_t>(num_controls);
  const double sign = adjoint ? -1.0 : 1.0;
  if (num_controls == 1) {
    if (angle.has_value()) {
      if (op == "rx") {
        sequence.controlled_rotation("rx", "cz", 0, 1, *angle, sign);
      } else if (op == "ry") {
        sequence.controlled_rotation("ry", "cz", 0, 1, *angle, sign);
      } else if (op == "rz") {
        sequence.controlled_rotation("rz", "cnot", 0, 1, *angle, sign);
      } else if (op == "r1") {
        sequence.controlled_phase(0, 1, *angle, sign);
      } else {
        return false;
      }
      return true;
    }
    if (op == "h") {
      // H = Ry(pi/4) Z Ry(-pi/4), so C-H = Ry_t(pi/4) CZ Ry_t(-pi/4), exactly.
      sequence.gate("ry", {1}, FloatLit{-kPi / 4});
      sequence.gate("cz", {0, 1});
      sequence.gate("ry", {1}, FloatLit{kPi / 4});
    } else if (op == "s" || op == "t") {
      const double lambda = op == "s" ? kPi / 2 : kPi / 4;
      sequence.controlled_phase(0, 1, FloatLit{lambda}, sign);
    } else {
      return false;
    }
    return true;
  }
  if (angle.has_value() || (num_controls != 2 && num_controls != 3)) return false;
  // X = H Z H and Y = S X S^dagger (exactly), so the multi-controlled forms
  // follow from controlled Z or X by conjugating the target.
  const bool three = num_controls == 3;
  if (op == "z" && !three) {
    sequence.gate("h", {target});
    sequence.gate("ccnot", {0, 1, 2});
    sequence.gate("h", {target});
  } else if (op == "z") {
    sequence.triple_controlled_z();
  } else if (op == "x" && three) {
    sequence.gate("h", {target});
    sequence.triple_controlled_z();
    sequence.gate("h", {target});
  } else if (op == "y") {
    sequence.gate("s", {target}, std::nullopt, true);
    if (three) {
      sequence.gate("h", {target});
      sequence.triple_controlled_z();
      sequence.gate("h", {target});
    } else {
      sequence.gate("ccnot", {0, 1, 2});
    }
    sequence.gate("s", {target});
  } else {
    return false;
  }
  return true;
}

}  // namespace corvane
