// Fuzz target: the parser and the signature reader alone, on arbitrary bytes.
// Every line that the direct reader of plain calls and branches accepts must
// read the same through the general instruction parser, views and places
// included, so the two readers cannot drift apart.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ir/parser.h"
#include "ir/parser_internal.h"
#include "ir/parser_util.h"
#include "signatures/signatures.h"

namespace {

void check_readers_agree(std::string_view text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = corvane::trim(text.substr(start, end - start));
    corvane::Function plain_function;
    corvane::Instruction plain;
    if (!line.empty() &&
        corvane::parser_detail::try_parse_plain_instruction(line, plain_function, plain)) {
      corvane::Function general_function;
      const auto general = corvane::parse_instruction(line, general_function);
      if (!general.ok() || corvane::debug_dump(plain_function, plain, text) !=
                               corvane::debug_dump(general_function, *general, text)) {
        std::abort();
      }
    }
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto module = corvane::parse_module(text);
  if (module.ok() && module->source() != text) std::abort();  // the module keeps the text verbatim
  auto signatures = corvane::build_signature_map(text);
  if (!signatures.ok() && signatures.error().message.empty()) std::abort();
  check_readers_agree(text);
  return 0;
}
