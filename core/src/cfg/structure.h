// Rebuilds nested if/else and while from the lowered blocks of a function by
// repeatedly folding recognised shapes into single blocks.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "openqasm/program.h"
#include "support/compact.h"
#include "support/error.h"

namespace corvane {

/// One lowered basic block: the input record of structuring.
struct BlockLowering {
  std::string label;             // display label: label, or decimal position when empty
  std::vector<Stmt> statements;  // in instruction order
  // True then false target; one for br; none for ret. Held inline: a heap
  // block per record would mean one allocation (and free) per basic block.
  SmallVec<Name, 2> successors;
  std::optional<Expr> condition;  // for a conditional branch
  friend bool operator==(const BlockLowering&, const BlockLowering&) = default;
};

/// How structure_blocks may treat its input and shape its output.
struct StructureOptions {
  /// Default statements put in front of the body, slots for the caller to
  /// fill (a header), so that it need not shift the whole body to put
  /// statements in front.
  std::size_t front_room = 0;
  /// The records' statements hold no if/while (as lowering makes them), so
  /// their nesting depth is known to be 0 without a pass over every statement.
  bool flat_records = false;
};

/// Reduces the block records (taken over) to the function body; `entry` is the
/// display label of the function's first block.
[[nodiscard]] Result<std::vector<Stmt>> structure_blocks(std::vector<BlockLowering> blocks,
                                                         std::string_view entry,
                                                         StructureOptions options = {});

}  // namespace corvane
