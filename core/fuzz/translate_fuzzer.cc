// Fuzz target: the whole translation on arbitrary bytes. Any outcome is fine
// except a crash, a sanitizer report, a hang or unbounded memory; a success
// must end with the trailer line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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
  return 0;
}
