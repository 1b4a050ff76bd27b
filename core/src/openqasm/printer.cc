// Prints the OpenQASM program tree as text and renders the generated-by trailer.
//
// Everything is appended to the one output string. Line starts (indentation)
// and line ends are written only by begin_line/end_line, and list separators
// only by append_separated, so no statement printer formats its own layout.
// Expressions and nested If/While bodies are walked with explicit stacks, so
// arbitrarily deep trees cannot overflow the call stack.
#include "openqasm/printer.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "support/float_digits.h"

namespace corvane {
namespace {

#ifndef CORVANE_VERSION
#error "CORVANE_VERSION (the CMake project version) must be defined by the build"
#endif
/// The translator version written into the trailer (CMake's project version, as kVersion).
constexpr std::string_view kTrailerVersion = CORVANE_VERSION;
/// The translator name written into the trailer.
constexpr std::string_view kTrailerName = "corvane";

// ---- layout: the only writers of indentation, line ends and separators ----

void begin_line(Printer& printer) {
  // Most statements stand at the top level, where there is nothing to write.
  if (printer.indent != 0) printer.out.append(2 * std::size_t{printer.indent}, ' ');
}

void end_line(Printer& printer) { printer.out.push_back('\n'); }

template <typename T, typename Fn>
void append_separated(Printer& printer, const T& items, Fn&& print_item) {
  bool first = true;
  for (const auto& item : items) {
    if (!first) printer.out += ", ";
    first = false;
    print_item(item);
  }
}

// ---- numbers ----

template <typename Int>
void append_integer(std::string& out, Int value) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, result.ptr);
}

void append_float(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "nan";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-inf" : "inf";
    return;
  }
  append_positional(out, shortest_digits(value));
}

// ---- expressions ----

bool is_atom(const Expr& expr) {
  return !std::holds_alternative<UnaryExpr>(expr.node) &&
         !std::holds_alternative<BinaryExpr>(expr.node);
}

// A literal whose text starts with "-" reads back as a negation.
bool is_negative_literal(const Expr& expr) {
  if (const auto* lit = std::get_if<IntLit>(&expr.node)) return lit->value < 0;
  if (const auto* lit = std::get_if<FloatLit>(&expr.node)) {
    return !std::isnan(lit->value) && std::signbit(lit->value);
  }
  return false;
}

bool left_needs_parens(BinaryOp parent, const Expr& operand) {
  const int parent_prec = binary_op_precedence(parent);
  if (const auto* bin = std::get_if<BinaryExpr>(&operand.node)) {
    // "**" groups to the right, so a left-nested power must keep its
    // parentheses even under the same operator.
    if (bin->op == parent && parent != BinaryOp::Pow) return false;
    return binary_op_precedence(bin->op) <= parent_prec;
  }
  if (std::holds_alternative<UnaryExpr>(operand.node)) return kUnaryPrecedence <= parent_prec;
  // "-2 ** x" would read as -(2 ** x); a negative literal acts like a negation here.
  return parent == BinaryOp::Pow && is_negative_literal(operand);
}

bool right_needs_parens(BinaryOp parent, const Expr& operand) {
  const int parent_prec = binary_op_precedence(parent);
  if (const auto* bin = std::get_if<BinaryExpr>(&operand.node)) {
    return binary_op_precedence(bin->op) <= parent_prec;
  }
  if (std::holds_alternative<UnaryExpr>(operand.node)) return kUnaryPrecedence <= parent_prec;
  return false;
}

bool unary_operand_needs_parens(const Expr& operand) {
  if (const auto* bin = std::get_if<BinaryExpr>(&operand.node)) return bin->op != BinaryOp::Pow;
  return std::holds_alternative<UnaryExpr>(operand.node);
}

const char* unary_op_text(UnaryOp op) {
  switch (op) {
    case UnaryOp::Not:
      return "!";
    case UnaryOp::Neg:
      return "-";
  }
  return "";  // unreachable for valid enumerators
}

// One pending piece of an expression: either a subexpression (optionally in
// parentheses) or fixed text (optionally surrounded by single spaces).
// Trivially constructible so that the inline stack below costs nothing to set up.
struct ExprTask {
  const Expr* expr;
  const char* text;
  bool parens;
  bool spaced;
};

// A stack that keeps the first entries inline, so shallow expressions (the
// common case) are printed without any heap allocation.
class ExprTaskStack {
 public:
  void push(const ExprTask& task) {
    if (size_ < inline_.size()) {
      inline_[size_] = task;
    } else {
      spill_.push_back(task);
    }
    ++size_;
  }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  ExprTask pop() {
    --size_;
    if (size_ < inline_.size()) return inline_[size_];
    ExprTask task = spill_.back();
    spill_.pop_back();
    return task;
  }

 private:
  std::array<ExprTask, 32> inline_;
  std::vector<ExprTask> spill_;
  std::size_t size_ = 0;
};

void push_expr(ExprTaskStack& stack, const Expr& expr, bool parens) {
  stack.push(ExprTask{&expr, nullptr, parens, false});
}

void push_text(ExprTaskStack& stack, const char* text, bool spaced = false) {
  stack.push(ExprTask{nullptr, text, false, spaced});
}

// Writes a leaf node (name or literal); only ever applied to leaves.
struct LeafVisitor {
  std::string& out;

  void operator()(const Ident& ident) const { out += ident.name; }
  void operator()(const IntLit& lit) const {
    // The digits of -2^63 do not fit a 64-bit literal once the sign is read as
    // a negation, so that one value is written as a difference.
    if (lit.value == std::numeric_limits<std::int64_t>::min()) {
      out += "(-9223372036854775807 - 1)";
      return;
    }
    append_integer(out, lit.value);
  }
  void operator()(const FloatLit& lit) const { append_float(out, lit.value); }
  void operator()(const BoolLit& lit) const { out += lit.value ? "true" : "false"; }
  void operator()(const Index&) const {}
  void operator()(const UnaryExpr&) const {}
  void operator()(const BinaryExpr&) const {}
};

// Writes the node itself and schedules its children; the stack is LIFO, so
// the pieces are pushed in reverse reading order.
struct ExprVisitor {
  std::string& out;
  ExprTaskStack& stack;

  void operator()(const Ident& ident) const { LeafVisitor{out}(ident); }
  void operator()(const IntLit& lit) const { LeafVisitor{out}(lit); }
  void operator()(const FloatLit& lit) const { LeafVisitor{out}(lit); }
  void operator()(const BoolLit& lit) const { LeafVisitor{out}(lit); }
  void operator()(const Index& index) const {
    push_text(stack, "]");
    push_expr(stack, *index.index, false);
    push_text(stack, "[");
    push_expr(stack, *index.base, !is_atom(*index.base));
  }
  void operator()(const UnaryExpr& unary) const {
    out += unary_op_text(unary.op);
    push_expr(stack, *unary.operand, unary_operand_needs_parens(*unary.operand));
  }
  void operator()(const BinaryExpr& binary) const {
    push_expr(stack, *binary.rhs, right_needs_parens(binary.op, *binary.rhs));
    push_text(stack, binary_op_text(binary.op), true);
    push_expr(stack, *binary.lhs, left_needs_parens(binary.op, *binary.lhs));
  }
};

// ---- statements ----

const char* modifier_text(GateModifier modifier) {
  switch (modifier) {
    case GateModifier::Inv:
      return "inv @ ";
  }
  return "";  // unreachable for valid enumerators
}

// A statement list being printed: the list, the next position, and the If
// whose branch it is (null for a While body).
struct BodyFrame {
  const std::vector<Stmt>* body = nullptr;
  std::size_t next = 0;
  const If* branch_of = nullptr;
  bool is_else = false;
};

void end_simple_statement(Printer& printer) { printer.out.append(";\n", 2); }

// Writes "keyword (cond) {" and enters the block's level.
void open_block(Printer& printer, const char* keyword, const Expr& cond) {
  begin_line(printer);
  printer.out += keyword;
  print_expr(printer, cond);
  printer.out += ") {";
  end_line(printer);
  ++printer.indent;
}

void print_sized_decl(Printer& printer, const char* keyword, std::uint64_t size,
                      const std::string& name) {
  begin_line(printer);
  printer.out += keyword;
  printer.out.push_back('[');
  append_integer(printer.out, size);
  printer.out += "] ";
  printer.out += name;
  end_simple_statement(printer);
}

// Prints a simple statement whole, or the opening line of an If/While, in
// which case the body to print next is pushed onto `frames`.
struct StmtOpener {
  Printer& printer;
  std::vector<BodyFrame>& frames;

  void operator()(const Include& include) const {
    begin_line(printer);
    printer.out += "include \"";
    printer.out += include.file;
    printer.out.push_back('"');
    end_simple_statement(printer);
  }
  void operator()(const QubitDecl& decl) const {
    print_sized_decl(printer, "qubit", decl.size, decl.name);
  }
  void operator()(const BitDecl& decl) const {
    print_sized_decl(printer, "bit", decl.size, decl.name);
  }
  void operator()(const IntDecl& decl) const {
    begin_line(printer);
    printer.out += "int ";
    printer.out += decl.name;
    printer.out += " = ";
    print_expr(printer, decl.init);
    end_simple_statement(printer);
  }
  void operator()(const Assign& assign) const {
    begin_line(printer);
    print_indexed_ident(printer, assign.target);
    printer.out += " = ";
    print_expr(printer, assign.value);
    end_simple_statement(printer);
  }
  void operator()(const OutputBitDecl& decl) const {
    print_sized_decl(printer, "output bit", decl.size, decl.name);
  }
  void operator()(const GateCall& call) const {
    begin_line(printer);
    for (GateModifier modifier : call.modifiers) printer.out += modifier_text(modifier);
    printer.out += call.name;
    if (!call.params.empty()) {
      printer.out.push_back('(');
      append_separated(printer, call.params, [&](const Expr& e) { print_expr(printer, e); });
      printer.out.push_back(')');
    }
    // The space is written even before an empty qubit list.
    printer.out.push_back(' ');
    append_separated(printer, call.qubits,
                     [&](const IndexedIdent& q) { print_indexed_ident(printer, q); });
    end_simple_statement(printer);
  }
  void operator()(const Measure& measure) const {
    begin_line(printer);
    print_indexed_ident(printer, measure.result);
    printer.out += " = measure ";
    print_indexed_ident(printer, measure.qubit);
    end_simple_statement(printer);
  }
  void operator()(const Reset& reset) const {
    begin_line(printer);
    printer.out += "reset ";
    print_indexed_ident(printer, reset.qubit);
    end_simple_statement(printer);
  }
  void operator()(const If& branch) const {
    open_block(printer, "if (", branch.cond);
    frames.push_back(BodyFrame{&branch.then_body, 0, &branch, false});
  }
  void operator()(const While& loop) const {
    open_block(printer, "while (", loop.cond);
    frames.push_back(BodyFrame{&loop.body, 0, nullptr, false});
  }
  // Marks are taken out before printing; one left in prints nothing.
  void operator()(const RecordMark&) const {}
};

// JSON string escaping for the trailer values.
void append_json_string(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\b':
        out += "\\b";
        continue;
      case '\t':
        out += "\\t";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\f':
        out += "\\f";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      default:
        break;
    }
    if (byte < 0x20 || byte == 0x7F) {
      out += "\\u00";
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0xF]);
    } else {
      out.push_back(c);  // non-ASCII bytes pass through as UTF-8
    }
  }
  out.push_back('"');
}

void append_json_member(std::string& out, std::string_view key, std::string_view value) {
  out.push_back(',');
  append_json_string(out, key);
  out.push_back(':');
  append_json_string(out, value);
}

}  // namespace

void print_expr(Printer& printer, const Expr& expr) {
  std::string& out = printer.out;
  // Most expressions printed are single names or numbers (register indices,
  // angles); those need no work stack.
  if (!std::holds_alternative<Index>(expr.node) && is_atom(expr)) {
    std::visit(LeafVisitor{out}, expr.node);
    return;
  }
  ExprTaskStack stack;
  push_expr(stack, expr, false);
  while (!stack.empty()) {
    const ExprTask task = stack.pop();
    if (task.expr == nullptr) {
      if (task.spaced) out.push_back(' ');
      out += task.text;
      if (task.spaced) out.push_back(' ');
      continue;
    }
    if (task.parens) {
      out.push_back('(');
      push_text(stack, ")");
    }
    std::visit(ExprVisitor{out, stack}, task.expr->node);
  }
}

void print_indexed_ident(Printer& printer, const IndexedIdent& ident) {
  printer.out += ident.name;
  if (ident.index.has_value()) {
    // `[N]` written at once: this runs for every qubit and bit of the program.
    char buf[24];
    buf[0] = '[';
    char* end = std::to_chars(buf + 1, buf + sizeof buf - 1, *ident.index).ptr;
    *end++ = ']';
    printer.out.append(buf, end);
  }
}

namespace {

// Prints one statement with `frames` (empty) as the work stack for its bodies;
// the caller reuses it across statements.
void print_statement_using(Printer& printer, const Stmt& stmt, std::vector<BodyFrame>& frames) {
  std::visit(StmtOpener{printer, frames}, stmt.node);
  while (!frames.empty()) {
    BodyFrame& top = frames.back();
    if (top.next < top.body->size()) {
      const Stmt& inner = (*top.body)[top.next++];
      std::visit(StmtOpener{printer, frames}, inner.node);  // may push, invalidating `top`
      continue;
    }
    const If* branch_of = top.branch_of;
    const bool was_else = top.is_else;
    frames.pop_back();
    --printer.indent;
    begin_line(printer);
    printer.out.push_back('}');
    if (branch_of != nullptr && !was_else && !branch_of->else_body.empty()) {
      printer.out += " else {";
      end_line(printer);
      ++printer.indent;
      frames.push_back(BodyFrame{&branch_of->else_body, 0, branch_of, true});
      continue;
    }
    end_line(printer);
  }
}

}  // namespace

void print_statement(Printer& printer, const Stmt& stmt) {
  std::vector<BodyFrame> frames;
  print_statement_using(printer, stmt, frames);
}

void print_program(const Program& program, std::string& out) {
  Printer printer{out, 0};
  if (!program.version.empty()) {
    out += "OPENQASM ";
    out += program.version;
    out.push_back(';');
    end_line(printer);
  }
  std::vector<BodyFrame> frames;  // one work stack for all statements
  for (const Stmt& stmt : program.header) print_statement_using(printer, stmt, frames);
  for (const Stmt& stmt : program.body) print_statement_using(printer, stmt, frames);
}

std::string dump_statements(const std::vector<Stmt>& statements) {
  std::string text;
  print_program(Program{"", {}, statements, {}}, text);
  std::string line;
  bool line_start = true;
  for (const char ch : text) {
    if (ch == '\n') {
      line_start = true;
    } else if (!line_start || ch != ' ') {
      if (line_start && !line.empty()) line.push_back(' ');
      line_start = false;
      line.push_back(ch);
    }
  }
  return line;
}

std::string format_float(double value) {
  std::string out;
  append_float(out, value);
  return out;
}

std::string render_trailer(const std::optional<std::string>& producer,
                           const std::optional<std::string_view>& profile) {
  std::string out = "// generated-by: {";
  append_json_string(out, "name");
  out.push_back(':');
  append_json_string(out, kTrailerName);
  append_json_member(out, "version", kTrailerVersion);
  if (profile.has_value()) append_json_member(out, "profile", *profile);
  if (producer.has_value()) append_json_member(out, "producer", *producer);
  out += "}\n";
  return out;
}

}  // namespace corvane
