// The OpenQASM 3 program tree that lowering, the builders and structuring build
// and the printer writes. Trees own their children through Box, a heap cell
// with value semantics: copying copies the whole subtree and == compares it.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "support/compact.h"

namespace corvane {

/// A never-null heap cell with value semantics (deep copy, deep ==).
template <typename T>
class Box {
 public:
  Box(T value) : ptr_(std::make_unique<T>(std::move(value))) {}  // NOLINT: implicit by design
  Box(const Box& other) : ptr_(std::make_unique<T>(*other.ptr_)) {}
  Box(Box&& other) noexcept = default;
  Box& operator=(const Box& other) {
    if (this != &other) ptr_ = std::make_unique<T>(*other.ptr_);
    return *this;
  }
  Box& operator=(Box&& other) noexcept = default;
  ~Box() = default;

  T& operator*() { return *ptr_; }
  const T& operator*() const { return *ptr_; }
  T* operator->() { return ptr_.get(); }
  const T* operator->() const { return ptr_.get(); }

  friend bool operator==(const Box& a, const Box& b) { return *a.ptr_ == *b.ptr_; }

  /// Releases the cell (for iterative teardown of deep trees). Leaves *this empty:
  /// the only valid operations afterwards are destruction and assignment.
  std::unique_ptr<T> release_cell() { return std::move(ptr_); }

 private:
  std::unique_ptr<T> ptr_;
};

enum class UnaryOp : std::uint8_t { Not = 0, Neg = 1 };

/// Binary operators in precedence-table order (also their numbering).
enum class BinaryOp : std::uint8_t {
  Or = 0,      // ||
  And = 1,     // &&
  BitOr = 2,   // |
  BitXor = 3,  // ^
  BitAnd = 4,  // &
  Eq = 5,      // ==
  Ne = 6,      // !=
  Lt = 7,      // <
  Le = 8,      // <=
  Gt = 9,      // >
  Ge = 10,     // >=
  Shl = 11,    // <<
  Shr = 12,    // >>
  Add = 13,    // +
  Sub = 14,    // -
  Mul = 15,    // *
  Div = 16,    // /
  Mod = 17,    // %
  Pow = 18,    // **
};

/// Operator text of a binary operator ("||", "+", ...).
[[nodiscard]] const char* binary_op_text(BinaryOp op);
/// Binding strength of a binary operator (higher binds tighter).
[[nodiscard]] int binary_op_precedence(BinaryOp op);
/// Whether a binary operator yields a boolean (`||`, `&&` and the comparisons).
[[nodiscard]] bool binary_op_is_boolean(BinaryOp op);
/// Precedence of a UnaryExpr node.
inline constexpr int kUnaryPrecedence = 11;

struct Expr;

struct Ident {
  std::string name;
  friend bool operator==(const Ident&, const Ident&) = default;
};
struct IntLit {
  std::int64_t value = 0;
  friend bool operator==(const IntLit&, const IntLit&) = default;
};
struct FloatLit {
  double value = 0.0;
  friend bool operator==(const FloatLit& a, const FloatLit& b) {
    return std::memcmp(&a.value, &b.value, sizeof(double)) == 0;
  }
};
struct BoolLit {
  bool value = false;
  friend bool operator==(const BoolLit&, const BoolLit&) = default;
};
struct Index {
  Box<Expr> base;
  Box<Expr> index;
  friend bool operator==(const Index&, const Index&) = default;
};
struct UnaryExpr {
  UnaryOp op = UnaryOp::Not;
  Box<Expr> operand;
  friend bool operator==(const UnaryExpr&, const UnaryExpr&) = default;
};
struct BinaryExpr {
  BinaryOp op = BinaryOp::Or;
  Box<Expr> lhs;
  Box<Expr> rhs;
  friend bool operator==(const BinaryExpr&, const BinaryExpr&) = default;
};

/// An OpenQASM expression. Alternatives in tag order.
struct Expr {
  std::variant<Ident, IntLit, FloatLit, BoolLit, Index, UnaryExpr, BinaryExpr> node;

  Expr() = default;
  template <typename T, typename = std::enable_if_t<!std::is_same_v<std::decay_t<T>, Expr>>>
  Expr(T&& n) : node(std::forward<T>(n)) {}  // NOLINT: implicit by design

  friend bool operator==(const Expr&, const Expr&) = default;
};

/// Builds lhs `op` rhs.
[[nodiscard]] Expr make_binary_expr(BinaryOp op, Expr lhs, Expr rhs);
/// Builds !operand.
[[nodiscard]] Expr make_not(Expr operand);
/// Builds base[index] with an integer index.
[[nodiscard]] Expr make_index(std::string name, std::int64_t index);

/// An optional integer index in the size of the integer: the one value no index
/// takes, INT64_MIN, stands for "none". (Register indices are never negative:
/// lowering refuses a negative index before it builds a register element.)
class OptionalIndex {
 public:
  constexpr OptionalIndex() = default;
  constexpr OptionalIndex(std::nullopt_t) {}  // NOLINT: implicit like std::optional
  constexpr OptionalIndex(std::int64_t value)
      : value_(value) {}                                      // NOLINT: implicit like std::optional
  constexpr OptionalIndex(std::optional<std::int64_t> value)  // NOLINT: implicit
      : value_(value.value_or(kNone)) {}

  [[nodiscard]] constexpr bool has_value() const { return value_ != kNone; }
  constexpr explicit operator bool() const { return has_value(); }
  /// The index; only meaningful when present.
  [[nodiscard]] constexpr std::int64_t operator*() const { return value_; }

  friend constexpr bool operator==(const OptionalIndex&, const OptionalIndex&) = default;

 private:
  static constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::min();
  std::int64_t value_ = kNone;
};

/// A register element or plain variable: name and optional constant index.
/// Register elements are the most frequent operands of the tree, so the index
/// is held inline as an integer rather than as an expression node.
struct IndexedIdent {
  Name name;
  OptionalIndex index;
  friend bool operator==(const IndexedIdent&, const IndexedIdent&) = default;
};

/// The one gate modifier: inverse, printed "inv @ ".
enum class GateModifier : std::uint8_t { Inv = 0 };

struct Stmt;

struct Include {
  std::string file;
  friend bool operator==(const Include&, const Include&) = default;
};
struct QubitDecl {
  std::string name;
  std::uint64_t size = 0;
  friend bool operator==(const QubitDecl&, const QubitDecl&) = default;
};
struct BitDecl {
  std::string name;
  std::uint64_t size = 0;
  friend bool operator==(const BitDecl&, const BitDecl&) = default;
};
struct IntDecl {
  std::string name;
  Expr init;
  friend bool operator==(const IntDecl&, const IntDecl&) = default;
};
struct Assign {
  IndexedIdent target;
  Expr value;
  friend bool operator==(const Assign&, const Assign&) = default;
};
struct OutputBitDecl {
  std::string name;
  std::uint64_t size = 0;
  friend bool operator==(const OutputBitDecl&, const OutputBitDecl&) = default;
};
// Gate calls are most of a program. Their one or two qubits and their names are
// held inside the record; modifiers and angles (on a minority of gates) take a
// pointer in the record and one heap block when present.
struct GateCall {
  HeapVec<GateModifier> modifiers;
  Name name;
  HeapVec<Expr> params;
  SmallVec<IndexedIdent, 2> qubits;
  friend bool operator==(const GateCall&, const GateCall&) = default;
};
struct Measure {
  IndexedIdent qubit;
  IndexedIdent result;
  friend bool operator==(const Measure&, const Measure&) = default;
};
struct Reset {
  IndexedIdent qubit;
  friend bool operator==(const Reset&, const Reset&) = default;
};
struct If {
  Expr cond;
  std::vector<Stmt> then_body;
  std::vector<Stmt> else_body;
  friend bool operator==(const If&, const If&) = default;
};
struct While {
  Expr cond;
  std::vector<Stmt> body;
  friend bool operator==(const While&, const While&) = default;
};

/// The place of a record call (an output of the program) among the
/// statements. It prints nothing: the output map is read off the marks and
/// they are taken out of the tree before it is printed. `id` numbers the
/// record calls in the order they were lowered; `unguarded` is set where
/// structuring moved the mark out of the branch it ran under.
struct RecordMark {
  std::uint32_t id = 0;
  bool unguarded = false;
  friend bool operator==(const RecordMark&, const RecordMark&) = default;
};

/// Whether `stmt` is a record mark.
struct Stmt;
[[nodiscard]] bool is_record_mark(const Stmt& stmt);
/// Statements of `list` other than record marks (at its top level).
[[nodiscard]] std::size_t count_unmarked(const std::vector<Stmt>& list);

/// An OpenQASM statement. Alternatives in tag order.
struct Stmt {
  std::variant<Include, QubitDecl, BitDecl, IntDecl, Assign, OutputBitDecl, GateCall, Measure,
               Reset, If, While, RecordMark>
      node;

  Stmt() = default;
  template <typename T, typename = std::enable_if_t<!std::is_same_v<std::decay_t<T>, Stmt>>>
  Stmt(T&& n) : node(std::forward<T>(n)) {}  // NOLINT: implicit by design

  friend bool operator==(const Stmt&, const Stmt&) = default;
};

// Statements are the bulk of a translation's memory; a GateCall (with room for
// two qubits) is the largest alternative.
static_assert(sizeof(IndexedIdent) == 24, "keep register elements compact");
static_assert(sizeof(Stmt) <= 96, "keep Stmt records compact");

/// The kinds of a program's recorded outputs.
enum class RecordKind : std::uint8_t {
  Result = 0,
  Bool = 1,
  Int = 2,
  Double = 3,
  Tuple = 4,
  Array = 5
};

/// One record call of the program (its output), as lowering found it; the
/// RecordMark with the same index places it among the statements.
struct RecordCall {
  RecordKind kind = RecordKind::Int;
  std::optional<std::string> label;  // the label's bytes, escapes undone
  /// The value where the record runs: `c[k]` for a result, a literal for a
  /// constant or an element count, else the recorded value's expression.
  Expr value;
  /// Why the value is not recoverable, or empty.
  std::string lost;
  /// Byte offset of the call in the text, if it has one there.
  std::optional<std::size_t> offset;
  friend bool operator==(const RecordCall&, const RecordCall&) = default;
};

/// A whole program: version header and top-level statements.
struct Program {
  std::string version;
  std::vector<Stmt> header;  // includes and declarations, printed first
  std::vector<Stmt> body;
  /// The record calls, indexed by their marks in `body`.
  std::vector<RecordCall> records;
  friend bool operator==(const Program&, const Program&) = default;
};

}  // namespace corvane
