// Module-level parsing: top-level statements, blocks and labels, instruction
// ends, attribute groups, entry point and profile; plus a walk over the
// real-world corpus whose per-file outcomes are kept in corpus_outcomes.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ir/ir.h"
#include "ir/parser.h"

namespace corvane {
namespace {

// A compact dump of a module: one line per function, one per block, and the
// opcode kind of each instruction.
std::string dump(const Module& module) {
  static constexpr const char* kKinds[] = {
      "Call",  "Br",      "CondBr",   "Ret",    "ICmp",       "Logic",       "Select",
      "Arith", "Phi",     "Ignored",  "Alloca", "Bitcast",    "Gep",         "Store",
      "Load",  "IntCast", "IntToPtr", "Switch", "FloatArith", "Unrecognized"};
  std::string out;
  for (const Function& function : module.functions) {
    out += function.is_declaration ? "declare " : "define ";
    out += std::string(function.name);
    if (function.is_entry_point) out += " entry";
    if (function.profile) out += " profile=" + std::string(*function.profile);
    out += "\n";
    for (const Block& block : function.blocks) {
      out += "  [" + std::string(block.label) + "]";
      for (const Instruction& instruction : block.instructions) {
        out += " ";
        out += kKinds[instruction.index()];
      }
      out += "\n";
    }
  }
  return out;
}

// True when every view of every instruction lies inside the module's text.
bool views_inside(const Module& module) {
  const std::string_view source = module.source();
  const auto inside = [&](std::string_view view) {
    return view.data() >= source.data() &&
           view.data() + view.size() <= source.data() + source.size();
  };
  const auto operand_inside = [&](const Operand& operand) {
    if (const auto* s = std::get_if<Ssa>(&operand)) return inside(s->name);
    if (const auto* g = std::get_if<GlobalRef>(&operand)) return inside(g->name);
    if (const auto* b = std::get_if<BitcastGlobal>(&operand)) return inside(b->name);
    if (const auto* p = std::get_if<PtrConst>(&operand))
      return !p->struct_name || inside(*p->struct_name);
    return true;
  };
  for (const Function& function : module.functions) {
    if (!inside(function.name)) return false;
    for (const Block& block : function.blocks) {
      if (!block.label.empty() && !inside(block.label)) return false;
      for (const Instruction& instruction : block.instructions) {
        if (const auto* call = std::get_if<Call>(&instruction)) {
          if (!inside(call->callee) || !inside(call->ret_ty)) return false;
          if (call->result && !inside(*call->result)) return false;
        }
      }
    }
    for (const Operand& operand : function.operands) {
      if (!operand_inside(operand)) return false;
    }
    for (const Incoming& incoming : function.incomings) {
      if (!operand_inside(incoming.value) || !inside(incoming.pred)) return false;
    }
  }
  return true;
}

TEST(ModuleParserTest, ParsesModules) {
  struct Row {
    const char* name;
    std::string text;
    std::string dump;
  };
  const Row rows[] = {
      {"empty text", "", ""},
      {"only top-level noise",
       "; ModuleID = 'x'\nsource_filename = \"x\"\ntarget triple = \"x86_64\"\n%Qubit = type "
       "opaque\n"
       "@0 = internal constant [2 x i8] c\"0\\00\"\n!llvm.module.flags = !{!0}\n!0 = !{i32 1}\n"
       "attributes #0 = { \"entry_point\" }\n",
       ""},
      {"declarations only",
       "declare void @__quantum__qis__h__body(%Qubit*)\n"
       "  declare i1 @\"quoted name\"(ptr) #1\n"
       "declare void @f(i64 (i64)* %fp)\n",
       "declare __quantum__qis__h__body\n"
       "declare quoted name\n"
       "declare f\n"},
      {"entry point and profile from a group",
       "define void @main() #0 {\nentry:\n  call void @__quantum__qis__h__body(%Qubit* null)\n"
       "  ret void\n}\n"
       "declare void @__quantum__qis__h__body(%Qubit*)\n"
       "attributes #0 = { \"entry_point\" \"qir_profiles\"=\"base_profile\" }\n",
       "define main entry profile=base_profile\n  [entry] Call Ret\n"
       "declare __quantum__qis__h__body\n"},
      {"profile follows reference order, groups may come first or last",
       "attributes #1 = { \"qir_profiles\"=\"adaptive_profile\" }\n"
       "define void @main() #1 #0 {\n  ret void\n}\n"
       "attributes #0 = { \"entry_point\" \"qir_profiles\"=\"base_profile\" }\n",
       "define main entry profile=adaptive_profile\n  [] Ret\n"},
      {"a later group replaces an earlier one; missing groups are skipped",
       "define void @main() #7 #3 #99999999999 # #2 {\n  ret void\n}\n"
       "attributes #2 = { \"qir_profiles\"=\"old\" }\n"
       "attributes #2 = { \"entry_point\"  \"qir_profiles\"=\"\" }\n"
       "attributes #3 = { \"qir_profiles\"=\"unclosed }\n",
       "define main entry profile=\n  [] Ret\n"},
      {"entry_point found as a substring of a group",
       "define void @main() #0 {\n  ret void\n}\nattributes #0 = { \"not_an_entry_point_really\" "
       "}\n",
       "define main entry\n  [] Ret\n"},
      {"inline entry_point before the brace",
       "define void @main() \"entry_point\" \"qir_profiles\"=\"ignored\" {\n  ret void\n}\n",
       "define main entry\n  [] Ret\n"},
      {"a comment after the brace is not scanned for attributes",
       "define void @main() { ; \"entry_point\" #0\n  ret void\n}\nattributes #0 = { "
       "\"entry_point\" }\n",
       "define main\n  [] Ret\n"},
      {"unmatched attributes lines are passed over",
       "define void @main() #0 #1 #2 {\n  ret void\n}\n"
       "attributes #0 { \"entry_point\" }\nattributes #1 = \"entry_point\"\n"
       "attributes #2 = { \"entry_point\"\nattributes #x = { \"entry_point\" }\n",
       "define main\n  [] Ret\n"},
      {"header brace on a later line",
       "define void @main() #0\n  #1\n{ ; #1\n  ret void\n}\n"
       "attributes #0 = { \"qir_profiles\"=\"p0\" }\nattributes #1 = { \"entry_point\" }\n",
       "define main profile=p0\n  [] Ret\n"},
      {"blocks and labels",
       "define i64 @f(i64 %a) {\n  %x = add i64 %a, 1\nnext:    ; preds = %0\n  br label "
       "%\"my.block\"\n"
       "\"my.block\":\n  ; comment line\n\n\"a b\":\n  ret i64 %x\nempty:\nlast: ; c\n  ret i64 "
       "0\n}\n",
       "define f\n  [] Arith\n  [next] Br\n  [my.block] Unrecognized Ret\n  [empty]\n  [last] "
       "Ret\n"},
      {"a first label renames the empty first block",
       "define void @f() {\n\nentry:\nentry:\n  ret void\n  ret void\n}\n",
       "define f\n  [entry]\n  [entry] Ret Ret\n"},
      {"call joined across lines",
       "define void @f() {\n  %r = call %Result* @__quantum__rt__result_get_one(\n  )\n"
       "  call void\n\n     @g()\n"
       "  call void @h(i64 1,\n       i64 2) ; trailing\n  ret void\n}\n",
       "define f\n  [] Call Call Call Ret\n"},
      {"blank lines inside an instruction are blanks; a line may go on with a number, but a "
       "numbered label ends it; a form feed is a blank",
       "define void @f() {\n  %f = sitofp i64 %w\n\n   to double\n  %s = select i1 %c, i64 1, i64\n"
       "  2\n  br\n      \n  label %1\n\n1:\n  ret void\n\f}\n",
       "define f\n  [] FloatArith Select Br\n  [1] Ret\n"},
      {"a non-call without @ is complete at balance zero", "define void @f() {\n  ret void\n}\n",
       "define f\n  [] Ret\n"},
      {"statements share lines: labels, instructions and braces where LLVM reads them",
       "define void @e() { ret void }\ndefine void @f() { call void @h() call void\n@h()\n  ret "
       "void\n}\n"
       "define void @g() {\nentry: br label %next\nnext: ; preds = %entry\n  ret void } ; end\n"
       "declare void @h()\n",
       "define e\n  [] Ret\ndefine f\n  [] Call Call Ret\ndefine g\n  [entry] Br\n  [next] Ret\n"
       "declare h\n"},
      {"CRLF line ends",
       "define void @main() #0 {\r\nentry:\r\n  %c = icmp eq i64 1, 2\r\n  br i1 %c, label %a, "
       "label %b\r\n"
       "a:\r\n  ret void\r\nb:\r\n  ret void\r\n}\r\nattributes #0 = { \"entry_point\" }\r\n",
       "define main entry\n  [entry] ICmp CondBr\n  [a] Ret\n  [b] Ret\n"},
      {"lines between header and brace are read past",
       "define void @f()\n}\ndeclare void @x()\n{\n  ret void\n}\n", "define f\n  [] Ret\n"},
      {"empty function name", "define void @() {\n  ret void\n}\n", "define \n  [] Ret\n"},
  };
  for (const Row& row : rows) {
    const auto module = parse_module(row.text);
    ASSERT_TRUE(module.ok()) << row.name << ": " << module.error().message;
    EXPECT_EQ(dump(*module), row.dump) << row.name;
    EXPECT_EQ(module->source(), row.text) << row.name;
    EXPECT_TRUE(views_inside(*module)) << row.name;
    for (const Function& function : module->functions) {
      EXPECT_TRUE(!function.is_declaration ||
                  (function.blocks.empty() && !function.profile && !function.is_entry_point));
    }
  }
}

std::string repeat(std::string_view piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(ModuleParserTest, ReportsBadModules) {
  struct Row {
    std::string text;
    std::string message;
    TextPosition place;  // every module-level error has one
  };
  const Row rows[] = {
      {"define void main() {\n}\n", "could not parse define header: define void main() {", {1, 1}},
      {"  define void @\"main() {\n}\n",
       "could not parse define header: define void @\"main() {",
       {1, 3}},
      {"define void @main {\n}\n", "could not parse define header: define void @main {", {1, 1}},
      {"define void @main(i64 (i64) {\n}\n",
       "could not parse define header: define void @main(i64 (i64) {",
       {1, 1}},
      {"define void @main()\n  ret void\n", "define without body block", {1, 1}},
      {"define void @main() {\n  ret void\n", "define body not terminated", {1, 1}},
      {"define void @main() {\n", "define body not terminated", {1, 1}},
      {"declare void f()\t\r\n", "could not parse declare: declare void f()", {1, 1}},
      {"declare void @f(\n", "could not parse declare: declare void @f(", {1, 1}},
      {"define void @main() {\n  call void @f(i64 1,\n  i64 2\n}\n",
       "unterminated instruction: call void @f(i64 1, i64 2 }",
       {2, 3}},
      {"define void @main() {\n  call void\n}\n", "unterminated instruction: call void }", {2, 3}},
      {"define void @main() {\n  call void @f(i64 1, ; one\n\n  i64 2)\n}\n",
       "a comment stands inside an instruction written over several lines; move it after the "
       "instruction",
       {2, 23}},
      {"define void @main() {\n  %x = add i64 1)\n}\n",
       "unterminated instruction: %x = add i64 1) }",
       {2, 3}},
      {"define void @main() {\n  br label exit\n}\n",
       "br label missing %<target>: label exit",
       {2, 12}},
      // Errors inside an instruction over several lines are placed on the line of the token.
      {"define void @main() {\n  %p = phi i64 [ 1, %a ], [\n      2, b ]\n}\n",
       "phi incoming predecessor must be %<label>, got b",
       {3, 10}},
      {"define void @main() {\n  call void @f(i64 1,\n      i64 2], [i64 3)\n}\n",
       "unbalanced closing bracket in i64 1, i64 2], [i64 3",
       {3, 12}},
      // A long line, and lines that end in CR LF.
      {"define void @main() {\n  %x = phi i64 " + repeat("[ 1, %a ], ", 30) + "[ 2, b ]\n}\n",
       "phi incoming predecessor must be %<label>, got b",
       {2, 351}},
      {"define void @main() {\r\n  ret void\r\n  br label exit\r\n}\r\n",
       "br label missing %<target>: label exit",
       {3, 12}},
      // The column counts characters, not bytes; a tab is one character.
      {"define void @main() {\n\t%p = phi i64 [ 1, %\"\u00e9\u4e2d\" ], [ 2, b ]\n}\n",
       "phi incoming predecessor must be %<label>, got b",
       {2, 34}},
  };
  for (const Row& row : rows) {
    const auto module = parse_module(row.text);
    ASSERT_FALSE(module.ok()) << row.text;
    const TranslateError& error = module.error();
    ASSERT_TRUE(error.offset.has_value()) << row.text;
    EXPECT_EQ(text_position(row.text, *error.offset), row.place) << row.text;
    EXPECT_EQ(error, (TranslateError{ErrorKind::Parse, row.message, error.offset})) << row.text;
  }
}

TEST(ModuleParserTest, BitcodeIsRecognisedByItsMagic) {
  using namespace std::string_view_literals;
  const std::string bitcode =
      "the input is LLVM bitcode, not textual IR; convert it to text first with `llvm-dis "
      "FILE.bc -o FILE.ll`";
  const std::pair<std::string_view, bool> rows[] = {
      {"BC\xC0\xDE\x35\x14\x00\x00"sv, true},
      {"\xDE\xC0\x17\x0B\x00\x00\x00\x00"sv, true},  // the wrapper
      {"BC\xC0"sv, false},
      {" BC\xC0\xDE"sv, false},
  };
  for (const auto& [text, is_bitcode] : rows) {
    const auto module = parse_module(text);
    ASSERT_FALSE(module.ok() && is_bitcode) << text;
    EXPECT_EQ(!module.ok() && module.error() == parse_error(bitcode), is_bitcode) << text;
  }
}

TEST(ModuleParserTest, ViewsPointIntoTheTextWhereTheTokensStand) {
  const std::string text =
      "define void @f() {\n"
      "  %res = call %Result* @get(\n"
      "      %Qubit* %q0,\n"
      "      i64 %n)\n"
      "  %p = phi i64 [ 1, %a ], [\n"
      "     %v, %b ]\n"
      "  store i64 3, ptr %s, !dbg !DILocation(line: 1,\n"
      "    column: 2)\n"
      "  %l = load volatile i64,\n"
      "    ptr %s\n"
      "  %g = getelementptr [2 x i64],\n"
      "    ptr %s, i64 0, i64 1\n"
      "  %t = select i1 %c,\n"
      "    i64 1, i64 2\n"
      "  ret void\n"
      "}\n";
  const std::string expected =
      "Call { callee: \"get\"@43, args: [Ssa(\"q0\")@63, Ssa(\"n\")@78], ret_ty: \"%Result*\"@33, "
      "result: \"res\"@22 }\n"
      "Phi { ty: \"i64\"@92, incomings: [(ConstInt(1), \"a\"@102), (Ssa(\"v\")@115, \"b\"@119)], "
      "result: \"p\"@84 }\n"
      "Store { value: [ConstInt(3)], pointer: \"s\"@143, ty: \"i64\"@131 }\n"
      "Load { pointer: \"s\"@222, result: \"l\"@190, ty: \"i64\"@208 }\n"
      "Gep { base: \"s\"@265, ty: \"[2 x i64]\"@245, indices: [ConstInt(0), ConstInt(1)], "
      "result: \"g\"@227 }\n"
      "Select { operands: [Ssa(\"c\")@299, ConstInt(1), ConstInt(2)], ty: \"i64\"@306, result: "
      "\"t\"@284 }\n"
      "Ret { value: \"\"@325 }\n";
  for (const bool borrowing : {false, true}) {
    auto parsed = borrowing ? parse_module_borrowing(text) : parse_module(text);
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    // Moving the module keeps its text where the views point.
    const Module module = std::move(parsed).value();
    EXPECT_EQ(module.source(), text);
    EXPECT_EQ(module.source().data() == text.data(), borrowing);
    std::string dump;
    const Function& function = module.functions.at(0);
    for (const Instruction& instruction : function.blocks.at(0).instructions) {
      dump += debug_dump(function, instruction, module.source()) + "\n";
    }
    EXPECT_EQ(dump, expected);
  }
}

// The outcome of parsing one corpus file, in our own words: counts on success,
// the error kind and the first words of the message on failure.
std::string outcome(const std::string& text) {
  const auto module = parse_module(text);
  if (!module.ok()) {
    const TranslateError& error = module.error();
    EXPECT_TRUE(error.kind == ErrorKind::Parse || error.kind == ErrorKind::Lowering);
    EXPECT_FALSE(error.message.empty());
    const std::string kind = error.kind == ErrorKind::Parse ? "Parse" : "Lowering";
    std::istringstream words(error.message);
    std::string word;
    std::string start;
    for (int i = 0; i < 3 && words >> word; ++i) start += " " + word;
    return "error " + kind + start;
  }
  std::size_t blocks = 0;
  std::size_t instructions = 0;
  std::size_t unrecognized = 0;
  std::size_t entry_points = 0;
  for (const Function& function : module->functions) {
    blocks += function.blocks.size();
    if (function.is_entry_point) ++entry_points;
    for (const Block& block : function.blocks) {
      instructions += block.instructions.size();
      for (const Instruction& instruction : block.instructions) {
        if (std::holds_alternative<Unrecognized>(instruction)) ++unrecognized;
      }
    }
  }
  EXPECT_TRUE(views_inside(*module));
  std::ostringstream out;
  out << "ok functions=" << module->functions.size() << " blocks=" << blocks
      << " instructions=" << instructions << " unrecognized=" << unrecognized
      << " entry_points=" << entry_points;
  return out.str();
}

TEST(ModuleParserTest, CorpusFilesParseOrFailCleanly) {
  const std::filesystem::path corpus = CORVANE_CORPUS_DIR;
  std::error_code ec;
  if (!std::filesystem::is_directory(corpus, ec)) GTEST_SKIP() << "no corpus at " << corpus;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus, ec)) {
    if (entry.is_regular_file() && entry.path().extension() == ".ll") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  std::string actual;
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    actual += file.lexically_relative(corpus).generic_string() + " " + outcome(text.str()) + "\n";
  }

  const std::filesystem::path expected_path =
      std::filesystem::path(CORVANE_SOURCE_DIR) / "core/tests/ir/corpus_outcomes.txt";
  if (std::getenv("CORVANE_REBASE_CORPUS") != nullptr) {
    std::ofstream(expected_path, std::ios::binary) << actual;
    GTEST_SKIP() << "rewrote " << expected_path;
  }
  std::ifstream in(expected_path, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << expected_path
                  << "; run with CORVANE_REBASE_CORPUS=1 to create it";
  std::ostringstream expected;
  expected << in.rdbuf();
  if (expected.str() != actual) {
    const std::filesystem::path actual_path = "corpus_outcomes.actual";
    std::ofstream(actual_path, std::ios::binary) << actual;
    ADD_FAILURE() << "corpus outcomes changed; actual written to "
                  << std::filesystem::absolute(actual_path) << " (diff it against " << expected_path
                  << ")";
  }
}

}  // namespace
}  // namespace corvane
