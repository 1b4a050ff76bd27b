// The lowering driver: turns the entry-point function of a parsed module into
// a Program. Owns the LoweringContext, the per-function state that the
// classical lowering, the phi patterns and the call builders read and extend.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ir/ir.h"
#include "openqasm/program.h"
#include "translator/error.h"
#include "translator/int_range.h"
#include "translator/value_table.h"

namespace corvane {

struct Translator;
class StateTracker;

/// Hash for the context's text-keyed maps, usable with string_view lookups.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept {
    return std::hash<std::string_view>{}(text);
  }
};

/// A pointer alias: base name and accumulated offset.
struct PointerAlias {
  std::string_view base;
  std::int64_t offset = 0;
};

/// Limits on bound expressions. Values are inlined at every use, so these keep a
/// short input from asking for a huge or very deep tree. The depth limit keeps the
/// recursive copy, print and destroy of any accepted tree well inside a 512 KiB
/// thread stack in an optimised build (about 60 bytes of stack per level). Real
/// modules bind expressions of a few dozen nodes and a depth below ten.
inline constexpr std::uint64_t kMaxExprDepth = 1000;
inline constexpr std::uint64_t kMaxExprNodes = 100'000;
/// Expression nodes that may be copied out of the environment in one translation
/// when the context is not given a budget from the input size (about 50 MB of
/// tree at most).
inline constexpr std::uint64_t kDefaultCopyBudget = 1'000'000;

/// A double computed by float arithmetic or an integer-to-float conversion:
/// the opcode that made it, and whether its expression is an integer one.
struct AngleValue {
  std::string_view opcode;
  bool integral = false;
};

/// Per-translation lowering state. Keys are views into the Module's text, which
/// outlives the context.
struct LoweringContext {
  ValueTable env;
  std::unordered_map<std::string_view, PointerAlias, TextHash> pointers;
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

/// One lowered basic block, handed to structuring.
struct BlockLowering {
  std::string label;             // display label: label, or decimal position when empty
  std::vector<Stmt> statements;  // in instruction order
  // True then false target; one for br; none for ret. Held inline: a heap
  // block per record would mean one allocation (and free) per basic block.
  SmallVec<Name, 2> successors;
  std::optional<Expr> condition;  // for a conditional branch
  friend bool operator==(const BlockLowering&, const BlockLowering&) = default;
};

/// Lowers the module's entry point into a Program. Memory follows the paths
/// between the blocks, and a value that reads a result bit or a variable is
/// captured where it is defined when a write of what it reads can come
/// before one of its uses (the function is then lowered again).
[[nodiscard]] Result<Program> lower_module(const Translator& translator, const Module& module);
/// The same, for a module the caller no longer needs: on success the entry
/// point's instructions and operands are freed. Afterwards the module keeps its
/// functions, blocks and labels, but the entry point's instruction lists and
/// operand arrays are empty.
[[nodiscard]] Result<Program> lower_module(const Translator& translator, Module&& module);

/// A lowered entry point and its profile (the first "qir_profiles" value of
/// its attribute groups, a view into the parsed text).
struct LoweredModule {
  Program program;
  std::optional<std::string_view> profile;
  /// The body was lowered from the whole function after it was read, not
  /// while it was read (it needed that: a phi, memory, a value used outside
  /// its block or read after its state changed).
  bool whole_function = false;
};

/// Parses `text` and lowers its entry point in the same pass: the entry
/// point's instructions are lowered in batches of at most `batch` as they are
/// read, so they are never all held in memory. The result, errors included,
/// is that of parse_module followed by lower_module. (The parser takes the
/// first definition that may be the entry point; should the attribute groups
/// at the end say otherwise, the text is parsed again and lowered as a whole.
/// So it is when the body needs the whole function: a phi, memory, a value
/// used outside its block or read after its state changed.)
[[nodiscard]] Result<LoweredModule> parse_and_lower(const Translator& translator,
                                                    std::string_view text,
                                                    std::size_t batch = 1024);

/// Register size from the highest index used (checked: index + 1 must not overflow).
/// `is_qubit` selects the qubit or the result register, which the error names.
[[nodiscard]] Result<std::uint64_t> register_size(std::int64_t max_index, bool is_qubit);

}  // namespace corvane
