// Instruction parsing: a table of instruction texts against their parsed form
// (with the call arguments and phi incomings they add to the function) and a
// table of bad instructions against their exact messages and kinds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ir/ir.h"
#include "ir/parser.h"

namespace corvane {
namespace {

using Operands = std::vector<Operand>;
using Incomings = std::vector<Incoming>;

constexpr std::optional<std::string_view> kNoResult = std::nullopt;

Call call(std::string_view callee, std::uint32_t args, std::string_view ret_ty,
          std::optional<std::string_view> result) {
  return Call{callee, Range{0, args}, ret_ty, result};
}
BranchCond ssa_cond(std::string_view name) {
  return BranchCond{BranchCond::Kind::Ssa, false, name};
}
BranchCond const_cond(bool value) { return BranchCond{BranchCond::Kind::Const, value, {}}; }
PtrConst qubit(std::int64_t index) { return PtrConst{"Qubit", index}; }

std::string dump(const Operands& operands) {
  std::string out = "[";
  for (const Operand& operand : operands) out += operand_debug(operand) + " ";
  return out + "]";
}

TEST(InstructionParserTest, ParsesEveryInstructionForm) {
  struct Row {
    std::string_view text;
    Instruction expected;
    Operands args = {};
    Incomings incomings = {};
  };
  const Row rows[] = {
      // Calls.
      {"%0 = tail call %Result* @__quantum__rt__result_get_one()",
       call("__quantum__rt__result_get_one", 0, "%Result*", "0")},
      {"call void @__quantum__qis__h__body(%Qubit* null) #1",
       call("__quantum__qis__h__body", 1, "void", kNoResult),
       {qubit(0)}},
      {"call void (ptr, ...) @f(i64 1)", call("f", 1, "void", kNoResult), {ConstInt{1}}},
      {"musttail notail call void @\"quoted name\"(ptr %q, i1 true)",
       call("quoted name", 2, "void", kNoResult),
       {Ssa{"q"}, ConstBool{true}}},
      {"call void @__quantum__qis__cnot__body(%Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))",
       call("__quantum__qis__cnot__body", 2, "void", kNoResult),
       {qubit(0), qubit(1)}},
      {"call void @__quantum__qis__mz__body(%Qubit* null, %Result* writeonly null)",
       call("__quantum__qis__mz__body", 2, "void", kNoResult),
       {qubit(0), PtrConst{"Result", 0}}},
      {"call void @f(  )", call("f", 0, "void", kNoResult)},
      {"call void @g(i64 %a) ; trailing (comment", call("g", 1, "void", kNoResult), {Ssa{"a"}}},
      {"call void @f(i64 1)(junk) #0", call("f", 1, "void", kNoResult), {ConstInt{1}}},
      {"  %\"a b\" = call i64 @f()", call("f", 0, "i64", "\"a b\"")},
      // Flags, a calling convention and return attributes before the return type.
      {"%r = call zeroext i1 @read(ptr %x)", call("read", 1, "i1", "r"), {Ssa{"x"}}},
      {"%r = tail call fastcc noundef align 8 dereferenceable(8) ptr @g()",
       call("g", 0, "ptr", "r")},
      {"%r = call cc 10 signext i32 @h(i32 noundef signext 4)",
       call("h", 1, "i32", "r"),
       {ConstInt{4}}},
      // Branches and returns.
      {"br label %exit ; back edge", Br{"exit"}},
      {"br label %\"then block\"", Br{"then block"}},
      {"br label\t%7", Br{"7"}},
      {"br i1 true, label %a, label %b", CondBr{const_cond(true), "a", "b"}},
      {"br i1 0, label %a, label %b", CondBr{const_cond(false), "a", "b"}},
      {"br i1 %c, label %then, label %else", CondBr{ssa_cond("c"), "then", "else"}},
      {"br i1 %0, label  %\"x y\", label%z", CondBr{ssa_cond("0"), "x y", "z"}},
      {"ret void", Ret{}},
      {"ret i64 %x", Ret{"i64 %x"}},
      {"ret", Ret{}},
      // Comparisons, logic, arithmetic, select.
      {"%c = icmp eq i64 %a, 3", ICmp{"eq", 0, "c", 64}, {Ssa{"a"}, ConstInt{3}}},
      {"%c = icmp ult i32 %a, -1", ICmp{"ult", 0, "c", 32}, {Ssa{"a"}, ConstInt{-1}}},
      {"%c = icmp sgt i8388607 %a, 0", ICmp{"sgt", 0, "c", 8388607}, {Ssa{"a"}, ConstInt{0}}},
      {"%c = icmp whatever i1 %a, true", ICmp{"whatever", 0, "c", 1}, {Ssa{"a"}, ConstBool{true}}},
      {"%c = icmp ne ptr %p, null", ICmp{"ne", 0, "c", 0}, {Ssa{"p"}, PtrConst{std::nullopt, 0}}},
      {"%x = xor i1 %a, true", Logic{LogicOp::Xor, 0, "x"}, {Ssa{"a"}, ConstBool{true}}},
      {"%x = and i1 %a, %b", Logic{LogicOp::And, 0, "x"}, {Ssa{"a"}, Ssa{"b"}}},
      {"%x = or i1 0, %b", Logic{LogicOp::Or, 0, "x"}, {ConstBool{false}, Ssa{"b"}}},
      {"%s = add nuw nsw i64 %a, 1", Arith{ArithOp::Add, 0, "s", 64}, {Ssa{"a"}, ConstInt{1}}},
      {"%s = add i1 %a, true", Arith{ArithOp::Add, 0, "s", 1}, {Ssa{"a"}, ConstBool{true}}},
      {"%s = add i128 %a, 1", Arith{ArithOp::Add, 0, "s", 128}, {Ssa{"a"}, ConstInt{1}}},
      // Not integer types: no width.
      {"%s = add i8388608 %a, 1", Arith{ArithOp::Add, 0, "s", 0}, {Ssa{"a"}, ConstInt{1}}},
      {"%s = add i08 %a, 1", Arith{ArithOp::Add, 0, "s", 0}, {Ssa{"a"}, ConstInt{1}}},
      {"%s = sub nsw nuw nsw i32 5, %b", Arith{ArithOp::Sub, 0, "s", 32}, {ConstInt{5}, Ssa{"b"}}},
      {"%s = mul i64 -2, 4", Arith{ArithOp::Mul, 0, "s", 64}, {ConstInt{-2}, ConstInt{4}}},
      {"%s = add double 1.5, %y", Arith{ArithOp::Add, 0, "s", 0}, {ConstFloat{1.5}, Ssa{"y"}}},
      // Logic on wider integers is arithmetic; i1 logic keeps its record, flags or not.
      {"%x = or disjoint i1 %a, %b", Logic{LogicOp::Or, 0, "x"}, {Ssa{"a"}, Ssa{"b"}}},
      {"%x = and i64 %a, 255", Arith{ArithOp::And, 0, "x", 64}, {Ssa{"a"}, ConstInt{255}}},
      {"%x = or disjoint i64 %a, %b", Arith{ArithOp::Or, 0, "x", 64}, {Ssa{"a"}, Ssa{"b"}}},
      {"%x = xor i32 %a, -1", Arith{ArithOp::Xor, 0, "x", 32}, {Ssa{"a"}, ConstInt{-1}}},
      {"%x = shl nuw nsw i64 %a, 3", Arith{ArithOp::Shl, 0, "x", 64}, {Ssa{"a"}, ConstInt{3}}},
      {"%x = lshr exact i32 %a, 1", Arith{ArithOp::LShr, 0, "x", 32}, {Ssa{"a"}, ConstInt{1}}},
      {"%x = ashr i8 %a, %b", Arith{ArithOp::AShr, 0, "x", 8}, {Ssa{"a"}, Ssa{"b"}}},
      {"%x = udiv exact i64 %a, 2", Arith{ArithOp::UDiv, 0, "x", 64}, {Ssa{"a"}, ConstInt{2}}},
      {"%x = sdiv i16 %a, 3", Arith{ArithOp::SDiv, 0, "x", 16}, {Ssa{"a"}, ConstInt{3}}},
      {"%x = urem i1 %a, 1", Arith{ArithOp::URem, 0, "x", 1}, {Ssa{"a"}, ConstBool{true}}},
      {"%x = srem i64 7, %b", Arith{ArithOp::SRem, 0, "x", 64}, {ConstInt{7}, Ssa{"b"}}},
      {"%v = select i1 %c, i64 1, i64 %b",
       Select{0, "i64", "v"},
       {Ssa{"c"}, ConstInt{1}, Ssa{"b"}}},
      {"%v = select i1 true, ptr null, ptr %q",
       Select{0, "ptr", "v"},
       {ConstBool{true}, PtrConst{std::nullopt, 0}, Ssa{"q"}}},
      // Phi.
      {"%p = phi i64 [ 1, %a ], [ %x, %b ]",
       Phi{"i64", Range{0, 2}, "p"},
       {},
       {Incoming{ConstInt{1}, "a"}, Incoming{Ssa{"x"}, "b"}}},
      {"%p = phi i1 [true,%\"l 1\"] [false, %l2],,",
       Phi{"i1", Range{0, 2}, "p"},
       {},
       {Incoming{ConstBool{true}, "l 1"}, Incoming{ConstBool{false}, "l2"}}},
      {"%p = phi i64 [ 1, %a ]\xc2\xa0[ 2, %b ]",
       Phi{"i64", Range{0, 2}, "p"},
       {},
       {Incoming{ConstInt{1}, "a"}, Incoming{ConstInt{2}, "b"}}},
      {"%p = phi i64 [ 1, %a ], [ 1, %a ]",
       Phi{"i64", Range{0, 2}, "p"},
       {},
       {Incoming{ConstInt{1}, "a"}, Incoming{ConstInt{1}, "a"}}},
      // switch: the cases go to the incomings, the compared value to the operands.
      {"switch i32 %v, label %d [ i32 0, label %a i32 -3, label %\"b c\" ]",
       Switch{0, "d", Range{0, 2}, 32},
       {Ssa{"v"}},
       {Incoming{ConstInt{0}, "a"}, Incoming{ConstInt{-3}, "b c"}}},
      {"switch i64 7, label %d [  ]", Switch{0, "d", Range{0, 0}, 64}, {ConstInt{7}}},
      {"switch i1 %c, label %d [i1 true, label %t]",
       Switch{0, "d", Range{0, 1}, 1},
       {Ssa{"c"}},
       {Incoming{ConstBool{true}, "t"}}},
      // Float arithmetic and conversions, flags skipped.
      {"%x = fadd double 1.0, 2.0",
       FloatArith{FloatOp::FAdd, 0, "double", "x"},
       {ConstFloat{1.0}, ConstFloat{2.0}}},
      {"%x = fmul fast double %a, 0x3FF0000000000000",
       FloatArith{FloatOp::FMul, 0, "double", "x"},
       {Ssa{"a"}, ConstFloat{1.0}}},
      {"%x = fsub nnan nsz float %a, %b",
       FloatArith{FloatOp::FSub, 0, "float", "x"},
       {Ssa{"a"}, Ssa{"b"}}},
      {"%x = fdiv double %a, 2.0",
       FloatArith{FloatOp::FDiv, 0, "double", "x"},
       {Ssa{"a"}, ConstFloat{2.0}}},
      {"%x = fneg double %a", FloatArith{FloatOp::FNeg, 0, "double", "x"}, {Ssa{"a"}}},
      {"%x = sitofp i64 %a to double",
       FloatArith{FloatOp::SIToFP, 0, "double", "x", 64},
       {Ssa{"a"}}},
      {"%x = uitofp nneg i8 5 to double, !dbg !2",
       FloatArith{FloatOp::UIToFP, 0, "double", "x", 8},
       {ConstInt{5}}},
      // inttoptr.
      {"%q = inttoptr i64 3 to %Qubit*", IntToPtr{0, "q"}, {ConstInt{3}}},
      {"%q = inttoptr i64 %i to ptr", IntToPtr{0, "q"}, {Ssa{"i"}}},
      // Lenient memory and conversion forms.
      {"%x = alloca i64", Alloca{"x"}},
      {"%x = alloca i64, align 8", Alloca{"x"}},
      {"alloca i64", Ignored{"alloca"}},
      {"%v = load i64, ptr %p", Load{"p", "v", "i64"}},
      {"%v = load %Qubit*, %Qubit** %p, align 8", Load{"p", "v", "%Qubit*"}},
      {"%v = load i64, ptr @g", Ignored{"load"}},
      {"load i64, ptr %p", Ignored{"load"}},
      {"%v = load i64", Ignored{"load"}},
      {"store i64 1, ptr %p", Store{0, "p", "i64"}, {ConstInt{1}}},
      {"store i64 1, ptr %p, align 8", Store{0, "p", "i64"}, {ConstInt{1}}},
      {"store %Qubit* null, %Qubit** %slot", Store{0, "slot", "%Qubit*"}, {qubit(0)}},
      {"store i1 %c, ptr %p", Store{0, "p", "i1"}, {Ssa{"c"}}},
      // The type/value split of a stored value is at any Unicode white space.
      {"store i64\xe3\x80\x80"
       "7, ptr %p",
       Store{0, "p", "i64"},
       {ConstInt{7}}},
      {"store i64 1, ptr @g", Ignored{"store"}},
      {"store i64 abc, ptr %p", Ignored{"store"}},
      {"store i64, ptr %p", Ignored{"store"}},
      {"store i64 1", Ignored{"store"}},
      {"store i64 f(1)), ptr %p", Ignored{"store"}},
      {"%z = zext i1 %c to i64", IntCast{"c", "z", 1, 64}},
      {"%z = zext i32 %c to i64, !dbg !7", IntCast{"c", "z", 32, 64}},
      {"%z = zext i8 %c to i128", IntCast{"c", "z", 8, 128}},
      {"%z = zext <2 x i1> %c to <2 x i64>", IntCast{"c", "z", 0, 0}},
      {"%z = zext i1 true to i64", IntCast{"true", "z", 1, 64, CastOp::Zext, true}},
      {"%z = zext i1 @g to i64", Ignored{"zext"}},
      {"%z = zext i1 %c", Ignored{"zext"}},
      {"zext i1 %c to i64", Ignored{"zext"}},
      {"%b = bitcast %Qubit* %q to i8*", Bitcast{"q", "b"}},
      {"%b = bitcast %Qubit* null to i8*", Ignored{"bitcast"}},
      {"%g = getelementptr inbounds %T, ptr %s, i32 0, i32 2", Gep{"s", 2, "g"}},
      {"%g = getelementptr %T, %T* %s, i64 0, i64 +18446744073709551615",
       Gep{"s", 18446744073709551615u, "g"}},
      {"%g = getelementptr inbounds %T, ptr %s, i32 1, i32 2", Ignored{"getelementptr"}},
      {"%g = getelementptr inbounds %T, ptr %s, i32 0", Ignored{"getelementptr"}},
      {"%g = getelementptr inbounds %T, ptr %s, i32 0, i32 -1", Ignored{"getelementptr"}},
      {"%g = getelementptr inbounds %T, ptr %s, i32 0, i8 1", Ignored{"getelementptr"}},
      {"getelementptr inbounds %T, ptr %s, i32 0, i32 2", Ignored{"getelementptr"}},
      {"%x = sext i1 %c to i64", IntCast{"c", "x", 1, 64, CastOp::Sext}},
      {"%x = sext i32 %c to i64, !dbg !3", IntCast{"c", "x", 32, 64, CastOp::Sext}},
      {"%x = trunc i64 %c to i1", IntCast{"c", "x", 64, 1, CastOp::Trunc}},
      {"%x = trunc nuw nsw i64 %c to i32", IntCast{"c", "x", 64, 32, CastOp::Trunc}},
      {"%z = zext nneg i32 %c to i64", IntCast{"c", "z", 32, 64}},
      {"%x = sext i32 -1 to i64", IntCast{"-1", "x", 32, 64, CastOp::Sext, true}},
      {"%x = trunc i64 %c", Ignored{"trunc"}},
      {"%x = ptrtoint ptr %p to i64", Ignored{"ptrtoint"}},
      {"%x = insertvalue {i64} undef, i64 1, 0", Ignored{"insertvalue"}},
      {"%x = extractvalue {i64} %s, 0", Ignored{"extractvalue"}},
      // Unknown opcodes.
      {"unreachable", Unrecognized{"unreachable"}},
      {"%x = Add i64 1, 2", Unrecognized{"Add"}},
      {"x = add i64 1, 2", Unrecognized{"x"}},
  };
  for (const Row& row : rows) {
    Function function;
    const auto instruction = parse_instruction(row.text, function);
    ASSERT_TRUE(instruction.ok()) << row.text << ": " << instruction.error().message;
    EXPECT_EQ(instruction->index(), row.expected.index()) << row.text;
    EXPECT_TRUE(*instruction == row.expected) << row.text;
    EXPECT_EQ(function.operands, row.args) << row.text << ": " << dump(function.operands);
    EXPECT_EQ(function.incomings, row.incomings) << row.text;
  }
}

TEST(InstructionParserTest, AppendsToTheFunctionsFlatArrays) {
  Function function;
  ASSERT_TRUE(parse_instruction("call void @f(i64 1, i64 2)", function).ok());
  ASSERT_TRUE(parse_instruction("%p = phi i64 [ 1, %a ]", function).ok());
  // A failing call leaves the arrays as they were.
  ASSERT_FALSE(parse_instruction("call void @f(i64 3, void)", function).ok());
  ASSERT_FALSE(parse_instruction("%p = phi i64 [ 1, %a ], [ 2, b ]", function).ok());
  const auto second = parse_instruction("call void @g(i64 4)", function);
  ASSERT_TRUE(second.ok());
  const auto& g = std::get<Call>(*second);
  EXPECT_EQ(g.args, (Range{2, 1}));
  EXPECT_EQ(function.operands, (Operands{ConstInt{1}, ConstInt{2}, ConstInt{4}}));
  ASSERT_EQ(function.args(g).size(), 1u);
  EXPECT_EQ(function.args(g)[0], Operand{ConstInt{4}});
  EXPECT_EQ(function.incomings, (Incomings{Incoming{ConstInt{1}, "a"}}));
}

TEST(InstructionParserTest, ReportsBadInstructions) {
  struct Row {
    std::string_view text;
    ErrorKind kind;
    std::string_view message;
    std::string_view place;  // the text from the error's place to the end
  };
  const Row rows[] = {
      {"", ErrorKind::Parse, "empty instruction in block body: ", ""},
      {"%x =", ErrorKind::Parse, "empty instruction in block body: %x =", "%x ="},
      {"  %x =   ; comment", ErrorKind::Parse,
       "empty instruction in block body: %x =", "%x =   ; comment"},
      {"tail", ErrorKind::Parse, "empty instruction in block body: tail", "tail"},
      // call
      {"call void (ptr, ... @f(i64 1", ErrorKind::Parse,
       "call function-type prefix has unbalanced parens: void (ptr, ... @f(i64 1",
       "(ptr, ... @f(i64 1"},
      {"call void f(i64 1)", ErrorKind::Parse, "could not parse callee in call: void f(i64 1)",
       "f(i64 1)"},
      {"call", ErrorKind::Parse, "could not parse callee in call: ", ""},
      {"call void @f", ErrorKind::Parse, "call missing ( after callee name: void @f", "@f"},
      {"call void @f(i64 (1)", ErrorKind::Parse, "call has unbalanced parens: void @f(i64 (1)",
       "(i64 (1)"},
      {"call void @f(i64 1, ...)", ErrorKind::Parse, "unexpected ... in operand", "...)"},
      {"call void @f(i64 1,)", ErrorKind::Parse, "empty operand", ")"},
      {"call void @f(i64 1], i64 2)", ErrorKind::Parse,
       "unbalanced closing bracket in i64 1], i64 2", "], i64 2)"},
      {"call void @f(label %x)", ErrorKind::Lowering,
       "unsupported operand type label in operand label %x", "label %x)"},
      // br
      {"br label exit", ErrorKind::Parse, "br label missing %<target>: label exit", "exit"},
      {"br %exit", ErrorKind::Parse, "unsupported br form: %exit", "%exit"},
      {"br", ErrorKind::Parse, "unsupported br form: ", ""},
      {"br i1", ErrorKind::Parse, "unsupported br form: i1", "i1"},
      {"br i32 %c, label %a, label %b", ErrorKind::Parse,
       "unsupported br form: i32 %c, label %a, label %b", "i32 %c, label %a, label %b"},
      {"br i1 %c, label %a", ErrorKind::Parse,
       "br i1 expects cond, true_label, false_label: i1 %c, label %a", "i1 %c, label %a"},
      {"br i1 2, label %a, label %b", ErrorKind::Lowering,
       "unsupported constant branch condition 2", "2, label %a, label %b"},
      {"br i1 , label %a, label %b", ErrorKind::Lowering, "unsupported constant branch condition ",
       ", label %a, label %b"},
      {"br i1 %c, %a, label %b", ErrorKind::Parse, "br i1 expected 'label %name', got %a",
       "%a, label %b"},
      {"br i1 %c, label %a, label b", ErrorKind::Parse, "br i1 expected 'label %name', got label b",
       "label b"},
      // icmp, logic, arithmetic
      {"icmp eq i64 %a, 1", ErrorKind::Parse, "icmp without SSA result assignment",
       "icmp eq i64 %a, 1"},
      {"%c = icmp eq i64 %a", ErrorKind::Parse, "icmp expects two operands: eq i64 %a",
       "eq i64 %a"},
      {"%c = icmp eq i64 %a, abc", ErrorKind::Lowering,
       "could not parse integer operand abc (ty=i64)", "abc"},
      {"xor i1 %a, %b", ErrorKind::Parse, "xor without SSA result assignment", "xor i1 %a, %b"},
      {"and i64 %a, %b", ErrorKind::Parse, "and without SSA result assignment", "and i64 %a, %b"},
      {"%c = shl i64 %a", ErrorKind::Parse, "shl expects two operands: i64 %a", "i64 %a"},
      {"%c = sdiv exact i32 %a, x", ErrorKind::Lowering,
       "could not parse integer operand x (ty=i32)", "x"},
      {"%c = or i1 %a, %b, %d", ErrorKind::Parse, "or expects two operands: i1 %a, %b, %d",
       "i1 %a, %b, %d"},
      {"add i64 1, 2", ErrorKind::Parse, "add without SSA result assignment", "add i64 1, 2"},
      {"%s = mul nuw i64 1", ErrorKind::Parse, "mul expects two operands: nuw i64 1", "nuw i64 1"},
      {"%s = sub i64 1, 2.5", ErrorKind::Lowering, "could not parse integer operand 2.5 (ty=i64)",
       "2.5"},
      // switch
      {"switch i32 %v, label %d", ErrorKind::Parse,
       "switch expects a case list in [ ]: i32 %v, label %d", "i32 %v, label %d"},
      {"switch i32 %v [ ]", ErrorKind::Parse,
       "switch expects a value and a default label: i32 %v [ ]", "i32 %v [ ]"},
      {"switch i32 %v, %d [ ]", ErrorKind::Parse, "switch expected 'label %name', got %d",
       "%d [ ]"},
      {"switch i32 %v, label %d [ i64 1, label %a ]", ErrorKind::Parse,
       "switch malformed case starting at i64 1, label %a", "i64 1, label %a ]"},
      {"switch i32 %v, label %d [ i32 %w, label %a ]", ErrorKind::Parse,
       "switch case value must be an integer constant, got %w", "%w, label %a ]"},
      {"switch i32 %v, label %d [ i32 1, %a ]", ErrorKind::Parse,
       "switch expected 'label %name', got %a", "%a ]"},
      // float arithmetic
      {"fadd double 1.0, 2.0", ErrorKind::Parse, "fadd without SSA result assignment",
       "fadd double 1.0, 2.0"},
      {"%x = fneg double %a, %b", ErrorKind::Parse, "fneg expects 1 operand(s): double %a, %b",
       "double %a, %b"},
      {"%x = sitofp i64 %a", ErrorKind::Parse, "sitofp without a `to` clause: i64 %a", "i64 %a"},
      // select
      {"select i1 %c, i64 1, i64 2", ErrorKind::Parse, "select without SSA result assignment",
       "select i1 %c, i64 1, i64 2"},
      {"%v = select i8 %c, i64 1, i64 2", ErrorKind::Parse,
       "select condition must be typed `i1`, got i8", "i8 %c, i64 1, i64 2"},
      {"%v = select i1 %c, i64 1", ErrorKind::Parse,
       "select expects three comma-separated operands (cond, then, else): i1 %c, i64 1",
       "i1 %c, i64 1"},
      {"%v = select i1 %c, i64 1, i32 2", ErrorKind::Parse,
       "select branch types must match, got then=i64 else=i32", "i32 2"},
      {"%v = select i1 abc, i64 1, i32 2", ErrorKind::Lowering,
       "could not parse integer operand abc (ty=i1)", "abc, i64 1, i32 2"},
      // phi
      {"phi i64 [ 1, %a ]", ErrorKind::Parse, "phi without SSA result assignment",
       "phi i64 [ 1, %a ]"},
      {"%p = phi i64", ErrorKind::Parse, "phi has no incomings", "phi i64"},
      {"%p = phi i64 , ,", ErrorKind::Parse, "phi has no incomings", "phi i64 , ,"},
      {"%p = phi i64 [ 1, %a ", ErrorKind::Parse, "phi incoming missing ]", "[ 1, %a "},
      {"%p = phi i64 [ 1, %a ] x [ 2, %b ]", ErrorKind::Parse,
       "phi malformed incoming starting at x [ 2, %b ]", "x [ 2, %b ]"},
      {"%p = phi i64 [ 1 ]", ErrorKind::Parse,
       "phi incoming must have value and predecessor: [ 1 ]", "[ 1 ]"},
      {"%p = phi i64 [ 1, %a, %b ]", ErrorKind::Parse,
       "phi incoming must have value and predecessor: [ 1, %a, %b ]", "[ 1, %a, %b ]"},
      {"%p = phi i64 [ 1, a ]", ErrorKind::Parse,
       "phi incoming predecessor must be %<label>, got a", "a ]"},
      {"%p = phi i64 [ x, %a ]", ErrorKind::Lowering, "could not parse integer operand x (ty=i64)",
       "x, %a ]"},
      // inttoptr
      {"inttoptr i64 1 to ptr", ErrorKind::Parse, "inttoptr without SSA result assignment",
       "inttoptr i64 1 to ptr"},
      {"%q = inttoptr i64 1", ErrorKind::Parse, "inttoptr without a `to` clause: i64 1", "i64 1"},
      {"%q = inttoptr i64 x to ptr", ErrorKind::Lowering,
       "could not parse integer operand x (ty=i64)", "i64 x to ptr"},
  };
  for (const Row& row : rows) {
    Function function;
    const auto instruction = parse_instruction(row.text, function);
    ASSERT_FALSE(instruction.ok()) << row.text;
    const std::size_t offset = row.text.size() - row.place.size();
    EXPECT_EQ(row.text.substr(offset), row.place) << row.text;
    EXPECT_EQ(instruction.error(), (TranslateError{row.kind, std::string(row.message), offset}))
        << row.text;
    EXPECT_TRUE(function.operands.empty() && function.incomings.empty()) << row.text;
  }
}

}  // namespace
}  // namespace corvane
