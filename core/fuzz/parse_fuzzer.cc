// Fuzz target: the parser and the signature reader alone, on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ir/parser.h"
#include "signatures/signatures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto module = corvane::parse_module(text);
  if (module.ok() && module->source() != text) std::abort();  // the module keeps the text verbatim
  auto signatures = corvane::build_signature_map(text);
  if (!signatures.ok() && signatures.error().message.empty()) std::abort();
  return 0;
}
