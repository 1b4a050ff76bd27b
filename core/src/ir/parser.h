// The QIR text parser: one pass over the lines of a module, turning it into
// the IR model. Strict where translation needs a construct, lenient elsewhere.
#pragma once

#include <string_view>

#include "ir/ir.h"
#include "translator/error.h"

namespace corvane {

/// Parses a whole module; the Module keeps its own copy of `text`.
[[nodiscard]] Result<Module> parse_module(std::string_view text);

/// Parses a whole module without copying `text`: the Module's views point into
/// it, so the caller keeps `text` alive and unchanged for the Module's life.
[[nodiscard]] Result<Module> parse_module_borrowing(std::string_view text);

/// Parses one (joined) instruction text. Views in the result point into `text`;
/// call arguments and phi incomings are appended to `function`'s flat arrays.
[[nodiscard]] Result<Instruction> parse_instruction(std::string_view text, Function& function);

/// Parses one typed operand (`i64 %x`, `%Qubit* null`, ...). Views point into `text`.
[[nodiscard]] Result<Operand> parse_operand(std::string_view text);

}  // namespace corvane
