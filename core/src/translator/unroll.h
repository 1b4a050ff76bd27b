// Unrolling by evaluation. A loop whose body needs its counter as a constant
// (a qubit or result address, an element of a constant global array, a shift
// amount, a divisor, an inttoptr index) cannot become a `while`: the output
// addresses qubits and results by literal index. Such a loop is run at
// translation time instead: the function is copied block by block with the
// values known before the program runs (integer constants, slots holding
// constants, elements of constant global arrays) substituted and computed, and
// the loop's blocks are copied once per iteration until its exit branch, now a
// constant, leaves it. Branches on measurements inside stay branches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "cfg/cfg.h"
#include "ir/ir.h"
#include "support/error.h"

namespace corvane {

/// Statements and iterations that unrolling may make for an input of
/// `source_size` bytes.
[[nodiscard]] std::uint64_t unroll_budget_for(std::size_t source_size);

/// `function` (a function of `module` or a copy made from one, whose graph is
/// `graph`) with every
/// loop that needs its counter as a constant unrolled, or nothing when there
/// is no such loop and no constant array is read (or the block graph is not
/// made of natural loops). Names it makes are kept by `module`. A loop whose
/// exit depends on a value not known when translating, an array read past
/// its end, and unrolling beyond `budget` statements and iterations are
/// refused with a message that names the loop or the value.
[[nodiscard]] Result<std::optional<Function>> unroll_counted_loops(const Module& module,
                                                                   const Function& function,
                                                                   const Cfg& graph,
                                                                   std::uint64_t budget);

}  // namespace corvane
