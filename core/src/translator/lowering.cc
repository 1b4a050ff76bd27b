// Placeholder lowering driver: selects the entry point and reports that
// lowering is not available yet. Replaced by the real driver.
#include "translator/lowering.h"

#include "ir/text.h"
#include "translator/translate.h"

namespace corvane {

void LoweringContext::bind(std::string_view name, Expr value) { env.insert_or_assign(name, std::move(value)); }

Result<Expr> LoweringContext::lookup(std::string_view name) const {
  auto it = env.find(name);
  if (it == env.end()) {
    return lowering_error("SSA value " + quote_text(name) +
                          " is used but was never bound; upstream instruction may be unsupported");
  }
  return it->second;
}

void LoweringContext::record_int_pointer(std::string_view name, std::int64_t index) {
  int_pointers.insert_or_assign(name, index);
}

std::optional<std::int64_t> LoweringContext::lookup_int_pointer(std::string_view name) const {
  auto it = int_pointers.find(name);
  if (it == int_pointers.end()) return std::nullopt;
  return it->second;
}

Result<std::uint64_t> register_size(std::int64_t max_index, bool is_qubit) {
  std::int64_t size = 0;
  if (__builtin_add_overflow(max_index, std::int64_t{1}, &size)) {
    return lowering_error(is_qubit ? "qubit index too large to size the qubit register"
                                   : "result index too large to size the result register");
  }
  return static_cast<std::uint64_t>(size);
}

Result<Program> lower_module(const Translator& /*translator*/, const Module& module) {
  if (find_entry_point(module) == nullptr) {
    return parse_error(
        "no entry-point function found; QIR modules must have a function tagged with the "
        "'entry_point' attribute");
  }
  return lowering_error("lowering is not implemented yet");
}

}  // namespace corvane
