// Rewrites each `switch` of a function into a chain of conditional branches
// before anything else looks at the function's blocks, so the rest of the
// translator only ever sees `br`.
#pragma once

#include "ir/ir.h"
#include "support/error.h"

namespace corvane {

/// Whether some block of `function` ends with a switch.
[[nodiscard]] bool has_switch(const Function& function);

/// Replaces the switch ending each block of `function` by comparisons and
/// conditional branches. Cases that share a destination become one condition
/// (`x == 1 || x == 3`); cases that go to the default destination are dropped.
/// The first condition is tested in the switch's own block, every further one
/// in a block of its own inserted right after it, labelled with a name kept by
/// `names`; the phis of the destinations name the block that now branches to
/// them. Nothing after a block's switch is kept.
[[nodiscard]] Status lower_switches(Function& function, const Module& names);

}  // namespace corvane
