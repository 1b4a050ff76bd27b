// Fuzz target: the whole translation on arbitrary bytes. Any outcome is fine
// except a crash, a sanitizer report, a hang or unbounded memory; a success
// must end with the trailer line, and translate() (which lowers the entry
// point while parsing) must give what parsing the whole module first and then
// lowering it gives, error or program.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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
  corvane::Translator translator{corvane::base_profile(), {}, std::string("fuzz"), false};
  auto whole = module.ok() ? corvane::translate_module(translator, *module)
                           : corvane::Result<std::string>(module.error());
  if (whole.ok() != result.ok()) std::abort();
  if (whole.ok() ? whole.value() != result.value() : !(whole.error() == result.error())) {
    std::abort();
  }
  return 0;
}
