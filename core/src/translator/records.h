// What a record call outputs: its kind from the callee's name, its label from
// the global string it points to, and its value as the lowering knows it at
// the call. A record call lowers to a RecordMark in the statements; the
// RecordCall it describes goes into the program's record table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ir/ir.h"
#include "openqasm/program.h"
#include "values/lowering_context.h"

namespace corvane {

/// The kind a record function outputs (`__quantum__rt__int_record_output`
/// and `integer_record_output` record an INT), or nullopt for other callees.
[[nodiscard]] std::optional<RecordKind> record_kind(std::string_view callee);

/// The global strings of a module's text (`@0 = ... c"r0\00"`) by name as
/// written after `@`, read on first use.
class GlobalStrings {
 public:
  explicit GlobalStrings(std::string_view source) : source_(source) {}
  /// The bytes of the string constant `name`, escapes undone, up to its first
  /// NUL (kept for later calls), or null.
  [[nodiscard]] const std::string* find(std::string_view name);

 private:
  std::string_view source_;
  bool read_ = false;
  std::unordered_map<std::string_view, std::string_view> bodies_;  // name -> text between quotes
  std::unordered_map<std::string_view, std::string> unescaped_;
};

/// Describes record call number `id` (`args` of a call to `callee`, whose
/// view lies in `source` when the call is written there). A value that reads
/// state is reported to the context's tracker as read by the record. Copied
/// expression nodes are taken from `budget`; a value larger than what is
/// left is not copied (the record is then not recoverable).
[[nodiscard]] RecordCall describe_record(RecordKind kind, std::uint32_t id,
                                         std::span<const Operand> args, std::string_view callee,
                                         std::string_view source, const LoweringContext& context,
                                         GlobalStrings& globals, std::uint64_t& budget);

}  // namespace corvane
