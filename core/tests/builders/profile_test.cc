// The base profile's contents and lookup rules, and the checks that call
// handling makes before a builder runs.
#include "builders/profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder_test_util.h"

namespace corvane {
namespace {

using namespace testing_util;

TEST(BaseProfileTest, HoldsTheFortyEntriesInInsertionOrder) {
  const std::vector<std::pair<std::string, Builder>> expected = {
      {"__quantum__qis__h__body", gate_builder("h")},
      {"__quantum__qis__x__body", gate_builder("x")},
      {"__quantum__qis__y__body", gate_builder("y")},
      {"__quantum__qis__z__body", gate_builder("z")},
      {"__quantum__qis__s__body", gate_builder("s")},
      {"__quantum__qis__s__adj", gate_builder("s", true)},
      {"__quantum__qis__t__body", gate_builder("t")},
      {"__quantum__qis__t__adj", gate_builder("t", true)},
      {"__quantum__qis__cnot__body", gate_builder("cnot")},
      {"__quantum__qis__cx__body", gate_builder("cnot")},
      {"__quantum__qis__cy__body", gate_builder("cy")},
      {"__quantum__qis__cz__body", gate_builder("cz")},
      {"__quantum__qis__swap__body", gate_builder("swap")},
      {"__quantum__qis__rx__body", gate_builder("rx")},
      {"__quantum__qis__ry__body", gate_builder("ry")},
      {"__quantum__qis__rz__body", gate_builder("rz")},
      {"__quantum__qis__rxx__body", gate_builder("xx")},
      {"__quantum__qis__ryy__body", gate_builder("yy")},
      {"__quantum__qis__rzz__body", gate_builder("zz")},
      {"__quantum__qis__ccx__body", gate_builder("ccnot")},
      {"__quantum__qis__ccnot__body", gate_builder("ccnot")},
      {"__quantum__qis__phasedx__body", gate_builder("prx")},
      {"__quantum__qis__mz__body", plain_builder(BuilderKind::Measure)},
      {"__quantum__qis__m__body", plain_builder(BuilderKind::Measure)},
      {"__quantum__qis__mresetz__body", plain_builder(BuilderKind::MeasureAndReset)},
      {"__quantum__qis__reset__body", plain_builder(BuilderKind::Reset)},
      {"__quantum__qis__read_result__body", plain_builder(BuilderKind::ReadResult)},
      {"__quantum__rt__read_result", plain_builder(BuilderKind::ReadResult)},
      {"generalizedInvokeWithRotationsControlsTargets",
       plain_builder(BuilderKind::GeneralizedControlled)},
      {"__quantum__rt__result_record_output", plain_builder(BuilderKind::Ignore)},
      {"__quantum__rt__array_record_output", plain_builder(BuilderKind::Ignore)},
      {"__quantum__rt__tuple_record_output", plain_builder(BuilderKind::Ignore)},
      {"__quantum__rt__integer_record_output", plain_builder(BuilderKind::Ignore)},
      {"__quantum__rt__int_record_output", plain_builder(BuilderKind::Ignore)},
      {"__quantum__rt__bool_record_output", plain_builder(BuilderKind::Ignore)},
      {"__quantum__rt__double_record_output", plain_builder(BuilderKind::Ignore)},
      {"__quantum__rt__initialize", plain_builder(BuilderKind::Ignore)},
      {"malloc", plain_builder(BuilderKind::Ignore)},
      {"free", plain_builder(BuilderKind::Ignore)},
      {"llvm.memcpy", plain_builder(BuilderKind::Ignore)},
  };
  const Profile profile = base_profile();
  EXPECT_EQ(profile.name(), "base_profile");
  EXPECT_EQ(profile.entries(), expected);
  for (const auto& [name, builder] : expected) {
    const Builder* found = profile.lookup(name);
    ASSERT_NE(found, nullptr) << name;
    EXPECT_EQ(*found, builder) << name;
  }
}

TEST(BaseProfileTest, LookupIsExactExceptForTheLlvmPrefixRule) {
  const Profile profile = base_profile();
  const Builder* memcpy_entry = &profile.entries().back().second;
  struct Row {
    const char* callee;
    const Builder* expected;
  };
  const Row rows[] = {
      {"llvm.memcpy", memcpy_entry},
      {"llvm.memcpy.p0i8.p0i8.i64", memcpy_entry},
      {"llvm.memcpy.p0.p0.i64", memcpy_entry},
      {"llvm.memset.p0.i64", nullptr},
      {"llvm.", nullptr},
      {"llvm.memcp", nullptr},
      {"mallocx", nullptr},
      {"freed", nullptr},
      {"__quantum__qis__h__body2", nullptr},
      {"__quantum__qis__H__body", nullptr},
      {"", nullptr},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(profile.lookup(row.callee), row.expected) << row.callee;
  }
}

TEST(ProfileTest, ExtendAppendsOrReplacesInPlaceAndPrefixesFollowInsertionOrder) {
  Profile profile("custom");
  profile.extend("llvm.mem", plain_builder(BuilderKind::Reset));
  profile.extend("llvm.memcpy", plain_builder(BuilderKind::Ignore));
  profile.extend("llvm.m", plain_builder(BuilderKind::Measure));
  profile.extend("llvm.mem", gate_builder("h"));
  ASSERT_EQ(profile.entries().size(), 3u);
  EXPECT_EQ(profile.name(), "custom");
  EXPECT_EQ(profile.entries()[0].first, "llvm.mem");
  EXPECT_EQ(profile.entries()[0].second, gate_builder("h"));
  // The first entry in insertion order wins, not the longest prefix.
  EXPECT_EQ(profile.lookup("llvm.memcpy.p0.p0.i64"), &profile.entries()[0].second);
  EXPECT_EQ(profile.lookup("llvm.memcpy"), &profile.entries()[1].second);
  EXPECT_EQ(profile.lookup("llvm.max.i64"), &profile.entries()[2].second);
  EXPECT_EQ(profile.lookup("llvm.fabs"), nullptr);
}

// Runs one call through lower_call against the base profile and the
// signatures declared in `declarations`.
struct CallOutcome {
  Status status;
  std::vector<Stmt> statements;
};

CallOutcome run_call(const std::string& declarations, std::string_view callee,
                     const std::vector<Operand>& operands) {
  Result<SignatureMap> signatures = build_signature_map(declarations);
  EXPECT_TRUE(signatures.ok()) << signatures.error().message;
  if (!signatures.ok()) return {std::move(signatures).error(), {}};
  LoweringContext context;
  std::vector<Stmt> statements;
  Status status =
      lower_call(base_profile(), *signatures, callee, operands, std::nullopt, context, statements);
  return {std::move(status), std::move(statements)};
}

TEST(LowerCallTest, RejectsUnknownCalleesAndMisshapenCalls) {
  struct Row {
    std::string declarations;
    std::string callee;
    std::vector<Operand> operands;
    std::string message;
  };
  const Row rows[] = {
      {"declare void @__quantum__qis__x__body(%Qubit*)",
       "__quantum__qis__h__body",
       {qubit_ptr(0)},
       "no signature for callee \"__quantum__qis__h__body\" in QIR source"},
      {"declare void @\"odd\\\"name\"(i64)",
       "odd\\\"name",
       {},
       "no signature for callee \"odd\\\\\\\"name\" in QIR source"},
      {"declare void @my_gate(%Qubit*)",
       "my_gate",
       {qubit_ptr(0)},
       "no builder registered for declared QIR function 'my_gate'; extend the Profile to support "
       "it"},
      {"declare void @my_ctl(i64, ...)",
       "my_ctl",
       {int_const(1)},
       "variadic QIR function 'my_ctl' is not supported; only "
       "'generalizedInvokeWithRotationsControlsTargets' is; multi-controlled gates must be "
       "decomposed into single- and two-qubit gates before translation"},
      {"declare void @llvm.memset.p0.i64(ptr, i8, i64, i1)",
       "llvm.memset.p0.i64",
       {opaque_ptr(0), int_const(0), int_const(8), Operand(ConstBool{false})},
       "no builder registered for declared QIR function 'llvm.memset.p0.i64'; extend the Profile "
       "to "
       "support it"},
      {"declare ptr @mallocx(i64)",
       "mallocx",
       {int_const(8)},
       "no builder registered for declared QIR function 'mallocx'; extend the Profile to support "
       "it"},
      {"declare void @__quantum__qis__h__body(%Qubit*, ...)",
       "__quantum__qis__h__body",
       {qubit_ptr(0)},
       "QIR function \"__quantum__qis__h__body\" is variadic and cannot be lowered by the "
       "default dispatch; variadic lowering requires a specialized builder that inspects the "
       "runtime operand list"},
      {"declare void @__quantum__qis__mz__body(ptr, ...)",
       "__quantum__qis__mz__body",
       {opaque_ptr(0), opaque_ptr(0)},
       "QIR function \"__quantum__qis__mz__body\" is variadic and cannot be lowered by the "
       "default dispatch; variadic lowering requires a specialized builder that inspects the "
       "runtime operand list"},
      {"declare void @__quantum__qis__h__body(%Qubit*)",
       "__quantum__qis__h__body",
       {qubit_ptr(0), qubit_ptr(1)},
       "arity mismatch calling \"__quantum__qis__h__body\": IR supplied 2 operand(s) but "
       "signature expects 1"},
      {"declare void @__quantum__qis__reset__body(%Qubit*)",
       "__quantum__qis__reset__body",
       {},
       "arity mismatch calling \"__quantum__qis__reset__body\": IR supplied 0 operand(s) "
       "but signature expects 1"},
      {"declare void @__quantum__rt__tuple_record_output(i64, i8*)",
       "__quantum__rt__tuple_record_output",
       {int_const(2)},
       "arity mismatch calling \"__quantum__rt__tuple_record_output\": IR supplied 1 operand(s) "
       "but signature expects 2"},
      {"declare void @generalizedInvokeWithRotationsControlsTargets(i64, i64, i64, i64, i8*)",
       "generalizedInvokeWithRotationsControlsTargets",
       {int_const(0)},
       "arity mismatch calling \"generalizedInvokeWithRotationsControlsTargets\": IR supplied "
       "1 operand(s) but signature expects 5"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.callee);
    CallOutcome outcome = run_call(row.declarations, row.callee, row.operands);
    ASSERT_FALSE(outcome.status.ok());
    EXPECT_EQ(outcome.status.error().kind, ErrorKind::Lowering);
    EXPECT_EQ(outcome.status.error().message, row.message);
    EXPECT_TRUE(outcome.statements.empty());
  }
}

TEST(LowerCallTest, AcceptsWellShapedCallsAndAppendsTheirStatements) {
  struct Row {
    std::string declarations;
    std::string callee;
    std::vector<Operand> operands;
    std::vector<Stmt> statements;
  };
  const Row rows[] = {
      {"declare void @__quantum__rt__tuple_record_output(i64, ...)",
       "__quantum__rt__tuple_record_output",
       {int_const(2), Operand(I8Null{})},
       {}},
      {"declare void @__quantum__rt__tuple_record_output(i64, ...)",
       "__quantum__rt__tuple_record_output",
       {},
       {}},
      {"declare void @llvm.memcpy.p0.p0.i64(ptr, ptr, i64, i1)",
       "llvm.memcpy.p0.p0.i64",
       {opaque_ptr(0), opaque_ptr(1), int_const(8), Operand(ConstBool{false})},
       {}},
      {"declare void @__quantum__qis__cx__body(%Qubit*, %Qubit*)",
       "__quantum__qis__cx__body",
       {qubit_ptr(0), qubit_ptr(1)},
       {gate("cnot", {}, {qubit(0), qubit(1)})}},
      {"declare void @__quantum__qis__ccx__body(ptr, ptr, ptr)",
       "__quantum__qis__ccx__body",
       {opaque_ptr(2), opaque_ptr(0), opaque_ptr(1)},
       {gate("ccnot", {}, {qubit(2), qubit(0), qubit(1)})}},
      {"declare void @__quantum__qis__rzz__body(double, %Qubit*, %Qubit*)",
       "__quantum__qis__rzz__body",
       {Operand(ConstFloat{1.5}), qubit_ptr(0), qubit_ptr(1)},
       {gate("zz", {Expr(FloatLit{1.5})}, {qubit(0), qubit(1)})}},
      {"declare void @__quantum__qis__t__adj(%Qubit*)",
       "__quantum__qis__t__adj",
       {qubit_ptr(2)},
       {gate("t", {}, {qubit(2)}, true)}},
      {"declare void @__quantum__qis__mresetz__body(%Qubit*, %Result*)",
       "__quantum__qis__mresetz__body",
       {qubit_ptr(0), result_ptr(2)},
       {Stmt(Measure{qubit(0), bit(2)}), Stmt(Reset{qubit(0)})}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.callee);
    CallOutcome outcome = run_call(row.declarations, row.callee, row.operands);
    ASSERT_TRUE(outcome.status.ok()) << outcome.status.error().message;
    EXPECT_EQ(outcome.statements, row.statements);
  }
}

TEST(LowerCallTest, AppendsAfterExistingStatementsAndPassesTheResultName) {
  Result<SignatureMap> signatures = build_signature_map(
      "declare void @__quantum__qis__h__body(%Qubit*)\n"
      "declare i1 @__quantum__rt__read_result(%Result*)\n");
  ASSERT_TRUE(signatures.ok()) << signatures.error().message;
  const Profile profile = base_profile();
  LoweringContext context;
  std::vector<Stmt> out = {Stmt(Reset{qubit(9)})};
  const std::vector<Operand> h_args = {qubit_ptr(3)};
  ASSERT_TRUE(lower_call(profile, *signatures, "__quantum__qis__h__body", h_args, std::nullopt,
                         context, out)
                  .ok());
  const std::vector<Operand> read_args = {result_ptr(4)};
  ASSERT_TRUE(lower_call(profile, *signatures, "__quantum__rt__read_result", read_args,
                         std::string_view("r"), context, out)
                  .ok());
  const std::vector<Stmt> expected = {Stmt(Reset{qubit(9)}), gate("h", {}, {qubit(3)})};
  EXPECT_EQ(out, expected);
  EXPECT_EQ(context.max_qubit_index, 3);
  EXPECT_EQ(context.max_result_index, 4);
  Result<Expr> bound = context.lookup("r");
  ASSERT_TRUE(bound.ok()) << bound.error().message;
  EXPECT_EQ(*bound, bit_expr(4));
}

}  // namespace
}  // namespace corvane
