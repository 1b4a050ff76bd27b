// Pieces of the QIR parser shared between its operand, instruction and module
// units. Not part of the parser's public interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ir/ir.h"
#include "support/error.h"

namespace corvane::parser_detail {

/// `a` followed by `b`, built with one allocation (message texts).
inline std::string concat(std::string_view a, std::string_view b) {
  std::string out;
  out.reserve(a.size() + b.size());
  out.append(a);
  out.append(b);
  return out;
}

/// Offset of the first character of `token` from the start of `text`, when
/// `token` is a view into `text` (one that starts at its end included).
[[nodiscard]] inline std::optional<std::size_t> offset_in(std::string_view text,
                                                          std::string_view token) {
  // Compared as addresses, since `token` may point into another text.
  const std::less<const char*> before;
  if (token.data() == nullptr || before(token.data(), text.data()) ||
      before(text.data() + text.size(), token.data())) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(token.data() - text.data());
}

/// `error` placed at `token`, a view into `text` (offsets count from its start).
[[nodiscard]] inline TranslateError at_token(TranslateError error, std::string_view text,
                                             std::string_view token) {
  if (const auto offset = offset_in(text, token)) return placed(std::move(error), *offset);
  return error;
}

/// An error from reading `part`, a view into `text`: a place it has (counted
/// from the start of `part`) is moved to count from the start of `text`, and an
/// error without one is placed at `part`.
[[nodiscard]] inline TranslateError within(TranslateError error, std::string_view text,
                                           std::string_view part) {
  const auto start = offset_in(text, part);
  if (!start) return error;
  if (error.offset && *error.offset <= part.size()) {
    error.offset = *start + *error.offset;
  } else {
    error.offset = start;
  }
  return error;
}

/// Parses the operand written as `type_part`, one space, `value_part`, without
/// building that text. Names in the result are views into the two parts.
/// Errors carry no place: the caller knows where the operand is written.
[[nodiscard]] Result<Operand> parse_operand_parts(std::string_view type_part,
                                                  std::string_view value_part);

/// Reads `text` (one trimmed line) when it is a call, branch or `ret void` in
/// the plain form most producers write, appending a call's arguments to
/// `function`'s operand array. Declines (false, nothing appended) on any other
/// text; where it accepts, the result equals InstructionParser::parse on the
/// same text.
[[nodiscard]] bool try_parse_plain_instruction(std::string_view text, Function& function,
                                               Instruction& out);
/// Reads a call, branch or `ret void` in the plain form at the start of
/// `text`, as try_parse_plain_instruction does, and returns the number of
/// bytes it took (0 when it declines, with nothing appended). What follows is
/// not looked at: the caller checks that the line ends there.
[[nodiscard]] std::size_t read_plain_instruction(std::string_view text, Function& function,
                                                 Instruction& out);

/// Instruction parser that keeps its scratch buffers across calls, so a module
/// pass allocates nothing per instruction once the buffers have grown.
class InstructionParser {
 public:
  /// Parses one instruction text; see parse_instruction. Another instruction
  /// that follows on the same text is refused, or, given `next`, the first is
  /// read alone and `next` set to where the second starts.
  [[nodiscard]] Result<Instruction> parse(std::string_view text, Function& function,
                                          std::optional<std::size_t>* next = nullptr);

 private:
  Result<Instruction> parse_switch(std::string_view text, std::string_view ops, Function& function);
  Result<Instruction> parse_float(std::string_view text, std::string_view name, FloatOp op,
                                  const std::optional<std::string_view>& result,
                                  std::string_view ops, Function& function);

  std::vector<std::string_view> pieces_;
};

}  // namespace corvane::parser_detail
