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

namespace {

// Prints the program and appends the trailer. The printed program is typically
// a little shorter than the QIR text; one reservation avoids most regrowth of
// the output buffer (pages never written are never touched).
std::string print_translation(const Program& program, const Translator& translator,
                              std::optional<std::string_view> profile, std::size_t source_size) {
  std::string out;
  out.reserve(source_size / 2 + 256);
  print_program(program, out);
  out += render_trailer(translator.producer, profile);
  return out;
}

std::optional<std::string_view> entry_profile(const Module& module) {
  const Function* entry = find_entry_point(module);
  if (entry == nullptr) return std::nullopt;
  return entry->profile;
}

}  // namespace

Result<std::string> translate(std::string_view qir_text, std::optional<std::string_view> producer) {
  std::optional<Module> module;
  {
    // The module never outlives this call, so it can read the caller's text in
    // place rather than copy the whole input.
    ASSIGN_OR_RETURN(Module parsed, parse_module_borrowing(qir_text));
    module.emplace(std::move(parsed));
  }
  Translator translator{base_profile(), {}, std::nullopt, false};
  if (producer.has_value() && !producer->empty()) translator.producer = std::string(*producer);
  std::optional<std::string> profile;
  if (const auto view = entry_profile(*module)) profile.emplace(*view);
  // The program owns all its text, so the module is consumed by lowering (its
  // instructions are freed as they are lowered) and released before printing.
  ASSIGN_OR_RETURN(Program program, lower_module(translator, std::move(*module)));
  module.reset();
  return print_translation(program, translator, profile, qir_text.size());
}

Result<std::string> translate_module(const Translator& translator, const Module& module) {
  ASSIGN_OR_RETURN(Program program, lower_module(translator, module));
  return print_translation(program, translator, entry_profile(module), module.source().size());
}

}  // namespace corvane
