// Rewrites bit-packing truth values into short forms (see readable.h).
#include "openqasm/readable.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "openqasm/evaluate.h"
#include "openqasm/printer.h"

namespace corvane {
namespace {

// The inputs of a truth table: bits of `c` by their index; then the variables
// that only ever hold 0 or 1, numbered from kVariableBase in declaration
// order; then truth values the table takes as they are (comparisons that read
// other variables, say: "atoms"), numbered from kAtomBase in the order found.
constexpr std::int64_t kVariableBase = std::int64_t{1} << 61;
constexpr std::int64_t kAtomBase = std::int64_t{1} << 62;
// The most distinct atoms one expression may hold before it is left alone,
// and the most nodes an atom may have (a form copies its atoms).
constexpr std::size_t kMaxAtoms = 16;
constexpr std::uint32_t kMaxAtomNodes = 200;

std::uint64_t mix(std::uint64_t hash, std::uint64_t value) {
  return (hash ^ value) * 0x100000001b3ULL + (hash >> 29);
}

// What a subexpression reads and is: its inputs (sorted, at most
// kMaxReadableBits of them; `other` once there are more, or anything else is
// read), whether a bitwise operator or shift builds it, and whether it is a
// truth value.
struct Reads {
  std::array<std::int64_t, kMaxReadableBits> bits{};
  std::uint64_t hash = 0;   // of the subexpression's tree, to find an atom again
  std::uint32_t nodes = 1;  // in the subexpression, up to kMaxAtomNodes + 1
  unsigned count = 0;
  bool other = false;
  bool bitwise = false;
  bool boolean = false;

  [[nodiscard]] bool pure() const { return !other; }
  [[nodiscard]] bool rewritable() const { return pure() && bitwise && boolean; }

  void add_bit(std::int64_t k) {
    if (other) return;
    const auto end = bits.begin() + count;
    const auto at = std::lower_bound(bits.begin(), end, k);
    if (at != end && *at == k) return;
    if (count == kMaxReadableBits) {
      other = true;
      return;
    }
    std::copy_backward(at, end, end + 1);
    *at = k;
    ++count;
  }
  void merge(const Reads& child) {
    other = other || child.other;
    bitwise = bitwise || child.bitwise;
    for (unsigned i = 0; i < child.count && !other; ++i) add_bit(child.bits[i]);
  }
};

bool is_bitwise(BinaryOp op) {
  return op == BinaryOp::BitAnd || op == BinaryOp::BitOr || op == BinaryOp::BitXor ||
         op == BinaryOp::Shl || op == BinaryOp::Shr;
}

// The bit of `c` that `expr` names, if it is one.
std::optional<std::int64_t> bit_of_c(const Expr& expr) {
  const auto* index = std::get_if<Index>(&expr.node);
  if (index == nullptr) return std::nullopt;
  const auto* base = std::get_if<Ident>(&index->base->node);
  const auto* at = std::get_if<IntLit>(&index->index->node);
  if (base == nullptr || at == nullptr || base->name != "c" || at->value < 0) return std::nullopt;
  return at->value;
}

// Whether an expression holds a bitwise operator or shift at all: most
// conditions do not, and they are left without further work.
bool has_bitwise(const Expr& expr) {
  if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) return has_bitwise(*unary->operand);
  if (const auto* binary = std::get_if<BinaryExpr>(&expr.node)) {
    return is_bitwise(binary->op) || has_bitwise(*binary->lhs) || has_bitwise(*binary->rhs);
  }
  return false;
}

// The names `expr` reads.
void identifiers(const Expr& expr, std::vector<std::string_view>& names) {
  if (const auto* name = std::get_if<Ident>(&expr.node)) {
    names.push_back(name->name);
  } else if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) {
    identifiers(*unary->operand, names);
  } else if (const auto* binary = std::get_if<BinaryExpr>(&expr.node)) {
    identifiers(*binary->lhs, names);
    identifiers(*binary->rhs, names);
  }
}

// --- The shortest form of a truth table -------------------------------------

// A product of literals over the table's variables: the variables in `care`,
// each with its value in `value`.
struct Cube {
  std::uint32_t care = 0;
  std::uint32_t value = 0;
};

// Beyond this many characters a sum-of-products form gives way to a shorter
// exclusive-or form.
constexpr std::size_t kLongForm = 80;

// What the inputs of a table stand for: variable names and atom expressions.
struct InputNames {
  const std::vector<std::string>& variables;
  const std::vector<const Expr*>& atoms;
};

std::size_t printed_length(const Expr& expr) {
  std::string text;
  Printer printer{text};
  print_expr(printer, expr);
  return text.size();
}

class FormFinder {
 public:
  FormFinder(const Reads& reads, std::uint64_t table, const InputNames& names)
      : reads_(reads), table_(table), names_(names) {
    rows_ = 1U << reads.count;
    full_ = rows_ == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << rows_) - 1;
  }

  Expr shortest() {
    if (table_ == 0) return BoolLit{false};
    if (table_ == full_) return BoolLit{true};
    // In order of preference where lengths tie.
    Expr best = two_input_comparison().value_or(BoolLit{false});
    std::size_t best_length =
        std::holds_alternative<BoolLit>(best.node) ? SIZE_MAX : printed_length(best);
    const auto consider = [&](Expr candidate) {
      const std::size_t length = printed_length(candidate);
      if (length < best_length) {
        best = std::move(candidate);
        best_length = length;
      }
    };
    consider(sum_of_products(table_, false));
    consider(sum_of_products(full_ & ~table_, true));
    // Sums and carries of registers have long forms of those kinds (they
    // grow with every bit); there the exclusive-or of products is shorter.
    if (best_length > kLongForm) {
      if (std::optional<Expr> parity = exclusive_sum()) consider(std::move(*parity));
    }
    return best;
  }

 private:
  [[nodiscard]] std::uint64_t variable(unsigned v) const {
    std::uint64_t rows = 0;
    for (unsigned row = 0; row < rows_; ++row) {
      if (((row >> v) & 1U) != 0) rows |= std::uint64_t{1} << row;
    }
    return rows;
  }

  // `c[i] != c[j]` or `c[i] == c[j]` (or the same of two variables) when the table is that.
  std::optional<Expr> two_input_comparison() const {
    for (unsigned i = 0; i < reads_.count; ++i) {
      for (unsigned j = i + 1; j < reads_.count; ++j) {
        // Only inputs of one kind are compared with each other.
        if (kind(i) != kind(j)) continue;
        const std::uint64_t differ = variable(i) ^ variable(j);
        if (table_ != differ && table_ != (full_ & ~differ)) continue;
        return make_binary_expr(table_ == differ ? BinaryOp::Ne : BinaryOp::Eq, input(i), input(j));
      }
    }
    return std::nullopt;
  }

  [[nodiscard]] std::uint64_t rows_of(Cube cube) const {
    std::uint64_t rows = 0;
    for (unsigned row = 0; row < rows_; ++row) {
      if ((row & cube.care) == cube.value) rows |= std::uint64_t{1} << row;
    }
    return rows;
  }

  // Length of `c[k] == v` for the cube's inputs, joined by a 4-character operator.
  [[nodiscard]] std::size_t cube_cost(Cube cube) const {
    std::size_t cost = 0;
    for (unsigned v = 0; v < reads_.count; ++v) {
      if (((cube.care >> v) & 1U) == 0) continue;
      cost += (cost == 0 ? 0 : 4) + literal_length(v);
    }
    return cost;
  }

  // The prime implicants of `on`: cubes inside it that no larger cube inside it holds.
  [[nodiscard]] std::vector<Cube> primes(std::uint64_t on) const {
    std::vector<Cube> implicants;
    for (std::uint32_t care = 0; care < rows_; ++care) {
      for (std::uint32_t value = care;; value = (value - 1) & care) {
        const Cube cube{care, value};
        if ((rows_of(cube) & ~on) == 0) implicants.push_back(cube);
        if (value == 0) break;
      }
    }
    std::vector<Cube> prime;
    for (const Cube cube : implicants) {
      bool grows = false;
      for (unsigned v = 0; v < reads_.count && !grows; ++v) {
        if (((cube.care >> v) & 1U) == 0) continue;
        const Cube larger{cube.care & ~(1U << v), cube.value & ~(1U << v)};
        grows = (rows_of(larger) & ~on) == 0;
      }
      if (!grows) prime.push_back(cube);
    }
    return prime;
  }

  // The cheapest set of primes whose rows make `on`: branch and bound on the
  // row with fewest primes, with a bound on the steps (the best set found so
  // far stands when it runs out; a first greedy pass always finds one).
  std::vector<Cube> cover(std::uint64_t on, const std::vector<Cube>& prime) const {
    std::vector<std::uint64_t> rows(prime.size());
    std::vector<std::size_t> costs(prime.size());
    for (std::size_t p = 0; p < prime.size(); ++p) {
      rows[p] = rows_of(prime[p]);
      costs[p] = cube_cost(prime[p]);
    }
    std::vector<std::size_t> best;
    std::size_t best_cost = SIZE_MAX;
    std::vector<std::size_t> chosen;
    std::size_t steps = 0;
    constexpr std::size_t kStepLimit = 20'000;
    const auto search = [&](auto& self, std::uint64_t left, std::size_t cost) -> void {
      if (cost >= best_cost || ++steps > kStepLimit) return;
      if (left == 0) {
        best = chosen;
        best_cost = cost;
        return;
      }
      // The uncovered row that the fewest primes hold.
      unsigned pick = 0;
      std::size_t fewest = SIZE_MAX;
      for (std::uint64_t scan = left; scan != 0; scan &= scan - 1) {
        const auto row = static_cast<unsigned>(std::countr_zero(scan));
        std::size_t holders = 0;
        for (const std::uint64_t r : rows) holders += (r >> row) & 1U;
        if (holders < fewest) {
          fewest = holders;
          pick = row;
        }
      }
      for (std::size_t p = 0; p < prime.size(); ++p) {
        if (((rows[p] >> pick) & 1U) == 0) continue;
        chosen.push_back(p);
        self(self, left & ~rows[p], cost + costs[p] + (chosen.size() > 1 ? 4 : 0));
        chosen.pop_back();
      }
    };
    search(search, on, 0);
    std::vector<Cube> result;
    for (const std::size_t p : best) result.push_back(prime[p]);
    // Lower bits first: by the cube's literals in bit order.
    std::sort(result.begin(), result.end(), [&](Cube a, Cube b) {
      for (unsigned v = 0; v < reads_.count; ++v) {
        const bool in_a = ((a.care >> v) & 1U) != 0;
        const bool in_b = ((b.care >> v) & 1U) != 0;
        if (in_a != in_b) return in_a;
        if (in_a && ((a.value >> v) & 1U) != ((b.value >> v) & 1U)) {
          return ((a.value >> v) & 1U) > ((b.value >> v) & 1U);
        }
      }
      return false;
    });
    return result;
  }

  // The table as an exclusive-or of products of bits (its algebraic normal
  // form, `(c[0] ^ c[1] & c[2]) == 1`), when it reads only bits and its sum
  // holds no constant 1.
  std::optional<Expr> exclusive_sum() const {
    for (unsigned v = 0; v < reads_.count; ++v) {
      if (kind(v) != 0) return std::nullopt;
    }
    // The coefficient of each product: the Moebius transform of the table.
    std::uint64_t coefficients = table_;
    for (unsigned v = 0; v < reads_.count; ++v) {
      for (unsigned row = 0; row < rows_; ++row) {
        if (((row >> v) & 1U) != 0 && ((coefficients >> (row ^ (1U << v))) & 1U) != 0) {
          coefficients ^= std::uint64_t{1} << row;
        }
      }
    }
    if ((coefficients & 1U) != 0 || coefficients == 0) return std::nullopt;
    std::optional<Expr> sum;
    for (std::uint64_t scan = coefficients; scan != 0; scan &= scan - 1) {
      const auto product = static_cast<unsigned>(std::countr_zero(scan));
      std::optional<Expr> term;
      for (unsigned v = 0; v < reads_.count; ++v) {
        if (((product >> v) & 1U) == 0) continue;
        term = term ? make_binary_expr(BinaryOp::BitAnd, std::move(*term), input(v)) : input(v);
      }
      sum = sum ? make_binary_expr(BinaryOp::BitXor, std::move(*sum), std::move(*term))
                : std::move(*term);
    }
    // A truth value, as a bit may be assigned.
    return make_binary_expr(BinaryOp::Eq, std::move(*sum), IntLit{1});
  }

  // `on` as a disjunction of conjunctions of `c[k] == v`; with `negated`, the
  // table's complement is `on` and the form is the conjunction of the
  // disjunctions that deny each cube.
  Expr sum_of_products(std::uint64_t on, bool negated) const {
    const BinaryOp inner = negated ? BinaryOp::Or : BinaryOp::And;
    const BinaryOp outer = negated ? BinaryOp::And : BinaryOp::Or;
    std::optional<Expr> whole;
    for (const Cube cube : cover(on, primes(on))) {
      std::optional<Expr> term;
      for (unsigned v = 0; v < reads_.count; ++v) {
        if (((cube.care >> v) & 1U) == 0) continue;
        const bool one = (((cube.value >> v) & 1U) != 0) != negated;
        Expr literal = this->literal(v, one);
        term = term ? make_binary_expr(inner, std::move(*term), std::move(literal))
                    : std::move(literal);
      }
      whole =
          whole ? make_binary_expr(outer, std::move(*whole), std::move(*term)) : std::move(*term);
    }
    return std::move(*whole);
  }

  // 0 for a bit, 1 for a variable, 2 for an atom.
  [[nodiscard]] int kind(unsigned v) const {
    const std::int64_t id = reads_.bits[v];
    return id < kVariableBase ? 0 : id < kAtomBase ? 1 : 2;
  }
  // Input `v` of the table as it prints: `c[k]`, the variable's name or the atom.
  [[nodiscard]] Expr input(unsigned v) const {
    const std::int64_t id = reads_.bits[v];
    if (kind(v) == 0) return make_index("c", id);
    if (kind(v) == 1) return Ident{names_.variables[static_cast<std::size_t>(id - kVariableBase)]};
    return *names_.atoms[static_cast<std::size_t>(id - kAtomBase)];
  }
  // `x == 1` or `x == 0`; an atom as it is or denied.
  [[nodiscard]] Expr literal(unsigned v, bool one) const {
    if (kind(v) == 2) return one ? input(v) : make_not(input(v));
    return make_binary_expr(BinaryOp::Eq, input(v), IntLit{one ? 1 : 0});
  }
  [[nodiscard]] std::size_t literal_length(unsigned v) const {
    const std::int64_t id = reads_.bits[v];
    if (kind(v) == 0) return 8 + std::to_string(id).size();
    if (kind(v) == 1) {
      return names_.variables[static_cast<std::size_t>(id - kVariableBase)].size() + 5;
    }
    return printed_length(*names_.atoms[static_cast<std::size_t>(id - kAtomBase)]) + 2;
  }

  const Reads& reads_;
  std::uint64_t table_;
  const InputNames& names_;
  unsigned rows_ = 0;
  std::uint64_t full_ = 0;
};

// --- Finding what to rewrite ------------------------------------------------

// Where each int variable is given a value: its initial value and the values
// assigned to it, in the statements and all the bodies below them.
struct Assignments {
  std::vector<std::string> names;
  std::unordered_map<std::string_view, std::size_t> index;
  std::vector<std::vector<const Expr*>> values;
};

void collect_assignments(const std::vector<Stmt>& statements, Assignments& found) {
  for (const Stmt& stmt : statements) {
    if (const auto* assign = std::get_if<Assign>(&stmt.node)) {
      if (assign->target.index) continue;
      const auto at = found.index.find(assign->target.name.view());
      if (at != found.index.end()) found.values[at->second].push_back(&assign->value);
    } else if (const auto* branch = std::get_if<If>(&stmt.node)) {
      collect_assignments(branch->then_body, found);
      collect_assignments(branch->else_body, found);
    } else if (const auto* loop = std::get_if<While>(&stmt.node)) {
      collect_assignments(loop->body, found);
    }
  }
}

class Rewriter {
 public:
  explicit Rewriter(const Program& program) : program_(program) {}

  // Whether the variable `name` only ever holds 0 or 1.
  [[nodiscard]] bool holds_truth(std::string_view name) {
    find_truth_variables();
    return boolean_.contains(name);
  }

  // Rewrites the largest rewritable subexpressions of `expr` (itself, if it
  // is one). A condition (`truth`) is read as true where it is not 0, so
  // there an int-valued whole is rewritten as well.
  void rewrite(Expr& expr, bool truth) {
    if (!has_bitwise(expr)) return;
    find_truth_variables();
    clear();
    survey(expr);
    const Reads& top = reads_.at(&expr);
    if (top.rewritable() || (truth && top.pure() && top.bitwise)) {
      replace(expr, top);
    } else {
      rewrite_within(expr);
    }
  }

 private:
  // Finds the variables that only ever hold 0 or 1: those that start at 0
  // or 1 and are only assigned values that are 0 or 1 whenever their own
  // inputs are. Every variable is assumed such at first and dropped when an
  // assignment denies it, until none is: what stays holds 0 or 1 at every
  // step of every run, by induction on the steps. Done once, when the first
  // expression to rewrite is met (most programs have none).
  void find_truth_variables() {
    if (variables_found_) return;
    variables_found_ = true;
    const Program& program = program_;
    Assignments found;
    for (const Stmt& stmt : program.header) {
      if (const auto* decl = std::get_if<IntDecl>(&stmt.node)) {
        found.index.emplace(decl->name, found.names.size());
        found.names.push_back(decl->name);
        found.values.push_back({&decl->init});
      }
    }
    collect_assignments(program.body, found);
    variables_ = found.names;
    for (std::size_t v = 0; v < variables_.size(); ++v) boolean_.emplace(variables_[v], v);
    // Which variables read which: a variable dropped sends those that read it
    // to be looked at again.
    std::vector<std::vector<std::size_t>> readers(variables_.size());
    std::vector<std::string_view> names;
    for (std::size_t v = 0; v < variables_.size(); ++v) {
      names.clear();
      for (const Expr* value : found.values[v]) identifiers(*value, names);
      for (const std::string_view name : names) {
        if (const auto at = found.index.find(name); at != found.index.end()) {
          readers[at->second].push_back(v);
        }
      }
    }
    std::vector<std::size_t> pending(variables_.size());
    for (std::size_t v = 0; v < pending.size(); ++v) pending[v] = pending.size() - 1 - v;
    std::vector<bool> queued(variables_.size(), true);
    while (!pending.empty()) {
      const std::size_t v = pending.back();
      pending.pop_back();
      queued[v] = false;
      if (!boolean_.contains(variables_[v])) continue;
      for (const Expr* value : found.values[v]) {
        if (holds_a_truth_value(*value)) continue;
        boolean_.erase(variables_[v]);
        for (const std::size_t reader : readers[v]) {
          if (!queued[reader]) {
            queued[reader] = true;
            pending.push_back(reader);
          }
        }
        break;
      }
    }
  }

  // Whether `value` is 0 or 1 for every setting of its inputs.
  bool holds_a_truth_value(const Expr& value) {
    clear();
    survey(value);
    const Reads& reads = reads_.at(&value);
    if (!reads.pure()) return false;
    const std::optional<std::uint64_t> ones = table(value, reads, true);
    return ones.has_value();
  }

  // The rows of the table of `expr` over its inputs where it is not 0; nullopt
  // where a row has no settled meaning (or, with `truth_only`, is not 0 or 1).
  std::optional<std::uint64_t> table(const Expr& expr, const Reads& reads, bool truth_only) {
    std::size_t bit_count = 0;
    for (unsigned v = 0; v < reads.count; ++v) {
      if (reads.bits[v] < kVariableBase) {
        bit_count = std::max(bit_count, static_cast<std::size_t>(reads.bits[v]) + 1);
      }
    }
    std::vector<std::uint8_t> bits(bit_count, 0);
    std::array<std::int64_t, kMaxReadableBits> values{};
    const auto value_of_input = [&](std::int64_t id) -> std::optional<std::int64_t> {
      for (unsigned v = 0; v < reads.count; ++v) {
        if (reads.bits[v] == id) return values[v];
      }
      return std::nullopt;
    };
    const GivenValue given = [&](const Expr& node) -> std::optional<std::int64_t> {
      if (const auto atom = atom_at_.find(&node); atom != atom_at_.end()) {
        return value_of_input(kAtomBase + static_cast<std::int64_t>(atom->second));
      }
      if (const auto* name = std::get_if<Ident>(&node.node)) {
        const auto at = boolean_.find(name->name);
        if (at != boolean_.end()) {
          return value_of_input(kVariableBase + static_cast<std::int64_t>(at->second));
        }
      }
      return std::nullopt;
    };
    std::uint64_t ones = 0;
    for (unsigned row = 0; row < (1U << reads.count); ++row) {
      for (unsigned v = 0; v < reads.count; ++v) {
        const auto value = static_cast<std::uint8_t>((row >> v) & 1U);
        if (reads.bits[v] < kVariableBase) {
          bits[static_cast<std::size_t>(reads.bits[v])] = value;
        } else {
          values[v] = value;
        }
      }
      const std::optional<std::int64_t> value = evaluate_expr(expr, bits, given);
      if (!value || (truth_only && *value != 0 && *value != 1)) return std::nullopt;
      if (*value != 0) ones |= std::uint64_t{1} << row;
    }
    return ones;
  }

  void clear() {
    reads_.clear();
    atoms_.clear();
    atom_hashes_.clear();
    atom_at_.clear();
  }

  // What each node reads, bottom-up, kept for the walk down; returned as the
  // node's parent sees it: a truth value that reads something else is an
  // atom, one input of the parent's table.
  Reads survey(const Expr& expr) {
    Reads reads;
    const auto add_child = [&](const Reads& child) {
      reads.merge(child);
      reads.hash = mix(reads.hash, child.hash);
      reads.nodes = std::min(reads.nodes + child.nodes, kMaxAtomNodes + 1);
    };
    if (const auto bit = bit_of_c(expr)) {
      reads.add_bit(*bit);
      reads.boolean = true;
      reads.hash = mix(1, static_cast<std::uint64_t>(*bit));
    } else if (const auto* literal = std::get_if<IntLit>(&expr.node)) {
      reads.hash = mix(2, static_cast<std::uint64_t>(literal->value));
    } else if (const auto* truth = std::get_if<BoolLit>(&expr.node)) {
      reads.boolean = true;
      reads.hash = mix(3, truth->value ? 1 : 0);
    } else if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) {
      reads.hash = mix(4, static_cast<std::uint64_t>(unary->op));
      add_child(survey(*unary->operand));
      reads.boolean = unary->op == UnaryOp::Not;
    } else if (const auto* binary = std::get_if<BinaryExpr>(&expr.node)) {
      reads.hash = mix(5, static_cast<std::uint64_t>(binary->op));
      add_child(survey(*binary->lhs));
      add_child(survey(*binary->rhs));
      reads.bitwise = reads.bitwise || is_bitwise(binary->op);
      reads.boolean = binary_op_is_boolean(binary->op);
    } else if (const auto* name = std::get_if<Ident>(&expr.node)) {
      reads.hash = mix(6, std::hash<std::string>{}(name->name));
      const auto at = boolean_.find(name->name);
      if (at == boolean_.end()) {
        reads.other = true;
      } else {
        reads.add_bit(kVariableBase + static_cast<std::int64_t>(at->second));
      }
    } else {
      reads.other = true;  // floats, other indexing
      reads.hash = 7;
    }
    reads_.insert_or_assign(&expr, reads);
    if (!reads.boolean || reads.pure() || reads.nodes > kMaxAtomNodes) return reads;
    // The same atom where it occurs again: by its hash, then as a tree.
    std::size_t atom = 0;
    while (atom < atoms_.size() && !(atom_hashes_[atom] == reads.hash && *atoms_[atom] == expr)) {
      ++atom;
    }
    if (atom == kMaxAtoms) return reads;
    if (atom == atoms_.size()) {
      atoms_.push_back(&expr);
      atom_hashes_.push_back(reads.hash);
    }
    atom_at_.emplace(&expr, atom);
    Reads seen;
    seen.boolean = true;
    seen.hash = reads.hash;
    seen.nodes = reads.nodes;
    seen.add_bit(kAtomBase + static_cast<std::int64_t>(atom));
    return seen;
  }

  // Below a node that is not rewritten as a whole: its largest rewritable parts.
  void rewrite_within(Expr& expr) {
    const auto visit = [&](Expr& child) {
      const Reads& reads = reads_.at(&child);
      if (reads.rewritable()) {
        replace(child, reads);
      } else if (reads.bitwise) {
        rewrite_within(child);
      }
    };
    if (auto* unary = std::get_if<UnaryExpr>(&expr.node)) {
      visit(*unary->operand);
    } else if (auto* binary = std::get_if<BinaryExpr>(&expr.node)) {
      visit(*binary->lhs);
      visit(*binary->rhs);
    }
  }

  // `expr` by its shortest form, when every row of its table has a value.
  void replace(Expr& expr, const Reads& reads) {
    const std::optional<std::uint64_t> ones = table(expr, reads, false);
    if (!ones) return;  // a row with no settled meaning: the text stays as it is
    Expr shorter = FormFinder(reads, *ones, InputNames{variables_, atoms_}).shortest();
    // Atoms are copied into the form: it never makes the text longer.
    if (!atoms_.empty() && printed_length(shorter) >= printed_length(expr)) return;
    expr = std::move(shorter);
  }

  const Program& program_;
  bool variables_found_ = false;
  std::vector<std::string> variables_;
  // The variables that hold only 0 or 1, with their place in `variables_`.
  std::unordered_map<std::string_view, std::size_t> boolean_;
  std::unordered_map<const Expr*, Reads> reads_;
  // The atoms of the expression at hand, and the nodes that are atoms.
  std::vector<const Expr*> atoms_;
  std::vector<std::uint64_t> atom_hashes_;
  std::unordered_map<const Expr*, std::size_t> atom_at_;
};

void rewrite_statements(std::vector<Stmt>& statements, Rewriter& rewriter) {
  for (Stmt& stmt : statements) {
    if (auto* branch = std::get_if<If>(&stmt.node)) {
      rewriter.rewrite(branch->cond, true);
      rewrite_statements(branch->then_body, rewriter);
      rewrite_statements(branch->else_body, rewriter);
    } else if (auto* loop = std::get_if<While>(&stmt.node)) {
      rewriter.rewrite(loop->cond, true);
      rewrite_statements(loop->body, rewriter);
    } else if (auto* assign = std::get_if<Assign>(&stmt.node)) {
      if (assign->target.name.view() == "c" && assign->target.index) {
        rewriter.rewrite(assign->value, false);
      } else if (!assign->target.index && has_bitwise(assign->value) &&
                 rewriter.holds_truth(assign->target.name.view())) {
        // Every value it is given is 0 or 1: the value and its truth agree.
        rewriter.rewrite(assign->value, true);
      }
    }
  }
}

}  // namespace

void make_conditions_readable(Program& program) {
  Rewriter rewriter(program);
  rewrite_statements(program.body, rewriter);
}

}  // namespace corvane
