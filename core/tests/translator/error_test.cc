// Where an error offset lies in the text, as line and character.
#include "support/error.h"

#include <gtest/gtest.h>

#include <string_view>

namespace corvane {
namespace {

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

}  // namespace
}  // namespace corvane
