// Small constructors of expected program trees and IR operands for the
// builder tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "builders/profile.h"

namespace corvane::testing_util {

inline IndexedIdent qubit(std::int64_t index) { return IndexedIdent{"q", index}; }
inline IndexedIdent bit(std::int64_t index) { return IndexedIdent{"c", index}; }

/// c[index] as an expression.
inline Expr bit_expr(std::int64_t index) {
  return Expr(Index{Expr(Ident{"c"}), Expr(IntLit{index})});
}

inline Stmt gate(std::string name, std::vector<Expr> params, std::vector<IndexedIdent> qubits,
                 bool inverse = false) {
  GateCall call;
  if (inverse) call.modifiers.push_back(GateModifier::Inv);
  call.name = std::move(name);
  call.params = std::move(params);
  call.qubits = std::move(qubits);
  return Stmt(std::move(call));
}

inline Operand qubit_ptr(std::int64_t index) { return PtrConst{"Qubit", index}; }
inline Operand result_ptr(std::int64_t index) { return PtrConst{"Result", index}; }
inline Operand opaque_ptr(std::int64_t index) { return PtrConst{std::nullopt, index}; }
inline Operand int_const(std::int64_t value) { return ConstInt{value}; }

inline Builder gate_builder(std::string name, bool adjoint = false) {
  return Builder{BuilderKind::Gate, std::move(name), adjoint};
}
inline Builder plain_builder(BuilderKind kind) { return Builder{kind, "", false}; }

}  // namespace corvane::testing_util
