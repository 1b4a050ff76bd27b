// The output map of a translation: for every record call of the program, in
// the order its marks stand in the statement tree, the record's kind, label
// and how its value follows from the final bits of `c` (a bit, a constant, an
// expression over bits, with "cond ? a : b" choices for variables assigned
// under ifs), the condition under which it runs, or why the final bits do
// not determine it. Values are evaluated by the output's integer rules
// (openqasm/evaluate.h), so that decoding reads what the program computed.
//
// Invariant: a value node that reads c[k] reads it where no later statement
// writes c[k]; anything else is a Lost node that says why.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "openqasm/program.h"
#include "support/error.h"

namespace corvane {

struct ValueNode;
/// Value trees share their subtrees (a variable's value is read wherever the
/// variable is), so a node is immutable and held by shared pointer.
using ValueRef = std::shared_ptr<const ValueNode>;

/// A node of a value over the final bits of `c`.
struct ValueNode {
  enum class Kind : std::uint8_t { Bit, Const, Unary, Binary, Choice, Lost };
  Kind kind = Kind::Const;
  std::int64_t number = 0;  // the bit's index, or the constant
  UnaryOp unary = UnaryOp::Not;
  BinaryOp binary = BinaryOp::Or;
  ValueRef first, second, third;  // operands; a choice's condition, then and else values
  std::string reason;             // of a Lost node
  std::uint64_t size = 1;         // nodes of the tree written out (saturating)
  std::uint32_t depth = 1;
};

/// One entry of the output map.
struct OutputRecord {
  RecordKind kind = RecordKind::Int;
  std::optional<std::string> label;
  ValueRef value;                      // never null; a Lost node where the value is not recoverable
  std::optional<double> double_value;  // a DOUBLE record's constant
  ValueRef guard;                      // null where the record always runs
  std::optional<TextPosition> place;   // of the record call in the text
};

/// The output map: the records in the order they run and the size of `c`.
struct OutputMap {
  std::uint64_t bits = 0;
  std::vector<OutputRecord> records;
};

/// Builds the map of `program` (translated from `source`) and takes the
/// record marks out of its statements, with the ifs that held nothing else,
/// so that the program prints as it would without them. With `keep_values`,
/// a value that the final bits would not determine is copied, where it is
/// recorded, into bits of its own after all others (c grows by them).
[[nodiscard]] OutputMap take_output_map(Program& program, std::string_view source,
                                        bool keep_values = false);

/// Takes the record marks out of `program` as take_output_map does, without
/// building the map.
void strip_record_marks(Program& program);

/// The map as JSON text (`"format": 1`; the README's "Output map" section).
[[nodiscard]] std::string output_map_json(const OutputMap& map);

/// A decoded record's value: none where it cannot be recovered.
using DecodedValue = std::variant<std::monostate, bool, std::int64_t, double>;

/// One record as decoded from the bits of `c`.
struct DecodedRecord {
  RecordKind kind = RecordKind::Int;
  DecodedValue value;
  const std::optional<std::string>* label = nullptr;  // the map's
};

/// The records that run when the final bits of `c` are `bits` (one 0/1 byte
/// per bit, `bits[k]` being `c[k]`), in record order: a record whose guard
/// is false is left out; one whose guard cannot be recovered is kept with
/// no value.
[[nodiscard]] std::vector<DecodedRecord> decode_records(const OutputMap& map,
                                                        std::span<const std::uint8_t> bits);

/// The value of `node` with `c[k]` read as `bits[k]`; nullopt for a Lost
/// node, a bit outside `bits` or an operation with no settled meaning.
[[nodiscard]] std::optional<std::int64_t> evaluate_value(const ValueNode& node,
                                                         std::span<const std::uint8_t> bits);

/// The kind's name in the map and in decoded records ("RESULT", "INT", ...).
[[nodiscard]] const char* record_kind_name(RecordKind kind);

}  // namespace corvane
