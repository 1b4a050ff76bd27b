// The value environment of a translation: what each SSA name is bound to,
// the int variables and pointers to qubits and results the lowering knows, the limits on bound
// expressions and the copy budget. The classical lowering, the phi patterns
// and the call builders read and extend it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "openqasm/program.h"
#include "support/error.h"
#include "support/limits.h"
#include "values/int_range.h"
#include "values/value_table.h"

namespace corvane {

class StateTracker;

/// Hash for the context's text-keyed maps, usable with string_view lookups.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept {
    return std::hash<std::string_view>{}(text);
  }
};

/// A double computed by float arithmetic or an integer-to-float conversion:
/// the opcode that made it, and whether its expression is an integer one.
struct AngleValue {
  std::string_view opcode;
  bool integral = false;
};

/// A classical register of the pytket runtime: `size` bits of the result
/// register from `base` on.
struct BitRegister {
  std::int64_t base = 0;
  std::int64_t size = 0;
};

/// Per-translation lowering state. Keys are views into the Module's text, which
/// outlives the context.
struct LoweringContext {
  ValueTable env;
  std::unordered_map<std::string_view, std::int64_t, TextHash> int_pointers;
  /// Pointers loaded from memory that holds no known value (an element of a
  /// constant array of qubits or results read at an index known only at run
  /// time): the loaded name and the name of the address it was read from.
  std::unordered_map<std::string_view, std::string_view, TextHash> loaded_pointers;
  /// Ranges of the program's `int` variables: register every value assigned
  /// to a variable here (unregistered names count as the full i64 range).
  VariableRanges variable_ranges;
  std::int64_t max_qubit_index = -1;
  std::int64_t max_result_index = -1;
  /// The registers made by `create_creg`, by the SSA name of their pointer,
  /// the first result bit the next one takes (the entry point's
  /// required_num_results, then after each register), and the highest result
  /// index a measurement names directly (-1 for none).
  std::unordered_map<std::string_view, BitRegister, TextHash> bit_registers;
  std::int64_t first_register_bit = 0;
  std::int64_t next_register_bit = 0;
  std::int64_t max_measured_result = -1;
  /// A `barrier q;` over every qubit was emitted (dropped again when the
  /// program has no qubit to declare).
  bool barrier_on_all_qubits = false;
  /// Expression nodes copied out of `env` so far (lookup charges it) and the
  /// most that may be copied in this translation.
  mutable std::uint64_t copied_nodes = 0;
  std::uint64_t copy_budget = kDefaultCopyBudget;
  /// The SSA values bound to a double by float arithmetic or a conversion; only
  /// gate angles and further such operations may use them (lookup_angle).
  std::unordered_map<std::string_view, AngleValue, TextHash> angle_values;
  /// Where state-reading values are bound and used (the lowering driver's;
  /// absent when the context is used on its own).
  StateTracker* tracker = nullptr;

  /// Binds (or rebinds) an SSA name, defined at the tracker's current point.
  void bind(std::string_view name, Expr value);
  /// A copy of the value bound to `name`, or the unbound-value error. With a
  /// tracker, a use at its current point.
  [[nodiscard]] Result<Expr> lookup(std::string_view name) const;
  /// The same for a use that may also read an angle value (a gate angle, or an
  /// operand of float arithmetic); lookup refuses those.
  [[nodiscard]] Result<Expr> lookup_angle(std::string_view name) const;
  /// With a tracker, a use of `name` at its current point without a copy
  /// (for expressions copied from elsewhere, such as a branch condition).
  void note_use(std::string_view name) const;
  /// Records the constant index behind an inttoptr result.
  void record_int_pointer(std::string_view name, std::int64_t index);
  /// The recorded index of an inttoptr result, if any.
  [[nodiscard]] std::optional<std::int64_t> lookup_int_pointer(std::string_view name) const;
};

/// Node count and depth (an atom has depth 1) of an expression tree.
struct ExprMetrics {
  std::uint64_t nodes = 0;
  std::uint64_t depth = 0;
  friend bool operator==(const ExprMetrics&, const ExprMetrics&) = default;
};

/// Measures `expr` without recursion.
[[nodiscard]] ExprMetrics measure_expr(const Expr& expr);

/// Binds `name` to `value` after checking the depth and size limits; the error
/// names the SSA value.
[[nodiscard]] Status bind_checked(LoweringContext& context, std::string_view name, Expr value);

/// Charges `nodes` copied expression nodes for the SSA value `name` against the
/// context's copy budget; fails once the budget is exhausted.
[[nodiscard]] Status charge_copied_nodes(const LoweringContext& context, std::string_view name,
                                         std::uint64_t nodes);

}  // namespace corvane
