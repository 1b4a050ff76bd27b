// The generalized controlled invocation: its calling-convention checks in
// order, the controlled-gate mapping and the adjoint modifier.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "builder_test_util.h"
#include "builders/profile.h"

namespace corvane {
namespace {

using namespace testing_util;

constexpr const char* kCallee = "generalizedInvokeWithRotationsControlsTargets";

const Signature kTyped{kCallee, "void", {"i64", "i64", "i64", "i64", "i8"}, true};
const Signature kOpaque{kCallee, "void", {"i64", "i64", "i64", "i64", "ptr"}, true};
const Builder kBuilder = plain_builder(BuilderKind::GeneralizedControlled);

Operand inner(const char* op) { return BitcastGlobal{op}; }

// Prefix operands followed by the given trailing operands.
std::vector<Operand> call_operands(Operand rotations, Operand adjoint, Operand controls,
                                   Operand targets, Operand inner_fn,
                                   std::vector<Operand> trailing) {
  std::vector<Operand> operands = {rotations, adjoint, controls, targets, inner_fn};
  operands.insert(operands.end(), trailing.begin(), trailing.end());
  return operands;
}

std::vector<Operand> simple_call(std::int64_t adjoint, std::int64_t controls, std::int64_t targets,
                                 Operand inner_fn, std::vector<Operand> trailing) {
  return call_operands(int_const(0), int_const(adjoint), int_const(controls), int_const(targets),
                       inner_fn, std::move(trailing));
}

TEST(GeneralizedControlledTest, MapsControlledOperationsToNativeGates) {
  struct Row {
    const char* what;
    Signature signature;
    std::vector<Operand> operands;
    Stmt expected;
    std::int64_t max_qubit_index;
  };
  const Row rows[] = {
      {"controlled x", kTyped,
       simple_call(0, 1, 1, inner("__quantum__qis__x__ctl"), {qubit_ptr(0), qubit_ptr(1)}),
       gate("cnot", {}, {qubit(0), qubit(1)}), 1},
      {"adjoint controlled z", kTyped,
       simple_call(1, 1, 1, inner("__quantum__qis__z__ctl"), {qubit_ptr(0), qubit_ptr(1)}),
       gate("cz", {}, {qubit(0), qubit(1)}, true), 1},
      {"any non-zero adjoint", kOpaque,
       simple_call(-7, 1, 1, Operand(GlobalRef{"__quantum__qis__y__ctl"}),
                   {opaque_ptr(3), opaque_ptr(2)}),
       gate("cy", {}, {qubit(3), qubit(2)}, true), 3},
      {"doubly controlled x keeps operand order", kTyped,
       simple_call(0, 2, 1, inner("__quantum__qis__x__ctl"),
                   {qubit_ptr(2), qubit_ptr(0), qubit_ptr(1)}),
       gate("ccnot", {}, {qubit(2), qubit(0), qubit(1)}), 2},
      {"controlled swap", kTyped,
       simple_call(0, 1, 2, inner("__quantum__qis__swap__ctl"),
                   {qubit_ptr(0), qubit_ptr(1), qubit_ptr(2)}),
       gate("cswap", {}, {qubit(0), qubit(1), qubit(2)}), 2},
      {"controlled phase shift has no angle", kTyped,
       simple_call(0, 1, 1, inner("__quantum__qis__phaseshift__ctl"), {qubit_ptr(4), qubit_ptr(1)}),
       gate("cphaseshift", {}, {qubit(4), qubit(1)}), 4},
      {"i8 null qubit is q[0]", kTyped,
       simple_call(0, 1, 1, inner("__quantum__qis__x__ctl"), {qubit_ptr(1), Operand(I8Null{})}),
       gate("cnot", {}, {qubit(1), qubit(0)}), 1},
      {"recorded SSA qubits", kTyped,
       simple_call(0, 1, 1, inner("__quantum__qis__x__ctl"),
                   {Operand(Ssa{"a"}), Operand(Ssa{"b"})}),
       gate("cnot", {}, {qubit(8), qubit(9)}), 9},
      {"extra declared parameters after the prefix",
       {kCallee, "void", {"i64", "i64", "i64", "i64", "i8", "Qubit"}, true},
       simple_call(0, 1, 1, inner("__quantum__qis__x__ctl"), {qubit_ptr(0), qubit_ptr(1)}),
       gate("cnot", {}, {qubit(0), qubit(1)}),
       1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    LoweringContext context;
    context.record_int_pointer("a", 8);
    context.record_int_pointer("b", 9);
    std::vector<Stmt> out;
    Status status =
        invoke_builder(kBuilder, row.signature, row.operands, std::nullopt, context, out);
    ASSERT_TRUE(status.ok()) << status.error().message;
    EXPECT_EQ(out, std::vector<Stmt>{row.expected});
    EXPECT_EQ(context.max_qubit_index, row.max_qubit_index);
    EXPECT_EQ(context.max_result_index, -1);
  }
}

TEST(GeneralizedControlledTest, ChecksTheCallingConventionInOrder) {
  const std::string signature_tail =
      "; expected callee \"generalizedInvokeWithRotationsControlsTargets\" with parameter prefix "
      "(\"i64\", \"i64\", \"i64\", \"i64\", \"i8\"|\"ptr\", ...) and is_variadic=true";
  const std::string prefix = std::string(kCallee);
  const int128 big = static_cast<int128>(1) << 64;
  const Operand x_ctl = inner("__quantum__qis__x__ctl");
  const std::vector<Operand> two_qubits = {qubit_ptr(0), qubit_ptr(1)};
  struct Row {
    const char* what;
    Signature signature;
    std::vector<Operand> operands;
    std::string message;
  };
  const Row rows[] = {
      {"not variadic",
       {kCallee, "void", {"i64", "i64", "i64", "i64", "i8"}, false},
       simple_call(0, 1, 1, x_ctl, two_qubits),
       "generalized-controlled intrinsic \"generalizedInvokeWithRotationsControlsTargets\" has "
       "unexpected signature [\"i64\", \"i64\", \"i64\", \"i64\", \"i8\"] (variadic=false)" +
           signature_tail},
      {"other name",
       {"my\"ctl", "void", {"i64", "i64", "i64", "i64", "ptr"}, true},
       simple_call(0, 1, 1, x_ctl, two_qubits),
       "generalized-controlled intrinsic \"my\\\"ctl\" has unexpected signature [\"i64\", "
       "\"i64\", \"i64\", \"i64\", \"ptr\"] (variadic=true)" +
           signature_tail},
      {"four parameters",
       {kCallee, "void", {"i64", "i64", "i64", "i64"}, true},
       {},
       "generalized-controlled intrinsic \"generalizedInvokeWithRotationsControlsTargets\" has "
       "unexpected signature [\"i64\", \"i64\", \"i64\", \"i64\"] (variadic=true)" +
           signature_tail},
      {"i32 in the prefix",
       {kCallee, "void", {"i64", "i64", "i32", "i64", "i8"}, true},
       {},
       "generalized-controlled intrinsic \"generalizedInvokeWithRotationsControlsTargets\" has "
       "unexpected signature [\"i64\", \"i64\", \"i32\", \"i64\", \"i8\"] (variadic=true)" +
           signature_tail},
      {"inner function typed as i64",
       {kCallee, "void", {"i64", "i64", "i64", "i64", "i64"}, true},
       {},
       "generalized-controlled intrinsic \"generalizedInvokeWithRotationsControlsTargets\" has "
       "unexpected signature [\"i64\", \"i64\", \"i64\", \"i64\", \"i64\"] (variadic=true)" +
           signature_tail},
      {"four operands",
       kTyped,
       {int_const(0), int_const(0), int_const(1), int_const(1)},
       prefix + " expects at least 5 operands (numRotations, adjoint, numControls, numTargets, "
                "innerFn); got 4 operand(s)"},
      {"SSA rotation count", kTyped,
       call_operands(Operand(Ssa{"n"}), int_const(0), int_const(1), int_const(1), x_ctl,
                     two_qubits),
       prefix + ": numRotations must be an i64 constant, got Ssa(\"n\")"},
      {"boolean adjoint", kTyped,
       call_operands(int_const(0), Operand(ConstBool{true}), int_const(1), int_const(1), x_ctl,
                     two_qubits),
       prefix + ": adjoint must be an i64 constant, got ConstBool(true)"},
      {"pointer control count", kTyped,
       call_operands(int_const(0), int_const(0), qubit_ptr(1), int_const(1), x_ctl, two_qubits),
       prefix +
           ": numControls must be an i64 constant, got PtrConst { struct_name: Some(\"Qubit\"), "
           "index: 1 }"},
      {"float target count", kTyped,
       call_operands(int_const(0), int_const(0), int_const(1), Operand(ConstFloat{1.0}), x_ctl,
                     two_qubits),
       prefix + ": numTargets must be an i64 constant, got ConstFloat(1.0)"},
      {"huge rotation count", kTyped,
       call_operands(Operand(ConstInt{big}), int_const(0), int_const(1), int_const(1), x_ctl,
                     two_qubits),
       prefix + ": numRotations = 18446744073709551616 does not fit in i64"},
      {"integers are checked before the rotation count", kTyped,
       call_operands(int_const(1), int_const(0), Operand(ConstInt{-big}), int_const(1), x_ctl,
                     two_qubits),
       prefix + ": numControls = -18446744073709551616 does not fit in i64"},
      {"rotations", kTyped,
       call_operands(int_const(1), int_const(0), int_const(-1), int_const(1), Operand(Ssa{"f"}),
                     {Operand(GlobalRef{"q"})}),
       prefix + " with numRotations=1 is not yet supported; only non-parametric controlled "
                "gates (numRotations == 0) are handled"},
      {"negative controls", kTyped, simple_call(0, -1, 1, x_ctl, two_qubits),
       prefix + " had negative numControls=-1 or numTargets=1"},
      {"negative targets", kTyped, simple_call(0, 2, INT64_MIN, x_ctl, two_qubits),
       prefix + " had negative numControls=2 or numTargets=-9223372036854775808"},
      {"SSA inner function", kTyped, simple_call(0, 1, 1, Operand(Ssa{"fn"}), two_qubits),
       prefix + ": inner-function operand must be a bitcast of a named global (e.g. ``i8* "
                "bitcast (T* @__quantum__qis__<op>__ctl to i8*)``) or a bare global reference; "
                "got Ssa(\"fn\")"},
      {"null inner function", kTyped, simple_call(0, 1, 1, Operand(I8Null{}), two_qubits),
       prefix + ": inner-function operand must be a bitcast of a named global (e.g. ``i8* "
                "bitcast (T* @__quantum__qis__<op>__ctl to i8*)``) or a bare global reference; "
                "got I8Null"},
      {"body instead of ctl", kTyped,
       simple_call(0, 1, 1, inner("__quantum__qis__x__body"), two_qubits),
       prefix + ": inner callee \"__quantum__qis__x__body\" does not match the expected "
                "`__quantum__qis__<op>__ctl` pattern"},
      {"prefix and suffix overlap", kTyped,
       simple_call(0, 1, 1, Operand(GlobalRef{"__quantum__qis__ctl"}), two_qubits),
       prefix + ": inner callee \"__quantum__qis__ctl\" does not match the expected "
                "`__quantum__qis__<op>__ctl` pattern"},
      {"wrong namespace", kTyped, simple_call(0, 1, 1, inner("__quantum__rt__x__ctl"), two_qubits),
       prefix + ": inner callee \"__quantum__rt__x__ctl\" does not match the expected "
                "`__quantum__qis__<op>__ctl` pattern"},
      {"too many trailing qubits", kTyped,
       simple_call(0, 1, 1, x_ctl, {qubit_ptr(0), qubit_ptr(1), qubit_ptr(2), qubit_ptr(3)}),
       prefix + ": expected 2 qubit operand(s) after the fixed prefix (numControls=1 + "
                "numTargets=1); got 4 trailing operand(s)"},
      {"counts whose sum exceeds i64", kTyped,
       simple_call(0, INT64_MAX, INT64_MAX, x_ctl, two_qubits),
       prefix + ": expected 18446744073709551614 qubit operand(s) after the fixed prefix "
                "(numControls=9223372036854775807 + numTargets=9223372036854775807); got 2 "
                "trailing operand(s)"},
      {"unresolvable qubit", kTyped,
       simple_call(0, 1, 1, x_ctl, {qubit_ptr(0), Operand(GlobalRef{"q1"})}),
       "qubit operand for \"generalizedInvokeWithRotationsControlsTargets\" is not a "
       "compile-time constant; runtime qubit allocation is not supported"},
      {"negative qubit", kTyped, simple_call(0, 1, 1, x_ctl, {qubit_ptr(0), qubit_ptr(-2)}),
       "qubit operand for \"generalizedInvokeWithRotationsControlsTargets\" has negative index "
       "-2; qubit and result indices must be non-negative"},
      {"qubits are resolved before the mapping", kTyped,
       simple_call(0, 1, 1, inner("__quantum__qis__h__ctl"), {int_const(0), qubit_ptr(1)}),
       "could not resolve qubit operand for \"generalizedInvokeWithRotationsControlsTargets\""},
      {"swap with two controls", kTyped,
       simple_call(0, 2, 1, inner("__quantum__qis__swap__ctl"),
                   {qubit_ptr(0), qubit_ptr(1), qubit_ptr(2)}),
       prefix + ": no Ostrel-native gate for controlled ``swap`` with numControls=2, "
                "numTargets=1. Extend the decomposition pipeline upstream, or add a gate "
                "mapping here."},
      {"empty op", kTyped, simple_call(0, 1, 1, inner("__quantum__qis____ctl"), two_qubits),
       prefix + ": no Ostrel-native gate for controlled ```` with numControls=1, "
                "numTargets=1. Extend the decomposition pipeline upstream, or add a gate "
                "mapping here."},
      {"no controls", kTyped, simple_call(0, 0, 1, x_ctl, {qubit_ptr(0)}),
       prefix + ": no Ostrel-native gate for controlled ``x`` with numControls=0, "
                "numTargets=1. Extend the decomposition pipeline upstream, or add a gate "
                "mapping here."},
      {"op compared byte for byte", kTyped,
       simple_call(0, 1, 1, inner("__quantum__qis__X__ctl"), two_qubits),
       prefix + ": no Ostrel-native gate for controlled ``X`` with numControls=1, "
                "numTargets=1. Extend the decomposition pipeline upstream, or add a gate "
                "mapping here."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    LoweringContext context;
    std::vector<Stmt> out;
    Status status =
        invoke_builder(kBuilder, row.signature, row.operands, std::nullopt, context, out);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().kind, ErrorKind::Lowering);
    EXPECT_EQ(status.error().message, row.message);
    EXPECT_TRUE(out.empty());
  }
}

TEST(GeneralizedControlledTest, RunsThroughCallHandlingWithTheDeclaredSignature) {
  Result<SignatureMap> signatures = build_signature_map(
      "declare void @generalizedInvokeWithRotationsControlsTargets(i64, i64, i64, i64, i8*, ...)");
  ASSERT_TRUE(signatures.ok()) << signatures.error().message;
  LoweringContext context;
  std::vector<Stmt> out;
  const std::vector<Operand> operands =
      simple_call(0, 1, 1, inner("__quantum__qis__x__ctl"), {qubit_ptr(0), qubit_ptr(1)});
  Status status =
      lower_call(base_profile(), *signatures, kCallee, operands, std::nullopt, context, out);
  ASSERT_TRUE(status.ok()) << status.error().message;
  EXPECT_EQ(out, std::vector<Stmt>{gate("cnot", {}, {qubit(0), qubit(1)})});
}

}  // namespace
}  // namespace corvane
