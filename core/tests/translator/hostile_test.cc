// Hostile bytes through the C++ entry: NUL characters, invalid UTF-8 and
// stray control bytes anywhere in a module end in output or a clear error.
#include <gtest/gtest.h>

#include <string>

#include "translator/translate.h"

namespace corvane {
namespace {

const std::string kModule =
    "%Qubit = type opaque\n"
    "define void @main() #0 {\n"
    "entry:\n"
    "  call void @__quantum__qis__h__body(%Qubit* null)\n"
    "  ret void\n"
    "}\n"
    "declare void @__quantum__qis__h__body(%Qubit*)\n"
    "attributes #0 = { \"entry_point\" \"qir_profiles\"=\"base_profile\" }\n";

TEST(HostileBytesTest, EveryPositionSurvivesNulInvalidUtf8AndControlBytes) {
  const std::string payloads[] = {std::string(1, '\0'), "\xff", "\xc3",     "\xe2\x80",
                                  "\xed\xa0\x80",       "\x0b", "\xc2\x85", "\xe3\x80\x80"};
  const auto baseline = translate(kModule);
  ASSERT_TRUE(baseline.ok()) << baseline.error().display();
  for (const std::string& payload : payloads) {
    for (std::size_t pos = 0; pos <= kModule.size(); ++pos) {
      std::string text = kModule;
      text.insert(pos, payload);
      const auto result = translate(text);
      if (result.ok()) {
        EXPECT_EQ(result->rfind("OPENQASM 3.0;\n", 0), 0u);
        EXPECT_EQ(result->back(), '\n');
      } else {
        EXPECT_FALSE(result.error().display().empty());
      }
    }
  }
}

TEST(HostileBytesTest, NulInsideACommentIsOrdinaryText) {
  std::string text = kModule;
  text.insert(text.find("declare"), std::string("; a\0b\n", 6));
  const auto with_nul = translate(text);
  const auto plain = translate(kModule);
  ASSERT_TRUE(with_nul.ok()) << with_nul.error().display();
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(*with_nul, *plain);
}

}  // namespace
}  // namespace corvane
