// Gate, measurement, reset, read-result and ignore builders, and the operand
// resolution they share, run on hand-built signatures and operands.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "builder_test_util.h"
#include "builders/profile.h"

namespace corvane {
namespace {

using namespace testing_util;

// Context state a case starts from: recorded inttoptr indices, bound SSA
// values and the register maxima.
struct Setup {
  std::vector<std::pair<const char*, std::int64_t>> int_pointers;
  std::vector<std::pair<const char*, Expr>> bindings;
  std::int64_t max_qubit_index = -1;
  std::int64_t max_result_index = -1;
};

LoweringContext make_context(const Setup& setup) {
  LoweringContext context;
  for (const auto& [name, index] : setup.int_pointers) context.record_int_pointer(name, index);
  for (const auto& [name, value] : setup.bindings) context.bind(name, value);
  context.max_qubit_index = setup.max_qubit_index;
  context.max_result_index = setup.max_result_index;
  return context;
}

struct SuccessRow {
  const char* what;
  Builder builder;
  Signature signature;
  std::vector<Operand> operands;
  Setup setup;
  std::vector<Stmt> statements;
  std::int64_t max_qubit_index;
  std::int64_t max_result_index;
};

void run_success_rows(const std::vector<SuccessRow>& rows) {
  for (const SuccessRow& row : rows) {
    SCOPED_TRACE(row.what);
    LoweringContext context = make_context(row.setup);
    std::vector<Stmt> out;
    Status status =
        invoke_builder(row.builder, row.signature, row.operands, std::nullopt, context, out);
    ASSERT_TRUE(status.ok()) << status.error().message;
    EXPECT_EQ(out, row.statements);
    EXPECT_EQ(context.max_qubit_index, row.max_qubit_index);
    EXPECT_EQ(context.max_result_index, row.max_result_index);
  }
}

struct FailureRow {
  const char* what;
  Builder builder;
  Signature signature;
  std::vector<Operand> operands;
  Setup setup;
  TranslateError error;
};

void run_failure_rows(const std::vector<FailureRow>& rows) {
  for (const FailureRow& row : rows) {
    SCOPED_TRACE(row.what);
    LoweringContext context = make_context(row.setup);
    std::vector<Stmt> out = {Stmt(Reset{qubit(0)})};
    Status status =
        invoke_builder(row.builder, row.signature, row.operands, std::nullopt, context, out);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().kind, row.error.kind);
    EXPECT_EQ(status.error().message, row.error.message);
    EXPECT_EQ(out, (std::vector<Stmt>{Stmt(Reset{qubit(0)})})) << "a failing call emits nothing";
  }
}

const Signature kH{"__quantum__qis__h__body", "void", {"Qubit"}, false};
const Signature kRz{"__quantum__qis__rz__body", "void", {"double", "Qubit"}, false};

TEST(GateBuilderTest, SplitsOperandsByDeclaredParameterTypes) {
  const Expr sum = make_binary_expr(BinaryOp::Add, Expr(IntLit{1}), Expr(Ident{"cint_0"}));
  run_success_rows({
      {"h on null", gate_builder("h"), kH, {qubit_ptr(0)}, {}, {gate("h", {}, {qubit(0)})}, 0, -1},
      {"cnot on inttoptr constants",
       gate_builder("cnot"),
       {"__quantum__qis__cnot__body", "void", {"Qubit", "Qubit"}, false},
       {qubit_ptr(1), qubit_ptr(4)},
       {},
       {gate("cnot", {}, {qubit(1), qubit(4)})},
       4,
       -1},
      {"rz with a float angle first",
       gate_builder("rz"),
       kRz,
       {Operand(ConstFloat{0.5}), qubit_ptr(0)},
       {},
       {gate("rz", {Expr(FloatLit{0.5})}, {qubit(0)})},
       0,
       -1},
      {"rz with an integer angle",
       gate_builder("rz"),
       {"__quantum__qis__rz__body", "void", {"i64", "Qubit"}, false},
       {int_const(2), qubit_ptr(0)},
       {},
       {gate("rz", {Expr(IntLit{2})}, {qubit(0)})},
       0,
       -1},
      {"angle declared last",
       gate_builder("rx"),
       {"__quantum__qis__rx__body", "void", {"Qubit", "double"}, false},
       {qubit_ptr(3), Operand(ConstFloat{-0.25})},
       {},
       {gate("rx", {Expr(FloatLit{-0.25})}, {qubit(3)})},
       3,
       -1},
      {"adjoint",
       gate_builder("s", true),
       {"__quantum__qis__s__adj", "void", {"Qubit"}, false},
       {qubit_ptr(0)},
       {},
       {gate("s", {}, {qubit(0)}, true)},
       0,
       -1},
      {"opaque pointers are qubits at every position",
       gate_builder("ccnot"),
       {"__quantum__qis__ccx__body", "void", {"ptr", "ptr", "ptr"}, false},
       {opaque_ptr(5), opaque_ptr(0), qubit_ptr(2)},
       {},
       {gate("ccnot", {}, {qubit(5), qubit(0), qubit(2)})},
       5,
       -1},
      {"opaque pointer after an angle",
       gate_builder("rz"),
       {"__quantum__qis__rz__body", "void", {"double", "ptr"}, false},
       {Operand(ConstFloat{1.0}), opaque_ptr(1)},
       {},
       {gate("rz", {Expr(FloatLit{1.0})}, {qubit(1)})},
       1,
       -1},
      {"qubit by SSA name with a recorded index",
       gate_builder("h"),
       kH,
       {Operand(Ssa{"q3"})},
       {{{"q3", 3}}, {}, -1, -1},
       {gate("h", {}, {qubit(3)})},
       3,
       -1},
      {"angles bound in the environment",
       gate_builder("prx"),
       {"__quantum__qis__phasedx__body", "void", {"double", "double", "Qubit"}, false},
       {Operand(Ssa{"theta"}), Operand(Ssa{"phi"}), qubit_ptr(0)},
       {{}, {{"theta", Expr(FloatLit{0.125})}, {"phi", sum}}, -1, -1},
       {gate("prx", {Expr(FloatLit{0.125}), sum}, {qubit(0)})},
       0,
       -1},
      {"boolean and extreme integer parameters",
       gate_builder("g"),
       {"g", "void", {"i1", "i64", "i64", "Qubit"}, false},
       {Operand(ConstBool{true}), int_const(INT64_MIN), int_const(INT64_MAX), qubit_ptr(0)},
       {},
       {gate("g", {Expr(BoolLit{true}), Expr(IntLit{INT64_MIN}), Expr(IntLit{INT64_MAX})},
             {qubit(0)})},
       0,
       -1},
      {"maxima only grow",
       gate_builder("h"),
       kH,
       {qubit_ptr(2)},
       {{}, {}, 7, 3},
       {gate("h", {}, {qubit(2)})},
       7,
       3},
      {"no operands at all",
       gate_builder("barrier"),
       {"b", "void", {}, false},
       {},
       {},
       {gate("barrier", {}, {})},
       -1,
       -1},
  });
}

TEST(GateBuilderTest, ReportsUnresolvableOperands) {
  const std::string h = "\"__quantum__qis__h__body\"";
  const std::string rz = "\"__quantum__qis__rz__body\"";
  const std::string not_constant =
      " is not a compile-time constant; runtime qubit allocation is not supported";
  const Signature result_param{"__quantum__qis__rz__body", "void", {"Result", "Qubit"}, false};
  const int128 two_to_63 = static_cast<int128>(1) << 63;
  run_failure_rows({
      {"global qubit",
       gate_builder("h"),
       kH,
       {Operand(GlobalRef{"q0"})},
       {},
       lowering_error("qubit operand for " + h + not_constant)},
      {"getelementptr qubit",
       gate_builder("h"),
       kH,
       {Operand(GetElementPtr{})},
       {},
       lowering_error("qubit operand for " + h + not_constant)},
      {"SSA qubit without recorded index",
       gate_builder("h"),
       kH,
       {Operand(Ssa{"q"})},
       {{}, {{"q", Expr(IntLit{1})}}, -1, -1},
       lowering_error("qubit operand for " + h + not_constant)},
      {"integer qubit",
       gate_builder("h"),
       kH,
       {int_const(3)},
       {},
       lowering_error("could not resolve qubit operand for " + h)},
      {"boolean qubit",
       gate_builder("h"),
       kH,
       {Operand(ConstBool{false})},
       {},
       lowering_error("could not resolve qubit operand for " + h)},
      {"float qubit",
       gate_builder("h"),
       kH,
       {Operand(ConstFloat{0.0})},
       {},
       lowering_error("could not resolve qubit operand for " + h)},
      {"bitcast qubit",
       gate_builder("h"),
       kH,
       {Operand(BitcastGlobal{"g"})},
       {},
       lowering_error("could not resolve qubit operand for " + h)},
      {"i8 null qubit",
       gate_builder("h"),
       kH,
       {Operand(I8Null{})},
       {},
       lowering_error("could not resolve qubit operand for " + h)},
      {"negative constant qubit",
       gate_builder("h"),
       kH,
       {qubit_ptr(-1)},
       {},
       lowering_error("qubit operand for " + h +
                      " has negative index -1; qubit and result indices must be non-negative")},
      {"negative recorded qubit",
       gate_builder("h"),
       kH,
       {Operand(Ssa{"n"})},
       {{{"n", INT64_MIN}}, {}, -1, -1},
       lowering_error("qubit operand for " + h +
                      " has negative index -9223372036854775808; qubit and result indices must "
                      "be non-negative")},
      {"angle of 2^63",
       gate_builder("rz"),
       kRz,
       {Operand(ConstInt{two_to_63}), qubit_ptr(0)},
       {},
       lowering_error("integer constant 9223372036854775808 does not fit in i64; larger widths "
                      "are not supported")},
      {"angle below -2^63",
       gate_builder("rz"),
       kRz,
       {Operand(ConstInt{-two_to_63 - 1}), qubit_ptr(0)},
       {},
       lowering_error("integer constant -9223372036854775809 does not fit in i64; larger widths "
                      "are not supported")},
      {"unbound angle",
       gate_builder("rz"),
       kRz,
       {Operand(Ssa{"theta"}), qubit_ptr(0)},
       {},
       lowering_error("SSA value \"theta\" is used but was never bound; upstream instruction may "
                      "be unsupported")},
      {"result pointer as angle",
       gate_builder("rz"),
       result_param,
       {result_ptr(0), qubit_ptr(0)},
       {},
       lowering_error("unsupported scalar operand form for " + rz)},
      {"global as angle",
       gate_builder("rz"),
       kRz,
       {Operand(GlobalRef{"a"}), qubit_ptr(0)},
       {},
       lowering_error("unsupported scalar operand form for " + rz)},
      {"getelementptr as angle",
       gate_builder("rz"),
       kRz,
       {Operand(GetElementPtr{}), qubit_ptr(0)},
       {},
       lowering_error("unsupported scalar operand form for " + rz)},
      {"bitcast as angle",
       gate_builder("rz"),
       kRz,
       {Operand(BitcastGlobal{"a"}), qubit_ptr(0)},
       {},
       lowering_error("unsupported scalar operand form for " + rz)},
      {"i8 null as angle",
       gate_builder("rz"),
       kRz,
       {Operand(I8Null{}), qubit_ptr(0)},
       {},
       lowering_error("unsupported scalar operand form for " + rz)},
      {"first failing operand wins",
       gate_builder("rz"),
       kRz,
       {Operand(ConstFloat{0.5}), Operand(GlobalRef{"q"})},
       {},
       lowering_error("qubit operand for " + rz + not_constant)},
      {"callee name is quoted with escapes",
       gate_builder("h"),
       {"my\"gate\n", "void", {"Qubit"}, false},
       {int_const(0)},
       {},
       lowering_error("could not resolve qubit operand for \"my\\\"gate\\n\"")},
      {"operand count differing from the declaration",
       gate_builder("h"),
       kH,
       {qubit_ptr(0), qubit_ptr(1)},
       {},
       internal_error("builder for " + h + " received 2 operand(s) for 1 declared parameter(s)")},
  });
}

TEST(GateBuilderTest, FailedResolutionLeavesMaximaAlone) {
  LoweringContext context;
  std::vector<Stmt> out;
  const std::vector<Operand> operands = {qubit_ptr(-5)};
  ASSERT_FALSE(invoke_builder(gate_builder("h"), kH, operands, std::nullopt, context, out).ok());
  EXPECT_EQ(context.max_qubit_index, -1);
}

const Signature kMz{"__quantum__qis__mz__body", "void", {"Qubit", "Result"}, false};
const Signature kMreset{"__quantum__qis__mresetz__body", "void", {"Qubit", "Result"}, false};
const Signature kReset{"__quantum__qis__reset__body", "void", {"Qubit"}, false};

TEST(MeasureAndResetBuildersTest, BuildMeasurementsAndResets) {
  const Builder measure = plain_builder(BuilderKind::Measure);
  const Builder measure_reset = plain_builder(BuilderKind::MeasureAndReset);
  const Builder reset = plain_builder(BuilderKind::Reset);
  run_success_rows({
      {"mz typed",
       measure,
       kMz,
       {qubit_ptr(1), result_ptr(2)},
       {},
       {Stmt(Measure{qubit(1), bit(2)})},
       1,
       2},
      {"mz opaque",
       measure,
       {"__quantum__qis__mz__body", "void", {"ptr", "ptr"}, false},
       {opaque_ptr(0), opaque_ptr(0)},
       {},
       {Stmt(Measure{qubit(0), bit(0)})},
       0,
       0},
      {"mz by recorded SSA names",
       measure,
       kMz,
       {Operand(Ssa{"a"}), Operand(Ssa{"b"})},
       {{{"a", 6}, {"b", 7}}, {}, -1, -1},
       {Stmt(Measure{qubit(6), bit(7)})},
       6,
       7},
      {"mresetz",
       measure_reset,
       kMreset,
       {qubit_ptr(0), result_ptr(2)},
       {},
       {Stmt(Measure{qubit(0), bit(2)}), Stmt(Reset{qubit(0)})},
       0,
       2},
      {"mresetz opaque",
       measure_reset,
       {"__quantum__qis__mresetz__body", "void", {"ptr", "ptr"}, false},
       {opaque_ptr(3), opaque_ptr(1)},
       {},
       {Stmt(Measure{qubit(3), bit(1)}), Stmt(Reset{qubit(3)})},
       3,
       1},
      {"reset typed", reset, kReset, {qubit_ptr(5)}, {}, {Stmt(Reset{qubit(5)})}, 5, -1},
      {"reset opaque",
       reset,
       {"__quantum__qis__reset__body", "void", {"ptr"}, false},
       {opaque_ptr(2)},
       {},
       {Stmt(Reset{qubit(2)})},
       2,
       -1},
  });
}

TEST(MeasureAndResetBuildersTest, RejectWrongDeclarationsAndOperands) {
  const Builder measure = plain_builder(BuilderKind::Measure);
  const Builder measure_reset = plain_builder(BuilderKind::MeasureAndReset);
  const Builder reset = plain_builder(BuilderKind::Reset);
  const std::string mz = "\"__quantum__qis__mz__body\"";
  const std::string result_not_constant =
      " is not a compile-time constant; runtime result allocation is not supported";
  run_failure_rows({
      {"mz with one opaque parameter",
       measure,
       {"__quantum__qis__mz__body", "void", {"ptr"}, false},
       {opaque_ptr(0)},
       {},
       lowering_error("measurement intrinsic \"__quantum__qis__mz__body\" has unexpected "
                      "signature [\"Qubit\"]; expected (\"Qubit\", \"Result\")")},
      {"result-returning m",
       measure,
       {"__quantum__qis__m__body", "Result", {"Qubit"}, false},
       {qubit_ptr(0)},
       {},
       lowering_error("measurement intrinsic \"__quantum__qis__m__body\" has unexpected "
                      "signature [\"Qubit\"]; expected (\"Qubit\", \"Result\")")},
      {"mz with a third opaque parameter",
       measure,
       {"__quantum__qis__mz__body", "void", {"ptr", "ptr", "ptr"}, false},
       {opaque_ptr(0), opaque_ptr(0), opaque_ptr(0)},
       {},
       lowering_error("measurement intrinsic \"__quantum__qis__mz__body\" has unexpected "
                      "signature [\"Qubit\", \"Result\", \"ptr\"]; expected (\"Qubit\", "
                      "\"Result\")")},
      {"mresetz with swapped parameters",
       measure_reset,
       {"__quantum__qis__mresetz__body", "void", {"Result", "Qubit"}, false},
       {result_ptr(0), qubit_ptr(0)},
       {},
       lowering_error("measure-and-reset intrinsic \"__quantum__qis__mresetz__body\" has "
                      "unexpected signature [\"Result\", \"Qubit\"]; expected (\"Qubit\", "
                      "\"Result\")")},
      {"mresetz with no parameters",
       measure_reset,
       {"__quantum__qis__mresetz__body", "void", {}, false},
       {},
       {},
       lowering_error("measure-and-reset intrinsic \"__quantum__qis__mresetz__body\" has "
                      "unexpected signature []; expected (\"Qubit\", \"Result\")")},
      {"reset with two opaque parameters",
       reset,
       {"__quantum__qis__reset__body", "void", {"ptr", "ptr"}, false},
       {opaque_ptr(0), opaque_ptr(1)},
       {},
       lowering_error("reset intrinsic \"__quantum__qis__reset__body\" has unexpected signature "
                      "[\"Qubit\", \"Qubit\"]; expected (\"Qubit\",)")},
      {"reset of an i64",
       reset,
       {"__quantum__qis__reset__body", "void", {"i64"}, false},
       {int_const(0)},
       {},
       lowering_error("reset intrinsic \"__quantum__qis__reset__body\" has unexpected signature "
                      "[\"i64\"]; expected (\"Qubit\",)")},
      {"global result",
       measure,
       kMz,
       {qubit_ptr(0), Operand(GlobalRef{"r"})},
       {},
       lowering_error("result operand for " + mz + result_not_constant)},
      {"unrecorded SSA result",
       measure,
       kMz,
       {qubit_ptr(0), Operand(Ssa{"r"})},
       {},
       lowering_error("result operand for " + mz + result_not_constant)},
      {"integer result",
       measure,
       kMz,
       {qubit_ptr(0), int_const(1)},
       {},
       lowering_error("result operand for " + mz + result_not_constant)},
      {"i8 null result",
       measure,
       kMz,
       {qubit_ptr(0), Operand(I8Null{})},
       {},
       lowering_error("result operand for " + mz + result_not_constant)},
      {"bitcast result",
       measure,
       kMz,
       {qubit_ptr(0), Operand(BitcastGlobal{"r"})},
       {},
       lowering_error("result operand for " + mz + result_not_constant)},
      {"negative result",
       measure,
       kMz,
       {qubit_ptr(0), result_ptr(-3)},
       {},
       lowering_error("result operand for " + mz +
                      " has negative index -3; qubit and result indices must be non-negative")},
      {"qubit is resolved before the result",
       measure,
       kMz,
       {int_const(0), Operand(GlobalRef{"r"})},
       {},
       lowering_error("could not resolve qubit operand for " + mz)},
      {"reset of a global",
       reset,
       kReset,
       {Operand(GlobalRef{"q"})},
       {},
       lowering_error("qubit operand for \"__quantum__qis__reset__body\" is not a compile-time "
                      "constant; runtime qubit allocation is not supported")},
  });
}

TEST(ReadResultBuilderTest, BindsTheResultNameToTheRegisterBit) {
  const Builder read = plain_builder(BuilderKind::ReadResult);
  const Signature typed{"__quantum__qis__read_result__body", "i1", {"Result"}, false};
  const Signature opaque{"__quantum__rt__read_result", "i1", {"ptr"}, false};

  LoweringContext context;
  context.bind("r", Expr(BoolLit{false}));
  std::vector<Stmt> out;
  const std::vector<Operand> first = {result_ptr(0)};
  ASSERT_TRUE(invoke_builder(read, typed, first, std::string_view("r"), context, out).ok());
  const std::vector<Operand> second = {Operand(Ssa{"res5"})};
  context.record_int_pointer("res5", 5);
  ASSERT_TRUE(invoke_builder(read, opaque, second, std::string_view("s"), context, out).ok());
  const std::vector<Operand> third = {result_ptr(9)};
  ASSERT_TRUE(invoke_builder(read, typed, third, std::nullopt, context, out).ok());

  EXPECT_TRUE(out.empty());
  EXPECT_EQ(context.max_result_index, 9);
  EXPECT_EQ(context.max_qubit_index, -1);
  Result<Expr> r = context.lookup("r");
  ASSERT_TRUE(r.ok()) << r.error().message;
  EXPECT_EQ(*r, bit_expr(0));
  Result<Expr> s = context.lookup("s");
  ASSERT_TRUE(s.ok()) << s.error().message;
  EXPECT_EQ(*s, bit_expr(5));
  EXPECT_EQ(context.env.size(), 2u);
}

TEST(ReadResultBuilderTest, RejectsWrongDeclarationsAndOperands) {
  const Builder read = plain_builder(BuilderKind::ReadResult);
  run_failure_rows({
      {"qubit parameter",
       read,
       {"__quantum__rt__read_result", "i1", {"Qubit"}, false},
       {qubit_ptr(0)},
       {},
       lowering_error("read_result intrinsic \"__quantum__rt__read_result\" has unexpected "
                      "signature [\"Qubit\"]; expected (\"Result\",)")},
      {"two opaque parameters",
       read,
       {"__quantum__rt__read_result", "i1", {"ptr", "ptr"}, false},
       {opaque_ptr(0), opaque_ptr(0)},
       {},
       lowering_error("read_result intrinsic \"__quantum__rt__read_result\" has unexpected "
                      "signature [\"Result\", \"Result\"]; expected (\"Result\",)")},
      {"global result",
       read,
       {"__quantum__rt__read_result", "i1", {"Result"}, false},
       {Operand(GlobalRef{"r"})},
       {},
       lowering_error("result operand for \"__quantum__rt__read_result\" is not a compile-time "
                      "constant; runtime result allocation is not supported")},
  });
}

TEST(IgnoreBuilderTest, EmitsNothingAndLooksAtNoOperand) {
  run_success_rows({
      {"result record with a huge index",
       plain_builder(BuilderKind::Ignore),
       {"__quantum__rt__result_record_output", "void", {"Result", "i8"}, false},
       {result_ptr(9), Operand(I8Null{})},
       {},
       {},
       -1,
       -1},
      {"operands of every unusual form",
       plain_builder(BuilderKind::Ignore),
       {"__quantum__rt__tuple_record_output", "void", {"i64"}, true},
       {Operand(ConstInt{static_cast<int128>(1) << 100}), Operand(GlobalRef{"g"}),
        Operand(Ssa{"unbound"}), qubit_ptr(-4)},
       {},
       {},
       -1,
       -1},
  });
}

}  // namespace
}  // namespace corvane
