// What one module can make the translator build, capped. Classical values are
// written out again at every use, loop headers are repeated inside their
// loops and defined functions are inlined at every call, so a small module
// could ask for an enormous program; each limit ends the translation with an
// error that names it. One constant per row of the README's "Limits" table,
// in its order; keep the two alike.
#pragma once

#include <cstdint>

namespace corvane {

/// Nested operations in one bound expression. Copying, printing and freeing an
/// expression recurse along its depth (about 60 bytes of stack per level in an
/// optimised build, well inside a 512 KiB thread stack). Real modules stay
/// below ten.
inline constexpr std::uint64_t kMaxExprDepth = 1000;
/// Nodes in one bound expression (under about 1 MB of printed text).
inline constexpr std::uint64_t kMaxExprNodes = 100'000;
/// Expression nodes copied out of the environment in one translation: this
/// many (about 50 MB of tree), plus one per kInputBytesPerCopiedNode bytes of
/// input when the input is known.
inline constexpr std::uint64_t kDefaultCopyBudget = 1'000'000;
inline constexpr std::uint64_t kInputBytesPerCopiedNode = 4;
/// If/while nesting the structurer builds; the printer and the tree's
/// destructors recurse along it.
inline constexpr std::uint32_t kMaxNestingDepth = 1000;
/// Statements and expression nodes of loop headers copied into their loop
/// bodies: this many, or as many as the function itself holds when that is
/// more (nested loops double the copies with every level).
inline constexpr std::uint64_t kMinLoopHeaderCopyBudget = 1'000'000;
/// Instructions inlined from defined functions in one translation: this many,
/// plus one per byte of input (a call tree can double with every level).
inline constexpr std::uint64_t kInlineBudgetBase = 250'000;
/// Statements copied and iterations run while unrolling the loops that need
/// their counter as a constant, in one translation: this many, plus one per
/// byte of input. Counting iterations bounds a loop that copies nothing.
inline constexpr std::uint64_t kUnrollBudgetBase = 250'000;

}  // namespace corvane
