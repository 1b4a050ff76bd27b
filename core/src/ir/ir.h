// The in-memory form of one parsed QIR module. Built once by parse_module and
// read-only afterwards.
//
// Ownership: the Module owns a heap copy of the input text (`source`), and every
// name and type text below is a std::string_view into that copy. The copy lives
// behind a unique_ptr, so moving a Module keeps every view valid. (A module that
// only lives inside one translation may borrow the caller's text instead.) Names are
// stored without their `%`/`@` sigil. Operands and phi incomings of a function
// live in two flat arrays of the Function; instructions refer to ranges of them,
// so parsing allocates nothing per instruction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <iterator>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace corvane {

// __extension__ keeps -Wpedantic quiet about the GCC/Clang 128-bit integer.
__extension__ typedef __int128 int128;

/// `iN` integer constant of any width (also `i1` values other than 0/1/true/false).
// Aligned to 8 rather than 16 so the Operand variant packs into 32 bytes; the
// value is only ever read and written whole, never through a reference.
struct __attribute__((packed, aligned(8))) ConstInt {
  int128 value = 0;
  friend bool operator==(const ConstInt&, const ConstInt&) = default;
};
/// `i1` constant written 0, 1, false or true.
struct ConstBool {
  bool value = false;
  friend bool operator==(const ConstBool&, const ConstBool&) = default;
};
/// half/float/double constant, held as a double.
struct ConstFloat {
  double value = 0.0;
  friend bool operator==(const ConstFloat& a, const ConstFloat& b) {
    // Bit equality: NaN payloads and -0.0 compare as written.
    return std::memcmp(&a.value, &b.value, sizeof(double)) == 0;
  }
};
/// An optional text view in the size of a plain view: absent is a null data
/// pointer, and a present view always has a non-null one (even when empty).
class OptionalView {
 public:
  constexpr OptionalView() = default;
  constexpr OptionalView(std::nullopt_t) {}      // NOLINT: implicit like std::optional
  constexpr OptionalView(std::string_view view)  // NOLINT: implicit like std::optional
      : view_(view.data() == nullptr ? std::string_view("", 0) : view) {}
  constexpr OptionalView(const char* text) : OptionalView(std::string_view(text)) {}  // NOLINT
  constexpr OptionalView(std::optional<std::string_view> view)                        // NOLINT
      : OptionalView(view ? OptionalView(*view) : OptionalView()) {}

  /// Whether a view is present.
  [[nodiscard]] constexpr bool has_value() const { return view_.data() != nullptr; }
  constexpr explicit operator bool() const { return has_value(); }
  /// The view; only meaningful when present.
  [[nodiscard]] constexpr const std::string_view& operator*() const { return view_; }
  [[nodiscard]] constexpr const std::string_view* operator->() const { return &view_; }

  friend constexpr bool operator==(const OptionalView& a, const OptionalView& b) {
    return a.has_value() == b.has_value() && a.view_ == b.view_;
  }

 private:
  std::string_view view_;
};

/// `null` (index 0) or `inttoptr (iN K to ...)` (index K).
struct PtrConst {
  OptionalView struct_name;  // `Qubit` for %Qubit*; absent for ptr and i8*
  std::int64_t index = 0;
  friend bool operator==(const PtrConst&, const PtrConst&) = default;
};
/// Reference to an SSA value (name as written after `%`, quotes included).
struct Ssa {
  std::string_view name;
  friend bool operator==(const Ssa&, const Ssa&) = default;
};
/// Reference to a global (text as written after `@`).
struct GlobalRef {
  std::string_view name;
  friend bool operator==(const GlobalRef&, const GlobalRef&) = default;
};
/// A getelementptr constant expression, or a bitcast expression naming no global.
struct GetElementPtr {
  friend bool operator==(const GetElementPtr&, const GetElementPtr&) = default;
};
/// `bitcast (... @g ...)`; holds the global's name.
struct BitcastGlobal {
  std::string_view name;
  friend bool operator==(const BitcastGlobal&, const BitcastGlobal&) = default;
};
/// `i8* null` (and `i8 null`).
struct I8Null {
  friend bool operator==(const I8Null&, const I8Null&) = default;
};

/// One typed operand. Alternatives are in their tag order.
using Operand = std::variant<ConstInt, ConstBool, ConstFloat, PtrConst, Ssa, GlobalRef,
                             GetElementPtr, BitcastGlobal, I8Null>;
// One per call argument and classical operand: the flat operand arrays are the
// parser's second largest allocation after the instructions.
static_assert(sizeof(Operand) <= 32, "keep Operand records compact");

/// The debug form of an operand, as shown in messages (`ConstInt(5)`,
/// `PtrConst { struct_name: Some("Qubit"), index: 1 }`, `Ssa("q0")`, ...).
[[nodiscard]] std::string operand_debug(const Operand& operand);
/// Appends the debug form of `operand` to `out`.
void append_operand_debug(std::string& out, const Operand& operand);
/// Floats as shown in debug forms: shortest round-trip, `.0` on integral values,
/// exponent form at magnitude >= 1e16 or < 1e-4 (not zero), NaN/inf/-inf.
[[nodiscard]] std::string debug_float(double value);
/// A signed 128-bit integer in decimal.
[[nodiscard]] std::string int128_to_string(int128 value);

/// A range of a function's flat operand or incoming array.
struct Range {
  std::uint32_t begin = 0;
  std::uint32_t count = 0;
  friend bool operator==(const Range&, const Range&) = default;
};

/// Condition of a conditional branch: an SSA name or a constant.
struct BranchCond {
  enum class Kind : std::uint8_t { Ssa, Const };
  Kind kind = Kind::Const;
  bool value = false;     // Kind::Const
  std::string_view name;  // Kind::Ssa
  friend bool operator==(const BranchCond&, const BranchCond&) = default;
};

enum class LogicOp : std::uint8_t { Xor = 0, And = 1, Or = 2 };
/// Integer operations on two iN operands; `and`, `or` and `xor` are here only
/// for N > 1 (i1 logic is a Logic record).
enum class ArithOp : std::uint8_t {
  Add = 0,
  Sub = 1,
  Mul = 2,
  And = 3,
  Or = 4,
  Xor = 5,
  Shl = 6,
  LShr = 7,
  AShr = 8,
  UDiv = 9,
  SDiv = 10,
  URem = 11,
  SRem = 12,
};
/// Integer conversions between widths.
enum class CastOp : std::uint8_t { Zext = 0, Sext = 1, Trunc = 2 };
/// Floating-point operations, and the conversions of an integer to a float.
enum class FloatOp : std::uint8_t {
  FAdd = 0,
  FSub = 1,
  FMul = 2,
  FDiv = 3,
  FNeg = 4,
  SIToFP = 5,
  UIToFP = 6,
};

// The LLVM opcode of each operation above, indexed by its enumerator: the one
// table that both the parser and the messages read.
inline constexpr std::string_view kArithOpNames[] = {
    "add", "sub", "mul", "and", "or", "xor", "shl", "lshr", "ashr", "udiv", "sdiv", "urem", "srem"};
inline constexpr std::string_view kCastOpNames[] = {"zext", "sext", "trunc"};
inline constexpr std::string_view kFloatOpNames[] = {"fadd", "fsub",   "fmul",  "fdiv",
                                                     "fneg", "sitofp", "uitofp"};
static_assert(std::size(kArithOpNames) == static_cast<std::size_t>(ArithOp::SRem) + 1);
static_assert(std::size(kCastOpNames) == static_cast<std::size_t>(CastOp::Trunc) + 1);
static_assert(std::size(kFloatOpNames) == static_cast<std::size_t>(FloatOp::UIToFP) + 1);

[[nodiscard]] constexpr std::string_view opcode_name(ArithOp op) {
  return kArithOpNames[static_cast<std::size_t>(op)];
}
[[nodiscard]] constexpr std::string_view opcode_name(CastOp op) {
  return kCastOpNames[static_cast<std::size_t>(op)];
}
[[nodiscard]] constexpr std::string_view opcode_name(FloatOp op) {
  return kFloatOpNames[static_cast<std::size_t>(op)];
}

/// The operation of `Op` whose opcode is `word`, if there is one.
template <typename Op, std::size_t N>
[[nodiscard]] constexpr std::optional<Op> operation_named(std::string_view word,
                                                          const std::string_view (&names)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (names[i] == word) return static_cast<Op>(i);
  }
  return std::nullopt;
}

/// One phi incoming: value and predecessor label.
struct Incoming {
  Operand value;
  std::string_view pred;
  friend bool operator==(const Incoming&, const Incoming&) = default;
};

// Instruction kinds, in tag order. `result` is always the defined SSA name.
struct Call {
  std::string_view callee;
  Range args;  // into Function::operands
  std::string_view ret_ty;
  OptionalView result;
  friend bool operator==(const Call&, const Call&) = default;
};
struct Br {
  std::string_view target;
  friend bool operator==(const Br&, const Br&) = default;
};
struct CondBr {
  BranchCond cond;
  std::string_view true_label;
  std::string_view false_label;
  friend bool operator==(const CondBr&, const CondBr&) = default;
};
struct Ret {
  std::string_view value;  // the returned operand with its type (`i64 %x`); empty for `ret void`
  friend bool operator==(const Ret&, const Ret&) = default;
};
struct ICmp {
  std::string_view predicate;
  std::uint32_t first_operand = 0;  // lhs in Function::operands; rhs follows
  std::string_view result;
  std::uint32_t width = 64;  // N of the operands' type iN; 0 when it is no integer type
  friend bool operator==(const ICmp&, const ICmp&) = default;
};
struct Logic {
  LogicOp op = LogicOp::Xor;
  std::uint32_t first_operand = 0;  // lhs in Function::operands; rhs follows
  std::string_view result;
  friend bool operator==(const Logic&, const Logic&) = default;
};
struct Select {
  std::uint32_t first_operand = 0;  // cond in Function::operands; then and else follow
  std::string_view ty;
  std::string_view result;
  friend bool operator==(const Select&, const Select&) = default;
};
struct Arith {
  ArithOp op = ArithOp::Add;
  std::uint32_t first_operand = 0;  // lhs in Function::operands; rhs follows
  std::string_view result;
  std::uint32_t width = 64;  // N of the type iN; 0 when it is no integer type
  friend bool operator==(const Arith&, const Arith&) = default;
};
struct Phi {
  std::string_view ty;
  Range incomings;  // into Function::incomings; at least one
  std::string_view result;
  friend bool operator==(const Phi&, const Phi&) = default;
};
struct Ignored {
  std::string_view opcode;
  friend bool operator==(const Ignored&, const Ignored&) = default;
};
struct Alloca {
  std::string_view result;
  friend bool operator==(const Alloca&, const Alloca&) = default;
};
struct Bitcast {
  std::string_view source;
  std::string_view result;
  friend bool operator==(const Bitcast&, const Bitcast&) = default;
};
/// `getelementptr [flags] TY, PTR BASE, iN I, ...`: the element type the first
/// index steps over, the base (an SSA name, or a global with its `@`), and the
/// indices in Function::operands. A form read no further has an empty `ty`.
struct Gep {
  std::string_view base;
  std::string_view ty;
  Range indices;  // into Function::operands
  std::string_view result;
  friend bool operator==(const Gep&, const Gep&) = default;
};
struct Store {
  std::uint32_t value = 0;  // index of the stored value in Function::operands
  std::string_view pointer;
  std::string_view ty;  // type of the stored value, as written
  friend bool operator==(const Store&, const Store&) = default;
};
struct Load {
  std::string_view pointer;
  std::string_view result;
  std::string_view ty;  // type of the loaded value, as written
  friend bool operator==(const Load&, const Load&) = default;
};
struct IntCast {
  std::string_view source;
  std::string_view result;
  std::uint32_t from_width = 1;  // N of the source type iN; 0 when it is no integer type
  std::uint32_t to_width = 64;   // the same for the result type
  CastOp op = CastOp::Zext;
  bool constant_source = false;  // `source` is an integer constant (`true`, `-1`), not a name
  friend bool operator==(const IntCast&, const IntCast&) = default;
};
struct IntToPtr {
  std::uint32_t value = 0;  // index of the source value in Function::operands
  std::string_view result;
  friend bool operator==(const IntToPtr&, const IntToPtr&) = default;
};
/// `switch iN VALUE, label %DEFAULT [ iN C, label %DEST ... ]`. Each case is an
/// Incoming of Function::incomings: its constant and its destination label.
struct Switch {
  std::uint32_t value = 0;  // index of the compared value in Function::operands
  std::string_view default_label;
  Range cases;               // into Function::incomings; may be empty
  std::uint32_t width = 64;  // N of the type iN; 0 when it is no integer type
  friend bool operator==(const Switch&, const Switch&) = default;
};
/// `fadd`, `fsub`, `fmul`, `fdiv` and `fneg` (fast-math flags skipped), and
/// `sitofp`/`uitofp` of an integer.
struct FloatArith {
  FloatOp op = FloatOp::FAdd;
  std::uint32_t first_operand = 0;  // in Function::operands: the operand, or lhs then rhs
  std::string_view ty;              // the result type, as written
  std::string_view result;
  std::uint32_t from_width = 0;  // conversions: N of the source type iN; 0 otherwise
  friend bool operator==(const FloatArith&, const FloatArith&) = default;
};
struct Unrecognized {
  std::string_view opcode;  // first word, possibly empty
  friend bool operator==(const Unrecognized&, const Unrecognized&) = default;
};

/// One instruction. Alternatives are in their tag order (Call = 0 ... Unrecognized = 19).
using Instruction =
    std::variant<Call, Br, CondBr, Ret, ICmp, Logic, Select, Arith, Phi, Ignored, Alloca, Bitcast,
                 Gep, Store, Load, IntCast, IntToPtr, Switch, FloatArith, Unrecognized>;

/// Whether `instruction` ends its block: `br` (either form), `switch` or `ret`.
[[nodiscard]] inline bool is_terminator(const Instruction& instruction) {
  return std::holds_alternative<Br>(instruction) || std::holds_alternative<CondBr>(instruction) ||
         std::holds_alternative<Ret>(instruction) || std::holds_alternative<Switch>(instruction);
}

// Instructions are stored one per record in every block, so their size is the
// parser's main memory traffic. Operands live in Function::operands rather than
// inline: a 48-byte, 16-aligned Operand would grow every record to 80+ bytes.
static_assert(sizeof(Instruction) <= 64, "keep Instruction records compact");

/// The two operands of an icmp, logic or arithmetic instruction.
struct BinaryOperands {
  const Operand& lhs;
  const Operand& rhs;
};
/// The three operands of a select.
struct SelectOperands {
  const Operand& cond;
  const Operand& then_value;
  const Operand& else_value;
};

/// The one-line debug form of an instruction of `function` (`Call { callee:
/// "f", args: [ConstInt(1)], ... }`). With `source`, every view into it is
/// followed by `@offset`, so that two readings of one text compare whole.
[[nodiscard]] std::string debug_dump(const struct Function& function,
                                     const Instruction& instruction, std::string_view source = {});

/// A basic block: label (empty for an unlabelled first block) and its instructions
/// as written, terminator included (a block may lack one or hold more after it).
struct Block {
  std::string_view label;
  std::vector<Instruction> instructions;
};

/// A `declare` (no blocks) or a `define`.
struct Function {
  std::string_view name;
  std::string_view parameters;  // the header's text between its parentheses
  std::vector<Block> blocks;
  std::optional<std::string_view> profile;  // first "qir_profiles" value of its attribute groups
  /// First "required_num_results" of its attribute groups, when a decimal number.
  std::optional<std::int64_t> required_num_results;
  bool is_declaration = false;
  bool is_entry_point = false;
  std::vector<Operand> operands;    // call arguments and classical operands, in order
  std::vector<Incoming> incomings;  // phi incomings of all instructions, in order

  /// The arguments of a call of this function's body.
  [[nodiscard]] std::span<const Operand> args(const Call& call) const {
    return {operands.data() + call.args.begin, call.args.count};
  }
  /// The operands of an icmp of this function's body.
  [[nodiscard]] BinaryOperands binary_operands(const ICmp& icmp) const {
    return binary_at(icmp.first_operand);
  }
  /// The operands of an i1 logic instruction of this function's body.
  [[nodiscard]] BinaryOperands binary_operands(const Logic& logic) const {
    return binary_at(logic.first_operand);
  }
  /// The operands of an arithmetic instruction of this function's body.
  [[nodiscard]] BinaryOperands binary_operands(const Arith& arith) const {
    return binary_at(arith.first_operand);
  }
  /// The operands of a two-operand float operation of this function's body.
  [[nodiscard]] BinaryOperands binary_operands(const FloatArith& arith) const {
    return binary_at(arith.first_operand);
  }
  /// The operands of a select of this function's body.
  [[nodiscard]] SelectOperands select_operands(const Select& select) const {
    const Operand* first = operands.data() + select.first_operand;
    return {first[0], first[1], first[2]};
  }
  /// The stored value of a store of this function's body.
  [[nodiscard]] const Operand& value(const Store& store) const { return operands[store.value]; }
  /// The compared value of a switch of this function's body.
  [[nodiscard]] const Operand& value(const Switch& branch) const { return operands[branch.value]; }
  /// The cases of a switch of this function's body (constant and destination).
  [[nodiscard]] std::span<const Incoming> switch_cases(const Switch& branch) const {
    return {incomings.data() + branch.cases.begin, branch.cases.count};
  }
  /// The indices of a getelementptr of this function's body.
  [[nodiscard]] std::span<const Operand> gep_indices(const Gep& gep) const {
    return {operands.data() + gep.indices.begin, gep.indices.count};
  }
  /// The source value of an inttoptr of this function's body.
  [[nodiscard]] const Operand& value(const IntToPtr& cast) const { return operands[cast.value]; }
  /// The incomings of a phi of this function's body.
  [[nodiscard]] std::span<const Incoming> phi_incomings(const Phi& phi) const {
    return {incomings.data() + phi.incomings.begin, phi.incomings.count};
  }

  /// The operand pair starting at `first` in `operands`.
  [[nodiscard]] BinaryOperands binary_at(std::uint32_t first) const {
    return {operands[first], operands[first + 1]};
  }
};

/// A parsed QIR module. Every view in `functions` points into `source()`.
///
/// A module from parse_module owns its copy of the text (`source_text`). A module
/// from parse_module_borrowing holds no copy: `source_view` is the caller's text,
/// which must outlive the module (translate uses this for a module that lives
/// only within one call, saving a copy of the whole input).
struct Module {
  std::unique_ptr<const std::string> source_text;
  std::string_view source_view;
  std::vector<Function> functions;
  /// Names the translator makes up (labels of blocks it adds, renamed values and
  /// blocks of an inlined function). A deque never moves what it holds, so the
  /// views into it stay valid as it grows. Made names lie outside `source()`:
  /// an error at an instruction that holds only made names has no place.
  /// Mutable: making a name changes nothing that the module's readers see.
  mutable std::deque<std::string> made_names;
  /// For a made name (by its first byte), where the text that made it stands:
  /// the call an inlined copy comes from. Errors at an instruction that holds
  /// only made names are placed there.
  mutable std::unordered_map<const char*, std::size_t> made_name_places;
  /// A call the translator inlined: the function called, where the call stands
  /// in the text, and the inlined call whose copy holds it (index + 1 into
  /// `inlined_calls`; 0 when the entry point itself makes the call).
  struct InlinedCall {
    std::string_view callee;
    std::optional<std::size_t> call_offset;
    std::uint32_t outer = 0;
  };
  mutable std::vector<InlinedCall> inlined_calls;
  /// For the label of each block copied from an inlined call (by its first
  /// byte): that call, as index + 1 into `inlined_calls`.
  mutable std::unordered_map<const char*, std::uint32_t> inlined_blocks;

  /// The complete input text, verbatim.
  [[nodiscard]] std::string_view source() const { return source_view; }
  /// Keeps `name` for the life of the module and returns a view of it.
  std::string_view make_name(std::string name) const {
    return made_names.emplace_back(std::move(name));
  }
};

}  // namespace corvane
