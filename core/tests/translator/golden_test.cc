// End-to-end golden cases: every core/tests/golden/NAME.ll is translated and
// compared byte for byte with NAME.qasm (the whole output, trailer included)
// or, for a failing translation, with NAME.err (the error's display text on
// one line and, when the error has a place, "at line L, column C" on the
// next; then each further independent refusal as "also: MESSAGE" and its
// place alike). On a mismatch the actual text is written to
// NAME.actual beside the expectation, so a reviewer can diff the two. With
// CORVANE_REBASE=1 in the environment the actual text replaces the expectation
// instead (NAME.qasm or NAME.err, the other removed), to be reviewed in the diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "module_files.h"
#include "translator/translate.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

fs::path golden_dir() { return fs::path(CORVANE_SOURCE_DIR) / "core" / "tests" / "golden"; }

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(golden_dir(), error)) {
    if (entry.path().extension() == ".ll") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class GoldenTest : public testing::TestWithParam<std::string> {};

TEST_P(GoldenTest, MatchesExpectation) {
  const fs::path base = golden_dir() / GetParam();
  const fs::path input_path = fs::path(base).replace_extension(".ll");
  const fs::path qasm_path = fs::path(base).replace_extension(".qasm");
  const fs::path err_path = fs::path(base).replace_extension(".err");
  const fs::path actual_path = fs::path(base).replace_extension(".actual");

  const std::optional<std::string> input = read_file(input_path);
  ASSERT_TRUE(input.has_value()) << "cannot read " << input_path;
  const std::optional<std::string> expected_qasm = read_file(qasm_path);
  const std::optional<std::string> expected_err = read_file(err_path);
  const char* rebase_variable = std::getenv("CORVANE_REBASE");
  const bool rebase = rebase_variable != nullptr && std::string_view(rebase_variable) == "1";
  // A rebase also writes the first expectation of a new case.
  if (!rebase || expected_qasm.has_value() || expected_err.has_value()) {
    ASSERT_NE(expected_qasm.has_value(), expected_err.has_value())
        << "exactly one of " << qasm_path.filename() << " and " << err_path.filename()
        << " must exist";
  }

  Result<std::string> result = translate(*input);
  std::string actual = result.ok() ? *result : result.error().display() + "\n";
  if (!result.ok() && result.error().offset) {
    const TextPosition place = text_position(*input, *result.error().offset);
    actual +=
        "at line " + std::to_string(place.line) + ", column " + std::to_string(place.column) + "\n";
  }
  for (const Refusal& other : result.ok() ? std::vector<Refusal>{} : result.error().also) {
    actual += "also: " + other.message + "\n";
    if (!other.offset) continue;
    const TextPosition place = text_position(*input, *other.offset);
    actual +=
        "at line " + std::to_string(place.line) + ", column " + std::to_string(place.column) + "\n";
  }
  const std::string expected = expected_qasm.value_or(expected_err.value_or(""));
  const bool outcome_matches = result.ok() == expected_qasm.has_value();

  std::error_code ignored;
  if (outcome_matches && actual == expected) {
    fs::remove(actual_path, ignored);
    return;
  }
  if (rebase) {
    fs::remove(result.ok() ? err_path : qasm_path, ignored);
    std::ofstream(result.ok() ? qasm_path : err_path, std::ios::binary) << actual;
    fs::remove(actual_path, ignored);
    return;
  }
  std::ofstream(actual_path, std::ios::binary) << actual;
  ADD_FAILURE() << (outcome_matches ? ""
                                    : (result.ok() ? "translation succeeded unexpectedly\n"
                                                   : "translation failed unexpectedly\n"))
                << "expected:\n"
                << expected << "actual (written to " << actual_path << "):\n"
                << actual;
}

std::string case_test_name(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& ch : name) {
    const bool alnum =
        (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
    if (!alnum) ch = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, testing::ValuesIn(case_names()), case_test_name);

TEST(GoldenSuiteTest, HasCases) { EXPECT_GE(case_names().size(), 80u); }

}  // namespace
}  // namespace corvane
