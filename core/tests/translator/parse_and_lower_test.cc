// Lowering while parsing (parse_and_lower, what translate() uses) against
// parsing first and lowering the parsed module: the same program, profile or
// error for every module on hand and for the cases where the two could part
// (the body taken is not the entry point's, a lowering error before a parse
// error, blocks split across batches).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ir/parser.h"
#include "module_files.h"
#include "openqasm/printer.h"
#include "translator/lowering.h"
#include "translator/translate.h"

namespace corvane {
namespace {

Translator base_translator() { return Translator{base_profile(), {}, std::nullopt, false}; }

// An error as text: its message and its place.
std::string error_text(const TranslateError& error) {
  return "error: " + error.message +
         (error.offset ? " (at byte " + std::to_string(*error.offset) + ")" : " (no place)");
}

// The outcome as text: the printed program and profile, or the error.
std::string streamed(const std::string& text, std::size_t batch) {
  const Translator translator = base_translator();
  Result<LoweredModule> lowered = parse_and_lower(translator, text, batch);
  if (!lowered.ok()) return error_text(lowered.error());
  std::string out;
  print_program(lowered->program, out);
  return out + "profile: " + std::string(lowered->profile.value_or("none"));
}

std::string parsed_then_lowered(const std::string& text) {
  Result<Module> module = parse_module(text);
  if (!module.ok()) return error_text(module.error());
  Result<Program> program = lower_module(base_translator(), *module);
  if (!program.ok()) return error_text(program.error());
  std::string out;
  print_program(*program, out);
  const Function* entry = find_entry_point(*module);
  return out + "profile: " + std::string(entry->profile.value_or("none"));
}

constexpr std::size_t kBatches[] = {1, 2, 3, 1024};

TEST(ParseAndLowerTest, AgreesWithParsingFirstOnEveryModuleOnHand) {
  const auto files = module_files();
  if (files.empty()) GTEST_SKIP() << "no modules found";
  std::size_t translated = 0;
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const std::string expected = parsed_then_lowered(text);
    translated += expected.starts_with("error: ") ? 0 : 1;
    for (std::size_t batch : kBatches) {
      EXPECT_EQ(streamed(text, batch), expected) << file << " batch " << batch;
    }
  }
  EXPECT_GT(translated, 0u);
}

constexpr const char* kDeclarations =
    "declare void @__quantum__qis__h__body(%Qubit*)\n"
    "declare void @__quantum__qis__mz__body(%Qubit*, %Result*)\n"
    "declare i1 @__quantum__qis__read_result__body(%Result*)\n";

std::string with_declarations(const std::string& body) {
  return "%Qubit = type opaque\n%Result = type opaque\n" + body + kDeclarations;
}

TEST(ParseAndLowerTest, AgreesWithParsingFirstWhereTheTwoCouldPart) {
  const std::string gate = "  call void @__quantum__qis__h__body(%Qubit* null)\n";
  const std::string measure =
      "  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)\n"
      "  %m = call i1 @__quantum__qis__read_result__body(%Result* null)\n";
  const std::string main_body = "{\n" + gate + gate + measure +
                                "  br i1 %m, label %then, label %done\n"
                                "then:\n" +
                                gate + "  br label %done\ndone:\n" + gate + "  ret void\n}\n";
  struct Row {
    const char* name;
    std::string text;
    const char* expected_start;  // the start of the outcome
  };
  const std::vector<Row> rows = {
      {"entry point with branches",
       with_declarations("define void @main() #0 " + main_body) +
           "attributes #0 = { \"entry_point\" }\n",
       "OPENQASM 3.0;"},
      // The first definition with attributes is a helper: the text is lowered again.
      {"attributed helper first",
       with_declarations("define void @helper() #1 {\n" + gate + "  ret void\n}\n" +
                         "define void @main() #0 " + main_body) +
           "attributes #0 = { \"entry_point\" \"qir_profiles\"=\"adaptive_profile\" }\n"
           "attributes #1 = { nounwind }\n",
       "OPENQASM 3.0;"},
      {"plain helper first",
       with_declarations("define void @helper() {\n  ret void\n}\ndefine void @main() #0 " +
                         main_body) +
           "attributes #0 = { \"entry_point\" }\n",
       "OPENQASM 3.0;"},
      {"no entry point",
       with_declarations("define void @main() #0 " + main_body) + "attributes #0 = { }\n",
       "error: no entry-point function found"},
      // A lowering error early, a parse error late: the parse error is reported.
      {"parse error after lowering error",
       with_declarations("define void @main() #0 {\n  %x = frobnicate i64 1\n" + gate +
                         "  call void @__quantum__qis__h__body(%Qubit* null\n}\n") +
           "attributes #0 = { \"entry_point\" }\n",
       "error: "},
      {"lowering error",
       with_declarations("define void @main() #0 {\n  %x = frobnicate i64 1\n" + gate +
                         "  ret void\n}\n") +
           "attributes #0 = { \"entry_point\" }\n",
       "error: unsupported LLVM instruction opcode"},
      // A first block that returns, then an unreachable one.
      {"unreachable blocks",
       with_declarations("define void @main() #0 {\n" + gate + gate + "  ret void\nlater:\n" +
                         gate + "  ret void\n}\n") +
           "attributes #0 = { \"entry_point\" }\n",
       "error: could not reduce CFG"},
      {"lone block",
       with_declarations("define void @main() #0 {\n" + gate + gate + gate + "  ret void\n}\n") +
           "attributes #0 = { \"entry_point\" }\n",
       "OPENQASM 3.0;"},
      {"empty body",
       with_declarations("define void @main() #0 {\n}\n") + "attributes #0 = { \"entry_point\" }\n",
       "OPENQASM 3.0;"},
      {"bad signature",
       "declare void @f(%Qubit*\ndefine void @main() #0 {\n  ret void\n}\n"
       "attributes #0 = { \"entry_point\" }\n",
       "error: "},
  };
  for (const Row& row : rows) {
    const std::string expected = parsed_then_lowered(row.text);
    EXPECT_TRUE(expected.starts_with(row.expected_start)) << row.name << ": " << expected;
    for (std::size_t batch : kBatches) {
      EXPECT_EQ(streamed(row.text, batch), expected) << row.name << " batch " << batch;
    }
  }
}

}  // namespace
}  // namespace corvane
