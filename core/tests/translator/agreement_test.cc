// Every way through the translation agrees: lowering while reading (what
// translate() does, here also in batches of 1, 2 and 3 instructions), reading
// first and lowering the module, and lowering a module given up on the way.
// Checked on every module on hand (corpus, golden cases, among them the cases
// where the ways could part), the fuzz regressions and hostile bytes at every
// position.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ir/parser.h"
#include "module_files.h"
#include "openqasm/printer.h"
#include "translator/lowering.h"
#include "translator/translate.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// An error as text: its message and its place.
std::string error_text(const TranslateError& error) {
  return "error: " + error.display() +
         (error.offset ? " (at byte " + std::to_string(*error.offset) + ")" : " (no place)");
}

const TranslateOptions kOptions{base_profile(), std::string("agreement"), false, false};

std::string streamed(const std::string& text, std::size_t batch, std::size_t keep) {
  Result<LoweredModule> lowered = parse_and_lower(kOptions, text, batch, keep);
  if (!lowered.ok()) return error_text(lowered.error());
  std::string out;
  print_program(lowered->program, out);
  return out + render_trailer(kOptions.producer, lowered->profile);
}

// The outcome of `text` read first and then lowered, after checking that every
// other way gives the same; `trace` names the input.
std::string translate_every_way(const std::string& text, const std::string& trace) {
  SCOPED_TRACE(trace);
  std::string expected;
  Result<Module> kept = parse_module(text);
  Result<Module> consumed = parse_module(text);
  if (!kept.ok()) {
    expected = error_text(kept.error());
  } else {
    const Result<std::string> whole = translate_module(kOptions, *kept);
    expected = whole.ok() ? *whole : error_text(whole.error());
    // Lowering a module the caller gives up frees its instructions on the way
    // (only on success); labels stay.
    const Result<Program> lowered = lower_module(kOptions, std::move(*consumed));
    std::string printed;
    if (lowered.ok()) print_program(*lowered, printed);
    EXPECT_EQ(lowered.ok() ? printed : error_text(lowered.error()),
              whole.ok() ? whole->substr(0, whole->rfind("// generated-by")) : expected);
    const Function* entry = find_entry_point(*consumed);
    if (entry != nullptr && lowered.ok()) {
      EXPECT_TRUE(entry->operands.empty());
      for (std::size_t i = 0; i < entry->blocks.size(); ++i) {
        EXPECT_TRUE(entry->blocks[i].instructions.empty());
        EXPECT_EQ(entry->blocks[i].label, find_entry_point(*kept)->blocks[i].label);
      }
    }
  }
  // Bodies kept whole, kept only in part (streamed on past the kept
  // instructions, read again on giving up after them), and never kept.
  const std::pair<std::size_t, std::size_t> ways[] = {{1, 0}, {2, 3}, {3, 1024}, {1024, 1024}};
  for (const auto& [batch, keep] : ways) {
    EXPECT_EQ(streamed(text, batch, keep), expected) << "batch " << batch << " keep " << keep;
  }
  const Result<std::string> translated = translate(text, std::string_view("agreement"));
  EXPECT_EQ(translated.ok() ? *translated : error_text(translated.error()), expected);
  if (translated.ok()) {
    EXPECT_EQ(translated->rfind("OPENQASM 3.0;\n", 0), 0u);
    EXPECT_EQ(translated->back(), '\n');
  } else {
    EXPECT_NE(translated.error().display(), "");
  }
  return expected;
}

TEST(AgreementTest, EveryModuleOnHand) {
  const auto files = module_files();
  ASSERT_GT(files.size(), 20u);
  std::size_t translated = 0;
  for (const auto& file : files) {
    translated +=
        translate_every_way(read_file(file).value_or(""), file.string()).starts_with("error: ") ? 0
                                                                                                : 1;
  }
  EXPECT_GT(translated, 20u);
}

// Each input once made the translation crash, hang or blow up, or the ways
// disagree. A file whose first line is "; expect-error: <message>" must fail
// with exactly that message.
TEST(AgreementTest, FuzzRegressions) {
  std::vector<fs::path> inputs;
  for (const auto& entry :
       fs::directory_iterator(fs::path(CORVANE_SOURCE_DIR "/core/fuzz/regressions"))) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  ASSERT_FALSE(inputs.empty());
  const std::string marker = "; expect-error: ";
  for (const fs::path& path : inputs) {
    const std::string text = read_file(path).value_or("");
    const std::string outcome = translate_every_way(text, path.filename().string());
    if (text.starts_with(marker)) {
      const std::string expected = text.substr(marker.size(), text.find('\n') - marker.size());
      EXPECT_EQ(outcome.substr(0, outcome.rfind(" (")), "error: " + expected) << path;
    }
  }
}

const std::string kModule =
    "%Qubit = type opaque\n"
    "define void @main() #0 {\n"
    "entry:\n"
    "  call void @__quantum__qis__h__body(%Qubit* null)\n"
    "  ret void\n"
    "}\n"
    "declare void @__quantum__qis__h__body(%Qubit*)\n"
    "attributes #0 = { \"entry_point\" \"qir_profiles\"=\"base_profile\" }\n";

// NUL characters, invalid UTF-8 and stray control bytes anywhere.
TEST(AgreementTest, HostileBytesAtEveryPosition) {
  const std::string payloads[] = {std::string(1, '\0'), "\xff", "\xc3",     "\xe2\x80",
                                  "\xed\xa0\x80",       "\x0b", "\xc2\x85", "\xe3\x80\x80"};
  const std::string plain = translate_every_way(kModule, "plain");
  ASSERT_EQ(plain.rfind("OPENQASM", 0), 0u) << plain;
  for (const std::string& payload : payloads) {
    for (std::size_t pos = 0; pos <= kModule.size(); ++pos) {
      std::string text = kModule;
      text.insert(pos, payload);
      translate_every_way(text, "payload at " + std::to_string(pos));
    }
  }
  // A NUL inside a comment is ordinary text.
  std::string text = kModule;
  text.insert(text.find("declare"), std::string("; a\0b\n", 6));
  EXPECT_EQ(translate_every_way(text, "comment"), plain);
}

}  // namespace
}  // namespace corvane
