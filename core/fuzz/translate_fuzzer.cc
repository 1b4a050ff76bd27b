// Fuzz target: the whole translation on arbitrary bytes. Any outcome is fine
// except a crash, a sanitizer report, a hang or unbounded memory; a success
// must end with the trailer line, and translate() (which lowers the entry
// point while parsing) must give what parsing the whole module first and then
// lowering it gives, error or program. compile() must agree with translate()
// and give an output map that serializes and decodes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "builders/profile.h"
#include "ir/parser.h"
#include "translator/translate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto result = corvane::translate(text, std::string_view("fuzz"));
  if (result.ok()) {
    const std::string& out = result.value();
    if (out.empty() || out.back() != '\n' || out.find("// generated-by: ") == std::string::npos) {
      std::abort();
    }
  } else if (result.error().message.empty()) {
    std::abort();  // every failure names what failed
  }

  auto module = corvane::parse_module(text);
  corvane::TranslateOptions options{corvane::base_profile(), std::string("fuzz"), false, false};
  auto whole = module.ok() ? corvane::translate_module(options, *module)
                           : corvane::Result<std::string>(module.error());
  if (whole.ok() != result.ok()) std::abort();
  if (whole.ok() ? whole.value() != result.value() : !(whole.error() == result.error())) {
    std::abort();
  }

  // compile() gives translate()'s text with its output map, which decodes any
  // bits (checked where translate() succeeds, so that a refused input costs no
  // third translation).
  if (!result.ok()) return 0;
  auto compiled = corvane::compile(text, std::string_view("fuzz"), size % 2 == 1);
  if (!compiled.ok()) std::abort();
  if (size % 2 == 0 && compiled->text != result.value()) std::abort();
  const std::string json = corvane::output_map_json(compiled->outputs);
  if (json.rfind("{\"format\": 1, ", 0) != 0) std::abort();
  if (compiled->outputs.bits <= (1u << 16)) {  // a register may be declared far larger
    const std::vector<std::uint8_t> bits(compiled->outputs.bits, 1);
    if (corvane::decode_records(compiled->outputs, bits).size() >
        compiled->outputs.records.size()) {
      std::abort();
    }
  }
  return 0;
}
