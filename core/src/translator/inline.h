// Inlining of the functions a module defines. Lowering works on one function,
// so every call of a function defined in the module (and unknown to the
// profile) is replaced by the callee's blocks: the calling block is split at
// the call, the callee's blocks follow with fresh names, its parameters stand
// for the call's arguments, and each `ret` branches to the rest of the calling
// block with the returned value bound to the call's result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "builders/profile.h"
#include "ir/ir.h"
#include "support/error.h"
#include "support/limits.h"

namespace corvane {

/// Instructions that may be inlined for an input of `source_size` bytes.
[[nodiscard]] std::uint64_t inline_budget_for(std::size_t source_size);

/// `entry` with every call of a function defined in `module` that `profile`
/// has no builder for inlined, or nothing when it makes no such call. Names
/// the inlining makes up are kept by the module: labels of inlined blocks read
/// `function:block`. Recursion, a call that does not match the definition and
/// a call tree of more than `budget` instructions are refused with a message
/// that names the defined function.
[[nodiscard]] Result<std::optional<Function>> inline_defined_calls(const Module& module,
                                                                   const Function& entry,
                                                                   const Profile& profile,
                                                                   std::uint64_t budget);

}  // namespace corvane
