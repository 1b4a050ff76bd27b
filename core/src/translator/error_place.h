// The place of a lowering error in the text: the failing instruction, found from
// the views its record already holds into the text. Nothing is recorded per
// instruction for this; the place is worked out only once an error is raised.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ir/ir.h"
#include "support/error.h"

namespace corvane {

/// `error`, raised while lowering `instruction` (whose views point into
/// `source`), placed at that instruction unless it already has a place: at the
/// opcode of an unrecognized instruction, else at the first non-blank character
/// of the line that holds the record's earliest view (the instruction's first
/// line). Left without a place when the record holds no view into `source`.
/// Where the names made while translating stand (Module::made_name_places).
using MadeNamePlaces = std::unordered_map<const char*, std::size_t>;
/// An instruction whose views all lie outside `source` is placed where the
/// first of its names found in `made` was made.
[[nodiscard]] TranslateError place_at_instruction(TranslateError error,
                                                  const Instruction& instruction,
                                                  std::string_view source,
                                                  const MadeNamePlaces* made = nullptr);

/// `error`, raised at an instruction of the block labelled `label`. Where that
/// block is a copy of a block of an inlined function, the message names the
/// calls it was inlined through, innermost first:
/// `... (in "H", inlined at line 42; in "Outer", inlined at line 7)`.
[[nodiscard]] TranslateError in_inlined_code(TranslateError error, std::string_view label,
                                             const Module& module);
/// What in_inlined_code appends for the block labelled `label`; empty for a
/// block of the entry point's own.
[[nodiscard]] std::string inline_chain(std::string_view label, const Module& module);

/// Byte offset of the first non-blank character of the line of `source` that
/// holds `view`; nothing when `view` lies outside `source` (a made name).
[[nodiscard]] std::optional<std::size_t> line_of_view(std::string_view view,
                                                      std::string_view source);
/// Byte offset of the earliest token of `instruction` that stands in `source`;
/// line_of_offset turns it into the place place_at_instruction would give.
[[nodiscard]] std::optional<std::size_t> earliest_offset(const Instruction& instruction,
                                                         std::string_view source);
/// The first non-blank character of the line that holds byte `offset`.
[[nodiscard]] std::size_t line_of_offset(std::string_view source, std::size_t offset);
/// Where `instruction` starts in `source`, as place_at_instruction places it.
[[nodiscard]] std::optional<std::size_t> instruction_offset(const Instruction& instruction,
                                                            std::string_view source);

}  // namespace corvane
