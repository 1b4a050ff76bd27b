// Debug form of every operand variant, plus the float and 128-bit integer
// helpers it is built from.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "ir/ir.h"

namespace corvane {
namespace {

__extension__ typedef unsigned __int128 uint128;
constexpr int128 kInt128Max = static_cast<int128>(~uint128{0} >> 1);
constexpr int128 kInt128Min = -kInt128Max - 1;

TEST(OperandDebugTest, EveryVariant) {
  struct Row {
    Operand operand;
    const char* text;
  };
  const std::vector<Row> rows = {
      {ConstInt{5}, "ConstInt(5)"},
      {ConstInt{-3}, "ConstInt(-3)"},
      {ConstInt{0}, "ConstInt(0)"},
      {ConstInt{kInt128Max}, "ConstInt(170141183460469231731687303715884105727)"},
      {ConstInt{kInt128Min}, "ConstInt(-170141183460469231731687303715884105728)"},
      {ConstBool{true}, "ConstBool(true)"},
      {ConstBool{false}, "ConstBool(false)"},
      {ConstFloat{0.5}, "ConstFloat(0.5)"},
      {ConstFloat{1.0}, "ConstFloat(1.0)"},
      {ConstFloat{-2.0}, "ConstFloat(-2.0)"},
      {ConstFloat{1e16}, "ConstFloat(1e16)"},
      {ConstFloat{std::numeric_limits<double>::quiet_NaN()}, "ConstFloat(NaN)"},
      {PtrConst{"Qubit", 1}, "PtrConst { struct_name: Some(\"Qubit\"), index: 1 }"},
      {PtrConst{std::nullopt, 0}, "PtrConst { struct_name: None, index: 0 }"},
      {PtrConst{"Result", -1}, "PtrConst { struct_name: Some(\"Result\"), index: -1 }"},
      {PtrConst{"", std::numeric_limits<std::int64_t>::min()},
       "PtrConst { struct_name: Some(\"\"), index: -9223372036854775808 }"},
      {Ssa{"q0"}, "Ssa(\"q0\")"},
      {Ssa{"0"}, "Ssa(\"0\")"},
      {Ssa{"\"my var\""}, "Ssa(\"\\\"my var\\\"\")"},
      {Ssa{"a\\b"}, "Ssa(\"a\\\\b\")"},
      {Ssa{std::string_view("t\tr\rn\nz\0", 8)}, "Ssa(\"t\\tr\\rn\\nz\\0\")"},
      {Ssa{"\x01\x1f\x7f"}, "Ssa(\"\\u{1}\\u{1f}\\u{7f}\")"},
      {Ssa{"it's é"}, "Ssa(\"it's é\")"},
      {GlobalRef{"0"}, "GlobalRef(\"0\")"},
      {GlobalRef{"my global"}, "GlobalRef(\"my global\")"},
      {GetElementPtr{}, "GetElementPtr"},
      {BitcastGlobal{"s"}, "BitcastGlobal(\"s\")"},
      {I8Null{}, "I8Null"},
  };
  for (const Row& row : rows) EXPECT_EQ(operand_debug(row.operand), row.text);
}

TEST(OperandDebugTest, AppendKeepsExistingText) {
  std::string out = "operand ";
  append_operand_debug(out, Operand{Ssa{"x"}});
  append_operand_debug(out, Operand{I8Null{}});
  EXPECT_EQ(out, "operand Ssa(\"x\")I8Null");
}

TEST(DebugFloatTest, ShortestWithExponentForExtremeMagnitudes) {
  struct Row {
    double value;
    const char* text;
  };
  const std::vector<Row> rows = {
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {1.0, "1.0"},
      {0.5, "0.5"},
      {-2.5, "-2.5"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.30000000000000004"},
      {123456.789, "123456.789"},
      {2160932012667731.25, "2160932012667731.3"},
      {-278256965960893.625, "-278256965960893.63"},
      {1e15, "1000000000000000.0"},
      {9999999999999998.0, "9999999999999998.0"},
      {1e16, "1e16"},
      {-1e16, "-1e16"},
      {1.5e16, "1.5e16"},
      {9007199254740993.0 * 2.0, "1.8014398509481984e16"},
      {1e100, "1e100"},
      {DBL_MAX, "1.7976931348623157e308"},
      {1e-4, "0.0001"},
      {0.00012, "0.00012"},
      {1e-5, "1e-5"},
      {5e-5, "5e-5"},
      {-1e-5, "-1e-5"},
      {1.2345e-7, "1.2345e-7"},
      {1e-10, "1e-10"},
      {2.5e-300, "2.5e-300"},
      {5e-324, "5e-324"},
      {std::numeric_limits<double>::quiet_NaN(), "NaN"},
      {-std::numeric_limits<double>::quiet_NaN(), "NaN"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
  };
  for (const Row& row : rows) EXPECT_EQ(debug_float(row.value), row.text) << row.value;
}

TEST(Int128ToStringTest, FullRangeDecimal) {
  struct Row {
    int128 value;
    const char* text;
  };
  const std::vector<Row> rows = {
      {0, "0"},
      {7, "7"},
      {-1, "-1"},
      {-10, "-10"},
      {static_cast<int128>(std::numeric_limits<std::int64_t>::max()) + 1, "9223372036854775808"},
      {static_cast<int128>(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
      {kInt128Max, "170141183460469231731687303715884105727"},
      {kInt128Min, "-170141183460469231731687303715884105728"},
  };
  for (const Row& row : rows) EXPECT_EQ(int128_to_string(row.value), row.text);
}

}  // namespace
}  // namespace corvane
