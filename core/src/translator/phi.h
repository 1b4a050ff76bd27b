// Phi lowering: recognises the short-circuit Boolean merge, the materialised
// Boolean (0/1 diamond) and the integer if-merge, and rewrites each into an
// expression or a mutable `cint_` variable; any other phi of an integer type
// becomes a variable assigned on the edges into its block.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ir/ir.h"
#include "openqasm/program.h"
#include "support/error.h"
#include "translator/lowering_state.h"
#include "values/state_tracking.h"

namespace corvane {

/// Lowers one phi of the block `block_label` by a pattern, if one matches:
/// binds its result, and for the integer if-merge declares or reuses a
/// variable and appends its assignments (the initial one too where `plan` says
/// so). False when no pattern takes the phi; nothing is bound, declared or
/// appended then, and the general lowering takes over.
[[nodiscard]] bool lower_phi_pattern(const Phi& phi, std::span<const Incoming> incomings,
                                     std::string_view block_label, ProcessedBlocks& processed,
                                     HoistedDecls& hoisted, LoweringContext& context,
                                     const LoweringPlan& plan = {});

/// One assignment the general phi lowering leaves for the end of the
/// function: `variable` takes `value` on the edge from `pred` to `block`.
struct PhiCopy {
  std::string_view pred;
  std::string block;
  std::string variable;
  const Operand* value = nullptr;  // the incoming operand, owned by the function
  std::uint32_t width = 64;        // of the phi's type
  std::string_view phi;            // the phi's result
};

/// Whether the general phi lowering takes phis of type `ty` (i1, i32, i64).
[[nodiscard]] bool general_phi_type(std::string_view ty);

/// Lowers a phi of any shape: an `int` variable declared before the program
/// body, read where the phi is (an i1 as `v == 1`), and assigned its incoming
/// value at the end of each predecessor. The assignments are left in `copies`
/// for place_phi_copies, since predecessors and incoming values may come later.
[[nodiscard]] Status lower_general_phi(const Phi& phi, std::span<const Incoming> incomings,
                                       std::string_view block_label, HoistedDecls& hoisted,
                                       LoweringContext& context, std::vector<PhiCopy>& copies);

/// Makes the assignments of `copies` once every block is lowered. Those of one
/// edge run in order, as one parallel copy: an incoming value read after a
/// variable it reads was assigned is caught by the context's tracker and
/// captured where it is defined. They go at the end of a predecessor whose only
/// successor is the phi's block, else on a block of their own put on the edge
/// (appended to `processed`), so no other path runs them.
[[nodiscard]] Status place_phi_copies(std::string_view source, const std::vector<PhiCopy>& copies,
                                      ProcessedBlocks& processed, LoweringContext& context);

}  // namespace corvane
