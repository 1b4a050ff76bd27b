// The direct line reader against the general instruction parser: wherever it
// accepts a line, the instruction and the appended operands must equal what
// the general parser makes of the same text; where it declines, nothing is
// appended. Checked on a table of plain and near-miss lines and on every line
// of the golden cases, the real-world corpus and generated modules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ir/parser.h"
#include "ir/parser_internal.h"
#include "ir/parser_util.h"
#include "module_files.h"

namespace corvane {
namespace {

struct Outcome {
  bool accepted = false;
  bool same = false;
  std::string detail;
};

// Runs the direct reader on `text` and, when it accepts, the general parser.
Outcome compare(std::string_view text) {
  Outcome outcome;
  Function direct;
  direct.operands.push_back(ConstBool{true});  // a prefix the reader must keep
  Instruction instruction;
  outcome.accepted = parser_detail::try_parse_plain_instruction(text, direct, instruction);
  if (!outcome.accepted) {
    outcome.same = direct.operands.size() == 1;
    if (!outcome.same) outcome.detail = "declined but left operands behind";
    return outcome;
  }
  Function general;
  general.operands.push_back(ConstBool{true});
  const auto reference = parse_instruction(text, general);
  if (!reference.ok()) {
    outcome.detail = "general parser fails: " + reference.error().message;
    return outcome;
  }
  outcome.same = reference.value() == instruction && general.operands == direct.operands;
  if (!outcome.same) outcome.detail = "results differ";
  // Every name is a view into the line itself.
  const auto inside = [&](std::string_view view) {
    return view.data() >= text.data() && view.data() + view.size() <= text.data() + text.size();
  };
  bool views_inside = true;
  if (const Call* call = std::get_if<Call>(&instruction)) {
    views_inside =
        inside(call->callee) && inside(call->ret_ty) && (!call->result || inside(*call->result));
  } else if (const Br* br = std::get_if<Br>(&instruction)) {
    views_inside = inside(br->target);
  } else if (const CondBr* branch = std::get_if<CondBr>(&instruction)) {
    views_inside = inside(branch->true_label) && inside(branch->false_label) &&
                   (branch->cond.kind != BranchCond::Kind::Ssa || inside(branch->cond.name));
  }
  if (!views_inside) {
    outcome.same = false;
    outcome.detail = "view outside the line";
  }
  return outcome;
}

TEST(PlainInstructionTest, AcceptsOnlyWhatTheGeneralParserReadsTheSame) {
  struct Row {
    const char* text;
    bool accepted;
  };
  const Row rows[] = {
      // Plain forms.
      {"call void @__quantum__qis__h__body(%Qubit* null)", true},
      {"call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 7 to %Qubit*))", true},
      {"call void @__quantum__qis__cnot__body(ptr inttoptr (i64 1 to ptr), ptr null)", true},
      {"call void @__quantum__qis__rx__body(double -2.5e-3, %Qubit* null)", true},
      {"call void @__quantum__qis__rx__body(double 1.0, ptr %q)", true},
      {"call void @__quantum__qis__rx__body(double %theta, ptr %q)", true},
      {"call void @__quantum__qis__rx__body(double +0.5, ptr %q)", true},
      {"call void @__quantum__qis__rx__body(float 7, ptr %q)", true},
      {"call void @__quantum__rt__result_record_output(%Result* null, i8* null)", true},
      {"call void @__quantum__rt__result_record_output(ptr inttoptr (i64 2 to ptr), ptr @0)", true},
      {"call void @__quantum__rt__array_record_output(i64 -3, i8* null)", true},
      {"call void @__quantum__rt__array_record_output(i64 123456789012345678, i8* null)", true},
      {"call void @__quantum__rt__array_record_output(i32 %n, i8* @label.1)", true},
      {"call void @f(i1 true, i1 false, i1 1, i1 0, i1 %c)", true},
      {"call void @f(i8* inttoptr (i32 3 to i8*))", true},
      {"call void @f()", true},
      {"%r = call i1 @__quantum__qis__read_result__body(%Result* null)", true},
      {"%0 = call %Result* @__quantum__rt__result_get_one()", true},
      {"call void @__quantum__qis__mz__body(%Qubit* inttoptr (i64 0 to %Qubit*), %Result* "
       "inttoptr (i64 0 to %Result*))",
       true},
      // Near misses: declined, the general parser decides.
      {"call void @f(%Qubit* null) #0", false},
      {"call void @f(%Qubit* null) ; comment", false},
      {"call void @f(%Qubit* null))", false},
      {"call void @f(%Qubit*  null)", false},
      {"call void @f(%Qubit* null ,ptr null)", false},
      {"call void @f(%Qubit* null,ptr null)", false},
      {"call void @f(%Qubit* nonnull null)", false},
      {"call void @f(%Qubit* noundef inttoptr (i64 1 to %Qubit*))", false},
      {"call void @\"quoted name\"(%Qubit* null)", false},
      {"call void (ptr) @f(ptr null)", false},
      {"tail call void @f(ptr null)", false},
      {"%r = call zeroext i1 @f(ptr null)", false},
      {"call void @f(ptr align 8 null)", false},
      {"call  void @f(ptr null)", false},
      {"%r =call i1 @f(ptr null)", false},
      {"%\"r\" = call i1 @f(ptr null)", false},
      {"call void @f(%\"Qubit\"* null)", false},
      {"call void @f(%Qubit** null)", false},
      {"call void @f(%* null)", false},
      {"call void @f(i8 null)", false},
      {"call void @f(i1 2)", false},
      {"call void @f(i1 truex)", false},
      {"call void @f(i1 10)", false},
      {"call void @f(i64 1234567890123456789)", false},
      {"call void @f(i64 +5)", false},
      {"call void @f(i64 --5)", false},
      {"call void @f(i64 @g)", false},
      {"call void @f(i64 %\"x\")", false},
      {"call void @f(double 0x3FF0000000000000)", false},
      {"call void @f(double inf)", false},
      {"call void @f(double e)", false},
      {"call void @f(double 1.0.0)", false},
      {"call void @f(ptr nullx)", false},
      {"call void @f(ptr inttoptr (i64 -1 to ptr))", false},
      {"call void @f(ptr inttoptr (i64 1 to ptr)", false},
      {"call void @f(ptr inttoptr(i64 1 to ptr))", false},
      {"call void @f(ptr getelementptr inbounds ([3 x i8], ptr @0, i64 0, i64 0))", false},
      {"call void @f(ptr bitcast (ptr @g to ptr))", false},
      {"call void @f(<2 x i64> %v)", false},
      {"call void @f(i64 1", false},
      {"call void @f", false},
      {"call void @(ptr null)", false},
      {"call void f(ptr null)", false},
      {"call void @f(ptr null, )", false},
      {"call void @f(ptr null, ...)", false},
      {"call void @f(ptr null)\xC2\xA0", false},
      {"call void @f(ptr n\xC3\xBCll)", false},
      // Branches and returns.
      {"br label %next", true},
      {"br label %next.1", true},
      {"br i1 %m0, label %then0, label %cont0", true},
      {"br i1 true, label %a, label %b", true},
      {"br i1 0, label %a, label %b", true},
      {"br i1 1, label %a, label %a", true},
      {"ret void", true},
      {"br label %\"quoted\"", false},
      {"br label %next ; comment", false},
      {"br label %next, !dbg !3", false},
      {"br  label %next", false},
      {"br label next", false},
      {"br label %", false},
      {"br i1 %m0,label %a, label %b", false},
      {"br i1 %m0, label %a, label %b, label %c", false},
      {"br i1 2, label %a, label %b", false},
      {"br i1 truex, label %a, label %b", false},
      {"br i1 %\"c\", label %a, label %b", false},
      {"br i1 %c, label %a", false},
      {"br i64 %c, label %a, label %b", false},
      {"ret", false},
      {"ret void ; done", false},
      {"ret i64 0", false},
      {"%x = add i64 1, 2", false},
      {"", false},
  };
  for (const Row& row : rows) {
    const Outcome outcome = compare(row.text);
    EXPECT_EQ(outcome.accepted, row.accepted) << row.text;
    EXPECT_TRUE(outcome.same) << row.text << ": " << outcome.detail;
  }
}

// Every line of every module on hand, trimmed as the module pass trims it.
TEST(PlainInstructionTest, AgreesWithTheGeneralParserOnEveryLineOfRealModules) {
  const auto files = module_files();
  if (files.empty()) GTEST_SKIP() << "no modules found";
  std::size_t accepted = 0;
  std::size_t calls = 0;
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::istringstream lines(buffer.str());
    std::string line;
    while (std::getline(lines, line)) {
      const std::string_view text = trim(line);
      if (text.find("call ") == std::string_view::npos && !text.starts_with("br") &&
          !text.starts_with("ret")) {
        continue;
      }
      ++calls;
      const Outcome outcome = compare(text);
      if (outcome.accepted) ++accepted;
      EXPECT_TRUE(outcome.same) << file << ": " << text << ": " << outcome.detail;
    }
  }
  // The reader exists for these lines: most that producers write must take it.
  EXPECT_GT(accepted * 2, calls) << accepted << " of " << calls << " lines";
}

// Whole modules: the module pass (which uses the direct reader) gives the same
// IR as joining each call over two lines, which forces the general path.
TEST(PlainInstructionTest, ModulePassMatchesTheGeneralPathOnWholeModules) {
  const std::string plain =
      "define void @main() #0 {\n"
      "entry:\n"
      "  call void @__quantum__qis__rx__body(double 0.5, %Qubit* inttoptr (i64 3 to %Qubit*))\n"
      "  %r = call i1 @__quantum__qis__read_result__body(%Result* null)\n"
      "  call void @__quantum__rt__result_record_output(%Result* null, i8* null)\n"
      "  ret void\n"
      "}\n"
      "attributes #0 = { \"entry_point\" }\n";
  // The same module with every call's argument list moved to the next line: a
  // call spread over lines is joined and then read by the general parser.
  std::string split;
  std::istringstream lines(plain);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t at = line.find(" @__quantum__");
    if (line.find("call ") != std::string::npos && at != std::string::npos) {
      line.insert(line.find('(', at) + 1, "\n      ");
    }
    split += line + "\n";
  }
  const auto direct = parse_module(plain);
  const auto general = parse_module(split);
  ASSERT_TRUE(direct.ok()) << direct.error().message;
  ASSERT_TRUE(general.ok()) << general.error().message;
  const Function& a = direct.value().functions[0];
  const Function& b = general.value().functions[0];
  ASSERT_EQ(a.blocks.size(), 1u);
  ASSERT_EQ(b.blocks.size(), 1u);
  EXPECT_EQ(a.blocks[0].instructions, b.blocks[0].instructions);
  EXPECT_EQ(a.operands, b.operands);
  EXPECT_EQ(a.blocks[0].instructions.size(), 4u);
}

}  // namespace
}  // namespace corvane
