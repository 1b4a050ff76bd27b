// Error display and the propagation macros.
#include "support/error.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

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

TEST(TranslateErrorTest, PlaceIsKeptBesideTheMessage) {
  // The first place given is kept: an error travels up unchanged.
  const TranslateError error = placed(placed(parse_error("bad line"), 7), 2);
  EXPECT_EQ(error, (TranslateError{ErrorKind::Parse, "bad line", 7}));
  EXPECT_EQ(error.display(), "bad line");
  EXPECT_NE(error, parse_error("bad line"));
  EXPECT_EQ(parse_error("bad line").offset, std::nullopt);
}

TEST(TranslateErrorTest, TextPositionCountsLinesAndCharacters) {
  struct Row {
    std::string_view text;
    std::size_t offset;
    TextPosition position;
  };
  const Row rows[] = {
      {"", 0, {1, 1}},
      {"abc", 0, {1, 1}},
      {"abc", 2, {1, 3}},
      {"abc", 3, {1, 4}},
      {"abc", 99, {1, 4}},  // past the end: the end
      {"ab\ncd", 2, {1, 3}},
      {"ab\ncd", 3, {2, 1}},
      {"ab\ncd", 4, {2, 2}},
      {"\n\n\nx", 3, {4, 1}},
      {"a\r\nb", 3, {2, 1}},  // a carriage return is part of the line before
      {"a\r\nb", 1, {1, 2}},
      {"\t\tx", 2, {1, 3}},  // a tab is one character
      // UTF-8: two, three and four bytes make one character each.
      {"\u00e9x", 2, {1, 2}},
      {"x\n\u4e2d\u00e9y", 6, {2, 3}},
      {"\U0001F600 y", 5, {1, 3}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(text_position(row.text, row.offset), row.position) << row.text << " " << row.offset;
  }
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
