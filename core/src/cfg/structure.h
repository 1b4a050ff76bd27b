// Rebuilds nested if/else and while from the lowered blocks of a function by
// repeatedly folding recognised shapes into single blocks.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "openqasm/program.h"
#include "translator/error.h"
#include "translator/lowering.h"

namespace corvane {

/// Reduces the block records (taken over) to the function body; `entry` is the
/// display label of the function's first block. The body starts with
/// `front_room` default statements, slots for the caller to fill (a header),
/// so that it need not shift the whole body to put statements in front.
[[nodiscard]] Result<std::vector<Stmt>> structure_blocks(std::vector<BlockLowering> blocks,
                                                         std::string_view entry,
                                                         std::size_t front_room = 0);

}  // namespace corvane
