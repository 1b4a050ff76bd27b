// The lowering's memory model. Memory slots of a function (an alloca, or a
// base pointer, at a constant offset) and which stores reach each load along
// the function's paths make its plan. A load that exactly one constant store
// reaches is bound to that constant; a slot with any other load (stores on
// several paths, a computed value, a store on some paths only) becomes an int
// variable, assigned at every store and read at every load. Loads that no
// store reaches bind nothing. Pointers are names of slots or, cast from
// constant integers, qubit and result indices.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cfg/cfg.h"
#include "ir/ir.h"
#include "openqasm/program.h"
#include "support/error.h"
#include "values/lowering_context.h"

namespace corvane {

/// Key of a memory slot: base name, a NUL, and the byte offset in decimal.
[[nodiscard]] std::string memory_key(std::string_view base, std::int64_t offset);

/// Where a getelementptr points relative to its base.
struct GepOffset {
  enum class Kind : std::uint8_t { Known, NotConstant, UnknownLayout, Overflow };
  Kind kind = Kind::Known;
  std::int64_t bytes = 0;  // Kind::Known: the byte offset from the base
};
/// The byte offset of a getelementptr over `ty` with `indices` from its base:
/// every index scaled by the size of the type it steps over (integers, floats
/// and pointers in their natural sizes, arrays, and structs laid out with
/// natural alignment).
[[nodiscard]] GepOffset gep_offset(std::string_view ty, std::span<const Operand> indices);

/// What a pointer names: a base (an alloca, or a pointer the function did not
/// make) and a byte offset from it.
struct PointerAlias {
  std::string_view base;
  std::int64_t offset = 0;   // in bytes
  bool from_alloca = false;  // the base is an alloca of this function
  bool resolved = true;      // false: the offset is not known when translating
};

/// The aliases of a function's pointers, as its allocas, bitcasts and
/// getelementptrs make them (in the order they are fed). The memory plan and
/// the lowering each keep one.
class PointerAliases {
 public:
  /// `result` names the start of a new alloca.
  void alloca(std::string_view result);
  /// `result` names what `source` names.
  void bitcast(std::string_view result, std::string_view source);
  /// `gep.result` names its base moved by its offset (unresolved where that
  /// is not known); false when the offset leaves the signed 64-bit range.
  [[nodiscard]] bool gep(const Gep& gep, std::span<const Operand> indices);
  /// What `pointer` names, or nullptr for a pointer none of the above made.
  [[nodiscard]] const PointerAlias* find(std::string_view pointer) const {
    const auto it = aliases_.find(pointer);
    return it == aliases_.end() ? nullptr : &it->second;
  }

 private:
  std::unordered_map<std::string_view, PointerAlias, TextHash> aliases_;
};

/// How the lowering treats the loads and stores of one function.
struct MemoryPlan {
  /// Loads (by result name) bound to the constant of the one store that reaches them.
  std::unordered_map<std::string_view, Operand> forwarded;
  /// Slots (by memory_key) that are variables, with the type text of their values.
  std::unordered_map<std::string, std::string_view> variables;
};

/// Works out the memory plan of `function` from its text alone: pointer
/// aliases, stores and loads, and the paths of `graph` (the function's).
[[nodiscard]] MemoryPlan plan_memory(const Function& function, const Cfg& graph);

class HoistedDecls;

/// Lowers the pointer instructions of one function run: alloca, bitcast and
/// getelementptr record what a pointer names here, inttoptr the qubit or
/// result index it names in the context; stores and loads follow the plan. Without a plan (a
/// streaming run) stores and loads ask the context's tracker for the whole function instead.
class MemoryModel {
 public:
  MemoryModel(const MemoryPlan* plan, LoweringContext& context, HoistedDecls& hoisted)
      : plan_(plan), context_(context), hoisted_(hoisted) {}

  void alloca(const Alloca& alloca) { pointers_.alloca(alloca.result); }
  void bitcast(const Bitcast& cast) { pointers_.bitcast(cast.result, cast.source); }
  /// `indices` are the getelementptr's index operands.
  Status gep(const Gep& gep, std::span<const Operand> indices);
  /// `source` is the cast's integer operand.
  Status inttoptr(const IntToPtr& cast, const Operand& source);
  /// `value` is the stored operand; an assignment to a slot variable goes to `out`.
  Status store(const Store& store, const Operand& value, std::vector<Stmt>& out);
  Status load(const Load& load);

 private:
  Result<const std::string*> slot_variable(std::string_view pointer);
  Status check_resolved(std::string_view pointer, std::string_view access, bool any_base) const;

  const MemoryPlan* plan_;  // null for a streaming run
  LoweringContext& context_;
  HoistedDecls& hoisted_;
  PointerAliases pointers_;
  std::unordered_map<std::string, std::string> slot_variables_;  // memory_key -> variable
};

}  // namespace corvane
