// The parser on one table per outcome: instruction texts against their
// one-line dump, bad instructions against the exact error (kind, message,
// place), typed operands against their debug form or exact message; and the
// byte class runs the readers are built on.
#include "ir/parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "ir/ir.h"
#include "ir/lexer.h"
#include "ir/parser_internal.h"

namespace corvane {
namespace {

struct Bad {
  std::string_view text;
  ErrorKind kind;
  std::string_view message;
  std::size_t offset;
};

// Inside a body the module pass reads plain call, br and ret lines with a
// direct reader of its own: each such row must read there as it reads alone.
constexpr std::string_view kBodyStart = "define void @f() {\n  ";

// A line is taken whole when its brackets balance and, for a call, it names
// the callee; others are joined with the lines after them.
bool reads_in_body(std::string_view text) {
  if (text.starts_with("br ") || text.starts_with("ret ")) return true;
  const auto count = [&](char c) { return std::count(text.begin(), text.end(), c); };
  return text.find("call ") != std::string_view::npos && count('@') > 0 &&
         count('(') == count(')') && count('[') == count(']');
}

Result<Module> parse_in_body(std::string_view text) {
  return parse_module(std::string(kBodyStart) + std::string(text) + "\n}\n");
}

// Reads `text` inside a body and expects what the instruction parser made of it.
void expect_same_in_body(std::string_view text, const Function& function,
                         const Instruction& instruction) {
  const Result<Module> module = parse_in_body(text);
  ASSERT_TRUE(module.ok()) << text << ": " << module.error().message;
  const Function& body = module->functions.at(0);
  ASSERT_EQ(body.blocks.at(0).instructions.size(), 1u) << text;
  EXPECT_EQ(
      debug_dump(body, body.blocks[0].instructions[0], module->source().substr(kBodyStart.size())),
      debug_dump(function, instruction, text));
}

TEST(InstructionTest, ReadsEveryForm) {
  struct Row {
    std::string_view text;
    std::string_view dump;
  };
  const Row rows[] = {
      {"%0 = tail call %Result* @__quantum__rt__result_get_one()",
       "Call { callee: \"__quantum__rt__result_get_one\", args: [], ret_ty: \"%Result*\", result: "
       "\"0\" }"},
      {"call void @__quantum__qis__h__body(%Qubit* null) #1",
       "Call { callee: \"__quantum__qis__h__body\", args: [PtrConst { struct_name: "
       "Some(\"Qubit\"), index: 0 }], ret_ty: \"void\", result: None }"},
      {"musttail notail call void @\"quoted name\"(ptr %q, i1 true)",
       "Call { callee: \"quoted name\", args: [Ssa(\"q\"), ConstBool(true)], ret_ty: \"void\", "
       "result: None }"},
      {"call void @__quantum__qis__cnot__body(%Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))",
       "Call { callee: \"__quantum__qis__cnot__body\", args: [PtrConst { struct_name: "
       "Some(\"Qubit\"), index: 0 }, PtrConst { struct_name: Some(\"Qubit\"), index: 1 }], ret_ty: "
       "\"void\", result: None }"},
      {"call void @__quantum__qis__mz__body(%Qubit* null, %Result* writeonly null)",
       "Call { callee: \"__quantum__qis__mz__body\", args: [PtrConst { struct_name: "
       "Some(\"Qubit\"), index: 0 }, PtrConst { struct_name: Some(\"Result\"), index: 0 }], "
       "ret_ty: \"void\", result: None }"},
      {"call void @g(i64 %a) ; trailing (comment",
       "Call { callee: \"g\", args: [Ssa(\"a\")], ret_ty: \"void\", result: None }"},
      {"call void @f(i64 1)(junk) #0",
       "Call { callee: \"f\", args: [ConstInt(1)], ret_ty: \"void\", result: None }"},
      {"call %*br @_()", "Call { callee: \"_\", args: [], ret_ty: \"%*br\", result: None }"},
      {"call ret @_()", "Call { callee: \"_\", args: [], ret_ty: \"ret\", result: None }"},
      {"%r = call i1*ret @atomicrmw(ptr @ret) #0",
       "Call { callee: \"atomicrmw\", args: [GlobalRef(\"ret\")], ret_ty: \"i1*ret\", result: "
       "\"r\" }"},
      {"call void @atomicrmw(ptr @ret) #0",
       "Call { callee: \"atomicrmw\", args: [GlobalRef(\"ret\")], ret_ty: \"void\", result: "
       "None }"},
      {"call void @f() nounwind \"k\"=\"call\" [ \"b\"(ptr %x) ] <{ %y }> #0",
       "Call { callee: \"f\", args: [], ret_ty: \"void\", result: None }"},
      {"  %\"a b\" = call i64 @f()",
       "Call { callee: \"f\", args: [], ret_ty: \"i64\", result: \"\\\"a b\\\"\" }"},
      {"%r = tail call fastcc noundef align 8 dereferenceable(8) ptr @g()",
       "Call { callee: \"g\", args: [], ret_ty: \"ptr\", result: \"r\" }"},
      {"%r = call cc 10 signext i32 @h(i32 noundef signext 4)",
       "Call { callee: \"h\", args: [ConstInt(4)], ret_ty: \"i32\", result: \"r\" }"},
      {"%r = call i1 @f(double -2.5e-3, ptr %q, i64 -3, i8* @l.1, i1 true, i1 0, ptr inttoptr (i64 "
       "7 to ptr))",
       "Call { callee: \"f\", args: [ConstFloat(-0.0025), Ssa(\"q\"), ConstInt(-3), "
       "GlobalRef(\"l.1\"), ConstBool(true), ConstBool(false), PtrConst { struct_name: None, "
       "index: 7 }], ret_ty: \"i1\", result: \"r\" }"},
      {"%q = select i1 %c, ptr inttoptr (i64 1 to ptr), ptr getelementptr inbounds (i8, ptr @a, "
       "i64 1)",
       "Select { operands: [Ssa(\"c\"), PtrConst { struct_name: None, index: 1 }, GetElementPtr], "
       "ty: \"ptr\", result: \"q\" }"},
      {"br i1 0, label %a, label %b",
       "CondBr { cond: false, true_label: \"a\", false_label: \"b\" }"},
      {"br label %exit ; back edge", "Br { target: \"exit\" }"},
      {"br label %\"then block\"", "Br { target: \"then block\" }"},
      {"br i1 true, label %a, label %b",
       "CondBr { cond: true, true_label: \"a\", false_label: \"b\" }"},
      {"br i1 %c, label %then, label %else",
       "CondBr { cond: \"c\", true_label: \"then\", false_label: \"else\" }"},
      {"br i1 %0, label  %\"x y\", label%z",
       "CondBr { cond: \"0\", true_label: \"x y\", false_label: \"z\" }"},
      {"ret void", "Ret { value: \"\" }"},
      {"ret i64 %x", "Ret { value: \"i64 %x\" }"},
      {"%c = icmp eq i64 %a, 3",
       "ICmp { predicate: \"eq\", operands: [Ssa(\"a\"), ConstInt(3)], result: \"c\", width: 64 }"},
      {"%c = icmp ne ptr %p, null",
       "ICmp { predicate: \"ne\", operands: [Ssa(\"p\"), PtrConst { struct_name: None, index: 0 "
       "}], result: \"c\", width: 0 }"},
      {"%s = add nuw nsw i64 %a, 1",
       "Arith { op: 0, operands: [Ssa(\"a\"), ConstInt(1)], result: \"s\", width: 64 }"},
      {"%s = add i8388608 %a, 1",
       "Arith { op: 0, operands: [Ssa(\"a\"), ConstInt(1)], result: \"s\", width: 0 }"},
      {"%s = add double 1.5, %y",
       "Arith { op: 0, operands: [ConstFloat(1.5), Ssa(\"y\")], result: \"s\", width: 0 }"},
      {"%x = and i64 %a, 255",
       "Arith { op: 3, operands: [Ssa(\"a\"), ConstInt(255)], result: \"x\", width: 64 }"},
      {"%x = ashr i8 %a, %b",
       "Arith { op: 8, operands: [Ssa(\"a\"), Ssa(\"b\")], result: \"x\", width: 8 }"},
      {"%v = select i1 %c, i64 1, i64 %b",
       "Select { operands: [Ssa(\"c\"), ConstInt(1), Ssa(\"b\")], ty: \"i64\", result: \"v\" }"},
      {"%v = select i1 true, ptr null, ptr %q",
       "Select { operands: [ConstBool(true), PtrConst { struct_name: None, index: 0 }, "
       "Ssa(\"q\")], ty: \"ptr\", result: \"v\" }"},
      {"%p = phi i64 [ 1, %a ], [ %x, %b ]",
       "Phi { ty: \"i64\", incomings: [(ConstInt(1), \"a\"), (Ssa(\"x\"), \"b\")], result: \"p\" "
       "}"},
      {"%p = phi i1 [true,%\"l 1\"] [false, %l2],,",
       "Phi { ty: \"i1\", incomings: [(ConstBool(true), \"l 1\"), (ConstBool(false), \"l2\")], "
       "result: \"p\" }"},
      {"%p = phi i64 [ 1, %a ]\u00a0"
       "[ 2, %b ]",
       "Phi { ty: \"i64\", incomings: [(ConstInt(1), \"a\"), (ConstInt(2), \"b\")], result: \"p\" "
       "}"},
      {"switch i32 %v, label %d [ i32 0, label %a i32 -3, label %\"b c\" ]",
       "Switch { value: [Ssa(\"v\")], default_label: \"d\", cases: [(ConstInt(0), \"a\"), "
       "(ConstInt(-3), \"b c\")], width: 32 }"},
      {"switch i64 7, label %d [  ]",
       "Switch { value: [ConstInt(7)], default_label: \"d\", cases: [], width: 64 }"},
      {"%x = fmul fast double %a, 0x3FF0000000000000",
       "FloatArith { op: 2, operands: [Ssa(\"a\"), ConstFloat(1.0)], ty: \"double\", result: "
       "\"x\", from_width: 0 }"},
      {"%x = sitofp i64 %a to double",
       "FloatArith { op: 5, operands: [Ssa(\"a\")], ty: \"double\", result: \"x\", from_width: 64 "
       "}"},
      {"%x = uitofp nneg i8 5 to double, !dbg !2",
       "FloatArith { op: 6, operands: [ConstInt(5)], ty: \"double\", result: \"x\", from_width: 8 "
       "}"},
      {"%q = inttoptr i64 3 to %Qubit*", "IntToPtr { value: [ConstInt(3)], result: \"q\" }"},
      {"alloca i64", "Ignored { opcode: \"alloca\" }"},
      {"%v = load i64, ptr %p", "Load { pointer: \"p\", result: \"v\", ty: \"i64\" }"},
      {"%v = load %Qubit*, %Qubit** %p, align 8",
       "Load { pointer: \"p\", result: \"v\", ty: \"%Qubit*\" }"},
      {"store i64 1, ptr %p", "Store { value: [ConstInt(1)], pointer: \"p\", ty: \"i64\" }"},
      {"store %Qubit* null, %Qubit** %slot",
       "Store { value: [PtrConst { struct_name: Some(\"Qubit\"), index: 0 }], pointer: \"slot\", "
       "ty: \"%Qubit*\" }"},
      {"store i64\u3000"
       "7, ptr %p",
       "Store { value: [ConstInt(7)], pointer: \"p\", ty: \"i64\" }"},
      {"store i64 f(1)), ptr %p", "Ignored { opcode: \"store\" }"},
      {"%z = zext i1 %c to i64",
       "IntCast { op: 0, source: \"c\", result: \"z\", from_width: 1, to_width: 64, "
       "constant_source: false }"},
      {"%z = zext i1 true to i64",
       "IntCast { op: 0, source: \"true\", result: \"z\", from_width: 1, to_width: 64, "
       "constant_source: true }"},
      {"%b = bitcast %Qubit* %q to i8*", "Bitcast { source: \"q\", result: \"b\" }"},
      {"%b = bitcast %Qubit* null to i8*", "Ignored { opcode: \"bitcast\" }"},
      {"%g = getelementptr inbounds %T, ptr %s, i32 0, i32 2",
       "Gep { base: \"s\", ty: \"%T\", indices: [ConstInt(0), ConstInt(2)], result: \"g\" }"},
      {"%g = getelementptr [2 x [4 x i64]], %T* %s, i64 0, i64 +18446744073709551615, i1 %k",
       "Gep { base: \"s\", ty: \"[2 x [4 x i64]]\", indices: [ConstInt(0), ConstInt(-1), "
       "Ssa(\"k\")], result: \"g\" }"},
      {"%g = getelementptr nuw ptr, ptr @a, i64 %i ; x",
       "Gep { base: \"@a\", ty: \"ptr\", indices: [Ssa(\"i\")], result: \"g\" }"},
      {"%g = getelementptr inbounds %T, ptr 7, i32 1",
       "Gep { base: \"\", ty: \"\", indices: [], result: \"g\" }"},
      {"%v = load volatile i64, ptr %p", "Load { pointer: \"p\", result: \"v\", ty: \"i64\" }"},
      {"store volatile i8 300, ptr %p",
       "Store { value: [ConstInt(44)], pointer: \"p\", ty: \"i8\" }"},
      {"%x = trunc i64 %c to i1",
       "IntCast { op: 2, source: \"c\", result: \"x\", from_width: 64, to_width: 1, "
       "constant_source: false }"},
      {"%x = sext i32 -1 to i64",
       "IntCast { op: 1, source: \"-1\", result: \"x\", from_width: 32, to_width: 64, "
       "constant_source: true }"},
      {"%x = ptrtoint ptr %p to i64", "Ignored { opcode: \"ptrtoint\" }"},
      {"unreachable", "Unrecognized { opcode: \"unreachable\" }"},
      {"x = add i64 1, 2", "Unrecognized { opcode: \"x\" }"},
      {"%x = zext i1 %c to\ti64", "Ignored { opcode: \"zext\" }"},
  };
  for (const Row& row : rows) {
    Function function;
    const Result<Instruction> instruction = parse_instruction(row.text, function);
    ASSERT_TRUE(instruction.ok()) << row.text << ": " << instruction.error().message;
    EXPECT_EQ(debug_dump(function, *instruction), row.dump) << row.text;
    if (reads_in_body(row.text)) expect_same_in_body(row.text, function, *instruction);
  }
}

// The direct reader is there for the lines producers write most: it must take
// them, not leave them all to the general parser (rows of the table above).
TEST(InstructionTest, DirectReaderTakesPlainLines) {
  for (const std::string_view text :
       {"call void @__quantum__qis__cnot__body(%Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))",
        "%r = call i1 @f(double -2.5e-3, ptr %q, i64 -3, i8* @l.1, i1 true, i1 0, ptr inttoptr "
        "(i64 7 to ptr))",
        "br i1 %c, label %then, label %else"}) {
    Function function;
    Instruction instruction;
    EXPECT_TRUE(parser_detail::try_parse_plain_instruction(text, function, instruction)) << text;
  }
}

TEST(InstructionTest, ReportsBadInstructions) {
  const Bad rows[] = {
      {"", ErrorKind::Parse, "empty instruction in block body: ", 0},
      {"%x =", ErrorKind::Parse, "empty instruction in block body: %x =", 0},
      {"  %x =   ; comment", ErrorKind::Parse, "empty instruction in block body: %x =", 2},
      {"call void (ptr, ... @f(i64 1", ErrorKind::Parse,
       "call function-type prefix has unbalanced parens: void (ptr, ... @f(i64 1", 10},
      {"call void f(i64 1)", ErrorKind::Parse, "could not parse callee in call: void f(i64 1)", 10},
      {"call void @f", ErrorKind::Parse, "call missing ( after callee name: void @f", 10},
      {"call void @f(i64 (1)", ErrorKind::Parse, "call has unbalanced parens: void @f(i64 (1)", 12},
      {"call void @f(i64 1, ...)", ErrorKind::Parse, "unexpected ... in operand", 20},
      {"call void @f(i64 1,)", ErrorKind::Parse, "empty operand", 19},
      {"call void @f(i64 1], i64 2)", ErrorKind::Parse,
       "unbalanced closing bracket in i64 1], i64 2", 18},
      // Two instructions on one line: LLVM reads both, so the second is not passed over.
      {"call void @f() call void @f()", ErrorKind::Parse,
       "unexpected \"call\" after call void @f()", 15},
      {"%a = call i64 @f() #0 %b = add i64 1, 2", ErrorKind::Parse,
       "unexpected \"%b\" after %a = call i64 @f() #0", 22},
      {"call void (i64, ...) @f(i64 0) call void (i64, ...) @f(i64 1)", ErrorKind::Parse,
       "unexpected \"call\" after call void (i64, ...) @f(i64 0)", 31},
      {"%p = alloca i64, align 8, !dbg !5 store i64 2, ptr %p", ErrorKind::Parse,
       "unexpected \"store\" after %p = alloca i64, align 8", 34},
      {"%c = zext i1 true to i64 ret void", ErrorKind::Parse,
       "unexpected \"ret\" after %c = zext i1 true to i64", 25},
      {"%g = getelementptr i8, ptr @a, i64 1 tail call void @f()", ErrorKind::Parse,
       "unexpected \"tail\" after %g = getelementptr i8, ptr @a, i64 1", 37},
      {"call void @f(label %x)", ErrorKind::Lowering,
       "unsupported operand type label in operand label %x", 13},
      {"br label exit", ErrorKind::Parse, "br label missing %<target>: label exit", 9},
      {"br %exit", ErrorKind::Parse, "unsupported br form: %exit", 3},
      {"br i32 %c, label %a, label %b", ErrorKind::Parse,
       "unsupported br form: i32 %c, label %a, label %b", 3},
      {"br i1 %c, label %a", ErrorKind::Parse,
       "br i1 expects cond, true_label, false_label: i1 %c, label %a", 3},
      {"store i64 1, ptr %p %q", ErrorKind::Parse, "unexpected \"%q\" after store", 20},
      {"%v = load volatile i64, ptr %p 3", ErrorKind::Parse, "unexpected \"3\" after load", 31},
      {"br i1 x, label %a, label %b", ErrorKind::Lowering,
       "unsupported constant branch condition x", 6},
      {"br i1 %c, %a, label %b", ErrorKind::Parse, "br i1 expected 'label %name', got %a", 10},
      {"br i1 %c, label %a, label b", ErrorKind::Parse, "br i1 expected 'label %name', got label b",
       20},
      {"icmp eq i64 %a, 1", ErrorKind::Parse, "icmp without SSA result assignment", 0},
      {"%c = icmp eq i64 %a", ErrorKind::Parse, "icmp expects two operands: eq i64 %a", 10},
      {"%c = icmp eq i64 %a, abc", ErrorKind::Lowering,
       "could not parse integer operand abc (ty=i64)", 21},
      {"%c = shl i64 %a", ErrorKind::Parse, "shl expects two operands: i64 %a", 9},
      {"%c = or i1 %a, %b, %d", ErrorKind::Parse, "or expects two operands: i1 %a, %b, %d", 8},
      {"switch i32 %v, label %d", ErrorKind::Parse,
       "switch expects a case list in [ ]: i32 %v, label %d", 7},
      {"switch i32 %v [ ]", ErrorKind::Parse,
       "switch expects a value and a default label: i32 %v [ ]", 7},
      {"switch i32 %v, %d [ ]", ErrorKind::Parse, "switch expected 'label %name', got %d", 15},
      {"switch i32 %v, label %d [ i64 1, label %a ]", ErrorKind::Parse,
       "switch malformed case starting at i64 1, label %a", 26},
      {"switch i32 %v, label %d [ i32 %w, label %a ]", ErrorKind::Parse,
       "switch case value must be an integer constant, got %w", 30},
      {"switch i32 %v, label %d [ i32 1, %a ]", ErrorKind::Parse,
       "switch expected 'label %name', got %a", 33},
      {"%x = fneg double %a, %b", ErrorKind::Parse, "fneg expects 1 operand(s): double %a, %b", 10},
      {"%x = sitofp i64 %a", ErrorKind::Parse, "sitofp without a `to` clause: i64 %a", 12},
      {"%v = select i8 %c, i64 1, i64 2", ErrorKind::Parse,
       "select condition must be typed `i1`, got i8", 12},
      {"%v = select i1 %c, i64 1", ErrorKind::Parse,
       "select expects three comma-separated operands (cond, then, else): i1 %c, i64 1", 12},
      {"%v = select i1 %c, i64 1, i32 2", ErrorKind::Parse,
       "select branch types must match, got then=i64 else=i32", 26},
      {"%v = select i1 abc, i64 1, i32 2", ErrorKind::Lowering,
       "could not parse integer operand abc (ty=i1)", 15},
      {"%p = phi i64", ErrorKind::Parse, "phi has no incomings", 5},
      {"%p = phi i64 [ 1, %a ", ErrorKind::Parse, "phi incoming missing ]", 13},
      {"%p = phi i64 [ 1, %a ] x [ 2, %b ]", ErrorKind::Parse,
       "phi malformed incoming starting at x [ 2, %b ]", 23},
      {"%p = phi i64 [ 1 ]", ErrorKind::Parse,
       "phi incoming must have value and predecessor: [ 1 ]", 13},
      {"%p = phi i64 [ 1, a ]", ErrorKind::Parse,
       "phi incoming predecessor must be %<label>, got a", 18},
      {"%q = inttoptr i64 1", ErrorKind::Parse, "inttoptr without a `to` clause: i64 1", 14},
      {"call void @f(i64 [1) ]", ErrorKind::Lowering, "could not parse integer operand [1 (ty=i64)",
       13},
      {"%x = sitofp i64 %a\tto double", ErrorKind::Parse,
       "sitofp without a `to` clause: i64 %a\tto double", 12},
  };
  for (const Bad& row : rows) {
    Function function;
    const Result<Instruction> instruction = parse_instruction(row.text, function);
    ASSERT_FALSE(instruction.ok()) << row.text;
    EXPECT_EQ(instruction.error(), (TranslateError{row.kind, std::string(row.message), row.offset}))
        << row.text;
    EXPECT_TRUE(function.operands.empty() && function.incomings.empty()) << row.text;
    if (!reads_in_body(row.text)) continue;
    const Result<Module> module = parse_in_body(row.text);
    if (module.ok() && row.message.starts_with("unexpected ")) {
      // Another instruction after a whole one: in a body, both are read.
      EXPECT_EQ(module->functions.front().blocks.front().instructions.size(), 2u) << row.text;
      continue;
    }
    ASSERT_FALSE(module.ok()) << row.text;
    EXPECT_EQ(module.error(),
              (TranslateError{row.kind, std::string(row.message), kBodyStart.size() + row.offset}))
        << row.text;
  }
}

TEST(OperandTest, ReadsTypedOperands) {
  struct Row {
    std::string_view text;
    std::string_view debug;
  };
  const Row rows[] = {
      {"i64 5", "ConstInt(5)"},
      {"i64 +7", "ConstInt(7)"},
      {"i128 -170141183460469231731687303715884105728",
       "ConstInt(-170141183460469231731687303715884105728)"},
      {"i64 %x", "Ssa(\"x\")"},
      {"i64 %\"my var\"", "Ssa(\"\\\"my var\\\"\")"},
      {"i64 @g", "GlobalRef(\"g\")"},
      {"i 4", "ConstInt(4)"},
      {"i8 null", "I8Null"},
      {"i1 true", "ConstBool(true)"},
      {"i1 2", "ConstBool(false)"},
      {"i1 -1", "ConstBool(true)"},
      {"i8 300", "ConstInt(44)"},
      {"i64 9223372036854775808", "ConstInt(-9223372036854775808)"},
      {"i32 -36893488147419103233", "ConstInt(-1)"},
      {"noundef i64 5", "ConstInt(5)"},
      {"i64\t%x", "Ssa(\"x\")"},
      {"double 0.5", "ConstFloat(0.5)"},
      {"double -1.5e3", "ConstFloat(-1500.0)"},
      {"float 0x3FF0000000000000", "ConstFloat(1.0)"},
      {"double inf", "ConstFloat(inf)"},
      {"%Qubit* null", "PtrConst { struct_name: Some(\"Qubit\"), index: 0 }"},
      {"i8* null", "I8Null"},
      {"%Qubit* inttoptr (i64 1 to %Qubit*)",
       "PtrConst { struct_name: Some(\"Qubit\"), index: 1 }"},
      {"ptr inttoptr(i64 -3 to ptr)", "PtrConst { struct_name: None, index: -3 }"},
      {"ptr inttoptr (i64\u00a0"
       "6 to ptr)",
       "PtrConst { struct_name: None, index: 6 }"},
      {"ptr inttoptr (i8 300 to ptr)", "PtrConst { struct_name: None, index: 44 }"},
      {"ptr inttoptr (i64 -9223372036854775808 to ptr)",
       "PtrConst { struct_name: None, index: -9223372036854775808 }"},
      {"%Qubit** null", "PtrConst { struct_name: Some(\"Qubit*\"), index: 0 }"},
      {"double 1e16", "ConstFloat(1e16)"},
      {"double 9999999999999998.0", "ConstFloat(9999999999999998.0)"},
      {"double 2160932012667731.25", "ConstFloat(2160932012667731.3)"},
      {"double 1e-4", "ConstFloat(0.0001)"},
      {"double -1e-5", "ConstFloat(-1e-5)"},
      {"double 1.2345e-7", "ConstFloat(1.2345e-7)"},
      {"double -0.0", "ConstFloat(-0.0)"},
      {"double 0x7FF8000000000000", "ConstFloat(NaN)"},
      {"double 0xFFF0000000000000", "ConstFloat(-inf)"},
      {"double -0x3ff0000000000000", "ConstFloat(-1.0)"},
      {"double 0x14A176BDFC384C5", "ConstFloat(1.902362356418622e-302)"},
      {"double -Infinity", "ConstFloat(-inf)"},
      {"double 1e400", "ConstFloat(inf)"},
      {"double 4.9e-324", "ConstFloat(5e-324)"},
      {"i128 170141183460469231731687303715884105727",
       "ConstInt(170141183460469231731687303715884105727)"},
      {"double 1e-400", "ConstFloat(0.0)"},
      {"\u205fi64 7", "ConstInt(7)"},
      {"i64 %\"t\tr\rn\"", "Ssa(\"\\\"t\\tr\\rn\\\"\")"},
      {"%\"Q\"* null", "PtrConst { struct_name: Some(\"Q\"), index: 0 }"},
      {"ptr noundef align 8 dereferenceable(16) nonnull %q", "Ssa(\"q\")"},
      {"i8* getelementptr inbounds ([3 x i8], [3 x i8]* @0, i64 0, i64 0)", "GetElementPtr"},
      {"i8* bitcast ([4 x i8]* @label to i8*)", "BitcastGlobal(\"label\")"},
      {"ptr bitcast (ptr @\"a b\" to ptr)", "BitcastGlobal(\"a b\")"},
      {"i8* bitcast (%Qubit* null to i8*)", "GetElementPtr"},
      {"i8* bitcast @x", "GetElementPtr"},
      // Words of a value parted by other blanks than one space.
      {"%Qubit*  inttoptr  (i64 2\tto %Qubit*)",
       "PtrConst { struct_name: Some(\"Qubit\"), index: 2 }"},
      {"ptr bitcast\n  (ptr  @g to ptr)", "BitcastGlobal(\"g\")"},
  };
  for (const Row& row : rows) {
    const Result<Operand> operand = parse_operand(row.text);
    ASSERT_TRUE(operand.ok()) << row.text << ": " << operand.error().message;
    EXPECT_EQ(operand_debug(*operand), row.debug) << row.text;
    // The same operand as the argument of a call line in a body.
    const std::string call = "call void @f(" + std::string(row.text) + ")";
    Function function;
    const Result<Instruction> instruction = parse_instruction(call, function);
    ASSERT_TRUE(instruction.ok()) << call << ": " << instruction.error().message;
    expect_same_in_body(call, function, *instruction);
  }
  const Bad bad[] = {
      {"...", ErrorKind::Parse, "unexpected ... in operand", 0},
      {"", ErrorKind::Parse, "empty operand", 0},
      {"noundef", ErrorKind::Parse, "empty operand", 0},
      {"void", ErrorKind::Lowering, "unsupported operand type void in operand void", 0},
      {"i64* %p", ErrorKind::Lowering, "unsupported operand type i64* in operand i64* %p", 0},
      {"i64 abc", ErrorKind::Lowering, "could not parse integer operand abc (ty=i64)", 0},
      {"i64", ErrorKind::Lowering, "could not parse integer operand  (ty=i64)", 0},
      {"i64 0x10", ErrorKind::Lowering, "could not parse integer operand 0x10 (ty=i64)", 0},
      {"i64  1   noundef 2", ErrorKind::Lowering, "could not parse integer operand 1 2 (ty=i64)",
       0},
      {"float 0xK3FFF8000000000000000", ErrorKind::Lowering,
       "could not parse float operand 0xK3FFF8000000000000000 (ty=float)", 0},
      {"ptr", ErrorKind::Lowering, "could not resolve pointer operand from constant text ptr", 0},
      {"%Qubit* inttoptr (i64 x to %Qubit*)", ErrorKind::Lowering,
       "could not resolve pointer operand from constant text %Qubit* inttoptr (i64 x to %Qubit*)",
       0},
      {"ptr inttoptr (i128 9223372036854775808 to ptr)", ErrorKind::Lowering,
       "could not resolve pointer operand from constant text ptr inttoptr (i128 "
       "9223372036854775808 to ptr)",
       0},
      {"ptr undef", ErrorKind::Lowering,
       "could not resolve pointer operand from constant text ptr undef", 0},
      {"double 0x3FF00000000000000", ErrorKind::Lowering,
       "could not parse float operand 0x3FF00000000000000 (ty=double)", 0},
      {"double 1e+", ErrorKind::Lowering, "could not parse float operand 1e+ (ty=double)", 0},
      {"double nan(1)", ErrorKind::Lowering, "could not parse float operand nan(1) (ty=double)", 0},
      {"double 1_000.0", ErrorKind::Lowering, "could not parse float operand 1_000.0 (ty=double)",
       0},
      {"i128 170141183460469231731687303715884105728", ErrorKind::Lowering,
       "could not parse integer operand 170141183460469231731687303715884105728 (ty=i128)", 0},
      {"i128 -170141183460469231731687303715884105729", ErrorKind::Lowering,
       "could not parse integer operand -170141183460469231731687303715884105729 (ty=i128)", 0},
      {"i64 --1", ErrorKind::Lowering, "could not parse integer operand --1 (ty=i64)", 0},
      {"i64 -", ErrorKind::Lowering, "could not parse integer operand - (ty=i64)", 0},
      {"\u2010i64 7", ErrorKind::Lowering,
       "unsupported operand type \u2010i64 in operand \u2010i64 7", 0},
      {"ptr inttoptr (i64 +-5 to ptr)", ErrorKind::Lowering,
       "could not resolve pointer operand from constant text ptr inttoptr (i64 +-5 to ptr)", 0},
  };
  for (const Bad& row : bad) {
    const Result<Operand> operand = parse_operand(row.text);
    ASSERT_FALSE(operand.ok()) << row.text;
    EXPECT_EQ(operand.error(), (TranslateError{row.kind, std::string(row.message)})) << row.text;
  }
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The sixteen-at-a-time runs of names and type words end where the class
// table says, for every byte value at every place in and after a block.
TEST(LexerTest, RunsEndWhereTheClassTableSays) {
  for (int value = 0; value < 256; ++value) {
    const char byte = static_cast<char>(value);
    for (std::size_t at = 0; at < 40; ++at) {
      std::string text(40, 'a');
      text[at] = byte;
      const std::size_t ident = in_class(byte, kIdentClass) ? text.size() : at;
      const std::size_t type = in_class(byte, kTypeClass) ? text.size() : at;
      EXPECT_EQ(end_of_run<kIdentClass>(text, 0), ident) << value << " at " << at;
      EXPECT_EQ(end_of_run<kTypeClass>(text, 0), type) << value << " at " << at;
    }
  }
}

}  // namespace
}  // namespace corvane
