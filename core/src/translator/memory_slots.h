// Memory slots of a function (an alloca, or a base pointer, at a constant
// offset) and which stores reach each load along the function's paths. A load
// that exactly one constant store reaches is bound to that constant; a slot
// with any other load (stores on several paths, a computed value, a store on
// some paths only) becomes an int variable, assigned at every store and read
// at every load. Loads that no store reaches bind nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ir/ir.h"

namespace corvane {

/// Key of a memory slot: base name, a NUL, and the offset in decimal.
[[nodiscard]] std::string memory_key(std::string_view base, std::int64_t offset);

/// How the lowering treats the loads and stores of one function.
struct MemoryPlan {
  /// Loads (by result name) bound to the constant of the one store that reaches them.
  std::unordered_map<std::string_view, Operand> forwarded;
  /// Slots (by memory_key) that are variables, with the type text of their values.
  std::unordered_map<std::string, std::string_view> variables;
};

/// Works out the memory plan of `function` from its text alone: pointer
/// aliases, stores and loads, and the branches between its blocks.
[[nodiscard]] MemoryPlan plan_memory(const Function& function);

}  // namespace corvane
