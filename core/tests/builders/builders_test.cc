// The profile and its builders: gates, measurement, reset, read-result, ignore
// and the generalized controlled invocation, run on signatures and operands
// written as text. (Call handling's checks before a builder runs are golden
// cases: call_*.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "builders/profile.h"
#include "expr_builders.h"

namespace corvane {
namespace {

using namespace expr_builders;

std::int64_t integer(std::string_view text) { return std::stoll(std::string(text)); }

// "ret name(type, type, ...)", the last type "..." for a variadic function.
Signature signature_of(std::string_view text) {
  const std::size_t space = text.find(' ');
  const std::size_t open = text.find('(');
  Signature signature{std::string(text.substr(space + 1, open - space - 1)),
                      std::string(text.substr(0, space)),
                      {},
                      false};
  std::string_view params = text.substr(open + 1, text.size() - open - 2);
  while (!params.empty()) {
    const std::size_t comma = std::min(params.find(", "), params.size());
    const std::string_view param = params.substr(0, comma);
    if (param == "...") {
      signature.is_variadic = true;
    } else {
      signature.param_types.emplace_back(param);
    }
    params.remove_prefix(std::min(comma + 2, params.size()));
  }
  return signature;
}

// The base profile, and some builders under other names.
Profile test_profile() {
  Profile profile = base_profile();
  profile.extend("g", Builder{BuilderKind::Gate, "g", false});
  profile.extend("b", Builder{BuilderKind::Gate, "barrier", false});
  profile.extend("my\"gate\n", Builder{BuilderKind::Gate, "h", false});
  profile.extend("my\"ctl", Builder{BuilderKind::GeneralizedControlled, "", false});
  return profile;
}

// Runs the builder of the signature's name in a context prepared by `setup`
// ("a=6" records inttoptr index 6 for %a, "a:x" binds %a to x, a decimal or an
// integer literal or a name, "max=Q,R" sets the register maxima) and renders
// the outcome: "[Q R] statements", with " v=expr" when the result v is bound,
// or the error. A failing builder must append nothing.
std::string run_builder(const std::string& signature_text, std::string_view operands_text,
                        std::string_view setup = "") {
  const Signature signature = signature_of(signature_text);
  LoweringContext context;
  for (const std::string_view item : words(setup)) {
    const std::size_t eq = item.find('=');
    const std::size_t colon = item.find(':');
    if (item.starts_with("max=")) {
      const std::size_t comma = item.find(',');
      context.max_qubit_index = integer(item.substr(4, comma - 4));
      context.max_result_index = integer(item.substr(comma + 1));
    } else if (eq != std::string_view::npos) {
      context.record_int_pointer(item.substr(0, eq), integer(item.substr(eq + 1)));
    } else {
      const std::string_view value = item.substr(colon + 1);
      Expr bound = Ident{std::string(value)};
      if (value.find('.') != std::string_view::npos) {
        bound = FloatLit{std::stod(std::string(value))};
      } else if (std::isdigit(static_cast<unsigned char>(value[0]))) {
        bound = IntLit{integer(value)};
      }
      context.bind(item.substr(0, colon), bound);
    }
  }
  std::vector<Operand> operands;
  for (const std::string_view word : words(operands_text)) operands.push_back(operand_of(word));
  const Profile profile = test_profile();
  const Builder* builder = profile.lookup(signature.name);
  EXPECT_NE(builder, nullptr) << signature.name;
  if (builder == nullptr) return "";
  std::vector<Stmt> out = {Reset{IndexedIdent{"marker", std::nullopt}}};
  const std::optional<std::string_view> result =
      signature.return_type == "void" ? std::nullopt : std::optional<std::string_view>("v");
  const Status status = invoke_builder(*builder, signature, operands, result, context, out);
  if (!status.ok()) {
    EXPECT_EQ(out.size(), 1u) << "a failing call emits nothing";
    return status.error().display();
  }
  out.erase(out.begin());
  std::string text = "[" + std::to_string(context.max_qubit_index) + " " +
                     std::to_string(context.max_result_index) + "] " + dump_statements(out);
  if (result && context.env.count("v") != 0) {
    text += " v=" + text_of(context.env.find("v")->second);
  }
  return text;
}

struct Row {
  std::string signature;
  const char* operands;
  const char* setup;
  std::string expected;
};

void check_rows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    EXPECT_EQ(run_builder(row.signature, row.operands, row.setup), row.expected)
        << row.signature << " on " << row.operands;
  }
}

const std::string kH = "void __quantum__qis__h__body(Qubit)";
const std::string kRz = "void __quantum__qis__rz__body(double, Qubit)";

TEST(BuilderTest, GatesSplitOperandsByDeclaredParameterTypes) {
  const std::string h = "\"__quantum__qis__h__body\"";
  const std::string rz = "\"__quantum__qis__rz__body\"";
  const std::string not_constant =
      " is not a compile-time constant; runtime qubit allocation is not supported";
  const std::string unresolved = "could not resolve qubit operand for " + h;
  const std::string bad_scalar = "unsupported scalar operand form for " + rz;
  const std::string negative = "; qubit and result indices must be non-negative";
  check_rows({
      {kH, "q0", "", "[0 -1] h q[0];"},
      {kRz, "0.5 q0", "", "[0 -1] rz(0.5) q[0];"},
      {"void __quantum__qis__ccx__body(ptr, ptr, ptr)", "p5 p0 q2", "",
       "[5 -1] ccnot q[5], q[0], q[2];"},
      {kH, "%q3", "q3=3", "[3 -1] h q[3];"},
      {"void __quantum__qis__phasedx__body(double, double, Qubit)", "%theta %phi q0",
       "theta:0.125 phi:cint_0", "[0 -1] prx(0.125, cint_0) q[0];"},
      {"void g(i1, i64, i64, Qubit)", "true -9223372036854775808 9223372036854775807 q0", "",
       "[0 -1] g(true, (-9223372036854775807 - 1), 9223372036854775807) q[0];"},
      {kH, "q2", "max=7,3", "[7 3] h q[2];"},
      {"void b()", "", "", "[-1 -1] barrier ;"},
      // r1 is rz; u3 is three rotations, its angles in the order lambda, theta, phi.
      {"void __quantum__qis__r1__body(double, Qubit)", "-0.5 q1", "", "[1 -1] rz(-0.5) q[1];"},
      {"void __quantum__qis__u3__body(double, double, double, ptr)", "0.5 %phi 2 p3", "phi:x",
       "[3 -1] rz(2) q[3]; ry(0.5) q[3]; rz(x) q[3];"},
      {"void __quantum__qis__u3__body(double, double, Qubit)", "0.5 1.5 q0", "",
       "gate \"__quantum__qis__u3__body\" is declared with 2 angle(s) and 1 qubit(s); its "
       "operation ``u3`` takes 3 angles and 1 qubit"},
      {kH, "@q0", "", "qubit operand for " + h + not_constant},
      {kH, "gep", "", "qubit operand for " + h + not_constant},
      {kH, "%q", "q:1", "qubit operand for " + h + not_constant},
      {kH, "3", "", unresolved},
      {kH, "null", "", unresolved},
      {kH, "q-1", "", "qubit operand for " + h + " has negative index -1" + negative},
      {kH, "%n", "n=-9223372036854775808",
       "qubit operand for " + h + " has negative index -9223372036854775808" + negative},
      {kRz, "9223372036854775808 q0", "",
       "integer constant 9223372036854775808 does not fit in i64; larger widths are not "
       "supported"},
      {kRz, "-9223372036854775809 q0", "",
       "integer constant -9223372036854775809 does not fit in i64; larger widths are not "
       "supported"},
      {kRz, "%theta q0", "",
       "SSA value \"theta\" is used but was never bound; upstream instruction may be unsupported"},
      {"void __quantum__qis__rz__body(Result, Qubit)", "r0 q0", "", bad_scalar},
      {kRz, "gep q0", "", bad_scalar},
      // The first failing operand wins; names are quoted with escapes.
      {kRz, "0.5 @q", "", "qubit operand for " + rz + not_constant},
      {"void my\"gate\n(Qubit)", "0", "", "could not resolve qubit operand for \"my\\\"gate\\n\""},
      {kH, "q0 q1", "",
       "internal error: builder for " + h + " received 2 operand(s) for 1 declared parameter(s)"},
  });
  // A failed resolution leaves the maxima alone.
  LoweringContext context;
  std::vector<Stmt> out;
  const std::vector<Operand> operands = {PtrConst{"Qubit", -5}};
  ASSERT_FALSE(invoke_builder(*base_profile().lookup("__quantum__qis__h__body"), signature_of(kH),
                              operands, std::nullopt, context, out)
                   .ok());
  EXPECT_EQ(context.max_qubit_index, -1);
}

TEST(BuilderTest, MeasurementsResetsReadResultsAndIgnoredCalls) {
  const std::string mz = "\"__quantum__qis__mz__body\"";
  const std::string kMz = "void __quantum__qis__mz__body(Qubit, Result)";
  const std::string kReset = "void __quantum__qis__reset__body(Qubit)";
  const std::string kRead = "i1 __quantum__rt__read_result(Result)";
  const std::string result_not_constant =
      " is not a compile-time constant; runtime result allocation is not supported";
  const std::string measure_signature =
      "measurement intrinsic \"__quantum__qis__mz__body\" has unexpected signature ";
  const std::string mreset_signature =
      "measure-and-reset intrinsic "
      "\"__quantum__qis__mresetz__body\" has unexpected signature ";
  const std::string reset_signature =
      "reset intrinsic \"__quantum__qis__reset__body\" has unexpected signature ";
  const std::string read_signature =
      "read_result intrinsic \"__quantum__rt__read_result\" has unexpected signature ";
  const std::string pair = "; expected (\"Qubit\", \"Result\")";
  check_rows({
      {kMz, "q1 r2", "", "[1 2] c[2] = measure q[1];"},
      {kMz, "%a %b", "a=6 b=7", "[6 7] c[7] = measure q[6];"},
      {"void __quantum__qis__mresetz__body(Qubit, Result)", "q0 r2", "",
       "[0 2] c[2] = measure q[0]; reset q[0];"},
      {kReset, "q5", "", "[5 -1] reset q[5];"},
      {"void __quantum__qis__mz__body(ptr)", "p0", "", measure_signature + "[\"Qubit\"]" + pair},
      {"Result __quantum__qis__m__body(Qubit)", "q0", "",
       "measurement intrinsic \"__quantum__qis__m__body\" has unexpected signature [\"Qubit\"]" +
           pair},
      {"void __quantum__qis__mz__body(ptr, ptr, ptr)", "p0 p0 p0", "",
       measure_signature + "[\"Qubit\", \"Result\", \"ptr\"]" + pair},
      {"void __quantum__qis__mresetz__body(Result, Qubit)", "r0 q0", "",
       mreset_signature + "[\"Result\", \"Qubit\"]" + pair},
      {"void __quantum__qis__mresetz__body()", "", "", mreset_signature + "[]" + pair},
      {"void __quantum__qis__reset__body(ptr, ptr)", "p0 p1", "",
       reset_signature + "[\"Qubit\", \"Qubit\"]; expected (\"Qubit\",)"},
      {"void __quantum__qis__reset__body(i64)", "0", "",
       reset_signature + "[\"i64\"]; expected (\"Qubit\",)"},
      {kMz, "q0 @r", "", "result operand for " + mz + result_not_constant},
      {kMz, "q0 %r", "", "result operand for " + mz + result_not_constant},
      {kMz, "q0 r-3", "",
       "result operand for " + mz +
           " has negative index -3; qubit and result indices must be non-negative"},
      {kMz, "0 @r", "", "could not resolve qubit operand for " + mz},
      {kReset, "@q", "",
       "qubit operand for \"__quantum__qis__reset__body\" is not a compile-time constant; "
       "runtime qubit allocation is not supported"},
      // read_result binds its result to the register bit and emits nothing.
      {"i1 __quantum__qis__read_result__body(Result)", "r0", "v:0", "[-1 0]  v=c[0]"},
      {"i1 __quantum__rt__read_result(ptr)", "%res5", "res5=5", "[-1 5]  v=c[5]"},
      {"void __quantum__qis__read_result__body(Result)", "r9", "", "[-1 9] "},
      {"i1 __quantum__rt__read_result(Qubit)", "q0", "",
       read_signature + "[\"Qubit\"]; expected (\"Result\",)"},
      {"i1 __quantum__rt__read_result(ptr, ptr)", "p0 p0", "",
       read_signature + "[\"Result\", \"Result\"]; expected (\"Result\",)"},
      {kRead, "@r", "", "result operand for \"__quantum__rt__read_result\"" + result_not_constant},
      // Ignored calls look at no operand.
      {"void __quantum__rt__result_record_output(Result, i8)", "r9 null", "", "[-1 -1] "},
      {"void __quantum__rt__tuple_record_output(i64, ...)",
       "1267650600228229401496703205376 @g %unbound q-4", "", "[-1 -1] "},
  });
}

TEST(BuilderTest, GeneralizedControlledChecksItsConventionAndMapsToNativeGates) {
  const std::string name = "generalizedInvokeWithRotationsControlsTargets";
  const std::string typed = "void " + name + "(i64, i64, i64, i64, i8, ...)";
  const std::string unexpected = "generalized-controlled intrinsic \"" + name +
                                 "\" has unexpected signature [\"i64\", \"i64\", ";
  const std::string tail =
      "; expected callee \"generalizedInvokeWithRotationsControlsTargets\" with parameter prefix "
      "(\"i64\", \"i64\", \"i64\", \"i64\", \"i8\"|\"ptr\", ...) and is_variadic=true";
  const std::string inner_fn =
      ": inner-function operand must be a bitcast of a named global (e.g. ``i8* bitcast (T* "
      "@__quantum__qis__<op>__ctl to i8*)``) or a bare global reference; got ";
  const std::string pattern = "\" does not match the expected `__quantum__qis__<op>__ctl` pattern";
  const std::string no_gate = ": no Ostrel-native gate for controlled ``";
  const std::string extend =
      ", numTargets=1. Extend the decomposition pipeline upstream, or add a gate mapping here.";
  check_rows({
      {typed, "0 0 1 1 bc@__quantum__qis__x__ctl q0 q1", "", "[1 -1] cnot q[0], q[1];"},
      {typed, "0 1 1 1 bc@__quantum__qis__z__ctl q0 q1", "", "[1 -1] inv @ cz q[0], q[1];"},
      {"void " + name + "(i64, i64, i64, i64, ptr, ...)", "0 -7 1 1 @__quantum__qis__y__ctl p3 p2",
       "", "[3 -1] inv @ cy q[3], q[2];"},
      {typed, "0 0 2 1 bc@__quantum__qis__x__ctl q2 q0 q1", "", "[2 -1] ccnot q[2], q[0], q[1];"},
      {typed, "0 0 1 2 bc@__quantum__qis__swap__ctl q0 q1 q2", "",
       "[2 -1] cswap q[0], q[1], q[2];"},
      {typed, "0 0 1 1 bc@__quantum__qis__phaseshift__ctl q4 q1", "",
       "[4 -1] cphaseshift q[4], q[1];"},
      {typed, "0 0 1 1 bc@__quantum__qis__x__ctl q1 null", "", "[1 -1] cnot q[1], q[0];"},
      {typed, "0 0 1 1 bc@__quantum__qis__x__ctl %a %b", "a=8 b=9", "[9 -1] cnot q[8], q[9];"},
      {"void " + name + "(i64, i64, i64, i64, i8, Qubit, ...)",
       "0 0 1 1 bc@__quantum__qis__x__ctl q0 q1", "", "[1 -1] cnot q[0], q[1];"},
      // The calling convention, checked in order.
      {"void " + name + "(i64, i64, i64, i64, i8)", "0 0 1 1 bc@__quantum__qis__x__ctl q0 q1", "",
       unexpected + "\"i64\", \"i64\", \"i8\"] (variadic=false)" + tail},
      {"void my\"ctl(i64, i64, i64, i64, ptr, ...)", "0 0 1 1 bc@__quantum__qis__x__ctl q0 q1", "",
       "generalized-controlled intrinsic \"my\\\"ctl\" has unexpected signature [\"i64\", "
       "\"i64\", \"i64\", \"i64\", \"ptr\"] (variadic=true)" +
           tail},
      {"void " + name + "(i64, i64, i64, i64, ...)", "", "",
       unexpected + "\"i64\", \"i64\"] (variadic=true)" + tail},
      {"void " + name + "(i64, i64, i32, i64, i8, ...)", "", "",
       unexpected + "\"i32\", \"i64\", \"i8\"] (variadic=true)" + tail},
      {"void " + name + "(i64, i64, i64, i64, i64, ...)", "", "",
       unexpected + "\"i64\", \"i64\", \"i64\"] (variadic=true)" + tail},
      {typed, "0 0 1 1", "",
       name + " expects at least 5 operands (numRotations, adjoint, numControls, numTargets, "
              "innerFn); got 4 operand(s)"},
      {typed, "%n 0 1 1 bc@__quantum__qis__x__ctl q0 q1", "",
       name + ": numRotations must be an i64 constant, got Ssa(\"n\")"},
      {typed, "0 true 1 1 bc@__quantum__qis__x__ctl q0 q1", "",
       name + ": adjoint must be an i64 constant, got ConstBool(true)"},
      {typed, "0 0 q1 1 bc@__quantum__qis__x__ctl q0 q1", "",
       name + ": numControls must be an i64 constant, got PtrConst { struct_name: "
              "Some(\"Qubit\"), index: 1 }"},
      {typed, "0 0 1 1.0 bc@__quantum__qis__x__ctl q0 q1", "",
       name + ": numTargets must be an i64 constant, got ConstFloat(1.0)"},
      {typed, "18446744073709551616 0 1 1 bc@__quantum__qis__x__ctl q0 q1", "",
       name + ": numRotations = 18446744073709551616 does not fit in i64"},
      {typed, "1 0 -18446744073709551616 1 bc@__quantum__qis__x__ctl q0 q1", "",
       name + ": numControls = -18446744073709551616 does not fit in i64"},
      {typed, "2 0 -1 1 %f @q", "",
       name + " with numRotations=2 is not supported; only controlled gates with no rotation "
              "angle or one (numRotations 0 or 1) are handled"},
      {typed, "1 0 -1 1 %f @q", "", name + " had negative numControls=-1 or numTargets=1"},
      // A rotation's angle precedes the qubits and counts among the trailing operands.
      {typed, "1 0 1 1 bc@__quantum__qis__rz__ctl 0.5 q0", "",
       name + ": expected 1 rotation angle and 2 qubit operand(s) after the fixed prefix "
              "(numControls=1 + numTargets=1); got 2 trailing operand(s)"},
      {typed, "1 0 1 1 bc@__quantum__qis__x__ctl 0.5 q0 q1", "",
       name + ": controlled ``x`` takes no angle, but numRotations=1"},
      {typed, "1 1 1 1 bc@__quantum__qis__rx__ctl q2 q0 q1", "",
       "unsupported scalar operand form for \"" + name + "\""},
      {typed, "1 1 1 1 bc@__quantum__qis__rx__ctl %a q0 q1", "a:x",
       "[1 -1] rx(-0.5 * x) q[1]; cz q[0], q[1]; rx(0.5 * x) q[1]; cz q[0], q[1];"},
      {typed, "0 0 -1 1 bc@__quantum__qis__x__ctl q0 q1", "",
       name + " had negative numControls=-1 or numTargets=1"},
      {typed, "0 0 2 -9223372036854775808 bc@__quantum__qis__x__ctl q0 q1", "",
       name + " had negative numControls=2 or numTargets=-9223372036854775808"},
      {typed, "0 0 1 1 %fn q0 q1", "", name + inner_fn + "Ssa(\"fn\")"},
      {typed, "0 0 1 1 null q0 q1", "", name + inner_fn + "I8Null"},
      {typed, "0 0 1 1 bc@__quantum__qis__x__body q0 q1", "",
       name + ": inner callee \"__quantum__qis__x__body" + pattern},
      {typed, "0 0 1 1 @__quantum__qis__ctl q0 q1", "",
       name + ": inner callee \"__quantum__qis__ctl" + pattern},
      {typed, "0 0 1 1 bc@__quantum__rt__x__ctl q0 q1", "",
       name + ": inner callee \"__quantum__rt__x__ctl" + pattern},
      {typed, "0 0 1 1 bc@__quantum__qis__x__ctl q0 q1 q2 q3", "",
       name + ": expected 2 qubit operand(s) after the fixed prefix (numControls=1 + "
              "numTargets=1); got 4 trailing operand(s)"},
      {typed, "0 0 9223372036854775807 9223372036854775807 bc@__quantum__qis__x__ctl q0 q1", "",
       name + ": expected 18446744073709551614 qubit operand(s) after the fixed prefix "
              "(numControls=9223372036854775807 + numTargets=9223372036854775807); got 2 "
              "trailing operand(s)"},
      {typed, "0 0 1 1 bc@__quantum__qis__x__ctl q0 @q1", "",
       "qubit operand for \"" + name +
           "\" is not a compile-time constant; runtime qubit allocation is not supported"},
      {typed, "0 0 1 1 bc@__quantum__qis__x__ctl q0 q-2", "",
       "qubit operand for \"" + name +
           "\" has negative index -2; qubit and result indices must be non-negative"},
      {typed, "0 0 1 1 bc@__quantum__qis__h__ctl 0 q1", "",
       "could not resolve qubit operand for \"" + name + "\""},
      {typed, "0 0 2 1 bc@__quantum__qis__swap__ctl q0 q1 q2", "",
       name + no_gate + "swap`` with numControls=2" + extend},
      {typed, "0 0 1 1 bc@__quantum__qis____ctl q0 q1", "",
       name + no_gate + "`` with numControls=1" + extend},
      {typed, "0 0 0 1 bc@__quantum__qis__x__ctl q0", "",
       name + no_gate + "x`` with numControls=0" + extend},
      {typed, "0 0 1 1 bc@__quantum__qis__X__ctl q0 q1", "",
       name + no_gate + "X`` with numControls=1" + extend},
  });
}

// Every entry of the base profile is found by its own name (no later entry is
// shadowed), gate entries name a gate and others none, and an adjoint gate is
// declared __adj with the same gate as its __body entry.
TEST(ProfileTest, BaseEntriesAreReachableAndConsistent) {
  const Profile profile = base_profile();
  EXPECT_EQ(profile.name(), "base_profile");
  for (const auto& [name, builder] : profile.entries()) {
    SCOPED_TRACE(name);
    EXPECT_EQ(profile.lookup(name), &builder);
    EXPECT_EQ(builder.kind == BuilderKind::Gate || builder.kind == BuilderKind::Decomposed,
              !builder.gate.empty());
    EXPECT_EQ(builder.adjoint, name.ends_with("__adj"));
    if (builder.adjoint) {
      const Builder* body = profile.lookup(name.substr(0, name.size() - 5) + "__body");
      ASSERT_NE(body, nullptr);
      EXPECT_EQ(body->gate, builder.gate);
    }
  }
}

TEST(ProfileTest, LookupIsExactExceptForTheLlvmPrefixRule) {
  const Profile profile = base_profile();
  const Builder* memcpy_entry = &profile.entries().back().second;
  for (const char* callee : {"llvm.memcpy", "llvm.memcpy.p0i8.p0i8.i64", "llvm.memcpy.p0.p0.i64"}) {
    EXPECT_EQ(profile.lookup(callee), memcpy_entry) << callee;
  }
  for (const char* callee : {"llvm.memset.p0.i64", "llvm.", "llvm.memcp", "mallocx", "freed",
                             "__quantum__qis__h__body2", "__quantum__qis__H__body", ""}) {
    EXPECT_EQ(profile.lookup(callee), nullptr) << callee;
  }
  Profile custom("custom");
  custom.extend("llvm.mem", Builder{BuilderKind::Reset, "", false});
  custom.extend("llvm.memcpy", Builder{BuilderKind::Ignore, "", false});
  custom.extend("llvm.m", Builder{BuilderKind::Measure, "", false});
  custom.extend("llvm.mem", Builder{BuilderKind::Gate, "h", false});
  ASSERT_EQ(custom.entries().size(), 3u);
  EXPECT_EQ(custom.name(), "custom");
  EXPECT_EQ(custom.entries()[0].first, "llvm.mem");
  EXPECT_EQ(custom.entries()[0].second, (Builder{BuilderKind::Gate, "h", false}));
  // The first entry in insertion order wins, not the longest prefix.
  EXPECT_EQ(custom.lookup("llvm.memcpy.p0.p0.i64"), &custom.entries()[0].second);
  EXPECT_EQ(custom.lookup("llvm.memcpy"), &custom.entries()[1].second);
  EXPECT_EQ(custom.lookup("llvm.max.i64"), &custom.entries()[2].second);
  EXPECT_EQ(custom.lookup("llvm.fabs"), nullptr);
}

}  // namespace
}  // namespace corvane
