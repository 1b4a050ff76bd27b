// Module-level parsing: one pass over the statements of a QIR module that
// reads `define` bodies into blocks, `declare` lines into declarations and
// `attributes` lines into a group table, then settles each definition's
// entry-point flag and profile from the groups it references. One definition's
// body may instead be handed to a BodyConsumer in batches as it is read.
//
// Every view in the Module points into its source text. An instruction is parsed in place, also
// one that goes on over several lines: its text then holds line breaks, which read as blanks.
#include <algorithm>
#include <limits>
#include <string>
#include <unordered_map>

#include "ir/lexer.h"
#include "ir/parser.h"
#include "ir/parser_internal.h"
#include "ir/parser_util.h"
#include "support/prefault.h"

namespace corvane {
namespace {

using parser_detail::concat;
using parser_detail::InstructionParser;

// Reads a run of ASCII digits at text[pos]; the number when it fits in 32 bits.
std::optional<std::uint32_t> read_group_number(std::string_view text, std::size_t& pos) {
  std::uint64_t value = 0;
  bool fits = true;
  const std::size_t start = pos;
  while (pos < text.size() && is_digit(text[pos])) {
    value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
    if (value > 0xFFFFFFFFu) {
      fits = false;
      value = 0xFFFFFFFFu + std::uint64_t{1};  // stays above the limit without overflowing
    }
    ++pos;
  }
  if (pos == start || !fits) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

// Per-definition facts kept until the attribute groups are known.
struct PendingDefinition {
  std::size_t function = 0;
  std::size_t refs_begin = 0;
  std::size_t refs_count = 0;
  bool inline_entry_point = false;
};

class ModuleParser {
 public:
  explicit ModuleParser(Module& module, BodyConsumer* consumer = nullptr, std::size_t batch = 1,
                        std::size_t keep = 0)
      : module_(module),
        lex_(module.source()),
        consumer_(consumer),
        batch_(batch),
        keep_limit_(keep) {}

  Status run() {
    while (true) {
      lex_.skip_blanks();
      if (lex_.at_end()) break;
      const std::string_view text = lex_.rest_of_line();
      if (text.starts_with("define")) {
        RETURN_IF_ERROR(read_definition(text));
        continue;
      }
      lex_.skip_line();
      if (text.starts_with("declare")) {
        FunctionHeader header;
        if (read_function_header(text, first_word(text).size(), header) != HeaderFault::kNone) {
          return at(parse_error(concat("could not parse declare: ", trim(text))), text);
        }
        Function function;
        function.name = header.name;
        function.parameters = header.parameters;
        function.is_declaration = true;
        module_.functions.push_back(std::move(function));
      } else if (text.starts_with("attributes")) {
        read_attribute_group(text.substr(10));
      }
    }
    settle_attributes();
    return ok_status();
  }

 private:
  // `error` placed at the first character of `token`, a view into the source.
  [[nodiscard]] TranslateError at(TranslateError error, std::string_view token) const {
    return placed(std::move(error),
                  static_cast<std::size_t>(token.data() - module_.source().data()));
  }

  // Reads the definition whose header is `line`, at the cursor, up to its
  // body's closing brace.
  Status read_definition(std::string_view line) {
    definition_ = line;
    FunctionHeader header;
    if (read_function_header(definition_, first_word(definition_).size(), header) !=
        HeaderFault::kNone) {
      return at(parse_error(concat("could not parse define header: ", trim(line))), definition_);
    }
    PendingDefinition pending;
    pending.function = module_.functions.size();
    pending.refs_begin = group_refs_.size();
    const std::size_t brace = header.rest.find('{');
    const std::string_view attrs = header.rest.substr(0, brace);
    for (std::size_t i = 0; i < attrs.size();) {
      if (attrs[i] == '#') {
        ++i;
        if (const auto number = read_group_number(attrs, i)) group_refs_.push_back(*number);
      } else if (attrs[i] == '"') {
        const std::size_t close = attrs.find('"', i + 1);
        if (close == std::string_view::npos) break;
        if (attrs.substr(i + 1, close - i - 1) == "entry_point") pending.inline_entry_point = true;
        i = close + 1;
      } else {
        ++i;
      }
    }
    pending.refs_count = group_refs_.size() - pending.refs_begin;

    // The body starts after the brace, which may stand on a later line (the
    // lines before it are passed over).
    if (brace != std::string_view::npos) {
      lex_.seek(static_cast<std::size_t>(header.rest.data() + brace + 1 - module_.source().data()));
    } else {
      while (true) {
        lex_.skip_line();
        if (lex_.at_end()) return at(parse_error("define without body block"), definition_);
        const std::string_view next = trim_start(lex_.rest_of_line());
        if (next.starts_with("{")) {
          lex_.seek(static_cast<std::size_t>(next.data() + 1 - module_.source().data()));
          break;
        }
      }
    }

    Function function;
    function.name = header.name;
    function.parameters = header.parameters;
    if (consumer_ != nullptr && !body_taken_ &&
        consumer_->take_definition(pending.function,
                                   pending.inline_entry_point || pending.refs_count > 0)) {
      body_taken_ = true;
      streaming_ = true;
      // Only a body short by its bytes too is kept: a long one would be
      // streamed past the window anyway, and keeping its start changes how
      // the heap is laid out for the rest of the call (repeated calls on
      // large modules then faulted in fresh pages for their output).
      constexpr std::size_t kMostBytesPerKeptInstruction = 256;
      const std::size_t long_body = keep_limit_ * kMostBytesPerKeptInstruction;
      keeping_ = keep_limit_ > 0 && lex_.bytes_to_body_end(long_body) < long_body;
      kept_ = 0;
      handed_ = 0;
      block_start_ = 0;
      kept_starts_.clear();
      block_started_ = false;
      function.blocks.emplace_back();
      if (keeping_) {
        // Room for what is kept and one batch more, once, so that keeping
        // does not regrow the arrays (a short body, by its bytes, gets less).
        constexpr std::size_t kMinBytesPerInstruction = 16;
        const std::size_t most = keep_limit_ + batch_;
        const std::size_t room = std::min(
            most,
            lex_.bytes_to_body_end(most * kMinBytesPerInstruction) / kMinBytesPerInstruction + 1);
        function.blocks.back().instructions.reserve(room);
        function.operands.reserve(3 * room);
        kept_starts_.reserve(room);
      }
      RETURN_IF_ERROR(read_body(function));
      streaming_ = false;
      if (!keeping_) {
        // What was handed over is gone; the definition keeps its header and flags.
        const std::string_view name = function.name;
        function = Function();
        function.name = name;
        function.parameters = header.parameters;
      }
      keeping_ = false;
    } else {
      reserve_function(function);
      function.blocks.emplace_back();
      RETURN_IF_ERROR(read_body(function));
    }
    module_.functions.push_back(std::move(function));
    pending_.push_back(pending);
    return ok_status();
  }

  Status read_body(Function& function) {
    reserve_block(function);
    while (true) {
      lex_.skip_blanks();
      if (lex_.at_end()) break;
      // Most statements of a body are plain calls and branches on a line of
      // their own, read in one pass where they stand; the rest (and any the
      // direct reader declines) take the general path below.
      if (Instruction plain; read_plain_line(function, plain)) {
        append(function, plain);
        continue;
      }
      if (lex_.take_closing_brace()) {
        if (streaming_) end_streamed_block(function);
        if (streaming_ && keeping_) split_kept_blocks(function);
        return ok_status();
      }
      if (const auto label = lex_.take_label()) {
        Block& last = function.blocks.back();
        if (last.label.empty() && last.instructions.size() == block_start_ && !block_started_) {
          last.label = *label;
        } else {
          if (streaming_) end_streamed_block(function);
          Block& current = function.blocks.back();
          if (streaming_ && keeping_) {
            // A kept body is read into the one block record too, block after
            // block; where each starts is noted, to split them at the end.
            kept_starts_.push_back(KeptBlock{current.label, block_start_});
            block_start_ = current.instructions.size();
            current.label = *label;
          } else if (streaming_) {
            // The one block record is reused for the next block.
            current.label = *label;
          } else {
            function.blocks.emplace_back();
            function.blocks.back().label = *label;
          }
        }
        reserve_block(function);
        continue;
      }
      RETURN_IF_ERROR(read_instruction(function));
    }
    return at(parse_error("define body not terminated"), definition_);
  }

  // Reads the statement at the cursor with the direct reader when it is one
  // plain instruction and nothing else but blanks stands after it on its
  // line; false, with nothing read or appended, otherwise.
  bool read_plain_line(Function& function, Instruction& out) {
    const std::size_t operands = function.operands.size();
    const std::size_t end = parser_detail::read_plain_instruction(lex_.rest(), function, out);
    if (end == 0) return false;
    if (lex_.take_through_line_end(end)) return true;
    function.operands.resize(operands);
    return false;
  }

  void append(Function& function, const Instruction& instruction) {
    std::vector<Instruction>& instructions = function.blocks.back().instructions;
    instructions.push_back(instruction);
    if (streaming_ && instructions.size() - handed_ >= batch_) hand_over(function);
  }

  // Hands the instructions read since the last hand-over to the consumer
  // (opening the block first). While the body is kept they stay where they
  // are; otherwise the arrays are emptied for the next batch. This is the one
  // place the consumer's giving up is seen: a kept body is then split into
  // its blocks and read on as any other definition, and nothing more is
  // handed over.
  void hand_over(Function& function) {
    Block& block = function.blocks.back();
    if (!block_started_) {
      consumer_->begin_block(block.label, block_hint_);
      block_started_ = true;
    }
    const std::size_t count = block.instructions.size() - handed_;
    if (count > 0) {
      consumer_->instructions(function, std::span(block.instructions).subspan(handed_));
    }
    if (keeping_ && consumer_->gave_up()) {
      streaming_ = false;
      block_started_ = false;
      split_kept_blocks(function);
      return;
    }
    kept_ += count;
    if (keeping_ && kept_ < keep_limit_) {
      handed_ = block.instructions.size();
      return;
    }
    // Past the limit the body is streamed on, and what was kept goes.
    keeping_ = false;
    kept_starts_.clear();
    block_start_ = 0;
    handed_ = 0;
    function.blocks.back().instructions.clear();
    function.operands.clear();
    function.incomings.clear();
  }

  // The kept body, read into the one block record, as its blocks.
  void split_kept_blocks(Function& function) {
    Block read = std::move(function.blocks.back());
    kept_starts_.push_back(KeptBlock{read.label, block_start_});
    function.blocks.clear();
    function.blocks.reserve(kept_starts_.size());
    for (std::size_t i = 0; i < kept_starts_.size(); ++i) {
      const std::size_t end =
          i + 1 < kept_starts_.size() ? kept_starts_[i + 1].start : read.instructions.size();
      Block& block = function.blocks.emplace_back();
      block.label = kept_starts_[i].label;
      block.instructions.assign(read.instructions.begin() + kept_starts_[i].start,
                                read.instructions.begin() + end);
    }
    kept_starts_.clear();
    block_start_ = 0;
  }

  void end_streamed_block(Function& function) {
    hand_over(function);
    if (!streaming_) return;
    consumer_->end_block();
    block_started_ = false;
  }

  // Sizes the function's block list and operand array once from the bytes up
  // to the body's closing brace, so that they need not regrow (each regrowth
  // copies the whole array into fresh memory). The sizes are generous upper
  // bounds for what producers write (a block takes more than 64 bytes, an
  // operand more than 24); reserved room that is never written costs address
  // space only. Denser bodies still work: the arrays then grow as usual.
  void reserve_function(Function& function) const {
    constexpr std::size_t kBytesPerBlock = 64;
    constexpr std::size_t kBytesPerOperand = 24;
    const std::size_t bytes = lex_.bytes_to_body_end();
    function.blocks.reserve(bytes / kBytesPerBlock + 1);
    function.operands.reserve(bytes / kBytesPerOperand);
  }

  // Sizes the new last block's instruction list, and makes sure the function's
  // operand array has room for it (two per line: most lines are calls with one
  // or two arguments). reserve_function() has usually sized the array for the
  // whole body already; for denser bodies it grows geometrically from here.
  void reserve_block(Function& function) {
    std::size_t lines = lex_.block_lines_hint();
    if (streaming_) {
      // A streamed block never holds more than one batch.
      block_hint_ = lines;
      lines = std::min(lines, batch_);
    }
    std::vector<Instruction>& instructions = function.blocks.back().instructions;
    instructions.reserve(lines);
    prefault_for_writing(instructions.data(), instructions.capacity() * sizeof(Instruction));
    const std::size_t wanted = function.operands.size() + 2 * lines;
    if (wanted > function.operands.capacity()) {
      function.operands.reserve(std::max(wanted, 2 * function.operands.capacity()));
    }
  }

  // Reads the instruction at the cursor. One that goes on over more lines is
  // read in place, as the source text from its first to its last character:
  // the line breaks inside it are blanks to the instruction parser.
  Status read_instruction(Function& function) {
    const std::size_t start = lex_.pos();
    std::optional<std::string_view> taken;
    if (start < split_end_) {
      // The rest of a text that held more than one instruction: where it ends
      // is known, and is not looked for again (a line of many instructions
      // would otherwise be scanned once for each).
      taken = module_.source().substr(start, split_end_ - start);
      lex_.seek(split_end_);
    } else {
      taken = lex_.take_instruction();
    }
    if (!taken) {
      const std::string_view rest = trim_end(module_.source().substr(start));
      return at(parse_error(concat("unterminated instruction: ", as_one_line(rest))), rest);
    }
    const std::string_view instruction = *taken;
    // Asked of the lexer, which saw the text's line feeds and comments as it
    // took it, rather than searched for again in each part of a split text.
    const std::size_t last_break = lex_.last_break();
    const bool several_lines = last_break != std::string_view::npos && last_break >= start;
    if (several_lines) {
      // The instruction parser reads the text up to its first `;`, so a comment
      // with more of the instruction after it would cut the instruction short.
      const std::size_t comment = lex_.first_comment();
      if (comment != std::string_view::npos && comment >= start && comment < last_break) {
        return at(parse_error("a comment stands inside an instruction written over several lines; "
                              "move it after the instruction"),
                  module_.source().substr(comment));
      }
    }
    // Two instructions may share a line: the cursor goes back to the second.
    std::optional<std::size_t> next;
    Result<Instruction> parsed = instructions_.parse(instruction, function, &next);
    if (next) {
      split_end_ = start + instruction.size();
      lex_.seek(start + *next);
    }
    if (!parsed.ok()) {
      // The instruction parser places its errors within the text it was given,
      // and quotes that text as if its lines were one.
      TranslateError error = std::move(parsed).error();
      if (several_lines) error.message = as_one_line(error.message);
      const std::size_t within = error.offset.value_or(0);
      error.offset.reset();
      return at(std::move(error), instruction.substr(std::min(within, instruction.size())));
    }
    append(function, *parsed);
    return ok_status();
  }

  // `attributes #N = { ... }`; `text` is what follows the keyword.
  void read_attribute_group(std::string_view text) {
    const std::string_view t = trim_start(text);
    if (t.empty() || t[0] != '#') return;
    std::size_t pos = 1;
    const auto number = read_group_number(t, pos);
    if (!number) return;
    std::string_view rest = trim_start(t.substr(pos));
    if (rest.empty() || rest[0] != '=') return;
    rest = trim_start(rest.substr(1));
    if (rest.empty() || rest[0] != '{') return;
    const std::size_t close = rest.find('}', 1);
    if (close == std::string_view::npos) return;
    groups_[*number] = rest.substr(1, close - 1);
  }

  // The decimal number in quotes after `key` in an attribute group's text; absent
  // when the key is missing or its value is not a number that fits.
  static std::optional<std::int64_t> quoted_count(std::string_view text, std::string_view key) {
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    std::int64_t value = 0;
    std::size_t pos = at + key.size();
    const std::size_t start = pos;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
      if (value > (std::numeric_limits<std::int64_t>::max() - 9) / 10) return std::nullopt;
      value = value * 10 + (text[pos] - '0');
    }
    if (pos == start || pos >= text.size() || text[pos] != '"') return std::nullopt;
    return value;
  }

  void settle_attributes() {
    constexpr std::string_view kProfileKey = "\"qir_profiles\"=\"";
    constexpr std::string_view kResultsKey = "\"required_num_results\"=\"";
    for (const PendingDefinition& pending : pending_) {
      Function& function = module_.functions[pending.function];
      function.is_entry_point = pending.inline_entry_point;
      for (std::size_t i = 0; i < pending.refs_count; ++i) {
        const auto group = groups_.find(group_refs_[pending.refs_begin + i]);
        if (group == groups_.end()) continue;
        const std::string_view text = group->second;
        if (!function.is_entry_point && text.find("entry_point") != std::string_view::npos) {
          function.is_entry_point = true;
        }
        if (!function.required_num_results) {
          function.required_num_results = quoted_count(text, kResultsKey);
        }
        if (!function.profile) {
          const std::size_t key = text.find(kProfileKey);
          if (key != std::string_view::npos) {
            const std::size_t start = key + kProfileKey.size();
            const std::size_t close = text.find('"', start);
            if (close != std::string_view::npos)
              function.profile = text.substr(start, close - start);
          }
        }
      }
    }
  }

  Module& module_;
  std::string_view definition_;  // the current `define` line, where its errors are placed
  Lexer lex_;
  BodyConsumer* consumer_;
  std::size_t batch_;
  std::size_t keep_limit_;   // most instructions of a streamed body kept
  bool body_taken_ = false;  // the consumer has taken a definition
  bool streaming_ = false;   // the body being read goes to the consumer
  bool keeping_ = false;     // the streamed body stays in the module too
  std::size_t kept_ = 0;     // instructions of the streamed body handed over
  std::size_t handed_ = 0;   // of the block record's instructions, those handed over
  // Where each block of a kept body starts in the one block record (all but
  // the current block, which starts at block_start_).
  struct KeptBlock {
    std::string_view label;
    std::size_t start = 0;
  };
  std::vector<KeptBlock> kept_starts_;
  std::size_t block_start_ = 0;
  std::size_t split_end_ = 0;   // end of the last instruction text that held another
  bool block_started_ = false;  // begin_block was called for the current streamed block
  std::size_t block_hint_ = 0;  // lines hint of the current streamed block
  InstructionParser instructions_;
  std::vector<PendingDefinition> pending_;
  std::vector<std::uint32_t> group_refs_;
  std::unordered_map<std::uint32_t, std::string_view> groups_;
};

}  // namespace

namespace {

// LLVM bitcode starts with "BC" 0xC0DE, or with the magic 0x0B17C0DE of the
// wrapper some tools put around it (little-endian on disk).
bool is_llvm_bitcode(std::string_view text) {
  using namespace std::string_view_literals;
  return text.starts_with("BC\xC0\xDE"sv) || text.starts_with("\xDE\xC0\x17\x0B"sv);
}

Result<Module> parse_into(Module module, BodyConsumer* consumer = nullptr, std::size_t batch = 1,
                          std::size_t keep = 0) {
  if (is_llvm_bitcode(module.source())) {
    return parse_error(
        "the input is LLVM bitcode, not textual IR; convert it to text first with "
        "`llvm-dis FILE.bc -o FILE.ll`");
  }
  ModuleParser parser(module, consumer, batch, keep);
  RETURN_IF_ERROR(parser.run());
  return module;
}

}  // namespace

Result<Module> parse_module(std::string_view text) {
  Module module;
  module.source_text = std::make_unique<const std::string>(text);
  module.source_view = *module.source_text;
  return parse_into(std::move(module));
}

Result<Module> parse_module_borrowing(std::string_view text) {
  Module module;
  module.source_view = text;
  return parse_into(std::move(module));
}

}  // namespace corvane

namespace corvane {

Result<Module> parse_module_streaming(std::string_view text, BodyConsumer& consumer,
                                      std::size_t batch, std::size_t keep) {
  Module module;
  module.source_view = text;
  return parse_into(std::move(module), &consumer, std::max<std::size_t>(batch, 1), keep);
}

}  // namespace corvane
