// Text helpers of the parser: trimming and words, the comma splitter, the name
// readers and the number readers.
#include "ir/parser_util.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

using Pieces = std::vector<std::string_view>;

TEST(ParserUtilTest, TrimRemovesUnicodeWhiteSpaceButWordsSplitAtAsciiBlanks) {
  struct Row {
    std::string text;
    std::string trimmed;
    std::string trimmed_start;
    std::string first_word;
    std::string rest;
  };
  const Row rows[] = {
      {"", "", "", "", ""},
      {"  \t\r\n\f", "", "", "", ""},
      {"  call void @f()\r", "call void @f()", "call void @f()\r", "call", "void @f()\r"},
      // Vertical tab is white space for trimming but not a word boundary.
      {"\vcall\vvoid\v", "call\vvoid", "call\vvoid\v", "call\vvoid\v", ""},
      // U+00A0 and U+3000 around the text, U+0085 inside a word.
      {"\xc2\xa0x\xc2\x85y z\xe3\x80\x80", "x\xc2\x85y z", "x\xc2\x85y z\xe3\x80\x80", "x\xc2\x85y",
       "z\xe3\x80\x80"},
      // U+1680, U+2000, U+200A, U+2028, U+2029, U+202F, U+205F all trim.
      {"\xe1\x9a\x80\xe2\x80\x80\xe2\x80\x8a"
       "a"
       "\xe2\x80\xa8\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\x9f",
       "a", "a\xe2\x80\xa8\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\x9f",
       "a\xe2\x80\xa8\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\x9f", ""},
      // U+200B (zero width space) is not White_Space; truncated and invalid bytes stay.
      {"\xe2\x80\x8b"
       "a"
       "\xe2\x80",
       "\xe2\x80\x8b"
       "a"
       "\xe2\x80",
       "\xe2\x80\x8b"
       "a"
       "\xe2\x80",
       "\xe2\x80\x8b"
       "a"
       "\xe2\x80",
       ""},
      {"\xff a \xc2", "\xff a \xc2", "\xff a \xc2", "\xff", "a \xc2"},
      {"word", "word", "word", "word", ""},
      {"  a   b  c ", "a   b  c", "a   b  c ", "a", "b  c "},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(trim(row.text), row.trimmed) << row.text;
    EXPECT_EQ(trim_start(row.text), row.trimmed_start) << row.text;
    EXPECT_EQ(first_word(row.text), row.first_word) << row.text;
    EXPECT_EQ(rest_after_first_word(row.text), row.rest) << row.text;
  }
  EXPECT_EQ(trim_end(" a \xe2\x80\x80"), " a");
  EXPECT_EQ(cut_comment("br label %a ; back ; edge"), "br label %a ");
  EXPECT_EQ(cut_comment("ret void"), "ret void");
}

TEST(ParserUtilTest, SplitTopLevelCommas) {
  struct Row {
    std::string_view text;
    Pieces pieces;
  };
  const Row rows[] = {
      {"", {""}},
      {"a,", {"a", ""}},
      {"  a ,  b  ", {"a", "b"}},
      {"i64 %a, <2 x i64> <i64 1, i64 2>", {"i64 %a", "<2 x i64> <i64 1, i64 2>"}},
      {"f(a, [b, {c, d}]), e", {"f(a, [b, {c, d}])", "e"}},
      // Closers need not match their openers; unclosed openers are fine.
      {"(a, b], c", {"(a, b]", "c"}},
      {"(a, b", {"(a, b"}},
      // Quotes are not special.
      {"\"x,y\"", {"\"x", "y\""}},
      {",,", {"", "", ""}},
  };
  Pieces pieces = {"stale"};
  for (const Row& row : rows) {
    ASSERT_TRUE(split_top_level_commas(row.text, pieces).ok()) << row.text;
    EXPECT_EQ(pieces, row.pieces) << row.text;
  }
  // The error is placed at the closer that has no opener.
  const std::pair<std::string_view, std::size_t> bad_rows[] = {
      {"f(a, b)), c", 7}, {")", 0}, {"a, b>", 4}, {"(a)), (b)]", 3}};
  for (const auto& [bad, place] : bad_rows) {
    const Status status = split_top_level_commas(bad, pieces);
    ASSERT_FALSE(status.ok()) << bad;
    EXPECT_EQ(status.error(),
              (TranslateError{ErrorKind::Parse, "unbalanced closing bracket in " + std::string(bad),
                              place}));
  }
}

TEST(ParserUtilTest, GlobalIdentLabelNameAndNameAfterPercent) {
  using Global = std::optional<std::pair<std::string_view, std::string_view>>;
  struct GlobalRow {
    std::string_view text;
    Global expected;
  };
  const GlobalRow globals[] = {
      {"@__quantum__qis__h__body(ptr %q)", std::pair{"__quantum__qis__h__body", "(ptr %q)"}},
      {"  @\"a b\"(x)", std::pair{"a b", "(x)"}},
      {"@\"\"rest", std::pair{"", "rest"}},
      {"@x.y$z_1 tail", std::pair{"x.y$z_1", " tail"}},
      {"@0", std::pair{"0", ""}},
      {"@", std::nullopt},
      {"@(", std::nullopt},
      {"@\"open", std::nullopt},
      {"f()", std::nullopt},
      {"", std::nullopt},
  };
  for (const GlobalRow& row : globals)
    EXPECT_EQ(parse_global_ident(row.text), row.expected) << row.text;

  struct LabelRow {
    std::string_view text;
    std::string_view label;
  };
  const LabelRow labels[] = {
      {"exit, label %b", "exit"},
      {"\"a b\"x", "a b"},
      {"\"open", ""},
      {"", ""},
      {"12", "12"},
      {"-x", ""},
  };
  for (const LabelRow& row : labels) EXPECT_EQ(parse_label_name(row.text), row.label) << row.text;

  struct PercentRow {
    std::string_view text;
    std::optional<std::string_view> name;
  };
  const PercentRow percents[] = {
      {"ptr %p", "p"},
      {"ptr @g", std::nullopt},
      {"i64* %x.1, align 8", "x.1"},
      {"ptr %\"q\"", std::nullopt},
      {"ptr %", std::nullopt},
      // Typed pointers: the `%` of a type token ending in `*` is passed over.
      {"%Qubit** %p", "p"},
      {"%Qubit* %q", "q"},
      {"%\"T\"* %s", "s"},
      {"%Qubit* null", std::nullopt},
      {"%Qubit* inttoptr (i64 1 to %Qubit*)", std::nullopt},
      {"%T %v", "T"},
  };
  for (const PercentRow& row : percents)
    EXPECT_EQ(name_after_percent(row.text), row.name) << row.text;
}

TEST(ParserUtilTest, CallPrefixesAndToClause) {
  EXPECT_EQ(strip_call_prefixes("tail notail call void @f()"), "call void @f()");
  EXPECT_EQ(strip_call_prefixes("  musttail  call void @f()"), "call void @f()");
  EXPECT_EQ(strip_call_prefixes("tailcall void @f()"), "tailcall void @f()");
  EXPECT_EQ(strip_call_prefixes("tail tail"), "");
  EXPECT_EQ(strip_call_prefixes(""), "");

  struct Row {
    std::string_view text;
    std::optional<std::size_t> position;
  };
  const Row rows[] = {
      {"i64 %x to ptr", 6},
      {"ptr inttoptr (i64 1 to ptr) to i64", 27},
      {"<2 x i8> <i8 1, i8 2> to i16", 21},
      {"i64 %x to", std::nullopt},
      {"i64 %x\tto ptr", std::nullopt},
      {"(a to b", std::nullopt},
      // A stray closer makes the depth negative; nothing after it is top level.
      {"a) to b", std::nullopt},
      {"", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(find_to_clause(row.text), row.position) << row.text;
}

double bits_to_double(std::uint64_t bits) {
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::uint64_t double_bits(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

TEST(ParserUtilTest, FloatLiterals) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    std::string_view text;
    std::optional<double> value;
  };
  const Row rows[] = {
      {"0x3FF0000000000000", 1.0},
      {"0x3ff0000000000000", 1.0},
      {"-0x3FF0000000000000", -1.0},
      {"-0x0000000000000000", -0.0},
      {"0x400921FB54442D18", 3.141592653589793},
      {"  0x4000000000000000 ", 2.0},
      // LLVM writes the bits without leading zero digits.
      {"0x3FF", std::bit_cast<double>(std::uint64_t{0x3FF})},
      {"-0x3FF", -std::bit_cast<double>(std::uint64_t{0x3FF})},
      {"0x14A176BDFC384C5", 1.902362356418622e-302},
      {"0x", std::nullopt},
      {"-0x", std::nullopt},
      {"0x3FF00000000000000", std::nullopt},
      {"0x3FF000000000000G", std::nullopt},
      {"0xK3FFF8000000000000000", std::nullopt},
      {"0xH3C00", std::nullopt},
      {"1.5e3", 1500.0},
      {"+2", 2.0},
      {"-0.25", -0.25},
      {"5.", 5.0},
      {".5", 0.5},
      {"1E-2", 0.01},
      {"1e+2", 100.0},
      {"INF", inf},
      {"-Infinity", -inf},
      {"1e400", inf},
      {"-1e400", -inf},
      {"1e-400", 0.0},
      {"4.9e-324", bits_to_double(1)},
      {"", std::nullopt},
      {".", std::nullopt},
      {"e5", std::nullopt},
      {"1e", std::nullopt},
      {"1e+", std::nullopt},
      {"+-1", std::nullopt},
      {"1.5f", std::nullopt},
      {"nan(1)", std::nullopt},
      {"infin", std::nullopt},
      {"1 2", std::nullopt},
      {"1_000.0", std::nullopt},
  };
  for (const Row& row : rows) {
    const auto value = parse_float_literal(row.text);
    ASSERT_EQ(value.has_value(), row.value.has_value()) << row.text;
    if (value) {
      EXPECT_EQ(double_bits(*value), double_bits(*row.value)) << row.text;
    }
  }
  const auto nan = parse_float_literal("NaN");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(*nan));
  const auto negative_nan = parse_float_literal("-nan");
  ASSERT_TRUE(negative_nan.has_value());
  EXPECT_TRUE(std::isnan(*negative_nan) && std::signbit(*negative_nan));
}

TEST(ParserUtilTest, IntegerReaders) {
  const int128 min = -(int128{1} << 126) * 2;
  const int128 max = ~min;
  struct Row {
    std::string_view text;
    std::optional<int128> value;
  };
  const Row rows[] = {
      {"+7", 7},
      {" -9 ", -9},
      {"0", 0},
      {"-170141183460469231731687303715884105728", min},
      {"170141183460469231731687303715884105727", max},
      {"170141183460469231731687303715884105728", std::nullopt},
      {"-170141183460469231731687303715884105729", std::nullopt},
      {"99999999999999999999999999999999999999999", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"", std::nullopt},
      {"1_000", std::nullopt},
      {"0x10", std::nullopt},
      {"--1", std::nullopt},
      {"1 2", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(parse_int128(row.text), row.value) << row.text;

  struct UnsignedRow {
    std::string_view text;
    std::optional<std::uint64_t> value;
  };
  const UnsignedRow unsigned_rows[] = {
      {"2", 2},
      {"+2", 2},
      {"18446744073709551615", 18446744073709551615u},
      {"18446744073709551616", std::nullopt},
      {"-1", std::nullopt},
      {"+", std::nullopt},
      {"", std::nullopt},
      {" 2", std::nullopt},
      {"2 ", std::nullopt},
      {"+-2", std::nullopt},
      {"2a", std::nullopt},
  };
  for (const UnsignedRow& row : unsigned_rows)
    EXPECT_EQ(parse_uint64(row.text), row.value) << row.text;
}

}  // namespace
}  // namespace corvane
