// Classical lowering: comparisons, i1 logic, arithmetic and select bind
// expression trees; every failure carries its full message.
#include "translator/classical.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "expr_builders.h"
#include "openqasm/printer.h"
#include "translator/angle_arith.h"

namespace corvane {
namespace {

using namespace expr_builders;

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

// The N of a type iN.
std::uint32_t width_of(std::string_view type) {
  return static_cast<std::uint32_t>(std::stoul(std::string(type.substr(1))));
}

// Lowers one instruction written "opcode type operands" ("icmp ult i64 a 5",
// "add i32 m 1", "zext i1 m to i64", "select i1 m n lt", "fadd float 1.0 2.0",
// "sitofp i1 m"; i1 logic is land, lor and lxor), binding `result`.
Status lower_words(const std::vector<std::string_view>& w, std::string_view result,
                   LoweringContext& c) {
  static const std::map<std::string_view, ArithOp> kArith = {
      {"add", ArithOp::Add},   {"sub", ArithOp::Sub},   {"mul", ArithOp::Mul},
      {"and", ArithOp::And},   {"or", ArithOp::Or},     {"xor", ArithOp::Xor},
      {"shl", ArithOp::Shl},   {"lshr", ArithOp::LShr}, {"ashr", ArithOp::AShr},
      {"udiv", ArithOp::UDiv}, {"sdiv", ArithOp::SDiv}, {"urem", ArithOp::URem},
      {"srem", ArithOp::SRem}};
  static const std::map<std::string_view, FloatOp> kFloat = {
      {"fadd", FloatOp::FAdd},    {"fsub", FloatOp::FSub}, {"fmul", FloatOp::FMul},
      {"fdiv", FloatOp::FDiv},    {"fneg", FloatOp::FNeg}, {"sitofp", FloatOp::SIToFP},
      {"uitofp", FloatOp::UIToFP}};
  static const std::map<std::string_view, LogicOp> kLogic = {
      {"land", LogicOp::And}, {"lor", LogicOp::Or}, {"lxor", LogicOp::Xor}};
  static const std::map<std::string_view, CastOp> kCast = {
      {"zext", CastOp::Zext}, {"sext", CastOp::Sext}, {"trunc", CastOp::Trunc}};
  if (w[0] == "icmp") {
    return lower_icmp(ICmp{w[1], 0, result, width_of(w[2])}, {operand_of(w[3]), operand_of(w[4])},
                      c);
  }
  if (w[0] == "select") {
    return lower_select(Select{0, w[1], result},
                        {operand_of(w[2]), operand_of(w[3]), operand_of(w[4])}, c);
  }
  if (kArith.count(w[0]) != 0) {
    return lower_arith(Arith{kArith.at(w[0]), 0, result, width_of(w[1])},
                       {operand_of(w[2]), operand_of(w[3])}, c);
  }
  if (kLogic.count(w[0]) != 0) {
    return lower_logic(Logic{kLogic.at(w[0]), 0, result}, {operand_of(w[1]), operand_of(w[2])}, c);
  }
  if (kCast.count(w[0]) != 0) {
    const bool constant = w[2] == "true" || w[2] == "false" || w[2][0] == '-' ||
                          std::isdigit(static_cast<unsigned char>(w[2][0]));
    return lower_int_cast(
        IntCast{w[2], result, width_of(w[1]), width_of(w[4]), kCast.at(w[0]), constant}, c);
  }
  const FloatOp op = kFloat.at(w[0]);
  const bool conversion = op == FloatOp::SIToFP || op == FloatOp::UIToFP;
  const bool typed = conversion || w[1] == "float";
  Function function;
  for (std::size_t i = typed ? 2 : 1; i < w.size(); ++i)
    function.operands.push_back(operand_of(w[i]));
  return lower_float_arith(FloatArith{op, 0, typed && !conversion ? w[1] : "double", result,
                                      conversion ? width_of(w[1]) : 0},
                           function, c);
}

// Lowers the steps of `text`, separated by "; ": instructions as lower_words
// reads them, binding "r" unless written "name = ...", and "a in L..H", which
// makes [L, H] the known range of variable a. The context keeps views of `text`.
Status lower_text(std::string_view text, LoweringContext& c) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find("; "), text.size());
    const std::string_view step = text.substr(0, end);
    text.remove_prefix(std::min(end + 2, text.size()));
    std::vector<std::string_view> w = words(step);
    std::string_view result = "r";
    if (w.size() > 2 && w[1] == "=") {
      result = w[0];
      w.erase(w.begin(), w.begin() + 2);
    }
    if (w.size() == 3 && w[1] == "in") {
      const std::size_t dots = w[2].find("..");
      c.variable_ranges.widen(w[0], IntRange{std::stoll(std::string(w[2].substr(0, dots))),
                                             std::stoll(std::string(w[2].substr(dots + 2)))});
      continue;
    }
    RETURN_IF_ERROR(lower_words(w, result, c));
  }
  return ok_status();
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

// How the operands reach the lowering: a ConstInt written as the canonical
// value, a ConstInt written as the unsigned N-bit number (N < 64), a variable
// of unknown range, a variable whose range is exactly its value.
enum class Form : std::uint8_t { Constant, UnsignedConstant, Unknown, Known };
constexpr Form kForms[] = {Form::Constant, Form::UnsignedConstant, Form::Unknown, Form::Known};
const char* form_name(Form form) {
  static const char* const kNames[] = {"constant", "unsigned constant", "unknown variable",
                                       "known variable"};
  return kNames[static_cast<int>(form)];
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
  // zext keeps the pattern, which the wider type reads as a non-negative
  // number; sext reads the source as signed; trunc keeps the low bits.
  struct Cast {
    CastOp op;
    unsigned from;
    unsigned to;
  };
  const Cast casts[] = {{CastOp::Zext, 1, 32},   {CastOp::Zext, 1, 64},  {CastOp::Zext, 32, 64},
                        {CastOp::Sext, 1, 32},   {CastOp::Sext, 1, 64},  {CastOp::Sext, 32, 64},
                        {CastOp::Trunc, 64, 32}, {CastOp::Trunc, 64, 1}, {CastOp::Trunc, 32, 1}};
  for (const Cast cast : casts) {
    for (const Form form : {Form::Unknown, Form::Known}) {
      for (const std::int64_t a : values_of(cast.from)) {
        LoweringContext context;
        Variables variables;
        operand_in(form, "a", a, cast.from, context, variables);
        ASSERT_TRUE(lower_int_cast(IntCast{"a", "r", cast.from, cast.to, cast.op}, context).ok());
        const Expr result = bound(context, "r");
        const std::int64_t source =
            cast.op == CastOp::Sext ? signed_of(bits_of(a, cast.from), cast.from) : a;
        const u64 pattern = bits_of(source, cast.op == CastOp::Zext ? cast.from : cast.to);
        EXPECT_EQ(evaluate(result, variables), canonical_of(pattern, cast.to))
            << "cast " << static_cast<int>(cast.op) << " i" << cast.from << " " << a << " to i"
            << cast.to << " as " << form_name(form) << ": " << text_of(result);
        ++checked;
      }
    }
  }
  // i1: 4 forms x 4 pairs x 23 operations; i32: 4 x 100 x 23; i64: 3 x 100 x 23;
  // zext and sext: (2 + 2 + 10 values) x 2 forms each; trunc: 30 values x 2 forms.
  EXPECT_EQ(checked, 368u + 9200u + 6900u + 28u + 28u + 60u);
}

// Where the ranges show the plain form exact it is kept as it was; elsewhere
// the correction names each operand once. Also the plain binding of operations,
// i1 logic by constant class and select. Context: m, n bits; a, b integers; lt
// a comparison.
TEST(ClassicalLoweringTest, BindsTheExpectedExpressions) {
  struct Row {
    const char* text;
    const char* printed;
  };
  const Row rows[] = {
      {"icmp ult i64 a 5", "(a ^ (-9223372036854775807 - 1)) < -9223372036854775803"},
      {"a in 0..7; icmp uge i64 a m", "a >= c[0]"},
      {"icmp slt i1 m false", "c[0] > 0"},
      {"icmp ugt i1 m n", "c[0] > c[1]"},
      {"icmp eq i1 m -1", "c[0] == 1"},
      {"add i32 m 2147483646", "c[0] + 2147483646"},
      {"add i32 m 2147483647", "(c[0] + 2147483647 + 2147483648 & 4294967295) - 2147483648"},
      {"mul i32 m 4294967295", "c[0] * -1"},
      {"mul i64 a b", "a * b"},
      {"add i1 m n", "(c[0] == 1) != (c[1] == 1)"},
      {"sub i1 m -1", "c[0] == 0"},
      {"mul i1 m lt", "c[0] == 1 && a < b"},
      {"or i64 a 8", "a | 8"},
      {"xor i32 a 4294967295", "a ^ -1"},
      {"shl i32 m 30", "c[0] << 30"},
      {"shl i32 m 31", "((c[0] << 31) + 2147483648 & 4294967295) - 2147483648"},
      {"shl i64 a 63", "a << 63"},
      {"shl i64 a 64", "0"},
      {"lshr i32 a 3", "(a & 4294967295) >> 3"},
      {"ashr i32 a 3", "(a + 2147483648 >> 3) - 268435456"},
      {"a in 0..100; ashr i64 a 2", "a >> 2"},
      {"udiv i32 a 3", "(a & 4294967295) / 3"},
      {"udiv i32 a 1", "((a & 4294967295) / 1 + 2147483648 & 4294967295) - 2147483648"},
      {"a in 0..100; srem i64 a m", "a % c[0]"},
      {"sdiv i32 -7 2", "-3"},
      {"sdiv i64 -9223372036854775808 -1", "0"},
      {"sext i1 m to i64", "0 - c[0]"},
      {"sext i32 a to i64", "a"},
      {"trunc i64 a to i1", "a & 1"},
      {"trunc i64 a to i32", "(a + 2147483648 & 4294967295) - 2147483648"},
      {"a in -5..9; trunc i64 a to i32", "a"},
      {"zext i1 m to i64", "c[0]"},
      {"zext i32 a to i64", "a & 4294967295"},
      {"sext i32 -1 to i64", "-1"},
      {"zext i1 true to i64", "1"},
      {"a in 3..9; zext i32 a to i64", "a"},
      {"sitofp i1 m", "0 - c[0]"},
      {"uitofp i32 a", "a & 4294967295"},
      {"uitofp i64 -1", "18446744073709552000.0"},
      {"fadd 0.1 0.2", "0.30000000000000004"},
      {"f = sitofp i64 m; fmul f f", "c[0] * c[0]"},
      {"f = uitofp i1 n; g = fsub 0.5 f; fneg g", "-(0.5 - c[1])"},
      // Unfolded operations.
      {"mul i64 2 3", "2 * 3"},
      {"add i64 true m", "1 + c[0]"},
      {"add i64 a -9223372036854775808", "a + (-9223372036854775807 - 1)"},
      // i1 logic by constant class.
      {"lor m true", "c[0] == 1 || 1 == 1"},
      {"lxor 1 m", "c[0] == 0"},
      {"lxor false m", "c[0]"},
      {"lxor lt 0", "a < b"},
      {"lxor true 0", "(1 == 1) != (0 == 1)"},
      // select on i1 by constant pair, and on integers as a blend.
      {"select i1 m false false", "c[0] == 1 && 0 == 1 || !(c[0] == 1) && 0 == 1"},
      {"select i32 m 5 7", "c[0] * 5 + (1 - c[0]) * 7"},
      {"select i64 m 5 7", "c[0] * 5 + (1 - c[0]) * 7"},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    const Status status = lower_text(row.text, context);
    ASSERT_TRUE(status.ok()) << row.text << ": " << status.error().message;
    EXPECT_EQ(text_of(bound(context, "r")), row.printed) << row.text;
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
      {make_not(id("x")), IntRange{0, 1}},
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

TEST(ClassicalLoweringTest, FailuresCarryTheirMessagesAndBindNothing) {
  const std::string wide =
      " is not supported: integers wider than 64 bits do not fit the "
      "output's 64-bit int";
  const std::string not_int = " on a type other than an integer type iN is not supported";
  const std::string shift_amount =
      " is not supported: its shift amount is not a constant, and "
      "the output's shifts are exact only by a constant amount";
  const std::string shifted =
      " is not supported: its operand may be negative, and the "
      "output's `>>` is exact only on non-negative values";
  const std::string remainder =
      " is not supported: an operand may be negative, and the output's `%` is exact only on "
      "non-negative values";
  const std::string unbound =
      " is used but was never bound; upstream instruction may be "
      "unsupported";
  struct Row {
    const char* text;
    std::string message;
  };
  const Row rows[] = {
      // Widths the output's int cannot hold, checked after the operands.
      {"icmp ult i128 a 1", "`icmp i128` (SSA value \"r\")" + wide},
      {"mul i65 a b", "`mul i65` (SSA value \"r\")" + wide},
      {"sub i0 a b", "`sub` (SSA value \"r\")" + not_int},
      {"add i128 a 1.0", "could not interpret integer operand \"ConstFloat(1.0)\""},
      {"zext i64 a to i128", "`zext ... to i128` (SSA value \"r\")" + wide},
      {"zext i64 a to i32",
       "`zext` (SSA value \"r\") is not supported: it must extend an integer type iN to a wider "
       "one"},
      {"zext i0 a to i0", "`zext ... to` (SSA value \"r\")" + not_int},
      {"ashr i32 -8 m", "`ashr i32` (SSA value \"r\")" + shift_amount},
      {"ashr i64 a 63", "`ashr i64` (SSA value \"r\")" + shifted},
      {"srem i8 a 3", "`srem i8` (SSA value \"r\")" + remainder},
      {"urem i64 a m", "`urem i64` (SSA value \"r\")" + remainder},
      // The shift amount is read before the amount is judged.
      {"shl i64 a none", "SSA value \"none\"" + unbound},
      {"urem i1 m none", "SSA value \"none\"" + unbound},
      {"trunc i32 a to i64",
       "`trunc` (SSA value \"r\") is not supported: it must truncate an integer type iN to a "
       "narrower one"},
      {"trunc i128 a to i64", "`trunc i128` (SSA value \"r\")" + wide},
      {"sext i64 a to i64",
       "`sext` (SSA value \"r\") is not supported: it must extend an integer type iN to a "
       "wider one"},
      {"sext i32 a to i0", "`sext ... to` (SSA value \"r\")" + not_int},
      {"sext i128 9999999999999999999999999999999999999999 to i64",
       "cast source constant \"9999999999999999999999999999999999999999\" (SSA value \"r\") does "
       "not fit in i64"},
      {"icmp eq i64 x\"y 1", "SSA value \"x\\\"y\"" + unbound},
      {"lor null m", "could not interpret i1 constant operand \"I8Null\""},
      // The else value is looked at only after the then value.
      {"select i1 m t1 e1", "SSA value \"t1\"" + unbound},
      {"select i1 m 3 true", "could not interpret i1 constant operand 3"},
      {"a in -3..3; uitofp i64 a",
       "`uitofp` (SSA value \"r\") of an i64 that may be negative is not supported: its "
       "unsigned value may lie beyond 2^53, where the output cannot state its rounding to "
       "double"},
      {"a in 0..1099511627776; f = sitofp i64 a; fmul f f",
       "`fmul` (SSA value \"r\") of integers whose result may lie beyond 2^53 in magnitude is "
       "not supported: the output cannot state its rounding to double"},
      {"fdiv 1.0 0.0",
       "`fdiv` (SSA value \"r\") computes inf, which the output cannot state as an angle"},
      {"fadd m 2.0",
       "`fadd` (SSA value \"r\") has an operand \"Ssa(\\\"m\\\")\" that is not a double the "
       "output can state"},
      {"f = fneg 1.5; add i64 f 1",
       "double value \"f\" computed by `fneg` is used other than as a gate angle or in further "
       "float arithmetic; float variables are not supported"},
  };
  for (const Row& row : rows) {
    LoweringContext context = make_context();
    Status status = lower_text(row.text, context);
    ASSERT_FALSE(status.ok()) << row.text;
    EXPECT_EQ(status.error(), lowering_error(row.message)) << row.text;
    EXPECT_EQ(context.env.count("r"), 0u) << row.text;
  }
}

TEST(ClassicalLoweringTest, MeasureCountsNodesAndDepth) {
  EXPECT_EQ(measure_expr(lit(1)), (ExprMetrics{1, 1}));
  EXPECT_EQ(measure_expr(bit(0)), (ExprMetrics{3, 2}));
  EXPECT_EQ(measure_expr(eq1(make_not(bit(0)))), (ExprMetrics{6, 4}));
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
