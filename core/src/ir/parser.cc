// Placeholder parser: keeps the text and finds no functions.
#include "ir/parser.h"

namespace corvane {
Result<Module> parse_module(std::string_view text) {
  Module module;
  module.source_text = std::make_unique<const std::string>(text);
  return module;
}
Result<Instruction> parse_instruction(std::string_view, Function&) {
  return parse_error("instruction parsing is not implemented yet");
}
Result<Operand> parse_operand(std::string_view) {
  return parse_error("operand parsing is not implemented yet");
}
}  // namespace corvane
