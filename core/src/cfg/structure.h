// Rebuilds nested if/else and while from the lowered blocks of a function by
// repeatedly folding recognised shapes into single blocks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "openqasm/program.h"
#include "support/compact.h"
#include "support/error.h"

namespace corvane {

/// One lowered basic block: the input record of structuring.
inline constexpr std::size_t kNoTerminatorOffset = static_cast<std::size_t>(-1);

struct BlockRecord {
  std::string label;             // display label: label, or decimal position when empty
  std::vector<Stmt> statements;  // in instruction order
  // True then false target; one for br; none for ret. Held inline: a heap
  // block per record would mean one allocation (and free) per basic block.
  SmallVec<Name, 2> successors;
  std::optional<Expr> condition;  // for a conditional branch
  /// Byte offset of the first token of the block's terminator that stands in
  /// the text; kNoTerminatorOffset for a made block.
  std::size_t terminator_offset = kNoTerminatorOffset;
  friend bool operator==(const BlockRecord&, const BlockRecord&) = default;
};

/// Reduces the block records (taken over) to the function body; `entry` is the
/// display label of the function's first block.
[[nodiscard]] Result<std::vector<Stmt>> structure_blocks(std::vector<BlockRecord> blocks,
                                                         std::string_view entry);

}  // namespace corvane
