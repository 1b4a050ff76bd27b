// Pieces of the QIR parser shared between its operand, instruction and module
// units. Not part of the parser's public interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ir/ir.h"
#include "translator/error.h"

namespace corvane::parser_detail {

/// `a` followed by `b`, built with one allocation (message texts).
inline std::string concat(std::string_view a, std::string_view b) {
  std::string out;
  out.reserve(a.size() + b.size());
  out.append(a);
  out.append(b);
  return out;
}

/// Parses the operand written as `type_part`, one space, `value_part`, without
/// building that text. Names in the result are views into the two parts.
[[nodiscard]] Result<Operand> parse_operand_parts(std::string_view type_part,
                                                  std::string_view value_part);

/// Reads `text` (one trimmed line) when it is a call, branch or `ret void` in
/// the plain form most producers write, appending a call's arguments to
/// `function`'s operand array. Declines (false, nothing appended) on any other
/// text; where it accepts, the result equals InstructionParser::parse on the
/// same text.
[[nodiscard]] bool try_parse_plain_instruction(std::string_view text, Function& function,
                                               Instruction& out);

/// Instruction parser that keeps its scratch buffers across calls, so a module
/// pass allocates nothing per instruction once the buffers have grown.
class InstructionParser {
 public:
  /// Parses one joined instruction text; see parse_instruction.
  [[nodiscard]] Result<Instruction> parse(std::string_view text, Function& function);

 private:
  std::vector<std::string_view> pieces_;
};

}  // namespace corvane::parser_detail
