// The pipeline: parse the text, configure a Translator, lower the entry point,
// print the program and append the generated-by trailer. Each stage's first
// error is returned unchanged.
#include "translator/translate.h"

#include "ir/parser.h"
#include "openqasm/printer.h"
#include "translator/lowering.h"

namespace corvane {

const Function* find_entry_point(const Module& module) {
  for (const Function& function : module.functions) {
    if (function.is_entry_point && !function.is_declaration) return &function;
  }
  return nullptr;
}

Result<std::string> translate(std::string_view qir_text, std::optional<std::string_view> producer) {
  ASSIGN_OR_RETURN(Module module, parse_module(qir_text));
  Translator translator{base_profile(), {}, std::nullopt, false};
  if (producer.has_value() && !producer->empty()) translator.producer = std::string(*producer);
  return translate_module(translator, module);
}

Result<std::string> translate_module(const Translator& translator, const Module& module) {
  ASSIGN_OR_RETURN(Program program, lower_module(translator, module));
  std::string out;
  // The printed program is typically a little shorter than the QIR text; one
  // reservation avoids most regrowth of the output buffer.
  out.reserve(module.source().size() / 2 + 256);
  print_program(program, out);
  const Function* entry = find_entry_point(module);
  std::optional<std::string_view> profile;
  if (entry != nullptr) profile = entry->profile;
  out += render_trailer(translator.producer, profile);
  return out;
}

}  // namespace corvane
