// The QIR text parser: one pass over the lines of a module, turning it into
// the IR model. Strict where translation needs a construct, lenient elsewhere.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "ir/ir.h"
#include "support/error.h"

namespace corvane {

/// Parses a whole module; the Module keeps its own copy of `text`. An error is
/// placed (as a byte offset into `text`) at the offending token, else at the
/// start of the failing instruction or line.
[[nodiscard]] Result<Module> parse_module(std::string_view text);

/// Parses a whole module without copying `text`: the Module's views point into
/// it, so the caller keeps `text` alive and unchanged for the Module's life.
[[nodiscard]] Result<Module> parse_module_borrowing(std::string_view text);

/// Takes the body of one definition while the parser reads it, so that its
/// instructions are never all held at once: they arrive in small batches, in
/// text order. The parser keeps the first instructions of the body (up to a
/// limit) in the module as well, so that a consumer that gives up on them
/// leaves the body whole in the module; past the limit it reuses their memory
/// for the next batch.
class BodyConsumer {
 public:
  virtual ~BodyConsumer() = default;
  /// Called at each `define` header in text order, before its body is read.
  /// `may_be_entry_point` is false when the header neither says
  /// "entry_point" nor references an attribute group, so that the definition
  /// cannot be an entry point. Returning true streams this body into the
  /// consumer (one definition at most: later calls are not made).
  virtual bool take_definition(std::size_t function_index, bool may_be_entry_point) = 0;
  /// A block of the taken body starts; `label` is empty for an unlabelled first
  /// block. `expected_instructions` is a sizing hint (lines up to the next label).
  virtual void begin_block(std::string_view label, std::size_t expected_instructions) = 0;
  /// The next instructions of the current block. Their operand and incoming
  /// ranges index `function`'s arrays, which may be cleared, with the batch,
  /// when the call returns.
  virtual void instructions(const Function& function, std::span<const Instruction> batch) = 0;
  /// The current block is complete (every block gets one begin and one end,
  /// an empty block included, until the consumer gives up).
  virtual void end_block() = 0;
  /// Asked after each batch: true when the consumer needs the body whole.
  /// While the body is still kept, the parser then hands over nothing more and
  /// reads the rest of it into the module; afterwards it streams on.
  [[nodiscard]] virtual bool gave_up() const = 0;
};

/// Like parse_module_borrowing, streaming the body of the definition that
/// `consumer` takes. `batch` is the most instructions handed over at once (at
/// least 1). A body of fewer than `keep` instructions, or one whose consumer
/// gave up on a batch within its first `keep`, stays in the Module whole; a
/// longer one leaves the definition with its name and flags but without
/// blocks, instructions or operands.
[[nodiscard]] Result<Module> parse_module_streaming(std::string_view text, BodyConsumer& consumer,
                                                    std::size_t batch = 1024, std::size_t keep = 0);

/// Parses one instruction text (line breaks in it read as blanks). Views in the result point into
/// `text`; call arguments and phi incomings are appended to `function`'s flat arrays. An error is
/// placed at the offending token, else at the instruction's start, as an offset from the start of
/// `text`.
[[nodiscard]] Result<Instruction> parse_instruction(std::string_view text, Function& function);

/// Parses one typed operand (`i64 %x`, `%Qubit* null`, ...). Views point into `text`.
/// Errors carry no place (the caller knows where the operand is written).
[[nodiscard]] Result<Operand> parse_operand(std::string_view text);

}  // namespace corvane
