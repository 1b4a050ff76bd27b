// Classical lowering: comparisons, i1 logic, arithmetic and select bind
// expression trees; every failure carries its full message.
#include "translator/classical.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "expr_builders.h"
#include "openqasm/printer.h"
#include "translator/angle_arith.h"

namespace corvane {
namespace {

using namespace expr_builders;
Expr neg(Expr e) { return make_not(std::move(e)); }

Operand ssa(const char* name) { return Ssa{name}; }
Operand cint(std::int64_t value) { return ConstInt{value}; }
Operand cbool(bool value) { return ConstBool{value}; }

// Lowers a float operation or conversion binding `result` (from an iN source
// of `from_width` for a conversion).
Status float_op(LoweringContext& context, FloatOp op, std::vector<Operand> operands,
                const char* result = "r", std::uint32_t from_width = 0, const char* ty = "double") {
  Function function;
  function.operands = std::move(operands);
  return lower_float_arith(FloatArith{op, 0, ty, result, from_width}, function, context);
}

// A context where m and n are measured bits, a and b integers, lt a comparison.
LoweringContext make_context() {
  LoweringContext context;
  context.bind("m", bit(0));
  context.bind("n", bit(1));
  context.bind("a", id("a"));
  context.bind("b", id("b"));
  context.bind("lt", bin(BinaryOp::Lt, id("a"), id("b")));
  return context;
}

Expr bound(const LoweringContext& context, const char* name) {
  auto it = context.env.find(name);
  EXPECT_NE(it, context.env.end()) << name;
  return it == context.env.end() ? Expr{} : it->second;
}

std::string text_of(const Expr& expr) {
  std::string out;
  Printer printer{out};
  print_expr(printer, expr);
  return out;
}

// ---- integer semantics against LLVM's definitions ----
//
// Each operation is lowered with its operands as constants, as variables of
// unknown range and as variables whose range is known, and the bound
// expression is evaluated under the output's rules (64-bit two's complement,
// wrapping + - *, signed comparisons). The expected value comes from LLVM's
// definition on N-bit patterns, held in canonical form (i1 as 0/1, wider
// types sign-extended).

using u64 = std::uint64_t;

u64 pattern_mask(unsigned width) { return width >= 64 ? ~u64{0} : (u64{1} << width) - 1; }
// The N-bit pattern of a value.
u64 bits_of(std::int64_t value, unsigned width) {
  return static_cast<u64>(value) & pattern_mask(width);
}
// An N-bit pattern read as a signed number.
std::int64_t signed_of(u64 bits, unsigned width) {
  if (width >= 64) return static_cast<std::int64_t>(bits);
  const u64 sign = u64{1} << (width - 1);
  return static_cast<std::int64_t>((bits ^ sign) - sign);
}
// The canonical form of an N-bit pattern.
std::int64_t canonical_of(u64 bits, unsigned width) {
  return width == 1 ? static_cast<std::int64_t>(bits) : signed_of(bits, width);
}

std::int64_t llvm_icmp(const std::string& predicate, std::int64_t a, std::int64_t b,
                       unsigned width) {
  const u64 ua = bits_of(a, width);
  const u64 ub = bits_of(b, width);
  const std::int64_t sa = signed_of(ua, width);
  const std::int64_t sb = signed_of(ub, width);
  if (predicate == "eq") return ua == ub;
  if (predicate == "ne") return ua != ub;
  if (predicate == "ult") return ua < ub;
  if (predicate == "ule") return ua <= ub;
  if (predicate == "ugt") return ua > ub;
  if (predicate == "uge") return ua >= ub;
  if (predicate == "slt") return sa < sb;
  if (predicate == "sle") return sa <= sb;
  if (predicate == "sgt") return sa > sb;
  return sa >= sb;  // sge
}

// LLVM's result of a two-operand integer operation; nothing where it is poison
// or undefined (a shift by N or more, a division by zero, the most negative
// value divided by -1), where any value is acceptable.
std::optional<std::int64_t> llvm_arith(ArithOp op, std::int64_t a, std::int64_t b, unsigned width) {
  const u64 ua = bits_of(a, width);
  const u64 ub = bits_of(b, width);
  const std::int64_t sa = signed_of(ua, width);
  const std::int64_t sb = signed_of(ub, width);
  const bool signed_overflow = sb == -1 && sa == signed_of(u64{1} << (width - 1), width);
  u64 out = 0;
  switch (op) {
    case ArithOp::Add:
      out = ua + ub;
      break;
    case ArithOp::Sub:
      out = ua - ub;
      break;
    case ArithOp::Mul:
      out = ua * ub;
      break;
    case ArithOp::And:
      out = ua & ub;
      break;
    case ArithOp::Or:
      out = ua | ub;
      break;
    case ArithOp::Xor:
      out = ua ^ ub;
      break;
    case ArithOp::Shl:
      if (ub >= width) return std::nullopt;
      out = ua << ub;
      break;
    case ArithOp::LShr:
      if (ub >= width) return std::nullopt;
      out = ua >> ub;
      break;
    case ArithOp::AShr:
      if (ub >= width) return std::nullopt;
      // Copies of the sign bit fill the vacated high bits.
      out = ua >> ub;
      if (sa < 0) out |= ~(pattern_mask(width) >> ub);
      break;
    case ArithOp::UDiv:
      if (ub == 0) return std::nullopt;
      out = ua / ub;
      break;
    case ArithOp::URem:
      if (ub == 0) return std::nullopt;
      out = ua % ub;
      break;
    case ArithOp::SDiv:
      if (sb == 0 || signed_overflow) return std::nullopt;
      out = static_cast<u64>(sa / sb);
      break;
    case ArithOp::SRem:
      if (sb == 0 || signed_overflow) return std::nullopt;
      out = static_cast<u64>(sa % sb);
      break;
  }
  return canonical_of(out & pattern_mask(width), width);
}

const ArithOp kArithOps[] = {ArithOp::Add,  ArithOp::Sub,  ArithOp::Mul,  ArithOp::And,
                             ArithOp::Or,   ArithOp::Xor,  ArithOp::Shl,  ArithOp::LShr,
                             ArithOp::AShr, ArithOp::UDiv, ArithOp::SDiv, ArithOp::URem,
                             ArithOp::SRem};

bool is_shift(ArithOp op) {
  return op == ArithOp::Shl || op == ArithOp::LShr || op == ArithOp::AShr;
}

// The value of an expression under the output's integer rules; nothing for an
// operator whose meaning the output leaves open.
using Variables = std::map<std::string, std::int64_t>;
std::optional<std::int64_t> evaluate(const Expr& expr, const Variables& variables) {
  if (const auto* lit = std::get_if<IntLit>(&expr.node)) return lit->value;
  if (const auto* boolean = std::get_if<BoolLit>(&expr.node)) return boolean->value ? 1 : 0;
  if (const auto* ident = std::get_if<Ident>(&expr.node)) {
    const auto found = variables.find(ident->name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  }
  if (const auto* index = std::get_if<Index>(&expr.node)) {
    const auto* base = std::get_if<Ident>(&index->base->node);
    const auto at = evaluate(*index->index, variables);
    if (base == nullptr || !at) return std::nullopt;
    return evaluate(Ident{base->name + "[" + std::to_string(*at) + "]"}, variables);
  }
  if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) {
    const auto operand = evaluate(*unary->operand, variables);
    if (!operand) return std::nullopt;
    if (unary->op == UnaryOp::Not) return *operand == 0 ? 1 : 0;
    return static_cast<std::int64_t>(u64{0} - static_cast<u64>(*operand));
  }
  const auto& binary = std::get<BinaryExpr>(expr.node);
  const auto lhs = evaluate(*binary.lhs, variables);
  const auto rhs = evaluate(*binary.rhs, variables);
  if (!lhs || !rhs) return std::nullopt;
  const std::int64_t a = *lhs;
  const std::int64_t b = *rhs;
  const u64 ua = static_cast<u64>(a);
  const u64 ub = static_cast<u64>(b);
  switch (binary.op) {
    case BinaryOp::Or:
      return (a != 0 || b != 0) ? 1 : 0;
    case BinaryOp::And:
      return (a != 0 && b != 0) ? 1 : 0;
    case BinaryOp::Eq:
      return a == b;
    case BinaryOp::Ne:
      return a != b;
    case BinaryOp::Lt:
      return a < b;
    case BinaryOp::Le:
      return a <= b;
    case BinaryOp::Gt:
      return a > b;
    case BinaryOp::Ge:
      return a >= b;
    case BinaryOp::BitOr:
      return static_cast<std::int64_t>(ua | ub);
    case BinaryOp::BitXor:
      return static_cast<std::int64_t>(ua ^ ub);
    case BinaryOp::BitAnd:
      return static_cast<std::int64_t>(ua & ub);
    case BinaryOp::Add:
      return static_cast<std::int64_t>(ua + ub);
    case BinaryOp::Sub:
      return static_cast<std::int64_t>(ua - ub);
    case BinaryOp::Mul:
      return static_cast<std::int64_t>(ua * ub);
    case BinaryOp::Shl:
      if (b < 0 || b >= 64) return std::nullopt;
      return static_cast<std::int64_t>(ua << b);
    case BinaryOp::Shr:
      if (a < 0 || b < 0 || b >= 64) return std::nullopt;
      return a >> b;
    case BinaryOp::Div:
      if (a < 0 || b <= 0) return std::nullopt;
      return a / b;
    case BinaryOp::Mod:
      if (a < 0 || b <= 0) return std::nullopt;
      return a % b;
    case BinaryOp::Pow:
      return std::nullopt;
  }
  return std::nullopt;
}

constexpr std::int64_t kI64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kI64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kI32Max = std::numeric_limits<std::int32_t>::max();

// Canonical test values of each width, extremes included.
std::vector<std::int64_t> values_of(unsigned width) {
  if (width == 1) return {0, 1};
  if (width == 32) return {0, 1, -1, 2, 77, -100000, kI32Max, kI32Max - 1, kI32Min, kI32Min + 1};
  return {0, 1, -1, 3, -5, std::int64_t{1} << 40, kI64Max, kI64Max - 1, kI64Min, kI64Min + 1};
}

// How the operands reach the lowering.
enum class Form : std::uint8_t {
  Constant,          // ConstInt, written as the canonical value
  UnsignedConstant,  // ConstInt, written as the unsigned N-bit number (N < 64)
  Unknown,           // a variable of unknown range
  Known,             // a variable whose range is exactly its value
};
constexpr Form kForms[] = {Form::Constant, Form::UnsignedConstant, Form::Unknown, Form::Known};

const char* form_name(Form form) {
  switch (form) {
    case Form::Constant:
      return "constant";
    case Form::UnsignedConstant:
      return "unsigned constant";
    case Form::Unknown:
      return "unknown variable";
    case Form::Known:
      return "known variable";
  }
  return "";
}

// Binds the SSA value `name` (or makes a constant operand) for `value` in `form`.
Operand operand_in(Form form, const char* name, std::int64_t value, unsigned width,
                   LoweringContext& context, Variables& variables) {
  switch (form) {
    case Form::Constant:
      return ConstInt{value};
    case Form::UnsignedConstant:
      return ConstInt{static_cast<int128>(bits_of(value, width))};
    case Form::Unknown:
    case Form::Known:
      break;
  }
  const std::string variable = std::string("v_") + name;
  context.bind(name, Ident{variable});
  if (form == Form::Known) context.variable_ranges.widen(variable, IntRange::point(value));
  variables[variable] = value;
  return Ssa{name};
}

const char* const kPredicates[] = {"eq",  "ne",  "ult", "ule", "ugt",
                                   "uge", "slt", "sle", "sgt", "sge"};

TEST(ClassicalLoweringTest, IntegerOperationsComputeWhatLlvmComputes) {
  std::size_t checked = 0;
  for (const unsigned width : {1u, 32u, 64u}) {
    for (const Form form : kForms) {
      if (form == Form::UnsignedConstant && width == 64) continue;
      for (const std::int64_t a : values_of(width)) {
        for (const std::int64_t b : values_of(width)) {
          const std::string where = "i" + std::to_string(width) + " " + std::to_string(a) + ", " +
                                    std::to_string(b) + " as " + form_name(form);
          for (const char* predicate : kPredicates) {
            LoweringContext context;
            Variables variables;
            const Operand lhs = operand_in(form, "a", a, width, context, variables);
            const Operand rhs = operand_in(form, "b", b, width, context, variables);
            ASSERT_TRUE(lower_icmp(ICmp{predicate, 0, "r", width}, {lhs, rhs}, context).ok());
            const Expr result = bound(context, "r");
            EXPECT_EQ(evaluate(result, variables), llvm_icmp(predicate, a, b, width))
                << "icmp " << predicate << " " << where << ": " << text_of(result);
            ++checked;
          }
          for (const ArithOp op : kArithOps) {
            LoweringContext context;
            Variables variables;
            const Operand lhs = operand_in(form, "a", a, width, context, variables);
            // Shift amounts are constants: a variable amount is refused.
            const Form rhs_form = is_shift(op) ? Form::Constant : form;
            const Operand rhs = operand_in(rhs_form, "b", b, width, context, variables);
            const Status status = lower_arith(Arith{op, 0, "r", width}, {lhs, rhs}, context);
            // Right shifts and divisions are refused exactly where an operand
            // may be negative and no exact form exists: at i64, or for a
            // signed division. Constants are computed, never refused.
            const bool lhs_may_be_negative =
                form == Form::Unknown || (form == Form::Known && a < 0);
            const bool rhs_may_be_negative =
                form == Form::Unknown || (form == Form::Known && b < 0);
            bool refused = false;
            if (width > 1) {
              switch (op) {
                case ArithOp::LShr:
                case ArithOp::AShr:
                  // A shift by 0 is the value itself, one by N or more is poison.
                  refused = width == 64 && lhs_may_be_negative && b > 0 && b < 64;
                  break;
                case ArithOp::UDiv:
                case ArithOp::URem:
                  refused = width == 64 && (lhs_may_be_negative || rhs_may_be_negative);
                  break;
                case ArithOp::SDiv:
                case ArithOp::SRem:
                  refused = lhs_may_be_negative || rhs_may_be_negative;
                  break;
                default:
                  break;
              }
            }
            const std::string what = "arith " + std::to_string(static_cast<int>(op)) + " " + where;
            ASSERT_EQ(status.ok(), !refused) << what;
            ++checked;
            if (refused) continue;
            const Expr result = bound(context, "r");
            const std::optional<std::int64_t> expected = llvm_arith(op, a, b, width);
            // Poison may be any value, but the expression must still be computable.
            if (!expected) continue;
            EXPECT_EQ(evaluate(result, variables), expected) << what << ": " << text_of(result);
          }
        }
      }
    }
  }
  struct Extension {
    unsigned from;
    unsigned to;
  };
  for (const Extension ext : {Extension{1, 32}, Extension{1, 64}, Extension{32, 64}}) {
    for (const Form form : {Form::Unknown, Form::Known}) {
      for (const std::int64_t a : values_of(ext.from)) {
        LoweringContext context;
        Variables variables;
        operand_in(form, "a", a, ext.from, context, variables);
        ASSERT_TRUE(lower_int_cast(IntCast{"a", "r", ext.from, ext.to}, context).ok());
        const Expr result = bound(context, "r");
        // LLVM's zext keeps the pattern; the wider type reads it as a non-negative number.
        EXPECT_EQ(evaluate(result, variables), canonical_of(bits_of(a, ext.from), ext.to))
            << "zext i" << ext.from << " " << a << " to i" << ext.to << " as " << form_name(form)
            << ": " << text_of(result);
        ++checked;
      }
    }
  }
  // sext reads the source as signed; trunc keeps the source's low bits.
  for (const Extension ext : {Extension{1, 32}, Extension{1, 64}, Extension{32, 64},
                              Extension{64, 32}, Extension{64, 1}, Extension{32, 1}}) {
    const bool is_sext = ext.from < ext.to;
    for (const Form form : {Form::Unknown, Form::Known}) {
      for (const std::int64_t a : values_of(ext.from)) {
        LoweringContext context;
        Variables variables;
        operand_in(form, "a", a, ext.from, context, variables);
        const CastOp op = is_sext ? CastOp::Sext : CastOp::Trunc;
        ASSERT_TRUE(lower_int_cast(IntCast{"a", "r", ext.from, ext.to, op}, context).ok());
        const Expr result = bound(context, "r");
        const std::int64_t source = is_sext ? signed_of(bits_of(a, ext.from), ext.from) : a;
        EXPECT_EQ(evaluate(result, variables), canonical_of(bits_of(source, ext.to), ext.to))
            << (is_sext ? "sext i" : "trunc i") << ext.from << " " << a << " to i" << ext.to
            << " as " << form_name(form) << ": " << text_of(result);
        ++checked;
      }
    }
  }
  // i1: 4 forms x 4 pairs x 23 operations; i32: 4 x 100 x 23; i64: 3 x 100 x 23;
  // zext and sext: (2 + 2 + 10 values) x 2 forms each; trunc: 30 values x 2 forms.
  EXPECT_EQ(checked, 368u + 9200u + 6900u + 28u + 28u + 60u);
}

// Where the ranges show the plain form exact it is kept as it was; elsewhere
// the correction names each operand once.
TEST(ClassicalLoweringTest, IntegerCorrectionsOnlyWhereNeeded) {
  struct Row {
    const char* name;
    Status (*lower)(LoweringContext&);
    const char* printed;
  };
  const Row rows[] = {
      {"unsigned comparison of a bit",
       [](LoweringContext& c) {
         return lower_icmp(ICmp{"ult", 0, "r", 64}, {ssa("m"), cint(5)}, c);
       },
       "c[0] < 5"},
      {"unsigned comparison of a variable that may be negative",
       [](LoweringContext& c) {
         return lower_icmp(ICmp{"ult", 0, "r", 64}, {ssa("a"), cint(5)}, c);
       },
       "(a ^ (-9223372036854775807 - 1)) < -9223372036854775803"},
      {"unsigned comparison of a variable known non-negative",
       [](LoweringContext& c) {
         c.variable_ranges.widen("a", IntRange{0, 7});
         return lower_icmp(ICmp{"uge", 0, "r", 64}, {ssa("a"), ssa("m")}, c);
       },
       "a >= c[0]"},
      {"signed comparison of i1",
       [](LoweringContext& c) {
         return lower_icmp(ICmp{"slt", 0, "r", 1}, {ssa("m"), cbool(false)}, c);
       },
       "c[0] > 0"},
      {"unsigned comparison of i1",
       [](LoweringContext& c) {
         return lower_icmp(ICmp{"ugt", 0, "r", 1}, {ssa("m"), ssa("n")}, c);
       },
       "c[0] > c[1]"},
      {"i1 constant written -1",
       [](LoweringContext& c) {
         return lower_icmp(ICmp{"eq", 0, "r", 1}, {ssa("m"), cint(-1)}, c);
       },
       "c[0] == 1"},
      {"i32 sum that stays in range",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Add, 0, "r", 32}, {ssa("m"), cint(kI32Max - 1)}, c);
       },
       "c[0] + 2147483646"},
      {"i32 sum that may wrap",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Add, 0, "r", 32}, {ssa("m"), cint(kI32Max)}, c);
       },
       "(c[0] + 2147483647 + 2147483648 & 4294967295) - 2147483648"},
      {"i32 constant written unsigned",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Mul, 0, "r", 32}, {ssa("m"), cint(4294967295)}, c);
       },
       "c[0] * -1"},
      {"i64 product",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Mul, 0, "r", 64}, {ssa("a"), ssa("b")}, c);
       },
       "a * b"},
      {"i1 sum",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Add, 0, "r", 1}, {ssa("m"), ssa("n")}, c);
       },
       "(c[0] == 1) != (c[1] == 1)"},
      {"i1 difference with true",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Sub, 0, "r", 1}, {ssa("m"), cint(-1)}, c);
       },
       "c[0] == 0"},
      {"i1 product",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Mul, 0, "r", 1}, {ssa("m"), ssa("lt")}, c);
       },
       "c[0] == 1 && a < b"},
      {"i64 or",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Or, 0, "r", 64}, {ssa("a"), cint(8)}, c);
       },
       "a | 8"},
      {"i32 xor with an unsigned constant",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Xor, 0, "r", 32}, {ssa("a"), cint(4294967295)}, c);
       },
       "a ^ -1"},
      {"shl of a bit that stays within i32",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Shl, 0, "r", 32}, {ssa("m"), cint(30)}, c);
       },
       "c[0] << 30"},
      {"shl of a bit out of i32's positive half",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Shl, 0, "r", 32}, {ssa("m"), cint(31)}, c);
       },
       "((c[0] << 31) + 2147483648 & 4294967295) - 2147483648"},
      {"i64 shl wraps",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Shl, 0, "r", 64}, {ssa("a"), cint(63)}, c);
       },
       "a << 63"},
      {"shl by the width is poison",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Shl, 0, "r", 64}, {ssa("a"), cint(64)}, c);
       },
       "0"},
      {"lshr of an i32 that may be negative",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::LShr, 0, "r", 32}, {ssa("a"), cint(3)}, c);
       },
       "(a & 4294967295) >> 3"},
      {"ashr of an i32 that may be negative",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::AShr, 0, "r", 32}, {ssa("a"), cint(3)}, c);
       },
       "(a + 2147483648 >> 3) - 268435456"},
      {"ashr of a non-negative i64",
       [](LoweringContext& c) {
         c.variable_ranges.widen("a", IntRange{0, 100});
         return lower_arith(Arith{ArithOp::AShr, 0, "r", 64}, {ssa("a"), cint(2)}, c);
       },
       "a >> 2"},
      {"udiv of an i32 that may be negative",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::UDiv, 0, "r", 32}, {ssa("a"), cint(3)}, c);
       },
       "(a & 4294967295) / 3"},
      {"udiv of an i32 by one leaves the positive half",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::UDiv, 0, "r", 32}, {ssa("a"), cint(1)}, c);
       },
       "((a & 4294967295) / 1 + 2147483648 & 4294967295) - 2147483648"},
      {"srem of non-negative i64 values",
       [](LoweringContext& c) {
         c.variable_ranges.widen("a", IntRange{0, 100});
         return lower_arith(Arith{ArithOp::SRem, 0, "r", 64}, {ssa("a"), ssa("m")}, c);
       },
       "a % c[0]"},
      {"sdiv of constants is computed",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::SDiv, 0, "r", 32}, {cint(-7), cint(2)}, c);
       },
       "-3"},
      {"sdiv overflow is poison",
       [](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::SDiv, 0, "r", 64}, {cint(kI64Min), cint(-1)}, c);
       },
       "0"},
      {"sext of i1",
       [](LoweringContext& c) {
         return lower_int_cast(IntCast{"m", "r", 1, 64, CastOp::Sext}, c);
       },
       "0 - c[0]"},
      {"sext of i32",
       [](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 32, 64, CastOp::Sext}, c);
       },
       "a"},
      {"trunc to i1",
       [](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 64, 1, CastOp::Trunc}, c);
       },
       "a & 1"},
      {"trunc of an i64 that may not fit i32",
       [](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 64, 32, CastOp::Trunc}, c);
       },
       "(a + 2147483648 & 4294967295) - 2147483648"},
      {"trunc of an i64 that fits i32",
       [](LoweringContext& c) {
         c.variable_ranges.widen("a", IntRange{-5, 9});
         return lower_int_cast(IntCast{"a", "r", 64, 32, CastOp::Trunc}, c);
       },
       "a"},
      {"zext of i1",
       [](LoweringContext& c) {
         return lower_int_cast(IntCast{"m", "r", 1, 64}, c);
       },
       "c[0]"},
      {"zext of an i32 that may be negative",
       [](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 32, 64}, c);
       },
       "a & 4294967295"},
      {"zext of a non-negative i32",
       [](LoweringContext& c) {
         c.variable_ranges.widen("a", IntRange{3, 9});
         return lower_int_cast(IntCast{"a", "r", 32, 64}, c);
       },
       "a"},
      {"sitofp of i1 reads true as -1",
       [](LoweringContext& c) { return float_op(c, FloatOp::SIToFP, {ssa("m")}, "r", 1); },
       "0 - c[0]"},
      {"uitofp of an i32 that may be negative keeps its pattern",
       [](LoweringContext& c) { return float_op(c, FloatOp::UIToFP, {ssa("a")}, "r", 32); },
       "a & 4294967295"},
      {"uitofp of an i64 constant rounds as LLVM does",
       [](LoweringContext& c) { return float_op(c, FloatOp::UIToFP, {cint(-1)}, "r", 64); },
       "18446744073709552000.0"},
      {"float operations on constants are computed",
       [](LoweringContext& c) {
         return float_op(c, FloatOp::FAdd, {ConstFloat{0.1}, ConstFloat{0.2}});
       },
       "0.30000000000000004"},
      {"two converted integers add as integers",
       [](LoweringContext& c) -> Status {
         RETURN_IF_ERROR(float_op(c, FloatOp::SIToFP, {ssa("m")}, "f", 64));
         return float_op(c, FloatOp::FMul, {ssa("f"), ssa("f")});
       },
       "c[0] * c[0]"},
      {"a float operand makes the operation a float one",
       [](LoweringContext& c) -> Status {
         RETURN_IF_ERROR(float_op(c, FloatOp::UIToFP, {ssa("n")}, "f", 1));
         RETURN_IF_ERROR(float_op(c, FloatOp::FSub, {ConstFloat{0.5}, ssa("f")}, "g"));
         return float_op(c, FloatOp::FNeg, {ssa("g")});
       },
       "-(0.5 - c[1])"},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    ASSERT_TRUE(row.lower(context).ok()) << row.name;
    EXPECT_EQ(text_of(bound(context, "r")), row.printed) << row.name;
  }
}

TEST(ClassicalLoweringTest, RangesOfExpressions) {
  VariableRanges variables;
  variables.widen("v", IntRange{-3, 4});
  variables.widen("v", IntRange::point(10));
  struct Row {
    Expr expr;
    IntRange range;
  };
  const Row rows[] = {
      {lit(-7), IntRange::point(-7)},
      {bit(2), IntRange{0, 1}},
      {bin(BinaryOp::Add, Expr(Index{id("m"), lit(0)}), lit(0)), IntRange::full()},
      {bin(BinaryOp::Lt, id("x"), id("y")), IntRange{0, 1}},
      {neg(id("x")), IntRange{0, 1}},
      {id("x"), IntRange::full()},
      {id("v"), IntRange{-3, 10}},
      {bin(BinaryOp::Sub, bin(BinaryOp::Mul, bit(0), lit(3)), lit(1)), IntRange{-1, 2}},
      {bin(BinaryOp::Mul, id("v"), lit(-2)), IntRange{-20, 6}},
      {bin(BinaryOp::Add, lit(kI64Max), bit(0)), IntRange::full()},
      {bin(BinaryOp::Sub, lit(kI64Min), bit(0)), IntRange::full()},
      {bin(BinaryOp::Mul, lit(std::int64_t{1} << 62), lit(2)), IntRange::full()},
      {bin(BinaryOp::BitAnd, id("x"), lit(255)), IntRange{0, 255}},
      {bin(BinaryOp::BitXor, bit(0), lit(4)), IntRange{0, 7}},
      {bin(BinaryOp::BitOr, id("x"), lit(4)), IntRange::full()},
      {bin(BinaryOp::Shl, lit(1), lit(3)), IntRange::point(8)},
      {bin(BinaryOp::Shl, id("v"), lit(2)), IntRange{-12, 40}},
      {bin(BinaryOp::Shl, bit(0), lit(63)), IntRange::full()},
      {bin(BinaryOp::Shl, bit(0), id("v")), IntRange::full()},
      {bin(BinaryOp::Shl, lit(kI64Max), lit(1)), IntRange::full()},
      {bin(BinaryOp::Shr, bin(BinaryOp::BitAnd, id("x"), lit(255)), lit(4)), IntRange{0, 15}},
      {bin(BinaryOp::Shr, id("v"), lit(1)), IntRange::full()},
      {bin(BinaryOp::Shr, lit(100), id("v")), IntRange::full()},
      {bin(BinaryOp::Div, bin(BinaryOp::BitAnd, id("x"), lit(255)), lit(4)), IntRange{0, 63}},
      {bin(BinaryOp::Div, lit(7), bin(BinaryOp::Add, bit(0), lit(1))), IntRange{3, 7}},
      {bin(BinaryOp::Div, lit(7), bit(0)), IntRange::full()},
      {bin(BinaryOp::Div, id("v"), lit(2)), IntRange::full()},
      {bin(BinaryOp::Mod, bin(BinaryOp::BitAnd, id("x"), lit(255)), lit(10)), IntRange{0, 9}},
      {bin(BinaryOp::Mod, lit(3), lit(10)), IntRange{0, 3}},
      {bin(BinaryOp::Mod, id("v"), lit(10)), IntRange::full()},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(expr_range(row.expr, variables), row.range) << text_of(row.expr);
  }
  // A chain deeper than the walk goes counts as unknown.
  Expr deep = bit(0);
  for (int i = 0; i < 100; ++i) deep = bin(BinaryOp::Add, std::move(deep), lit(0));
  EXPECT_EQ(expr_range(deep, variables), IntRange::full());
}

TEST(ClassicalLoweringTest, OperandForms) {
  struct Row {
    Operand operand;
    Expr int_expr;
    Expr i1_expr;
  };
  const Row rows[] = {
      {cint(-3), lit(-3), Expr{}},
      {cint(0), lit(0), lit(0)},
      {cint(1), lit(1), lit(1)},
      {cbool(true), lit(1), lit(1)},
      {cbool(false), lit(0), lit(0)},
      {ssa("m"), bit(0), bit(0)},
      {ConstInt{std::numeric_limits<std::int64_t>::min()},
       lit(std::numeric_limits<std::int64_t>::min()), Expr{}},
  };
  LoweringContext context = make_context();
  for (const Row& row : rows) {
    Result<Expr> as_int = int_operand_expr(row.operand, context);
    ASSERT_TRUE(as_int.ok()) << operand_debug(row.operand);
    EXPECT_EQ(*as_int, row.int_expr);
    if (row.i1_expr == Expr{}) continue;
    Result<Expr> as_i1 = i1_operand_expr(row.operand, context);
    ASSERT_TRUE(as_i1.ok()) << operand_debug(row.operand);
    EXPECT_EQ(*as_i1, row.i1_expr);
  }
}

TEST(ClassicalLoweringTest, TruthValueKeepsComparisonsAndLogic) {
  struct Row {
    Expr input;
    Expr expected;
  };
  std::vector<Row> rows;
  for (BinaryOp op : {BinaryOp::Or, BinaryOp::And, BinaryOp::Eq, BinaryOp::Ne, BinaryOp::Lt,
                      BinaryOp::Le, BinaryOp::Gt, BinaryOp::Ge}) {
    rows.push_back({bin(op, id("x"), id("y")), bin(op, id("x"), id("y"))});
  }
  for (BinaryOp op : {BinaryOp::Add, BinaryOp::Sub, BinaryOp::Mul, BinaryOp::BitAnd}) {
    rows.push_back({bin(op, id("x"), id("y")), eq1(bin(op, id("x"), id("y")))});
  }
  rows.push_back({bit(0), eq1(bit(0))});
  rows.push_back({lit(1), eq1(lit(1))});
  rows.push_back({neg(id("x")), eq1(neg(id("x")))});
  for (const Row& row : rows) EXPECT_EQ(truth_value(row.input), row.expected);
}

TEST(ClassicalLoweringTest, ArithmeticBindsUnfoldedOperations) {
  struct Row {
    ArithOp op;
    Operand lhs;
    Operand rhs;
    Expr expected;
  };
  const Row rows[] = {
      {ArithOp::Add, ssa("a"), cint(1), bin(BinaryOp::Add, id("a"), lit(1))},
      {ArithOp::Sub, ssa("a"), ssa("b"), bin(BinaryOp::Sub, id("a"), id("b"))},
      {ArithOp::Mul, cint(2), cint(3), bin(BinaryOp::Mul, lit(2), lit(3))},
      {ArithOp::Add, cbool(true), ssa("m"), bin(BinaryOp::Add, lit(1), bit(0))},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    ASSERT_TRUE(lower_arith(Arith{row.op, 0, "s"}, {row.lhs, row.rhs}, context).ok());
    EXPECT_EQ(bound(context, "s"), row.expected);
  }
}

TEST(ClassicalLoweringTest, LogicBindsByConstantClass) {
  struct Row {
    LogicOp op;
    Operand lhs;
    Operand rhs;
    Expr expected;
    const char* printed;
  };
  const Row rows[] = {
      {LogicOp::And, ssa("lt"), ssa("n"),
       bin(BinaryOp::And, bin(BinaryOp::Lt, id("a"), id("b")), eq1(bit(1))), "a < b && c[1] == 1"},
      {LogicOp::Or, ssa("m"), cbool(true), bin(BinaryOp::Or, eq1(bit(0)), eq1(lit(1))),
       "c[0] == 1 || 1 == 1"},
      {LogicOp::Xor, ssa("m"), cbool(true), bin(BinaryOp::Eq, bit(0), lit(0)), "c[0] == 0"},
      {LogicOp::Xor, cint(1), ssa("m"), bin(BinaryOp::Eq, bit(0), lit(0)), "c[0] == 0"},
      {LogicOp::Xor, cbool(false), ssa("m"), bit(0), "c[0]"},
      {LogicOp::Xor, ssa("lt"), cint(0), bin(BinaryOp::Lt, id("a"), id("b")), "a < b"},
      {LogicOp::Xor, ssa("m"), ssa("n"), bin(BinaryOp::Ne, eq1(bit(0)), eq1(bit(1))),
       "(c[0] == 1) != (c[1] == 1)"},
      {LogicOp::Xor, cbool(true), cint(0), bin(BinaryOp::Ne, eq1(lit(1)), eq1(lit(0))),
       "(1 == 1) != (0 == 1)"},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    ASSERT_TRUE(lower_logic(Logic{row.op, 0, "r"}, {row.lhs, row.rhs}, context).ok())
        << row.printed;
    EXPECT_EQ(bound(context, "r"), row.expected) << row.printed;
    EXPECT_EQ(text_of(bound(context, "r")), row.printed);
  }
}

TEST(ClassicalLoweringTest, SelectOnI1ByConstantPair) {
  const Expr c = eq1(bit(0));
  const Expr t = eq1(bit(1));
  const Expr e = bin(BinaryOp::Lt, id("a"), id("b"));
  struct Row {
    Operand then_value;
    Operand else_value;
    Expr expected;
  };
  const Row rows[] = {
      {cbool(true), cbool(false), c},
      {cint(0), cint(1), neg(c)},
      {ssa("n"), cbool(false), bin(BinaryOp::And, c, t)},
      {ssa("n"), cbool(true), bin(BinaryOp::Or, neg(c), t)},
      {cbool(true), ssa("lt"), bin(BinaryOp::Or, c, e)},
      {cbool(false), ssa("lt"), bin(BinaryOp::And, neg(c), e)},
      {ssa("n"), ssa("lt"),
       bin(BinaryOp::Or, bin(BinaryOp::And, c, t), bin(BinaryOp::And, neg(c), e))},
      {cbool(true), cint(1),
       bin(BinaryOp::Or, bin(BinaryOp::And, c, eq1(lit(1))),
           bin(BinaryOp::And, neg(c), eq1(lit(1))))},
      {cbool(false), cbool(false),
       bin(BinaryOp::Or, bin(BinaryOp::And, c, eq1(lit(0))),
           bin(BinaryOp::And, neg(c), eq1(lit(0))))},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    ASSERT_TRUE(
        lower_select(Select{0, "i1", "s"}, {ssa("m"), row.then_value, row.else_value}, context)
            .ok());
    EXPECT_EQ(bound(context, "s"), row.expected) << text_of(row.expected);
  }
}

TEST(ClassicalLoweringTest, SelectOnIntegersBlends) {
  for (const char* ty : {"i32", "i64"}) {
    LoweringContext context = make_context();
    ASSERT_TRUE(lower_select(Select{0, ty, "v"}, {ssa("m"), cint(5), cint(7)}, context).ok());
    const Expr expected = bin(BinaryOp::Add, bin(BinaryOp::Mul, bit(0), lit(5)),
                              bin(BinaryOp::Mul, bin(BinaryOp::Sub, lit(1), bit(0)), lit(7)));
    EXPECT_EQ(bound(context, "v"), expected);
    EXPECT_EQ(text_of(bound(context, "v")), "c[0] * 5 + (1 - c[0]) * 7");
  }
}

// Builds the instruction of one failing row and lowers it.
using Lower = Status (*)(LoweringContext&);

TEST(ClassicalLoweringTest, FailuresCarryTheirMessagesAndBindNothing) {
  struct Row {
    Lower lower;
    const char* message;
  };
  const Row rows[] = {
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"foo", 0, "r"}, {ssa("unbound"), cint(2)}, c);
       },
       "icmp predicate \"foo\" is not supported; supported predicates are [\"eq\", \"ne\", "
       "\"ult\", \"slt\", \"ule\", \"sle\", \"ugt\", \"sgt\", \"uge\", \"sge\"]"},
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"EQ", 0, "r"}, {cint(1), cint(2)}, c);
       },
       "icmp predicate \"EQ\" is not supported; supported predicates are [\"eq\", \"ne\", "
       "\"ult\", \"slt\", \"ule\", \"sle\", \"ugt\", \"sgt\", \"uge\", \"sge\"]"},
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"eq", 0, "r"}, {ssa("a"), ConstInt{int128{1} << 63}}, c);
       },
       "integer constant 9223372036854775808 does not fit in i64; wider integer constants are not "
       "yet supported"},
      {[](LoweringContext& c) {
         const Operand below_min = ConstInt{-(int128{1} << 63) - 1};
         return lower_arith(Arith{ArithOp::Sub, 0, "r"}, {below_min, cint(1)}, c);
       },
       "integer constant -9223372036854775809 does not fit in i64; wider integer constants are "
       "not yet supported"},
      // Widths the output's int cannot hold, checked after the operands.
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"ult", 0, "r", 128}, {ssa("a"), cint(1)}, c);
       },
       "`icmp i128` (SSA value \"r\") is not supported: integers wider than 64 bits do not fit "
       "the output's 64-bit int"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Mul, 0, "r", 65}, {ssa("a"), ssa("b")}, c);
       },
       "`mul i65` (SSA value \"r\") is not supported: integers wider than 64 bits do not fit "
       "the output's 64-bit int"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Sub, 0, "r", 0}, {ssa("a"), ssa("b")}, c);
       },
       "`sub` (SSA value \"r\") on a type other than an integer type iN is not supported"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Add, 0, "r", 128}, {ssa("a"), ConstFloat{1.0}}, c);
       },
       "could not interpret integer operand \"ConstFloat(1.0)\""},
      {[](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 64, 128}, c);
       },
       "`zext ... to i128` (SSA value \"r\") is not supported: integers wider than 64 bits do "
       "not fit the output's 64-bit int"},
      {[](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 64, 32}, c);
       },
       "`zext` (SSA value \"r\") is not supported: it must extend an integer type iN to a wider "
       "one"},
      {[](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 0, 0}, c);
       },
       "`zext ... to` (SSA value \"r\") on a type other than an integer type iN is not "
       "supported"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Shl, 0, "r", 64}, {ssa("a"), ssa("b")}, c);
       },
       "`shl i64` (SSA value \"r\") is not supported: its shift amount is not a constant, and "
       "the output's shifts are exact only by a constant amount"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::AShr, 0, "r", 32}, {cint(-8), ssa("m")}, c);
       },
       "`ashr i32` (SSA value \"r\") is not supported: its shift amount is not a constant, and "
       "the output's shifts are exact only by a constant amount"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::LShr, 0, "r", 64}, {ssa("a"), cint(1)}, c);
       },
       "`lshr i64` (SSA value \"r\") is not supported: its operand may be negative, and the "
       "output's `>>` is exact only on non-negative values"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::AShr, 0, "r", 64}, {ssa("a"), cint(63)}, c);
       },
       "`ashr i64` (SSA value \"r\") is not supported: its operand may be negative, and the "
       "output's `>>` is exact only on non-negative values"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::SDiv, 0, "r", 32}, {ssa("m"), ssa("a")}, c);
       },
       "`sdiv i32` (SSA value \"r\") is not supported: an operand may be negative, and the "
       "output's `/` is exact only on non-negative values"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::SRem, 0, "r", 8}, {ssa("a"), cint(3)}, c);
       },
       "`srem i8` (SSA value \"r\") is not supported: an operand may be negative, and the "
       "output's `%` is exact only on non-negative values"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::UDiv, 0, "r", 64}, {ssa("m"), cint(-3)}, c);
       },
       "`udiv i64` (SSA value \"r\") is not supported: an operand may be negative, and the "
       "output's `/` is exact only on non-negative values"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::URem, 0, "r", 64}, {ssa("a"), ssa("m")}, c);
       },
       "`urem i64` (SSA value \"r\") is not supported: an operand may be negative, and the "
       "output's `%` is exact only on non-negative values"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Xor, 0, "r", 128}, {ssa("a"), cint(1)}, c);
       },
       "`xor i128` (SSA value \"r\") is not supported: integers wider than 64 bits do not fit "
       "the output's 64-bit int"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Or, 0, "r", 0}, {ssa("a"), ssa("b")}, c);
       },
       "`or` (SSA value \"r\") on a type other than an integer type iN is not supported"},
      // The shift amount is read before the amount is judged.
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Shl, 0, "r", 64}, {ssa("a"), ssa("none")}, c);
       },
       "SSA value \"none\" is used but was never bound; upstream instruction may be unsupported"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::URem, 0, "r", 1}, {ssa("m"), ssa("none")}, c);
       },
       "SSA value \"none\" is used but was never bound; upstream instruction may be unsupported"},
      {[](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 32, 64, CastOp::Trunc}, c);
       },
       "`trunc` (SSA value \"r\") is not supported: it must truncate an integer type iN to a "
       "narrower one"},
      {[](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 128, 64, CastOp::Trunc}, c);
       },
       "`trunc i128` (SSA value \"r\") is not supported: integers wider than 64 bits do not fit "
       "the output's 64-bit int"},
      {[](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 64, 64, CastOp::Sext}, c);
       },
       "`sext` (SSA value \"r\") is not supported: it must extend an integer type iN to a "
       "wider one"},
      {[](LoweringContext& c) {
         return lower_int_cast(IntCast{"a", "r", 32, 0, CastOp::Sext}, c);
       },
       "`sext ... to` (SSA value \"r\") on a type other than an integer type iN is not "
       "supported"},
      {[](LoweringContext& c) {
         return lower_int_cast(IntCast{"none", "r", 1, 64, CastOp::Sext}, c);
       },
       "SSA value \"none\" is used but was never bound; upstream instruction may be unsupported"},
      {[](LoweringContext& c) {
         return lower_int_cast(IntCast{"none", "r", 1, 64}, c);
       },
       "SSA value \"none\" is used but was never bound; upstream instruction may be unsupported"},
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"eq", 0, "r"}, {ssa("x\"y"), cint(1)}, c);
       },
       "SSA value \"x\\\"y\" is used but was never bound; upstream instruction may be unsupported"},
      {[](LoweringContext& c) {
         return lower_arith(Arith{ArithOp::Add, 0, "r"}, {GlobalRef{"g"}, cint(1)}, c);
       },
       "could not interpret integer operand \"GlobalRef(\\\"g\\\")\""},
      {[](LoweringContext& c) {
         return lower_icmp(ICmp{"eq", 0, "r"}, {cint(1), ConstFloat{0.5}}, c);
       },
       "could not interpret integer operand \"ConstFloat(0.5)\""},
      {[](LoweringContext& c) {
         return lower_logic(Logic{LogicOp::And, 0, "r"}, {ssa("m"), cint(2)}, c);
       },
       "could not interpret i1 constant operand 2"},
      {[](LoweringContext& c) {
         return lower_logic(Logic{LogicOp::Xor, 0, "r"}, {cbool(false), cint(-1)}, c);
       },
       "could not interpret i1 constant operand -1"},
      {[](LoweringContext& c) {
         return lower_logic(Logic{LogicOp::Or, 0, "r"}, {I8Null{}, ssa("m")}, c);
       },
       "could not interpret i1 constant operand \"I8Null\""},
      {[](LoweringContext& c) {
         return lower_select(Select{0, "double", "r"}, {ssa("m"), cbool(true), cbool(false)}, c);
       },
       "`select i1 %cond, double ..., double ...` is not supported: OpenQASM 3 has no classical "
       "ternary expression for value-typed selects. Apply each branch in its own `if` arm, or "
       "precompute the value before the circuit."},
      {[](LoweringContext& c) {
         return lower_select(Select{0, "i8", "r"}, {ssa("zz"), cint(1), cint(2)}, c);
       },
       "`select i1 %cond, i8 ..., i8 ...` is not supported: OpenQASM 3 has no classical ternary "
       "expression for value-typed selects. Apply each branch in its own `if` arm, or precompute "
       "the value before the circuit."},
      // The else value is looked at only after the then value.
      {[](LoweringContext& c) {
         return lower_select(Select{0, "i1", "r"}, {ssa("m"), ssa("t1"), ssa("e1")}, c);
       },
       "SSA value \"t1\" is used but was never bound; upstream instruction may be unsupported"},
      {[](LoweringContext& c) {
         return lower_select(Select{0, "i1", "r"}, {ssa("m"), cint(3), cbool(true)}, c);
       },
       "could not interpret i1 constant operand 3"},
      {[](LoweringContext& c) {
         return lower_select(Select{0, "i64", "r"}, {cint(2), cint(3), cint(4)}, c);
       },
       "could not interpret i1 constant operand 2"},
      {[](LoweringContext& c) { return float_op(c, FloatOp::SIToFP, {ssa("a")}, "r", 64); },
       "`sitofp` (SSA value \"r\") of an integer that may lie beyond 2^53 in magnitude is not "
       "supported: the output cannot state its rounding to double"},
      {[](LoweringContext& c) {
         c.variable_ranges.widen("a", IntRange{-3, 3});
         return float_op(c, FloatOp::UIToFP, {ssa("a")}, "r", 64);
       },
       "`uitofp` (SSA value \"r\") of an i64 that may be negative is not supported: its "
       "unsigned value may lie beyond 2^53, where the output cannot state its rounding to "
       "double"},
      {[](LoweringContext& c) -> Status {
         c.variable_ranges.widen("a", IntRange{0, std::int64_t{1} << 40});
         RETURN_IF_ERROR(float_op(c, FloatOp::SIToFP, {ssa("a")}, "f", 64));
         return float_op(c, FloatOp::FMul, {ssa("f"), ssa("f")});
       },
       "`fmul` (SSA value \"r\") of integers whose result may lie beyond 2^53 in magnitude is "
       "not supported: the output cannot state its rounding to double"},
      {[](LoweringContext& c) {
         return float_op(c, FloatOp::FDiv, {ConstFloat{1.0}, ConstFloat{0.0}});
       },
       "`fdiv` (SSA value \"r\") computes inf, which the output cannot state as an angle"},
      {[](LoweringContext& c) -> Status {
         RETURN_IF_ERROR(float_op(c, FloatOp::SIToFP, {ssa("m")}, "f", 1));
         return float_op(c, FloatOp::FDiv, {ConstFloat{1.0}, ssa("f")});
       },
       "`fdiv` (SSA value \"r\") of a value known only at run time is not supported: the output "
       "has no float division"},
      {[](LoweringContext& c) {
         return float_op(c, FloatOp::FAdd, {ConstFloat{1.0}, ConstFloat{2.0}}, "r", 0, "float");
       },
       "`fadd` (SSA value \"r\") on type \"float\" is not supported; only double values are"},
      {[](LoweringContext& c) {
         return float_op(c, FloatOp::FAdd, {ssa("m"), ConstFloat{2.0}});
       },
       "`fadd` (SSA value \"r\") has an operand \"Ssa(\\\"m\\\")\" that is not a double the "
       "output can state"},
      {[](LoweringContext& c) -> Status {
         RETURN_IF_ERROR(float_op(c, FloatOp::FNeg, {ConstFloat{1.5}}, "f"));
         return lower_arith(Arith{ArithOp::Add, 0, "r", 64}, {ssa("f"), cint(1)}, c);
       },
       "double value \"f\" computed by `fneg` is used other than as a gate angle or in further "
       "float arithmetic; float variables are not supported"},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    Status status = row.lower(context);
    ASSERT_FALSE(status.ok()) << row.message;
    EXPECT_EQ(status.error(), lowering_error(row.message));
    EXPECT_EQ(context.env.count("r"), 0u) << row.message;
  }
}

TEST(ClassicalLoweringTest, MeasureCountsNodesAndDepth) {
  EXPECT_EQ(measure_expr(lit(1)), (ExprMetrics{1, 1}));
  EXPECT_EQ(measure_expr(bit(0)), (ExprMetrics{3, 2}));
  EXPECT_EQ(measure_expr(eq1(neg(bit(0)))), (ExprMetrics{6, 4}));
}

TEST(ClassicalLoweringTest, DeepChainsStopAtTheDepthLimit) {
  LoweringContext context;
  context.bind("v0", id("x"));
  std::vector<std::string> names{"v0"};
  names.reserve(kMaxExprDepth + 8);  // the context keeps views of these names
  Status status = ok_status();
  std::size_t failed_at = 0;
  for (std::size_t i = 1; i < kMaxExprDepth + 5 && status.ok(); ++i) {
    names.push_back("v" + std::to_string(i));
    status = lower_arith(Arith{ArithOp::Add, 0, names[i]}, {Ssa{names[i - 1]}, cint(1)}, context);
    failed_at = i;
  }
  ASSERT_FALSE(status.ok());
  // v_i has depth i + 1, so v_1000 is the first too deep.
  EXPECT_EQ(failed_at, kMaxExprDepth);
  EXPECT_EQ(status.error(), lowering_error("expression for SSA value \"v1000\" exceeds the limit "
                                           "of 1000 nested operations"));
  EXPECT_EQ(context.env.count("v1000"), 0u);
}

TEST(ClassicalLoweringTest, DoublingStopsAtTheNodeLimit) {
  LoweringContext context;
  context.bind("d0", id("x"));
  std::vector<std::string> names{"d0"};
  names.reserve(64);  // the context keeps views of these names
  Status status = ok_status();
  for (std::size_t i = 1; i < 40 && status.ok(); ++i) {
    names.push_back("d" + std::to_string(i));
    status = lower_arith(Arith{ArithOp::Mul, 0, names[i]}, {Ssa{names[i - 1]}, Ssa{names[i - 1]}},
                         context);
  }
  ASSERT_FALSE(status.ok());
  // d_i has 2^(i+1) - 1 nodes: d16 has 131071, the first above 100,000.
  EXPECT_EQ(status.error(),
            lowering_error("expression for SSA value \"d16\" exceeds the limit of 100000 nodes"));
}

TEST(ClassicalLoweringTest, CopiesAreChargedAgainstTheBudget) {
  LoweringContext context;
  context.copy_budget = 10;
  context.bind("m", bit(0));  // three nodes per copy
  ASSERT_TRUE(lower_logic(Logic{LogicOp::Xor, 0, "r1"}, {ssa("m"), cbool(false)}, context).ok());
  ASSERT_TRUE(lower_logic(Logic{LogicOp::Xor, 0, "r2"}, {ssa("m"), cbool(false)}, context).ok());
  ASSERT_TRUE(lower_logic(Logic{LogicOp::Xor, 0, "r3"}, {ssa("m"), cbool(false)}, context).ok());
  EXPECT_EQ(context.copied_nodes, 9u);
  Status status = lower_logic(Logic{LogicOp::Xor, 0, "r4"}, {ssa("m"), cbool(false)}, context);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error(),
            lowering_error("expression for SSA value \"m\" cannot be copied into another use: the "
                           "translation has used up its budget of 10 copied expression nodes"));
}

// Copies, prints and destroys the deepest accepted expression on a small stack.
void* exercise_deep_expression(void* arg) {
  auto* printed = static_cast<std::string*>(arg);
  Expr deep = id("x");
  for (std::uint64_t i = 1; i < kMaxExprDepth + 8; ++i) {
    deep = make_binary_expr(BinaryOp::Sub, IntLit{1}, std::move(deep));
  }
  Expr copy = deep;
  Printer printer{*printed};
  print_expr(printer, copy);
  return nullptr;
}

// Optimised builds get a 512 KiB stack, as a small interpreter thread might
// have; unoptimised and sanitizer builds spend many times more stack per
// recursion level, so they get more room.
#if defined(__OPTIMIZE__) && !defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kSmallStack = 512 * 1024;
#else
constexpr std::size_t kSmallStack = 8 * 1024 * 1024;
#endif

TEST(ClassicalLoweringTest, DeepestAcceptedExpressionFitsASmallThreadStack) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, kSmallStack), 0);
  std::string printed;
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, exercise_deep_expression, &printed), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(printed.rfind("1 - (1 - (", 0), 0u);
  EXPECT_EQ(printed.size(), 6 * (kMaxExprDepth + 7) - 1);
}

}  // namespace
}  // namespace corvane
