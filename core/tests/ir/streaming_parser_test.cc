// Streaming a definition's body to a BodyConsumer: the events it receives
// (blocks, batches, labels), which definition it is offered, and what the
// module keeps of a streamed definition.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ir/ir.h"
#include "ir/parser.h"

namespace corvane {
namespace {

// Records every event as text: "offer NAME may|no", "begin LABEL", "batch N
// (args A)", "end". Gives up after `give_up_after` batches, if given.
class Recorder final : public BodyConsumer {
 public:
  explicit Recorder(bool take_any, std::size_t give_up_after = SIZE_MAX)
      : take_any_(take_any), give_up_after_(give_up_after) {}

  bool take_definition(std::size_t function_index, bool may_be_entry_point) override {
    events.push_back("offer " + std::to_string(function_index) +
                     (may_be_entry_point ? " may" : " no"));
    return take_any_ || may_be_entry_point;
  }
  void begin_block(std::string_view label, std::size_t) override {
    events.push_back("begin " + std::string(label));
  }
  void instructions(const Function& function, std::span<const Instruction> batch) override {
    // Every range must index the arrays as they are now.
    std::size_t args = 0;
    for (const Instruction& instruction : batch) {
      if (const auto* call = std::get_if<Call>(&instruction)) {
        EXPECT_LE(call->args.begin + call->args.count, function.operands.size());
        args += function.args(*call).size();
      }
    }
    events.push_back("batch " + std::to_string(batch.size()) + " args " + std::to_string(args));
    ++batches_;
  }
  void end_block() override { events.push_back("end"); }
  bool gave_up() const override { return batches_ >= give_up_after_; }

  std::vector<std::string> events;

 private:
  bool take_any_;
  std::size_t give_up_after_;
  std::size_t batches_ = 0;
};

std::string joined(const std::vector<std::string>& events) {
  std::string out;
  for (const std::string& event : events) out += event + "; ";
  return out;
}

TEST(StreamingParserTest, HandsOverBlocksInBatches) {
  constexpr const char* kHelper = "define void @helper() {\n  ret void\n}\n";
  constexpr const char* kMain =
      "define void @main() #0 {\n"
      "  call void @h(ptr null)\n"
      "  call void @h(ptr null)\n"
      "  call void @cx(ptr null, ptr null)\n"
      "  br label %next\n"
      "next:\n"
      "empty:\n"
      "  ret void\n"
      "}\n"
      "attributes #0 = { \"entry_point\" }\n";
  // The same body, long by its bytes (a comment of 2,000).
  std::string long_main = kMain;
  long_main.insert(long_main.find("  call"), "  ; " + std::string(2000, '.') + "\n");
  struct Row {
    std::string text;
    std::size_t batch;
    bool take_any;
    std::string expected;
    std::size_t keep = 0;                  // instructions the parser may keep
    std::size_t give_up_after = SIZE_MAX;  // batches before the consumer gives up
    bool kept = false;                     // the body stays in the module whole
  };
  const std::vector<Row> rows = {
      {kMain, 1024, false,
       "offer 0 may; begin ; batch 4 args 4; end; begin next; end; begin empty; batch 1 args 0; "
       "end; "},
      {kMain, 2, false,
       "offer 0 may; begin ; batch 2 args 2; batch 2 args 2; end; begin next; end; begin empty; "
       "batch 1 args 0; end; "},
      {kMain, 3, false,
       "offer 0 may; begin ; batch 3 args 4; batch 1 args 0; end; begin next; end; begin empty; "
       "batch 1 args 0; end; "},
      // A definition that cannot be the entry point is offered and passed by.
      {std::string(kHelper) + kMain, 1024, false,
       "offer 0 no; offer 1 may; begin ; batch 4 args 4; end; begin next; end; begin empty; "
       "batch 1 args 0; end; "},
      // Only one definition is taken.
      {std::string(kHelper) + kMain, 1024, true, "offer 0 no; begin ; batch 1 args 0; end; "},
      // A label on the first line names the first block; an empty body is one empty block.
      {"define void @main() \"entry_point\" {\nentry:\n  ret void\n}\n", 1, false,
       "offer 0 may; begin entry; batch 1 args 0; end; "},
      {"define void @main() \"entry_point\" {\n}\n", 1, false, "offer 0 may; begin ; end; "},
      // An instruction over several lines arrives whole, with its operands.
      {"define void @main() \"entry_point\" {\n  call void @cx(ptr null,\n    ptr null)\n"
       "  ret void\n}\n",
       1, false, "offer 0 may; begin ; batch 1 args 2; batch 1 args 0; end; "},
      // A body shorter than the instructions kept stays whole, whatever it was handed over in.
      {kMain, 2, false,
       "offer 0 may; begin ; batch 2 args 2; batch 2 args 2; end; begin next; end; begin empty; "
       "batch 1 args 0; end; ",
       6, SIZE_MAX, true},
      // Nor is one long by its bytes (more than 256 a kept instruction).
      {long_main, 2, false,
       "offer 0 may; begin ; batch 2 args 2; batch 2 args 2; end; begin next; end; begin empty; "
       "batch 1 args 0; end; ",
       6},
      // One as long is not: it is streamed on from where it reaches them.
      {kMain, 2, false,
       "offer 0 may; begin ; batch 2 args 2; batch 2 args 2; end; begin next; end; begin empty; "
       "batch 1 args 0; end; ",
       5},
      // One longer than that is streamed on from where it passes them.
      {kMain, 2, false,
       "offer 0 may; begin ; batch 2 args 2; batch 2 args 2; end; begin next; end; begin empty; "
       "batch 1 args 0; end; ",
       3},
      // A consumer that gives up while the body is kept is handed nothing
      // more, and the body is read whole; one that gives up later is not
      // heard (the body is streamed on).
      {std::string(kMain) + "define void @helper() {\nentry:\n  ret void\n}\n", 1, false,
       "offer 0 may; begin ; batch 1 args 1; batch 1 args 1; ", 16, 2, true},
      {kMain, 1, false,
       "offer 0 may; begin ; batch 1 args 1; batch 1 args 1; batch 1 args 2; batch 1 args 0; "
       "end; begin next; end; begin empty; batch 1 args 0; end; ",
       1, 3},
  };
  for (const Row& row : rows) {
    Recorder recorder(row.take_any, row.give_up_after);
    Result<Module> module = parse_module_streaming(row.text, recorder, row.batch, row.keep);
    ASSERT_TRUE(module.ok()) << row.text << ": " << module.error().message;
    EXPECT_EQ(joined(recorder.events), row.expected)
        << row.text << " batch " << row.batch << " keep " << row.keep;
    // The streamed definition keeps its name and flags, and its body only when
    // kept (then as the whole parse reads it); the others keep theirs.
    const Result<Module> whole = parse_module(row.text);
    ASSERT_TRUE(whole.ok());
    for (std::size_t i = 0; i < module->functions.size(); ++i) {
      const Function& function = module->functions[i];
      const bool streamed = function.name == (row.take_any ? "helper" : "main");
      EXPECT_EQ(function.blocks.empty(), streamed && !row.kept) << function.name;
      if (!function.blocks.empty()) {
        const Function& read = whole->functions[i];
        ASSERT_EQ(function.blocks.size(), read.blocks.size()) << function.name;
        for (std::size_t b = 0; b < read.blocks.size(); ++b) {
          EXPECT_EQ(function.blocks[b].label, read.blocks[b].label);
          EXPECT_EQ(function.blocks[b].instructions, read.blocks[b].instructions);
        }
        EXPECT_EQ(function.operands, read.operands);
      }
      if (function.name == "main") {
        EXPECT_TRUE(function.is_entry_point);
      }
    }
  }
}

TEST(StreamingParserTest, ReportsTheSameParseErrorsAsTheWholeParse) {
  const std::vector<std::string> texts = {
      "define void @main() #0 {\n  call void @h(ptr null)\n",
      "define void @main() #0 {\n  call void @h(ptr null,\n",
      "define void @main() #0 {\n  %x = add i64 1\n}\n",
      "define void @main() #0 {\n  ret void\n}\ndeclare void @h(\n",
  };
  for (const std::string& text : texts) {
    Recorder recorder(false);
    Result<Module> streamed = parse_module_streaming(text, recorder, 1, 2);
    Result<Module> whole = parse_module(text);
    ASSERT_FALSE(whole.ok()) << text;
    ASSERT_FALSE(streamed.ok()) << text;
    EXPECT_EQ(streamed.error(), whole.error()) << text;
  }
}

}  // namespace
}  // namespace corvane
