// Short constructors and text readers shared by the unit tests: expression
// trees, block records, operands written as words, and printed expressions.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cfg/structure.h"
#include "ir/ir.h"
#include "openqasm/printer.h"
#include "openqasm/program.h"

namespace corvane::expr_builders {

/// A plain identifier.
inline Expr id(const char* name) { return Ident{name}; }
/// An integer literal.
inline Expr lit(std::int64_t value) { return IntLit{value}; }
/// The result-register bit c[index].
inline Expr bit(std::int64_t index) { return Index{id("c"), lit(index)}; }
/// lhs op rhs.
inline Expr bin(BinaryOp op, Expr lhs, Expr rhs) {
  return make_binary_expr(op, std::move(lhs), std::move(rhs));
}
/// e == 1, the truth value of a non-comparison.
inline Expr eq1(Expr e) { return bin(BinaryOp::Eq, std::move(e), lit(1)); }

/// An expression as the output writes it.
inline std::string text_of(const Expr& expr) {
  std::string out;
  Printer printer{out};
  print_expr(printer, expr);
  return out;
}

/// A block record: label, true then false target, branch condition, body.
inline BlockRecord block(std::string label, const std::vector<std::string>& successors = {},
                         std::optional<Expr> condition = std::nullopt,
                         std::vector<Stmt> statements = {}) {
  BlockRecord record{
      std::move(label), std::move(statements), {}, std::move(condition), kNoTerminatorOffset};
  for (const std::string& successor : successors) record.successors.emplace_back(successor);
  return record;
}

/// `text` split at single spaces.
inline std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t space = std::min(text.find(' ', at), text.size());
    out.push_back(text.substr(at, space - at));
    at = space + 1;
  }
  return out;
}

/// One operand written as a word: qN, rN and pN are Qubit, Result and opaque
/// pointer constants, true/false, integers and decimals constants, null an i8
/// null, gep a getelementptr, bc@g a bitcast global, @g a global, and anything
/// else (with or without a leading %) an SSA name. Views point into `word`.
inline Operand operand_of(std::string_view word) {
  const bool numbered =
      word.size() > 1 && (std::isdigit(static_cast<unsigned char>(word[1])) || word[1] == '-');
  if (numbered && (word[0] == 'q' || word[0] == 'r' || word[0] == 'p')) {
    const std::int64_t index = std::stoll(std::string(word.substr(1)));
    if (word[0] == 'p') return PtrConst{std::nullopt, index};
    return PtrConst{word[0] == 'q' ? "Qubit" : "Result", index};
  }
  if (word == "true" || word == "false") return ConstBool{word == "true"};
  if (word == "null") return I8Null{};
  if (word == "gep") return GetElementPtr{};
  if (word.starts_with("bc@")) return BitcastGlobal{word.substr(3)};
  if (word.starts_with('@')) return GlobalRef{word.substr(1)};
  if (word.starts_with('%')) return Ssa{word.substr(1)};
  const bool negative = word[0] == '-';
  if (word.size() == negative || !std::isdigit(static_cast<unsigned char>(word[negative]))) {
    return Ssa{word};
  }
  if (word.find('.') != std::string_view::npos) return ConstFloat{std::stod(std::string(word))};
  int128 value = 0;
  for (const char digit : word.substr(negative)) value = value * 10 + (digit - '0');
  return ConstInt{negative ? -value : value};
}

}  // namespace corvane::expr_builders
