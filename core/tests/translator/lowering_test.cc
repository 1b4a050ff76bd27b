// The lowering driver through lower_module: program assembly (the order of
// registers, hoisted declarations and body) and the inlining budget.
#include "translator/lowering.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ir/parser.h"
#include "openqasm/printer.h"
#include "translator/inline.h"
#include "translator/translate.h"

namespace corvane {
namespace {

Result<Program> lower(const char* text) {
  Result<Module> module = parse_module(text);
  if (!module.ok()) return module.error();
  const TranslateOptions options{base_profile(), std::nullopt};
  return lower_module(options, *module);
}

// A module around a body written in a short form: `mz Q [R]` (R = Q when
// absent), `h Q`, `read %v R` and `record` for the calls.
std::string module_around(const std::string& body) {
  std::string text = "define void @main() #0 {\n";
  std::istringstream lines(body);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string op;
    words >> op;
    const auto handle = [](const std::string& n) {
      return n == "0" ? std::string("ptr null") : "ptr inttoptr (i64 " + n + " to ptr)";
    };
    std::string a;
    std::string b;
    if (op == "mz") {
      words >> a;
      if (!(words >> b)) b = a;
      text += "  call void @__quantum__qis__mz__body(" + handle(a) + ", " + handle(b) + ")\n";
    } else if (op == "record") {
      text += "  call void @__quantum__rt__result_record_output(ptr null, ptr null)\n";
    } else if (op == "h") {
      words >> a;
      text += "  call void @__quantum__qis__h__body(" + handle(a) + ")\n";
    } else if (op == "read") {
      words >> a >> b;
      text += "  " + a + " = call i1 @__quantum__qis__read_result__body(" + handle(b) + ")\n";
    } else {
      text += line + "\n";
    }
  }
  return text +
         "}\n"
         "declare void @__quantum__qis__h__body(ptr)\n"
         "declare void @__quantum__qis__mz__body(ptr, ptr)\n"
         "declare i1 @__quantum__qis__read_result__body(ptr)\n"
         "declare void @__quantum__rt__result_record_output(ptr, ptr)\n"
         "attributes #0 = { \"entry_point\" }\n";
}

// Registers and hoisted declarations in the header, then the body; every
// combination of present and absent header parts comes out in order.
TEST(LoweringDriverTest, AssemblesRegistersDeclarationsAndBody) {
  const char* if_merge =
      "entry:\nmz 4 2\nread %m 2\nbr i1 %m, label %inc, label %join\ninc:\nbr label %join\n"
      "join:\n%v = phi i64 [ 3, %entry ], [ 4, %inc ]\nret void\n";
  struct Row {
    const char* body;
    const char* dump;
  };
  const Row rows[] = {
      {if_merge,
       "qubit[5] q; bit[3] c; int cint_0 = 3; c[2] = measure q[4]; if (c[2]) { cint_0 = 4; }"},
      {"entry:\nh 1\nmz 1 2\nret void\n", "qubit[2] q; bit[3] c; h q[1]; c[2] = measure q[1];"},
      {"entry:\nh 1\nret void\n", "qubit[2] q; h q[1];"},
      // Recording an output declares no register.
      {"entry:\nrecord\nret void\n", ""},
      {"entry:\nret void\n", ""},
      {"entry:\nh 1\nh 1\nrecord\nret void\n", "qubit[2] q; h q[1]; h q[1];"},
  };
  for (const Row& row : rows) {
    Result<Program> program = lower(module_around(row.body).c_str());
    ASSERT_TRUE(program.ok()) << program.error().message;
    EXPECT_EQ(program->version, "3.0");
    std::vector<Stmt> statements = program->header;
    statements.insert(statements.end(), program->body.begin(), program->body.end());
    EXPECT_EQ(dump_statements(statements), row.dump) << row.body;
  }
}

// The budget counts every inlined instruction, one call tree at a time: here
// f (3 instructions) and g twice (4 each) make 11.
TEST(LoweringDriverTest, InliningStopsAtItsBudgetNamingTheFunction) {
  const char* text = R"(define void @main() "entry_point" {
entry:
  call void @f(ptr null)
  ret void
}
define void @f(ptr %q) {
b:
  call void @g(ptr %q)
  call void @g(ptr %q)
  ret void
}
define void @g(ptr %q) {
b:
  call void @__quantum__qis__h__body(ptr %q)
  call void @__quantum__qis__x__body(ptr %q)
  br label %c
c:
  ret void
}
declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
)";
  Result<Module> module = parse_module(text);
  ASSERT_TRUE(module.ok());
  const Function& entry = module->functions.front();
  Result<std::optional<Function>> enough = inline_defined_calls(*module, entry, base_profile(), 11);
  ASSERT_TRUE(enough.ok());
  ASSERT_TRUE(enough->has_value());
  std::vector<std::string_view> labels;
  for (const Block& block : (*enough)->blocks) labels.push_back(block.label);
  EXPECT_EQ(labels,
            (std::vector<std::string_view>{"entry", "f:b", "g:b", "g:c", "g:return to f:b", "g#2:b",
                                           "g#2:c", "g#2:return to f:b", "f:return to entry"}));
  // At the budget's edge: f's 3 instructions fit a budget of 3, the first copy of g does not.
  const TranslateError at_edge = inline_defined_calls(*module, entry, base_profile(), 3).error();
  EXPECT_EQ(at_edge.offset, std::string_view(text).find("  call void @g(ptr %q)\n  call") + 2);
  // Placed at the second call of g (line 9).
  const TranslateError error = inline_defined_calls(*module, entry, base_profile(), 10).error();
  EXPECT_EQ(error.offset, std::string_view(text).find("  call void @g(ptr %q)\n  ret") + 2);
  EXPECT_EQ(
      error,
      placed(lowering_error("defined function 'g' cannot be inlined: the calls of defined "
                            "functions would inline more than 10 instructions, the limit for this "
                            "input (in \"f\", inlined at line 3)",
                            ErrorClass::Limit),
             *error.offset));
}

}  // namespace
}  // namespace corvane
