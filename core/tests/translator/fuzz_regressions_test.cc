// Replays every input in core/fuzz/regressions through translate(). Each one
// once made the translation crash, hang or blow up, or lowering while reading
// disagree with lowering after reading; now it must end with a well-formed
// program or a non-empty error, the same both ways. A file whose first line
// is "; expect-error: <message>" must fail with exactly that message.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "builders/profile.h"
#include "ir/parser.h"
#include "translator/translate.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> regression_inputs() {
  std::vector<fs::path> paths;
  const fs::path dir = fs::path(CORVANE_SOURCE_DIR) / "core" / "fuzz" / "regressions";
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file()) paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(FuzzRegressionsTest, EveryInputEndsInOutputOrAClearError) {
  const std::vector<fs::path> inputs = regression_inputs();
  ASSERT_FALSE(inputs.empty()) << "no regression inputs found";
  const std::string marker = "; expect-error: ";
  for (const fs::path& path : inputs) {
    SCOPED_TRACE(path.filename().string());
    const std::string text = read_bytes(path);
    const auto result = translate(text);
    if (text.rfind(marker, 0) == 0) {
      const std::string expected = text.substr(marker.size(), text.find('\n') - marker.size());
      ASSERT_FALSE(result.ok());
      EXPECT_EQ(result.error().display(), expected);
    } else if (result.ok()) {
      EXPECT_EQ(result->rfind("OPENQASM 3.0;\n", 0), 0u);
      EXPECT_NE(result->find("// generated-by: "), std::string::npos);
      EXPECT_EQ(result->back(), '\n');
    } else {
      EXPECT_FALSE(result.error().display().empty());
    }
    // Read first, then lowered: the same program or the same error.
    const Translator translator{base_profile(), {}, std::string("regression"), false};
    Result<Module> module = parse_module(text);
    const auto whole =
        module.ok() ? translate_module(translator, *module) : Result<std::string>(module.error());
    const auto streamed = translate(text, std::string_view("regression"));
    ASSERT_EQ(whole.ok(), streamed.ok());
    if (whole.ok()) {
      EXPECT_EQ(*whole, *streamed);
    } else {
      EXPECT_EQ(whole.error().message, streamed.error().message);
    }
  }
}

}  // namespace
}  // namespace corvane
