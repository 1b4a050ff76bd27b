// The lowering driver through lower_module: program assembly with the
// translator's configuration points (includes, output register), the order
// of registers, hoisted declarations and body, and error kinds.
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

Result<Program> lower(const char* text, std::vector<std::string> includes, bool output_results) {
  Result<Module> module = parse_module(text);
  if (!module.ok()) return module.error();
  Translator translator{base_profile(), std::move(includes), std::nullopt, output_results};
  return lower_module(translator, *module);
}

// A module around a body written in a short form: `mz Q [R]` (R = Q when
// absent), `h Q`, `x Q`, `read %v R` and `record` for the calls.
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
    } else if (op == "h" || op == "x") {
      words >> a;
      text += "  call void @__quantum__qis__" + op + "__body(" + handle(a) + ")\n";
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
         "declare void @__quantum__qis__x__body(ptr)\n"
         "declare void @__quantum__qis__mz__body(ptr, ptr)\n"
         "declare i1 @__quantum__qis__read_result__body(ptr)\n"
         "declare void @__quantum__rt__result_record_output(ptr, ptr)\n"
         "attributes #0 = { \"entry_point\" }\n";
}

// Includes, registers (an output register or a plain one) and hoisted
// declarations in the header, then the body; every combination of present and
// absent header parts comes out in order.
TEST(LoweringDriverTest, AssemblesIncludesRegistersDeclarationsAndBody) {
  const char* if_merge =
      "entry:\nmz 4 2\nread %m 2\nbr i1 %m, label %inc, label %join\ninc:\nbr label %join\n"
      "join:\n%v = phi i64 [ 3, %entry ], [ 4, %inc ]\nret void\n";
  struct Row {
    const char* body;
    bool output_results;
    const char* dump;
  };
  const Row rows[] = {
      {if_merge, true,
       "qubit[5] q; output bit[3] c; int cint_0 = 3; c[2] = measure q[4]; if (c[2]) { cint_0 = 4; "
       "}"},
      {if_merge, false,
       "qubit[5] q; bit[3] c; int cint_0 = 3; c[2] = measure q[4]; if (c[2]) { cint_0 = 4; }"},
      {"entry:\nh 1\nmz 1 2\nret void\n", true,
       "qubit[2] q; output bit[3] c; h q[1]; c[2] = measure q[1];"},
      {"entry:\nh 1\nret void\n", true, "qubit[2] q; h q[1];"},
      // Recording an output declares no register.
      {"entry:\nrecord\nret void\n", true, ""},
      {"entry:\nret void\n", true, ""},
      {"entry:\nh 1\nh 1\nrecord\nret void\n", true, "qubit[2] q; h q[1]; h q[1];"},
  };
  for (const std::vector<std::string>& includes :
       {std::vector<std::string>{}, std::vector<std::string>{"stdgates.inc", "more.inc"}}) {
    for (const Row& row : rows) {
      Result<Program> program =
          lower(module_around(row.body).c_str(), includes, row.output_results);
      ASSERT_TRUE(program.ok()) << program.error().message;
      EXPECT_EQ(program->version, "3.0");
      const std::string headers =
          includes.empty() ? "" : "include \"stdgates.inc\"; include \"more.inc\";";
      std::vector<Stmt> statements = program->header;
      statements.insert(statements.end(), program->body.begin(), program->body.end());
      EXPECT_EQ(dump_statements(statements),
                headers + (headers.empty() || *row.dump == '\0' ? "" : " ") + row.dump)
          << row.body;
    }
  }
}

TEST(LoweringDriverTest, ErrorsKeepTheirKindsAndArePlacedAtTheirInstruction) {
  struct Row {
    std::string text;
    TranslateError error;  // without its place
    std::optional<TextPosition> place;
  };
  const std::string entry = "define void @main() \"entry_point\" {\nentry:\n";
  const std::vector<Row> rows = {
      {"define void @main() {\nentry:\n  ret void\n}\n",
       parse_error("no entry-point function found; QIR modules must have a function tagged with "
                   "the 'entry_point' attribute"),
       std::nullopt},
      // An unrecognized opcode is itself the place.
      {"define void @main() \"entry_point\" {\n  br label %1\n1:\n  fcmp oeq double 1.0, 2.0\n}\n",
       lowering_error("unsupported LLVM instruction opcode \"fcmp\" in block \"1\""),
       TextPosition{4, 3}},
      {entry + "  %x = frobnicate i64 1\n  ret void\n}\n",
       lowering_error("unsupported LLVM instruction opcode \"frobnicate\" in block \"entry\""),
       TextPosition{3, 8}},
      // Anything else: the start of the instruction.
      {entry + "  %q = inttoptr i64 -2 to ptr\n  ret void\n}\n",
       lowering_error(
           "inttoptr index -2 is negative; qubit and result indices must be non-negative"),
       TextPosition{3, 3}},
      {entry + "  br i1 %c, label %a, label %b\na:\n  ret void\nb:\n  ret void\n}\n",
       lowering_error("SSA value \"c\" is used but was never bound; upstream instruction may "
                      "be unsupported"),
       TextPosition{3, 3}},
      // An instruction joined from several lines: the start of its first line.
      {entry + "  call void @__quantum__qis__h__body(\n      %Qubit* null)\n  ret void\n}\n",
       lowering_error("no signature for callee \"__quantum__qis__h__body\" in QIR source"),
       TextPosition{3, 3}},
      // A declaration the signature reader rejects: its line.
      {entry + "  ret void\n}\n\u00e9\n  declare void @f(..., i64)\n",
       parse_error("unexpected '...' in non-terminal position of parameter list: \"..., i64\""),
       TextPosition{6, 3}},
      // Inlining: refusals name the defined function and point into its text.
      {entry + "  call void @f(ptr null)\n  ret void\n}\ndefine void @f(ptr %q) {\nb:\n"
               "  call void @g(ptr %q)\n  ret void\n}\ndefine void @g(ptr %p) {\nb:\n"
               "  call void @f(ptr %p)\n  ret void\n}\n",
       lowering_error("defined function 'f' cannot be inlined: it calls itself, directly or "
                      "through other defined functions"),
       TextPosition{13, 3}},
      {entry + "  call void @f(ptr null, i64 1)\n  ret void\n}\ndefine void @f(ptr %q) {\nb:\n"
               "  ret void\n}\n",
       lowering_error("defined function 'f' cannot be inlined: the call passes 2 arguments but "
                      "it takes 1"),
       TextPosition{3, 3}},
      {entry + "  call void @f(i64 1)\n  ret void\n}\ndefine void @f(i64 %n, ...) {\nb:\n"
               "  ret void\n}\n",
       lowering_error("defined function 'f' cannot be inlined: it is variadic"),
       TextPosition{3, 3}},
      {entry + "  call void @f()\n  ret void\n}\ndefine void @f() {\nb:\n"
               "  %q = call ptr @__quantum__rt__qubit_allocate()\n  ret void\n}\n"
               "declare ptr @__quantum__rt__qubit_allocate()\n",
       lowering_error("dynamic qubit allocation is not supported: '__quantum__rt__qubit_allocate' "
                      "allocates or releases qubits at run time; address qubits by constant "
                      "indices instead"),
       TextPosition{8, 3}},
      {entry + "  %x = call i64 @f()\n  %y = add i64 %x, 1\n  ret void\n}\n"
               "define i64 @f() {\nb:\n  %r = call i64 @__quantum__rt__mystery()\n  ret i64 %r\n}\n"
               "declare i64 @__quantum__rt__mystery()\n",
       lowering_error("no builder registered for declared QIR function '__quantum__rt__mystery'; "
                      "extend the Profile to support it"),
       TextPosition{9, 3}},
      // Sizing the registers has no single place.
      {entry + "  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 9223372036854775807 to "
               "%Qubit*))\n  ret void\n}\ndeclare void @__quantum__qis__h__body(%Qubit*)\n",
       lowering_error("qubit index too large to size the qubit register"), std::nullopt},
  };
  for (const Row& row : rows) {
    Result<Program> program = lower(row.text.c_str(), {}, false);
    ASSERT_FALSE(program.ok()) << row.text;
    const TranslateError& error = program.error();
    EXPECT_EQ(error, (TranslateError{row.error.kind, row.error.message, error.offset})) << row.text;
    std::optional<TextPosition> place;
    if (error.offset) place = text_position(row.text, *error.offset);
    EXPECT_EQ(place, row.place) << row.text;
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
  // Placed at the second call of g (line 9).
  const TranslateError error = inline_defined_calls(*module, entry, base_profile(), 10).error();
  EXPECT_EQ(error.offset, std::string_view(text).find("  call void @g(ptr %q)\n  ret") + 2);
  EXPECT_EQ(
      error,
      placed(lowering_error("defined function 'g' cannot be inlined: the calls of defined "
                            "functions would inline more than 10 instructions, the limit for this "
                            "input"),
             *error.offset));
}

}  // namespace
}  // namespace corvane
