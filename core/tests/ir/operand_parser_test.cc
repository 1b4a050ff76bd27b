// Typed operand parsing: a table of operand texts against their parsed form and
// a table of bad operands against their exact messages and kinds.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "ir/ir.h"
#include "ir/parser.h"

namespace corvane {
namespace {

PtrConst ptr_const(std::optional<std::string_view> struct_name, std::int64_t index) {
  return PtrConst{struct_name, index};
}

TEST(OperandParserTest, ParsesEveryOperandForm) {
  const int128 min128 = -(int128{1} << 126) * 2;
  struct Row {
    std::string_view text;
    Operand expected;
  };
  const Row rows[] = {
      // Integers and booleans.
      {"i64 5", ConstInt{5}},
      {"i64 -9", ConstInt{-9}},
      {"i64 +7", ConstInt{7}},
      {"i8 300", ConstInt{300}},
      {"i128 -170141183460469231731687303715884105728", ConstInt{min128}},
      {"i64 %x", Ssa{"x"}},
      {"i64 %0", Ssa{"0"}},
      {"i64 %\"my var\"", Ssa{"\"my var\""}},
      {"i64 @g", GlobalRef{"g"}},
      {"i32 @\"q\"", GlobalRef{"\"q\""}},
      {"i 4", ConstInt{4}},
      {"i8 null", I8Null{}},
      {"i1 0", ConstBool{false}},
      {"i1 false", ConstBool{false}},
      {"i1 1", ConstBool{true}},
      {"i1 true", ConstBool{true}},
      {"i1 2", ConstInt{2}},
      {"i1 -1", ConstInt{-1}},
      {"i1 %c", Ssa{"c"}},
      {"i1 @flag", GlobalRef{"flag"}},
      {"noundef i64 5", ConstInt{5}},
      {"i64 noundef 5", ConstInt{5}},
      {"  i64   5  ", ConstInt{5}},
      {"i64\t%x", Ssa{"x"}},
      {"zeroext i1 true", ConstBool{true}},
      // Floats.
      {"double 0.5", ConstFloat{0.5}},
      {"double 2", ConstFloat{2.0}},
      {"double -1.5e3", ConstFloat{-1500.0}},
      {"float 0x3FF0000000000000", ConstFloat{1.0}},
      {"half -0x3FF0000000000000", ConstFloat{-1.0}},
      {"double %t", Ssa{"t"}},
      {"double inf", ConstFloat{std::numeric_limits<double>::infinity()}},
      // Pointers.
      {"%Qubit* null", ptr_const("Qubit", 0)},
      {"%Result* null", ptr_const("Result", 0)},
      {"ptr null", ptr_const(std::nullopt, 0)},
      {"i8* null", I8Null{}},
      {"%Qubit* inttoptr (i64 1 to %Qubit*)", ptr_const("Qubit", 1)},
      {"ptr inttoptr (i64 2 to ptr)", ptr_const(std::nullopt, 2)},
      {"ptr inttoptr(i64 -3 to ptr)", ptr_const(std::nullopt, -3)},
      {"ptr inttoptr (i64 +4 to ptr)", ptr_const(std::nullopt, 4)},
      {"ptr inttoptr ( i32\t5 to ptr)", ptr_const(std::nullopt, 5)},
      // Words inside inttoptr (...) split at any Unicode white space (here U+00A0).
      {"ptr inttoptr (i64\xc2\xa0"
       "6 to ptr)",
       ptr_const(std::nullopt, 6)},
      {"ptr inttoptr (i64 -9223372036854775808 to ptr)",
       ptr_const(std::nullopt, std::numeric_limits<std::int64_t>::min())},
      {"%Qubit** null", ptr_const("Qubit*", 0)},
      {"%\"Q\"* null", ptr_const("Q", 0)},
      {"%\"\"* null", ptr_const("", 0)},
      {"%* null", ptr_const("", 0)},
      {"%\"* null", ptr_const("\"", 0)},
      {"ptr nonnull %q", Ssa{"q"}},
      {"ptr align 8 %q", Ssa{"q"}},
      {"ptr noundef align 8 dereferenceable(16) nonnull %q", Ssa{"q"}},
      {"i64 noundef 7", ConstInt{7}},
      {"%Qubit* %q0", Ssa{"q0"}},
      {"ptr @0", GlobalRef{"0"}},
      {"i8* getelementptr inbounds ([3 x i8], [3 x i8]* @0, i64 0, i64 0)", GetElementPtr{}},
      {"getelementptr inbounds ([3 x i8], ptr @0, i64 0, i64 0)", GetElementPtr{}},
      {"i8* bitcast ([4 x i8]* @label to i8*)", BitcastGlobal{"label"}},
      {"ptr bitcast (ptr @\"a b\" to ptr)", BitcastGlobal{"a b"}},
      {"i8* bitcast (%Qubit* null to i8*)", GetElementPtr{}},
      {"i8* bitcast @x", GetElementPtr{}},
      {"i8* bitcastx", GetElementPtr{}},
  };
  for (const Row& row : rows) {
    const auto operand = parse_operand(row.text);
    ASSERT_TRUE(operand.ok()) << row.text << ": " << operand.error().message;
    EXPECT_EQ(*operand, row.expected) << row.text << ": got " << operand_debug(*operand)
                                      << ", want " << operand_debug(row.expected);
  }
}

TEST(OperandParserTest, ReportsBadOperands) {
  struct Row {
    std::string_view text;
    ErrorKind kind;
    std::string_view message;
  };
  const Row rows[] = {
      {"...", ErrorKind::Parse, "unexpected ... in operand"},
      {"  ...  ", ErrorKind::Parse, "unexpected ... in operand"},
      {"", ErrorKind::Parse, "empty operand"},
      {"noundef", ErrorKind::Parse, "empty operand"},
      {"noundef nonnull  readonly", ErrorKind::Parse, "empty operand"},
      {"void", ErrorKind::Lowering, "unsupported operand type void in operand void"},
      {"i64* %p", ErrorKind::Lowering, "unsupported operand type i64* in operand i64* %p"},
      {"i8** %p", ErrorKind::Lowering, "unsupported operand type i8** in operand i8** %p"},
      {"%Qubit %q", ErrorKind::Lowering, "unsupported operand type %Qubit in operand %Qubit %q"},
      {"label %b", ErrorKind::Lowering, "unsupported operand type label in operand label %b"},
      {"%\"my q\"* null", ErrorKind::Lowering,
       "unsupported operand type %\"my in operand %\"my q\"* null"},
      {"i64 abc", ErrorKind::Lowering, "could not parse integer operand abc (ty=i64)"},
      {"i64", ErrorKind::Lowering, "could not parse integer operand  (ty=i64)"},
      {"i64 1_000", ErrorKind::Lowering, "could not parse integer operand 1_000 (ty=i64)"},
      {"i64 0x10", ErrorKind::Lowering, "could not parse integer operand 0x10 (ty=i64)"},
      {"i1 yes", ErrorKind::Lowering, "could not parse integer operand yes (ty=i1)"},
      {"i32 null", ErrorKind::Lowering, "could not parse integer operand null (ty=i32)"},
      // The value text is the kept tokens joined by single spaces.
      {"i64  1   noundef 2", ErrorKind::Lowering, "could not parse integer operand 1 2 (ty=i64)"},
      {"double 0x3FG", ErrorKind::Lowering, "could not parse float operand 0x3FG (ty=double)"},
      {"double", ErrorKind::Lowering, "could not parse float operand  (ty=double)"},
      {"float 0xK3FFF8000000000000000", ErrorKind::Lowering,
       "could not parse float operand 0xK3FFF8000000000000000 (ty=float)"},
      {"ptr", ErrorKind::Lowering, "could not resolve pointer operand from constant text ptr"},
      {"%Qubit* inttoptr (i64 x to %Qubit*)", ErrorKind::Lowering,
       "could not resolve pointer operand from constant text %Qubit* inttoptr (i64 x to %Qubit*)"},
      {"ptr inttoptr i64 1", ErrorKind::Lowering,
       "could not resolve pointer operand from constant text ptr inttoptr i64 1"},
      // An index beyond 64 bits leaves the inttoptr form unread.
      {"ptr inttoptr (i64 9223372036854775808 to ptr)", ErrorKind::Lowering,
       "could not resolve pointer operand from constant text ptr inttoptr (i64 9223372036854775808 "
       "to ptr)"},
      {"ptr undef", ErrorKind::Lowering,
       "could not resolve pointer operand from constant text ptr undef"},
  };
  for (const Row& row : rows) {
    const auto operand = parse_operand(row.text);
    ASSERT_FALSE(operand.ok()) << row.text;
    EXPECT_EQ(operand.error(), (TranslateError{row.kind, std::string(row.message)})) << row.text;
  }
}

TEST(OperandParserTest, NamesAreViewsIntoTheOperandText) {
  const std::string text = "ptr   nonnull   %\"a  b\"  c";
  const auto operand = parse_operand(text);
  ASSERT_TRUE(operand.ok());
  const auto* ssa = std::get_if<Ssa>(&*operand);
  ASSERT_NE(ssa, nullptr);
  // Tokens are rejoined for reading, but the name is the text as written.
  EXPECT_EQ(ssa->name, "\"a  b\"  c");
  EXPECT_GE(ssa->name.data(), text.data());
  EXPECT_LE(ssa->name.data() + ssa->name.size(), text.data() + text.size());

  const std::string single = "i64 %x";
  const auto plain = parse_operand(single);
  ASSERT_TRUE(plain.ok());
  EXPECT_EQ(std::get<Ssa>(*plain).name.data(), single.data() + 5);
}

}  // namespace
}  // namespace corvane
