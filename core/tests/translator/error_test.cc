// Error display and the propagation macros.
#include "translator/error.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(TranslateErrorTest, DisplayPrefixesOnlyInternal) {
  struct Row {
    TranslateError error;
    const char* display;
  };
  const Row rows[] = {
      {parse_error("bad line"), "bad line"},
      {lowering_error("bad call"), "bad call"},
      {control_flow_error("bad graph"), "bad graph"},
      {internal_error("broken invariant"), "internal error: broken invariant"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.error.display(), row.display);
}

Result<int> half(int x) {
  if (x % 2 != 0) return lowering_error("odd " + std::to_string(x));
  return x / 2;
}

Result<int> quarter(int x) {
  ASSIGN_OR_RETURN(int h, half(x));
  ASSIGN_OR_RETURN(int q, half(h));
  return q;
}

Status check_even(int x) {
  RETURN_IF_ERROR(half(x));
  return ok_status();
}

TEST(TranslateErrorTest, MacrosPassTheFirstErrorUpUnchanged) {
  EXPECT_EQ(quarter(8).value(), 2);
  ASSERT_FALSE(quarter(6).ok());
  EXPECT_EQ(quarter(6).error(), lowering_error("odd 3"));
  EXPECT_TRUE(check_even(4).ok());
  EXPECT_EQ(check_even(5).error().kind, ErrorKind::Lowering);
}

}  // namespace
}  // namespace corvane
