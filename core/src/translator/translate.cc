// The pipeline: set the per-call options, parse the text and lower the entry
// point, print the program and append the generated-by trailer. Each stage's
// first error is returned unchanged.
#include "translator/translate.h"

#include "ir/parser.h"
#include "openqasm/printer.h"
#include "support/prefault.h"
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
std::string print_translation(Program& program, const TranslateOptions& options,
                              std::optional<std::string_view> profile, std::size_t source_size) {
  std::string out;
  out.reserve(source_size / 2 + 256);
  advise_huge_pages(out.data(), out.capacity());
  strip_record_marks(program);
  print_program(program, out);
  out += render_trailer(options.producer, profile);
  return out;
}

std::optional<std::string_view> entry_profile(const Module& module) {
  const Function* entry = find_entry_point(module);
  if (entry == nullptr) return std::nullopt;
  return entry->profile;
}

}  // namespace

Result<std::string> translate(std::string_view qir_text, std::optional<std::string_view> producer) {
  TranslateOptions options{base_profile(), std::nullopt, false, false};
  if (producer.has_value() && !producer->empty()) options.producer = std::string(*producer);
  // The module never outlives this call: the parser reads the caller's text in
  // place, and the entry point is lowered while it is read, a batch of
  // instructions at a time, so its instructions are never all in memory.
  ASSIGN_OR_RETURN(LoweredModule lowered, parse_and_lower(options, qir_text));
  return print_translation(lowered.program, options, lowered.profile, qir_text.size());
}

Result<Compiled> compile(std::string_view qir_text, std::optional<std::string_view> producer,
                         bool keep_values) {
  TranslateOptions options{base_profile(), std::nullopt, keep_values, true};
  if (producer.has_value() && !producer->empty()) options.producer = std::string(*producer);
  ASSIGN_OR_RETURN(LoweredModule lowered, parse_and_lower(options, qir_text));
  Compiled compiled;
  compiled.outputs = take_output_map(lowered.program, qir_text, keep_values);
  compiled.text = print_translation(lowered.program, options, lowered.profile, qir_text.size());
  return compiled;
}

Result<std::string> translate_module(const TranslateOptions& options, const Module& module) {
  ASSIGN_OR_RETURN(Program program, lower_module(options, module));
  return print_translation(program, options, entry_profile(module), module.source().size());
}

}  // namespace corvane
