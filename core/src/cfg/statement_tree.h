// Whole-tree operations on statement lists that the structurer needs and that
// must not recurse along if/while nesting: measuring a list (statement count
// and nesting depth, or the size of a copy) and deep-copying it. They walk
// with an explicit stack, so their stack use does not grow with the nesting
// depth of the input.
#pragma once

#include <cstdint>
#include <vector>

#include "openqasm/program.h"

namespace corvane {

/// Size of a statement list counted through every if/while body.
struct StatementMeasure {
  std::uint64_t count = 0;  // statements at every level
  std::uint32_t depth = 0;  // if/while levels; 0 for a list without any
};

/// Counts the statements of `list` at every level and its if/while depth.
[[nodiscard]] StatementMeasure measure_statements(const std::vector<Stmt>& list);

/// Statements of `list` at every level plus the expression nodes they hold:
/// the amount of tree that a deep copy of the list builds.
[[nodiscard]] std::uint64_t measure_copy_size(const std::vector<Stmt>& list);

/// Appends a deep copy of every statement of `source` to `target`.
void append_statement_copies(const std::vector<Stmt>& source, std::vector<Stmt>& target);

}  // namespace corvane
