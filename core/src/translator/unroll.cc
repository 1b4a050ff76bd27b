// Unrolling by evaluation (see unroll.h). The function's natural loops are
// found from the dominators of its graph; the blocks are then copied in reverse postorder,
// region by region: the function, and each loop as a region of its own. A
// loop that needs its counter as a constant is copied once per iteration, a
// loop that does not is copied once and stays a loop. Along the way every
// instruction whose operands are all known is computed and dropped, and its
// value substituted where it is used.
//
// Invariants: an edge into a block carries the constants of memory slots at
// its source and the values of the target's phis along it, so a block copied
// after several predecessors keeps only what they agree on. A value is known
// inside a loop copied once only if nothing in the loop changes it: the
// loop's phis and the slots it stores are unknown at its header.
#include "translator/unroll.h"

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "ir/parser.h"
#include "ir/parser_util.h"
#include "support/limits.h"
#include "support/text.h"
#include "translator/error_place.h"
#include "translator/memory_model.h"
#include "values/int_range.h"

namespace corvane {

std::uint64_t unroll_budget_for(std::size_t source_size) {
  return kUnrollBudgetBase + std::uint64_t{source_size};
}

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
// Loops nested deeper are not unrolled (the function's own refusal stands):
// copying recurses once per level, a few hundred bytes of stack each, and
// real programs nest a handful.
constexpr std::uint32_t kMaxUnrolledNesting = 100;

// A constant global array: its element type and elements, in order.
struct GlobalArray {
  std::string_view element_ty;
  std::uint64_t element_size = 0;
  std::vector<Operand> elements;
};

// Whether `ty` is a type whose elements corvane reads from a constant array.
std::optional<std::uint64_t> scalar_size(std::string_view ty) {
  if (ty == "ptr" || (!ty.empty() && ty.back() == '*')) return 8;
  if (ty == "double") return 8;
  if (const std::uint32_t width = integer_type_width(ty); width >= 1 && width <= 64) {
    std::uint64_t bytes = 1;
    while (bytes * 8 < width) bytes *= 2;
    return bytes;
  }
  return std::nullopt;
}

// The text from `open` (a bracket) to its match, brackets included.
std::optional<std::string_view> bracketed(std::string_view text, char open, char close) {
  if (text.empty() || text.front() != open) return std::nullopt;
  int depth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == open) ++depth;
    if (text[i] == close && --depth == 0) return text.substr(0, i + 1);
  }
  return std::nullopt;
}

// The constant global arrays of the module's text, by name with its `@`.
std::unordered_map<std::string_view, GlobalArray> read_global_arrays(std::string_view source) {
  std::unordered_map<std::string_view, GlobalArray> arrays;
  std::size_t start = 0;
  while (start < source.size()) {
    std::size_t end = source.find('\n', start);
    if (end == std::string_view::npos) end = source.size();
    const std::string_view line = cut_comment(source.substr(start, end - start));
    start = end + 1;
    if (!line.starts_with('@')) continue;
    const std::size_t equals = line.find(" = ");
    if (equals == std::string_view::npos) continue;
    const std::string_view name = trim(line.substr(0, equals));
    std::string_view rest = line.substr(equals + 3);
    const std::size_t constant = rest.find("constant [");
    if (constant == std::string_view::npos) continue;
    if (constant != 0 && rest[constant - 1] != ' ') continue;
    rest = rest.substr(constant + 9);
    const auto ty = bracketed(rest, '[', ']');
    if (!ty) continue;
    const std::string_view inner = trim(ty->substr(1, ty->size() - 2));
    const auto count = parse_uint64(first_word(inner));
    const std::string_view after_count = rest_after_first_word(inner);
    if (!count || first_word(after_count) != "x") continue;
    GlobalArray array;
    array.element_ty = trim(rest_after_first_word(after_count));
    const auto size = scalar_size(array.element_ty);
    if (!size) continue;
    array.element_size = *size;
    const std::string_view init = trim(rest.substr(ty->size()));
    if (init.starts_with("zeroinitializer")) {
      if (*count > (std::uint64_t{1} << 20)) continue;
      const Operand zero = array.element_ty == "double"                ? Operand(ConstFloat{0.0})
                           : integer_type_width(array.element_ty) != 0 ? Operand(ConstInt{0})
                                                                       : Operand(PtrConst{});
      array.elements.assign(*count, zero);
    } else {
      const auto list = bracketed(init, '[', ']');
      if (!list) continue;
      std::vector<std::string_view> pieces;
      if (!split_top_level_commas(list->substr(1, list->size() - 2), pieces).ok()) continue;
      bool readable = true;
      for (const std::string_view piece : pieces) {
        Result<Operand> element = parse_operand(trim(piece));
        if (!element.ok()) {
          readable = false;
          break;
        }
        array.elements.push_back(*element);
      }
      if (!readable || array.elements.size() != *count) continue;
    }
    arrays.insert_or_assign(name, std::move(array));
  }
  return arrays;
}

// An operand as a signed integer of `width` bits, if it is a constant.
std::optional<std::int64_t> int_value(const Operand& operand, std::uint32_t width) {
  if (const auto* integer = std::get_if<ConstInt>(&operand)) {
    if (width == 0 || width > 64) return std::nullopt;
    return canonical_constant(integer->value, width);
  }
  if (const auto* boolean = std::get_if<ConstBool>(&operand)) {
    return boolean->value ? (width == 1 ? 1 : -1) : 0;
  }
  return std::nullopt;
}

std::uint64_t low_bits_of(std::int64_t value, std::uint32_t width) {
  const auto bits = static_cast<std::uint64_t>(value);
  return width >= 64 ? bits : bits & ((std::uint64_t{1} << width) - 1);
}

// The low `width` bits of `value` read as a signed number: an i1 true, held
// as 1 elsewhere, is -1 here.
std::int64_t signed_of(std::int64_t value, std::uint32_t width) {
  if (width == 0 || width >= 64) return value;
  std::uint64_t bits = low_bits_of(value, width);
  if (((bits >> (width - 1)) & 1U) != 0) bits |= ~std::uint64_t{0} << width;
  return static_cast<std::int64_t>(bits);
}

// The constant of type iN holding `bits` (a ConstBool for i1).
Operand int_constant(std::uint64_t bits, std::uint32_t width) {
  if (width == 1) return ConstBool{(bits & 1) != 0};
  return ConstInt{wrap_to_width(bits, width)};
}

// LLVM's integer operations on constants; nothing where the result is poison
// or undefined (a shift by the width or more, a division by zero or overflow).
std::optional<Operand> evaluate_arith(ArithOp op, std::int64_t a, std::int64_t b,
                                      std::uint32_t width) {
  if (width == 0 || width > 64) return std::nullopt;
  const std::uint64_t ua = low_bits_of(a, width);
  const std::uint64_t ub = low_bits_of(b, width);
  a = signed_of(a, width);
  b = signed_of(b, width);
  switch (op) {
    case ArithOp::Add:
      return int_constant(ua + ub, width);
    case ArithOp::Sub:
      return int_constant(ua - ub, width);
    case ArithOp::Mul:
      return int_constant(ua * ub, width);
    case ArithOp::And:
      return int_constant(ua & ub, width);
    case ArithOp::Or:
      return int_constant(ua | ub, width);
    case ArithOp::Xor:
      return int_constant(ua ^ ub, width);
    case ArithOp::Shl:
      if (ub >= width) return std::nullopt;
      return int_constant(ua << ub, width);
    case ArithOp::LShr:
      if (ub >= width) return std::nullopt;
      return int_constant(ua >> ub, width);
    case ArithOp::AShr:
      if (ub >= width) return std::nullopt;
      return int_constant(static_cast<std::uint64_t>(a >> ub), width);
    case ArithOp::UDiv:
      if (ub == 0) return std::nullopt;
      return int_constant(ua / ub, width);
    case ArithOp::URem:
      if (ub == 0) return std::nullopt;
      return int_constant(ua % ub, width);
    case ArithOp::SDiv:
    case ArithOp::SRem: {
      if (b == 0) return std::nullopt;
      const std::int64_t min = width >= 64 ? std::numeric_limits<std::int64_t>::min()
                                           : -(std::int64_t{1} << (width - 1));
      if (a == min && b == -1) return std::nullopt;
      const std::int64_t result = op == ArithOp::SDiv ? a / b : a % b;
      return int_constant(static_cast<std::uint64_t>(result), width);
    }
  }
  return std::nullopt;
}

std::optional<bool> evaluate_icmp(std::string_view predicate, std::int64_t a, std::int64_t b,
                                  std::uint32_t width) {
  if (width == 0 || width > 64) return std::nullopt;
  const std::uint64_t ua = low_bits_of(a, width);
  const std::uint64_t ub = low_bits_of(b, width);
  a = signed_of(a, width);
  b = signed_of(b, width);
  if (predicate == "eq") return ua == ub;
  if (predicate == "ne") return ua != ub;
  if (predicate == "ult") return ua < ub;
  if (predicate == "ule") return ua <= ub;
  if (predicate == "ugt") return ua > ub;
  if (predicate == "uge") return ua >= ub;
  if (predicate == "slt") return a < b;
  if (predicate == "sle") return a <= b;
  if (predicate == "sgt") return a > b;
  if (predicate == "sge") return a >= b;
  return std::nullopt;
}

bool is_constant(const Operand& operand) {
  return std::holds_alternative<ConstInt>(operand) || std::holds_alternative<ConstBool>(operand) ||
         std::holds_alternative<ConstFloat>(operand) || std::holds_alternative<PtrConst>(operand);
}

// The names an instruction reads: its SSA operands and the names it takes in
// places that hold only a name. `needed` collects those it needs as constants.
void used_names(const Function& function, const Instruction& instruction,
                std::vector<std::string_view>& used, std::vector<std::string_view>* needed) {
  const auto add = [&](const Operand& operand, bool need) {
    if (const auto* ssa = std::get_if<Ssa>(&operand)) {
      used.push_back(ssa->name);
      if (need && needed != nullptr) needed->push_back(ssa->name);
    }
  };
  std::visit(
      [&](const auto& node) {
        using Node = std::decay_t<decltype(node)>;
        if constexpr (std::is_same_v<Node, Call>) {
          for (const Operand& arg : function.args(node)) add(arg, false);
        } else if constexpr (std::is_same_v<Node, CondBr>) {
          if (node.cond.kind == BranchCond::Kind::Ssa) used.push_back(node.cond.name);
        } else if constexpr (std::is_same_v<Node, ICmp> || std::is_same_v<Node, Logic>) {
          add(function.operands[node.first_operand], false);
          add(function.operands[node.first_operand + 1], false);
        } else if constexpr (std::is_same_v<Node, Arith>) {
          const bool shift_or_divide = node.op == ArithOp::Shl || node.op == ArithOp::LShr ||
                                       node.op == ArithOp::AShr || node.op == ArithOp::UDiv ||
                                       node.op == ArithOp::SDiv || node.op == ArithOp::URem ||
                                       node.op == ArithOp::SRem;
          add(function.operands[node.first_operand], false);
          add(function.operands[node.first_operand + 1], shift_or_divide);
        } else if constexpr (std::is_same_v<Node, Select>) {
          for (int i = 0; i < 3; ++i) add(function.operands[node.first_operand + i], false);
        } else if constexpr (std::is_same_v<Node, Phi>) {
          for (const Incoming& incoming : function.phi_incomings(node)) add(incoming.value, false);
        } else if constexpr (std::is_same_v<Node, Bitcast>) {
          used.push_back(node.source);
        } else if constexpr (std::is_same_v<Node, Gep>) {
          if (!node.base.starts_with('@')) used.push_back(node.base);
          for (const Operand& index : function.gep_indices(node)) add(index, true);
        } else if constexpr (std::is_same_v<Node, Store>) {
          add(function.value(node), false);
          used.push_back(node.pointer);
        } else if constexpr (std::is_same_v<Node, Load>) {
          used.push_back(node.pointer);
        } else if constexpr (std::is_same_v<Node, IntCast>) {
          if (!node.constant_source) used.push_back(node.source);
        } else if constexpr (std::is_same_v<Node, IntToPtr>) {
          add(function.value(node), true);
        } else if constexpr (std::is_same_v<Node, FloatArith>) {
          const bool unary =
              node.op == FloatOp::FNeg || node.op == FloatOp::SIToFP || node.op == FloatOp::UIToFP;
          add(function.operands[node.first_operand], false);
          if (!unary) add(function.operands[node.first_operand + 1], false);
        } else if constexpr (std::is_same_v<Node, Switch>) {
          add(function.value(node), false);
        }
      },
      instruction);
}

std::optional<std::string_view> result_name(const Instruction& instruction) {
  return std::visit(
      [](const auto& node) -> std::optional<std::string_view> {
        using Node = std::decay_t<decltype(node)>;
        if constexpr (std::is_same_v<Node, Call>) {
          if (node.result) return *node.result;
          return std::nullopt;
        } else if constexpr (requires { node.result; }) {
          return std::string_view(node.result);
        } else {
          return std::nullopt;
        }
      },
      instruction);
}

// A memory slot: the alloca (by its name as written) and a byte offset.
struct SlotRef {
  std::string_view base;
  std::int64_t offset = 0;
  bool resolved = true;
};

// A pointer into a constant global array.
struct GlobalPointer {
  std::string_view global;  // with its `@`
  std::int64_t offset = 0;
};

using SlotValues = std::unordered_map<std::string, Operand>;

// One edge into a block not yet copied.
// The edge into the entry block, which no copied block branches from.
constexpr std::size_t kFromNowhere = SIZE_MAX;

struct Edge {
  std::size_t from = kFromNowhere;  // index of the copied block that branches
  int branch = 0;                   // which label of its terminator: 0 (br, or true), 1 (false)
  std::string_view source;          // the original label of the block that branches
  SlotValues slots;
  std::vector<Operand> phi_values;  // the target's phis along this edge
};

// A natural loop.
struct Loop {
  std::uint32_t header = 0;
  std::uint32_t parent = kNone;
  std::vector<std::uint32_t> items;  // its own blocks and its child loops' headers, by rpo
};

class Unroller {
 public:
  Unroller(const Module& module, const Function& function, const Cfg& graph, std::uint64_t budget)
      : module_(module), function_(function), budget_(budget), graph_(graph) {}

  Result<std::optional<Function>> run() {
    if (!analyse()) return std::optional<Function>();
    arrays_ = read_global_arrays(module_.source());
    unrolled_.assign(loops_.size(), false);
    out_.name = function_.name;
    out_.profile = function_.profile;
    out_.is_entry_point = function_.is_entry_point;
    Region top;
    top.items = top_items_;
    pending_.resize(count_);
    pending_[0].push_back(Edge{});  // the entry: entered from nowhere
    entry_ = true;
    RETURN_IF_ERROR(walk(top));
    if (!changed_) return std::optional<Function>();
    if (!exit_label_.empty()) out_.blocks.push_back(Block{exit_label_, {Ret{}}});
    return std::optional<Function>(std::move(out_));
  }

 private:
  // A region being copied: the function, or one iteration (or the one copy)
  // of a loop.
  struct Region {
    std::uint32_t loop = kNone;  // kNone for the function
    std::vector<std::uint32_t> items;
    std::vector<Edge>* back_edges = nullptr;  // edges to the loop's header
    std::uint32_t instance = 0;
    bool unrolled = false;
    Region* parent = nullptr;
  };

  // ---- the block graph ----

  // Natural loops and their nesting, from the graph's dominators; false when a
  // loop is not a natural one (an edge back into a block that does not
  // dominate its source).
  bool analyse() {
    count_ = graph_.size();
    if (count_ == 0) return false;
    for (const Block& block : function_.blocks) {
      for (const Instruction& instruction : block.instructions) {
        if (!is_terminator(instruction)) continue;
        if (std::holds_alternative<Switch>(instruction)) return false;
        break;
      }
    }
    const std::vector<std::uint32_t>& order = graph_.reverse_post_order();
    // Loops, innermost first (a loop's header comes after its parent's).
    loop_of_.assign(count_, kNone);
    header_loop_.assign(count_, kNone);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
      const std::uint32_t header = *it;
      std::vector<std::uint32_t> work;
      for (const std::uint32_t p : graph_.predecessors(header)) {
        if (graph_.rpo_number(p) == kNone || graph_.rpo_number(p) < graph_.rpo_number(header))
          continue;
        if (!graph_.dominates(header, p)) return false;  // a loop with two entries
        work.push_back(p);
      }
      if (work.empty()) continue;
      const auto id = static_cast<std::uint32_t>(loops_.size());
      loops_.push_back(Loop{header, kNone, {}});
      header_loop_[header] = id;
      loop_of_[header] = id;
      while (!work.empty()) {
        const std::uint32_t x = work.back();
        work.pop_back();
        if (x == header) continue;
        if (loop_of_[x] == kNone) {
          loop_of_[x] = id;
          for (const std::uint32_t p : graph_.predecessors(x)) {
            if (graph_.rpo_number(p) != kNone) work.push_back(p);
          }
          continue;
        }
        std::uint32_t top = loop_of_[x];
        while (loops_[top].parent != kNone) top = loops_[top].parent;
        if (top == id) continue;
        loops_[top].parent = id;
        for (const std::uint32_t p : graph_.predecessors(loops_[top].header)) {
          if (graph_.rpo_number(p) != kNone && !contains(top, p)) work.push_back(p);
        }
      }
    }
    // A loop is made before the loops around it, so a parent's depth is known
    // first going back.
    std::vector<std::uint32_t> depth(loops_.size(), 1);
    for (std::size_t l = loops_.size(); l-- > 0;) {
      if (loops_[l].parent != kNone) depth[l] = depth[loops_[l].parent] + 1;
      if (depth[l] > kMaxUnrolledNesting) return false;
    }
    for (const std::uint32_t b : order) {
      for (const Instruction& instruction : function_.blocks[b].instructions) {
        if (!is_terminator(instruction)) continue;
        returns_ += std::holds_alternative<Ret>(instruction) ? 1 : 0;
        break;
      }
    }
    if (loops_.empty() && returns_ <= 1) {
      // Without loops only reads of constant arrays can change anything.
      bool reads_array = false;
      for (const Block& block : function_.blocks) {
        for (const Instruction& instruction : block.instructions) {
          if (const auto* gep = std::get_if<Gep>(&instruction)) {
            reads_array = reads_array || gep->base.starts_with('@');
          }
        }
      }
      if (!reads_array) return false;
    }
    // The items of each region, in reverse postorder.
    for (const std::uint32_t b : order) {
      const std::uint32_t own = loop_of_[b];
      if (header_loop_[b] != kNone) {
        const std::uint32_t parent = loops_[header_loop_[b]].parent;
        loops_[header_loop_[b]].items.push_back(b);
        if (parent == kNone) {
          top_items_.push_back(b);
        } else {
          loops_[parent].items.push_back(b);
        }
      } else if (own == kNone) {
        top_items_.push_back(b);
      } else {
        loops_[own].items.push_back(b);
      }
    }
    return true;
  }

  [[nodiscard]] bool contains(std::uint32_t loop, std::uint32_t block) const {
    for (std::uint32_t l = loop_of_[block]; l != kNone; l = loops_[l].parent) {
      if (l == loop) return true;
    }
    return false;
  }

  // Every block of a loop, nested loops' included.
  void loop_blocks(std::uint32_t loop, std::vector<std::uint32_t>& out) const {
    std::vector<std::uint32_t> work{loop};
    while (!work.empty()) {
      const std::uint32_t l = work.back();
      work.pop_back();
      for (const std::uint32_t b : loops_[l].items) {
        if (header_loop_[b] != kNone && header_loop_[b] != l) {
          work.push_back(header_loop_[b]);
        } else {
          out.push_back(b);
        }
      }
    }
  }

  // ---- what a loop needs ----

  // Where a pointer points, for a name defined before the loop or by a
  // getelementptr or bitcast inside it.
  std::optional<SlotRef> slot_of(std::string_view name) const {
    const auto found = slot_pointers_.find(name);
    if (found != slot_pointers_.end()) return found->second;
    return std::nullopt;
  }

  // The value inside `loop` that it needs as a constant and that changes from
  // one iteration to the next, if any; also the slots the loop stores.
  struct LoopNeeds {
    std::optional<std::string_view> value;
    std::unordered_set<std::string> stored;
    bool stores_anywhere = false;
  };
  LoopNeeds loop_needs(std::uint32_t loop) {
    LoopNeeds needs;
    std::vector<std::uint32_t> blocks;
    loop_blocks(loop, blocks);
    std::unordered_map<std::string_view, SlotRef> local;
    const auto slot = [&](std::string_view name) -> std::optional<SlotRef> {
      const auto found = local.find(name);
      if (found != local.end()) return found->second;
      return slot_of(name);
    };
    for (const std::uint32_t b : blocks) {
      for (const Instruction& instruction : function_.blocks[b].instructions) {
        if (const auto* alloca = std::get_if<Alloca>(&instruction)) {
          local.insert_or_assign(alloca->result, SlotRef{alloca->result, 0, true});
        } else if (const auto* cast = std::get_if<Bitcast>(&instruction)) {
          if (const auto from = slot(cast->source)) local.insert_or_assign(cast->result, *from);
        } else if (const auto* gep = std::get_if<Gep>(&instruction)) {
          if (const auto from = slot(gep->base)) {
            const GepOffset step = gep_offset(gep->ty, function_.gep_indices(*gep));
            SlotRef ref = *from;
            ref.resolved = ref.resolved && step.kind == GepOffset::Kind::Known;
            if (ref.resolved) ref.offset += step.bytes;
            local.insert_or_assign(gep->result, ref);
          }
        } else if (const auto* store = std::get_if<Store>(&instruction)) {
          const auto to = slot(store->pointer);
          if (!to || !to->resolved) {
            needs.stores_anywhere = true;
          } else {
            needs.stored.insert(memory_key(to->base, to->offset));
          }
        }
      }
    }
    // Values that change between iterations: the header's phis, loads of
    // slots the loop stores, call results, and what is computed from them.
    std::unordered_set<std::string_view> variant;
    for (const Instruction& instruction : function_.blocks[loops_[loop].header].instructions) {
      if (const auto* phi = std::get_if<Phi>(&instruction)) variant.insert(phi->result);
    }
    std::vector<std::string_view> used;
    std::vector<std::string_view> needed;
    for (bool grew = true; grew;) {
      grew = false;
      for (const std::uint32_t b : blocks) {
        for (const Instruction& instruction : function_.blocks[b].instructions) {
          const auto result = result_name(instruction);
          if (!result || variant.contains(*result)) continue;
          bool varies = std::holds_alternative<Call>(instruction);
          if (const auto* load = std::get_if<Load>(&instruction)) {
            const auto from = slot(load->pointer);
            varies = varies || needs.stores_anywhere ||
                     (from && (!from->resolved ||
                               needs.stored.contains(memory_key(from->base, from->offset))));
          }
          used.clear();
          used_names(function_, instruction, used, nullptr);
          for (const std::string_view name : used) varies = varies || variant.contains(name);
          if (varies) {
            variant.insert(*result);
            grew = true;
          }
        }
      }
    }
    for (const std::uint32_t b : blocks) {
      for (const Instruction& instruction : function_.blocks[b].instructions) {
        used.clear();
        needed.clear();
        used_names(function_, instruction, used, &needed);
        for (const std::string_view name : needed) {
          if (variant.contains(name)) {
            needs.value = name;
            return needs;
          }
        }
      }
    }
    return needs;
  }

  // ---- copying ----

  // Copies the items of a region in order; `skip` is a block already copied.
  Status walk(Region& region, std::uint32_t skip = kNone) {
    for (const std::uint32_t b : region.items) {
      if (b == skip) continue;
      if (header_loop_[b] != kNone && header_loop_[b] != region.loop) {
        RETURN_IF_ERROR(copy_loop(header_loop_[b], region));
        continue;
      }
      std::vector<Edge> edges = std::move(pending_[b]);
      pending_[b].clear();
      if (edges.empty()) continue;  // not reached with what is known
      if (edges.size() > 1 && graph_.successors(b).empty() && returns_ > 1) {
        // A block that returns, reached from several places (a return in an
        // unrolled loop): a copy for each, so that each stays in its branch.
        const std::uint32_t instance = region.instance;
        for (Edge& edge : edges) {
          region.instance = ++instances_;
          std::vector<Edge> one;
          one.push_back(std::move(edge));
          Status copied = copy_block(b, std::move(one), region, {});
          region.instance = instance;
          RETURN_IF_ERROR(std::move(copied));
        }
        continue;
      }
      RETURN_IF_ERROR(copy_block(b, std::move(edges), region, {}));
    }
    return ok_status();
  }

  Status copy_loop(std::uint32_t loop, Region& outer) {
    const std::uint32_t header = loops_[loop].header;
    std::vector<Edge> entering = std::move(pending_[header]);
    pending_[header].clear();
    if (entering.empty()) return ok_status();
    if (needs_.size() != loops_.size()) needs_.resize(loops_.size());
    if (!needs_[loop]) needs_[loop] = loop_needs(loop);
    const LoopNeeds& needs = *needs_[loop];
    if (!needs.value) return copy_once(loop, outer, std::move(entering), needs);
    if (unrolled_[loop]) return unroll(loop, outer, std::move(entering), *needs.value);
    // A loop that needs a constant may get it from outside the loop (a slot
    // set before it): it is copied once if every value it needs is then
    // known, and unrolled otherwise.
    const Mark mark = make_mark();
    ++speculating_;
    Status once = copy_once(loop, outer, entering, needs);
    --speculating_;
    if (once.ok()) {
      if (speculating_ == 0) clear_logs();
      return ok_status();
    }
    roll_back(mark, outer);
    // Where the trial failed once it fails again: later copies unroll at once.
    unrolled_[loop] = true;
    return unroll(loop, outer, std::move(entering), *needs.value);
  }

  // What rolling back needs to undo a copy.
  struct Mark {
    std::size_t blocks = 0;
    std::size_t operands = 0;
    std::size_t incomings = 0;
    std::size_t values = 0;
    std::size_t slot_pointers = 0;
    std::size_t global_pointers = 0;
    std::size_t edges = 0;
    bool changed = false;
    bool entry = false;  // the entry block is still to be copied
  };

  Mark make_mark() const {
    return Mark{out_.blocks.size(),
                out_.operands.size(),
                out_.incomings.size(),
                value_log_.size(),
                slot_pointer_log_.size(),
                global_pointer_log_.size(),
                edge_log_.size(),
                changed_,
                entry_};
  }

  void clear_logs() {
    value_log_.clear();
    slot_pointer_log_.clear();
    global_pointer_log_.clear();
    edge_log_.clear();
  }

  template <typename Map, typename Log>
  static void undo(Map& map, Log& log, std::size_t mark) {
    while (log.size() > mark) {
      auto& [key, old] = log.back();
      if (old) {
        map.insert_or_assign(key, *old);
      } else {
        map.erase(key);
      }
      log.pop_back();
    }
  }

  void roll_back(const Mark& mark, Region& outer) {
    out_.blocks.resize(mark.blocks);
    out_.operands.resize(mark.operands);
    out_.incomings.resize(mark.incomings);
    undo(values_, value_log_, mark.values);
    undo(slot_pointers_, slot_pointer_log_, mark.slot_pointers);
    undo(global_pointers_, global_pointer_log_, mark.global_pointers);
    // Edges from the blocks copied since go; those into them were taken.
    const auto made_since = [&](const Edge& edge) {
      return edge.from != kFromNowhere && edge.from >= mark.blocks;
    };
    while (edge_log_.size() > mark.edges) {
      std::erase_if(pending_[edge_log_.back()], made_since);
      edge_log_.pop_back();
    }
    for (Region* r = &outer; r != nullptr; r = r->parent) {
      if (r->back_edges != nullptr) std::erase_if(*r->back_edges, made_since);
    }
    // What the trial spent stays spent, so that trials nested in trials cost
    // no more than the budget.
    changed_ = mark.changed;
    // A trial that copied the entry block (a loop whose header is the entry)
    // leaves it to be copied again as the entry.
    entry_ = mark.entry;
  }

  template <typename Map, typename Log, typename Value>
  void set_logged(Map& map, Log& log, std::string_view key, Value value) {
    if (speculating_ > 0) {
      const auto found = map.find(key);
      log.emplace_back(key, found == map.end() ? std::nullopt : std::optional(found->second));
    }
    map.insert_or_assign(key, std::move(value));
  }
  void set_value(std::string_view key, Operand value) {
    set_logged(values_, value_log_, key, std::move(value));
  }
  void set_slot_pointer(std::string_view key, SlotRef value) {
    set_logged(slot_pointers_, slot_pointer_log_, key, value);
  }
  void set_global_pointer(std::string_view key, GlobalPointer value) {
    set_logged(global_pointers_, global_pointer_log_, key, value);
  }

  // Copies a loop once: it stays a loop, with what it changes unknown at its header.
  Status copy_once(std::uint32_t loop, Region& outer, std::vector<Edge> entering,
                   const LoopNeeds& needs) {
    const std::uint32_t header = loops_[loop].header;
    Region region;
    region.loop = loop;
    region.items = loops_[loop].items;
    std::vector<Edge> back;
    region.back_edges = &back;
    region.instance = outer.instance;
    region.parent = &outer;
    for (Edge& edge : entering) {
      for (auto it = edge.slots.begin(); it != edge.slots.end();) {
        const bool stored = needs.stores_anywhere || needs.stored.contains(it->first);
        it = stored ? edge.slots.erase(it) : std::next(it);
      }
    }
    const std::size_t header_copy = out_.blocks.size();
    RETURN_IF_ERROR(copy_block(header, std::move(entering), region, {true}));
    RETURN_IF_ERROR(walk(region, header));
    // The edges back: their branches, and their values for the header's phis.
    for (Edge& edge : back) {
      target_label(edge, out_.blocks[header_copy].label);
      std::size_t phi = 0;
      for (Instruction& instruction : out_.blocks[header_copy].instructions) {
        auto* node = std::get_if<Phi>(&instruction);
        if (node == nullptr) break;
        // The header's phis were made with room for their back edges last.
        Incoming& incoming = out_.incomings[node->incomings.begin + node->incomings.count];
        incoming = Incoming{edge.phi_values[phi++], out_.blocks[edge.from].label};
        ++node->incomings.count;
      }
    }
    return ok_status();
  }

  Status unroll(std::uint32_t loop, Region& outer, std::vector<Edge> entering,
                std::string_view needed) {
    const std::uint32_t header = loops_[loop].header;
    // Copied once per iteration, until its exit is taken.
    changed_ = true;
    std::vector<Edge> edges = std::move(entering);
    const std::string_view outer_needed = needed_;
    for (; !edges.empty();) {
      RETURN_IF_ERROR(spend(1, header));
      Region region;
      region.loop = loop;
      region.items = loops_[loop].items;
      std::vector<Edge> back;
      region.back_edges = &back;
      region.instance = ++instances_;
      region.unrolled = true;
      region.parent = &outer;
      pending_[header] = std::move(edges);
      needed_ = needed;
      RETURN_IF_ERROR(walk(region));
      edges = std::move(back);
    }
    needed_ = outer_needed;
    return ok_status();
  }

  // Counts `amount` toward the budget; past it, the loop at `header` is refused.
  Status spend(std::uint64_t amount, std::uint32_t header) {
    spent_ += amount;
    if (spent_ <= budget_) return ok_status();
    const Block& block = function_.blocks[header];
    TranslateError error = lowering_error(
        "loop at block " + quote_text(block.label) + " unrolls to more than " +
            std::to_string(budget_) + " statements and iterations, the limit for this input",
        ErrorClass::Limit);
    if (!block.instructions.empty()) {
      return in_inlined_code(place_at_instruction(std::move(error), block.instructions.front(),
                                                  module_.source(), &module_.made_name_places),
                             block.label, module_);
    }
    return error;
  }

  struct CopyOptions {
    bool loop_header = false;  // the header of a loop copied once
  };

  // A binary instruction copied with its operands as they are known here.
  template <typename Node>
  bool copy_binary(Node made, const Operand& lhs, const Operand& rhs, std::uint32_t instance,
                   std::optional<std::size_t> place) {
    made.first_operand = push_operand(lhs);
    push_operand(rhs);
    made.result = define(made.result, instance, place);
    current().push_back(made);
    return false;
  }

  // The name an instruction of the current copy defines.
  std::string_view define(std::string_view name, std::uint32_t instance,
                          std::optional<std::size_t> place) {
    if (instance == 0) {
      set_value(name, Operand(Ssa{name}));
      return name;
    }
    const std::string_view made =
        module_.make_name(std::string(name) + "#u" + std::to_string(instance));
    if (place) module_.made_name_places.emplace(made.data(), *place);
    set_value(name, Operand(Ssa{made}));
    return made;
  }

  Operand value_of(const Operand& operand) const {
    if (const auto* ssa = std::get_if<Ssa>(&operand)) {
      const auto found = values_.find(ssa->name);
      if (found != values_.end()) return found->second;
    }
    return operand;
  }

  Result<std::string_view> name_of(std::string_view name) const {
    const Operand value = value_of(Operand(Ssa{name}));
    if (const auto* ssa = std::get_if<Ssa>(&value)) return ssa->name;
    return lowering_error("value " + quote_text(name) +
                          " is a constant where a named value is needed");
  }

  void target_label(const Edge& edge, std::string_view label) {
    if (edge.from >= out_.blocks.size()) return;  // the entry
    Instruction& terminator = out_.blocks[edge.from].instructions.back();
    if (auto* br = std::get_if<Br>(&terminator)) br->target = label;
    if (auto* cond = std::get_if<CondBr>(&terminator)) {
      (edge.branch == 0 ? cond->true_label : cond->false_label) = label;
    }
  }

  // An edge from the block just copied (original `source`) to `target`.
  void add_edge(std::uint32_t source, std::uint32_t target, int branch, const SlotValues& slots,
                Region& region) {
    Edge edge;
    edge.from = out_.blocks.size() - 1;
    edge.branch = branch;
    edge.source = function_.blocks[source].label;
    edge.slots = slots;
    for (const Instruction& instruction : function_.blocks[target].instructions) {
      const auto* phi = std::get_if<Phi>(&instruction);
      if (phi == nullptr) break;
      Operand value = ConstInt{0};
      bool found = false;
      for (const Incoming& incoming : function_.phi_incomings(*phi)) {
        if (incoming.pred == edge.source) {
          value = value_of(incoming.value);
          found = true;
          break;
        }
      }
      if (!found) value = Ssa{phi->result};  // left for the lowering to refuse
      edge.phi_values.push_back(value);
    }
    // An edge to the header of the loop being copied, or of one around it, goes back.
    for (Region* r = &region; r != nullptr; r = r->parent) {
      if (r->loop != kNone && target == loops_[r->loop].header) {
        r->back_edges->push_back(std::move(edge));
        return;
      }
    }
    pending_[target].push_back(std::move(edge));
    if (speculating_ > 0) edge_log_.push_back(target);
  }

  Status copy_block(std::uint32_t b, std::vector<Edge> edges, Region& region, CopyOptions options) {
    const Block& block = function_.blocks[b];
    const std::uint32_t instance = region.instance;
    std::string_view label = block.label;
    if (instance != 0) {
      label = module_.make_name(std::string(block.label) + "#u" + std::to_string(instance));
      // A copy of an inlined block stands in the same inlined call.
      if (const auto inlined = module_.inlined_blocks.find(block.label.data());
          inlined != module_.inlined_blocks.end()) {
        module_.inlined_blocks.emplace(label.data(), inlined->second);
      }
    }
    out_.blocks.push_back(Block{label, {}});
    const std::size_t copy = out_.blocks.size() - 1;
    const bool from_entry = entry_;
    entry_ = false;
    if (!from_entry) {
      for (const Edge& edge : edges) target_label(edge, label);
    }
    // What the edges agree on.
    SlotValues slots = edges.front().slots;
    for (std::size_t e = 1; e < edges.size(); ++e) {
      for (auto it = slots.begin(); it != slots.end();) {
        const auto other = edges[e].slots.find(it->first);
        const bool same = other != edges[e].slots.end() && other->second == it->second;
        it = same ? std::next(it) : slots.erase(it);
      }
    }
    std::size_t phi_index = 0;
    for (const Instruction& instruction : block.instructions) {
      const std::optional<std::size_t> place = instruction_offset(instruction, module_.source());
      if (const auto* phi = std::get_if<Phi>(&instruction)) {
        const std::size_t k = phi_index++;
        bool same = !options.loop_header && !from_entry;
        for (const Edge& edge : edges) {
          same = same && k < edge.phi_values.size() && is_constant(edge.phi_values[k]) &&
                 edge.phi_values[k] == edges.front().phi_values[k];
        }
        if (same) {
          set_value(phi->result, edges.front().phi_values[k]);
          continue;
        }
        Phi made = *phi;
        made.incomings.begin = static_cast<std::uint32_t>(out_.incomings.size());
        made.incomings.count = 0;
        for (const Edge& edge : edges) {
          if (from_entry || edge.from == kFromNowhere || k >= edge.phi_values.size()) continue;
          out_.incomings.push_back(Incoming{edge.phi_values[k], out_.blocks[edge.from].label});
          ++made.incomings.count;
        }
        if (options.loop_header) {
          // Room for the edges back, filled in when they are known.
          for (std::size_t i = 0; i < graph_.predecessors(b).size(); ++i) {
            out_.incomings.push_back(Incoming{ConstInt{0}, {}});
          }
        }
        made.result = define(phi->result, instance, place);
        out_.blocks[copy].instructions.push_back(made);
        continue;
      }
      RETURN_IF_ERROR(spend(1, region.loop == kNone ? b : loops_[region.loop].header));
      Result<bool> ended = copy_instruction(instruction, b, slots, region, place);
      if (!ended.ok()) {
        return in_inlined_code(place_at_instruction(std::move(ended).error(), instruction,
                                                    module_.source(), &module_.made_name_places),
                               block.label, module_);
      }
      if (*ended) break;
    }
    return ok_status();
  }

  std::vector<Instruction>& current() { return out_.blocks.back().instructions; }

  std::uint32_t push_operand(const Operand& operand) {
    out_.operands.push_back(operand);
    return static_cast<std::uint32_t>(out_.operands.size() - 1);
  }

  // Copies one instruction; true when it ended the block.
  Result<bool> copy_instruction(const Instruction& instruction, std::uint32_t b, SlotValues& slots,
                                Region& region, std::optional<std::size_t> place) {
    const std::uint32_t instance = region.instance;
    const auto successor = [&](std::string_view label) -> std::optional<std::uint32_t> {
      const std::uint32_t block = graph_.index_of(label);
      if (block == kNoBlock) return std::nullopt;
      return block;
    };
    if (const auto* br = std::get_if<Br>(&instruction)) {
      current().push_back(Br{br->target});
      if (const auto target = successor(br->target)) add_edge(b, *target, 0, slots, region);
      return true;
    }
    if (const auto* cond = std::get_if<CondBr>(&instruction)) {
      std::optional<bool> known;
      if (cond->cond.kind == BranchCond::Kind::Const) known = cond->cond.value;
      CondBr made = *cond;
      if (cond->cond.kind == BranchCond::Kind::Ssa) {
        const Operand value = value_of(Operand(Ssa{cond->cond.name}));
        if (const auto constant = int_value(value, 1)) {
          known = *constant != 0;
        } else if (const auto* ssa = std::get_if<Ssa>(&value)) {
          made.cond.name = ssa->name;
        }
      }
      const auto if_true = successor(cond->true_label);
      const auto if_false = successor(cond->false_label);
      if (known) {
        changed_ = true;
        current().push_back(Br{*known ? cond->true_label : cond->false_label});
        const auto target = *known ? if_true : if_false;
        if (target) add_edge(b, *target, 0, slots, region);
        return true;
      }
      if (region.unrolled) {
        const std::uint32_t header = loops_[region.loop].header;
        // Whether the loop runs again: decided at its header, or by a branch
        // back to it. A branch out of the loop elsewhere (a return, a break)
        // leaves the count of iterations as it was.
        const auto outside = [&](const std::optional<std::uint32_t>& target) {
          return target && !contains(region.loop, *target);
        };
        const bool leaves = (b == header && (outside(if_true) || outside(if_false))) ||
                            if_true == header || if_false == header;
        if (leaves) {
          return lowering_error(
              "loop at block " + quote_text(function_.blocks[header].label) + " needs " +
              quote_text(needed_) + " as a constant, but whether it runs again depends on " +
              quote_text(cond->cond.name) + ", which is not known when translating");
        }
      }
      current().push_back(made);
      if (if_true) add_edge(b, *if_true, 0, slots, region);
      if (if_false) add_edge(b, *if_false, 1, slots, region);
      return true;
    }
    if (std::holds_alternative<Ret>(instruction) && returns_ > 1) {
      // Every return goes to one block that returns, so that a return in a
      // branch skips the rest of the program on its path and nothing else.
      if (exit_label_.empty()) exit_label_ = module_.make_name("return#");
      current().push_back(Br{exit_label_});
      changed_ = true;
      return true;
    }
    if (std::holds_alternative<Ret>(instruction) || std::holds_alternative<Switch>(instruction)) {
      current().push_back(instruction);
      return true;
    }
    if (const auto* call = std::get_if<Call>(&instruction)) {
      Call made = *call;
      made.args.begin = static_cast<std::uint32_t>(out_.operands.size());
      for (const Operand& arg : function_.args(*call)) {
        const Operand value = value_of(arg);
        if (const auto* ssa = std::get_if<Ssa>(&arg)) {
          // A call may write the memory it is given.
          if (const auto to = slot_of(ssa->name)) forget_base(slots, to->base);
        }
        push_operand(value);
      }
      if (call->result) made.result = define(*call->result, instance, place);
      current().push_back(made);
      return false;
    }
    if (const auto* icmp = std::get_if<ICmp>(&instruction)) {
      const BinaryOperands ops = function_.binary_operands(*icmp);
      const Operand lhs = value_of(ops.lhs);
      const Operand rhs = value_of(ops.rhs);
      const auto a = int_value(lhs, icmp->width);
      const auto c = int_value(rhs, icmp->width);
      if (a && c) {
        if (const auto result = evaluate_icmp(icmp->predicate, *a, *c, icmp->width)) {
          set_value(icmp->result, Operand(ConstBool{*result}));
          return false;
        }
      }
      return copy_binary(*icmp, lhs, rhs, instance, place);
    }
    if (const auto* logic = std::get_if<Logic>(&instruction)) {
      const BinaryOperands ops = function_.binary_operands(*logic);
      const Operand lhs = value_of(ops.lhs);
      const Operand rhs = value_of(ops.rhs);
      const auto a = int_value(lhs, 1);
      const auto c = int_value(rhs, 1);
      if (a && c) {
        const bool x = *a != 0;
        const bool y = *c != 0;
        const bool result = logic->op == LogicOp::And  ? (x && y)
                            : logic->op == LogicOp::Or ? (x || y)
                                                       : (x != y);
        set_value(logic->result, Operand(ConstBool{result}));
        return false;
      }
      return copy_binary(*logic, lhs, rhs, instance, place);
    }
    if (const auto* arith = std::get_if<Arith>(&instruction)) {
      const BinaryOperands ops = function_.binary_operands(*arith);
      const Operand lhs = value_of(ops.lhs);
      const Operand rhs = value_of(ops.rhs);
      const auto a = int_value(lhs, arith->width);
      const auto c = int_value(rhs, arith->width);
      if (a && c) {
        if (auto result = evaluate_arith(arith->op, *a, *c, arith->width)) {
          set_value(arith->result, std::move(*result));
          return false;
        }
      }
      const bool needs_constant = arith->op != ArithOp::Add && arith->op != ArithOp::Sub &&
                                  arith->op != ArithOp::Mul && arith->op != ArithOp::And &&
                                  arith->op != ArithOp::Or && arith->op != ArithOp::Xor;
      if (needs_constant && !c && speculating_ > 0) return not_known_on_trial();
      return copy_binary(*arith, lhs, rhs, instance, place);
    }
    if (const auto* select = std::get_if<Select>(&instruction)) {
      const SelectOperands ops = function_.select_operands(*select);
      const Operand cond = value_of(ops.cond);
      const Operand then_value = value_of(ops.then_value);
      const Operand else_value = value_of(ops.else_value);
      if (const auto known = int_value(cond, 1)) {
        set_value(select->result, *known != 0 ? then_value : else_value);
        // A pointer chosen so is the pointer it chose.
        const auto chosen = std::get_if<Ssa>(*known != 0 ? &ops.then_value : &ops.else_value);
        if (chosen != nullptr) alias_pointer(select->result, chosen->name);
        return false;
      }
      Select made = *select;
      made.first_operand = push_operand(cond);
      push_operand(then_value);
      push_operand(else_value);
      made.result = define(select->result, instance, place);
      current().push_back(made);
      return false;
    }
    if (const auto* cast = std::get_if<IntCast>(&instruction)) {
      // Widths outside 1..64 are left for the lowering to refuse.
      const bool widths_known = cast->from_width >= 1 && cast->from_width <= 64 &&
                                cast->to_width >= 1 && cast->to_width <= 64;
      std::optional<std::int64_t> source;
      if (!widths_known) {
      } else if (cast->constant_source) {
        if (const auto literal = parse_int_literal(cast->source, cast->from_width)) {
          source = canonical_constant(*literal, cast->from_width);
        } else if (cast->source == "true" || cast->source == "false") {
          source = cast->source == "true" ? 1 : 0;
        }
      } else {
        source = int_value(value_of(Operand(Ssa{cast->source})), cast->from_width);
      }
      if (source) {
        const std::uint64_t bits =
            cast->op == CastOp::Sext
                ? static_cast<std::uint64_t>(signed_of(*source, cast->from_width))
                : low_bits_of(*source, cast->from_width);
        set_value(cast->result, int_constant(bits, cast->to_width));
        return false;
      }
      IntCast made = *cast;
      if (!cast->constant_source) {
        ASSIGN_OR_RETURN(made.source, name_of(cast->source));
      }
      made.result = define(cast->result, instance, place);
      current().push_back(made);
      return false;
    }
    if (const auto* cast = std::get_if<IntToPtr>(&instruction)) {
      const Operand source = value_of(function_.value(*cast));
      if (const auto index = int_value(source, 64); index && *index >= 0) {
        set_value(cast->result, Operand(PtrConst{{}, *index}));
        return false;
      }
      if (speculating_ > 0) return not_known_on_trial();
      IntToPtr made = *cast;
      made.value = push_operand(source);
      made.result = define(cast->result, instance, place);
      current().push_back(made);
      return false;
    }
    if (const auto* alloca = std::get_if<Alloca>(&instruction)) {
      Alloca made = *alloca;
      made.result = define(alloca->result, instance, place);
      set_slot_pointer(alloca->result, SlotRef{alloca->result, 0, true});
      forget_base(slots, alloca->result);
      current().push_back(made);
      return false;
    }
    if (const auto* cast = std::get_if<Bitcast>(&instruction)) {
      alias_pointer(cast->result, cast->source);
      const Operand source = value_of(Operand(Ssa{cast->source}));
      if (is_constant(source)) {
        set_value(cast->result, source);
        return false;
      }
      Bitcast made = *cast;
      ASSIGN_OR_RETURN(made.source, name_of(cast->source));
      made.result = define(cast->result, instance, place);
      current().push_back(made);
      return false;
    }
    if (const auto* gep = std::get_if<Gep>(&instruction)) return copy_gep(*gep, instance, place);
    if (const auto* load = std::get_if<Load>(&instruction)) {
      return copy_load(*load, slots, instance, place);
    }
    if (const auto* store = std::get_if<Store>(&instruction)) {
      const Operand value = value_of(function_.value(*store));
      if (const auto to = slot_of(store->pointer); to && to->resolved) {
        const std::string key = memory_key(to->base, to->offset);
        if (is_constant(value)) {
          slots.insert_or_assign(key, value);
        } else {
          slots.erase(key);
        }
      } else if (to) {
        forget_base(slots, to->base);
      } else if (!global_pointers_.contains(store->pointer)) {
        slots.clear();
      }
      Store made = *store;
      made.value = push_operand(value);
      ASSIGN_OR_RETURN(made.pointer, name_of(store->pointer));
      current().push_back(made);
      return false;
    }
    if (const auto* arith = std::get_if<FloatArith>(&instruction)) {
      const bool unary = arith->op == FloatOp::FNeg || arith->op == FloatOp::SIToFP ||
                         arith->op == FloatOp::UIToFP;
      FloatArith made = *arith;
      made.first_operand = push_operand(value_of(function_.operands[arith->first_operand]));
      if (!unary) push_operand(value_of(function_.operands[arith->first_operand + 1]));
      made.result = define(arith->result, instance, place);
      current().push_back(made);
      return false;
    }
    // Records that name nothing (ignored and unrecognized instructions).
    current().push_back(instruction);
    return false;
  }

  // A value needed as a constant is not known in a loop copied once on trial.
  static TranslateError not_known_on_trial() {
    return lowering_error("a value needed as a constant changes from one iteration to the next");
  }

  void alias_pointer(std::string_view result, std::string_view source) {
    if (const auto slot = slot_of(source)) set_slot_pointer(result, *slot);
    if (const auto global = global_pointers_.find(source); global != global_pointers_.end()) {
      set_global_pointer(result, global->second);
    }
  }

  static void forget_base(SlotValues& slots, std::string_view base) {
    const std::string prefix = memory_key(base, 0).substr(0, base.size() + 1);
    for (auto it = slots.begin(); it != slots.end();) {
      it = it->first.starts_with(prefix) ? slots.erase(it) : std::next(it);
    }
  }

  Result<bool> copy_gep(const Gep& gep, std::uint32_t instance, std::optional<std::size_t> place) {
    std::vector<Operand> indices;
    bool constant = true;
    for (const Operand& index : function_.gep_indices(gep)) {
      Operand value = value_of(index);
      if (const auto* boolean = std::get_if<ConstBool>(&value)) {
        value = ConstInt{boolean->value ? 1 : 0};
      }
      constant = constant && std::holds_alternative<ConstInt>(value);
      indices.push_back(value);
    }
    if (!constant && speculating_ > 0) return not_known_on_trial();
    const GepOffset step = constant ? gep_offset(gep.ty, indices) : GepOffset{};
    const bool known = constant && step.kind == GepOffset::Kind::Known;
    if (gep.base.starts_with('@')) {
      if (known && arrays_.contains(gep.base)) {
        set_global_pointer(gep.result, GlobalPointer{gep.base, step.bytes});
      }
    } else if (const auto global = global_pointers_.find(gep.base);
               global != global_pointers_.end()) {
      std::int64_t offset = 0;
      if (known && !__builtin_add_overflow(global->second.offset, step.bytes, &offset)) {
        set_global_pointer(gep.result, GlobalPointer{global->second.global, offset});
      }
    } else if (const auto slot = slot_of(gep.base)) {
      SlotRef ref = *slot;
      ref.resolved =
          ref.resolved && known && !__builtin_add_overflow(slot->offset, step.bytes, &ref.offset);
      set_slot_pointer(gep.result, ref);
    }
    Gep made = gep;
    if (!gep.base.starts_with('@')) {
      ASSIGN_OR_RETURN(made.base, name_of(gep.base));
    }
    made.indices.begin = static_cast<std::uint32_t>(out_.operands.size());
    for (const Operand& index : indices) push_operand(index);
    made.result = define(gep.result, instance, place);
    current().push_back(made);
    return false;
  }

  Result<bool> copy_load(const Load& load, const SlotValues& slots, std::uint32_t instance,
                         std::optional<std::size_t> place) {
    if (const auto global = global_pointers_.find(load.pointer); global != global_pointers_.end()) {
      const GlobalArray& array = arrays_.at(global->second.global);
      const std::int64_t offset = global->second.offset;
      const auto size = static_cast<std::int64_t>(array.element_size);
      const bool same_kind = (load.ty == array.element_ty) ||
                             ((load.ty == "ptr" || load.ty.ends_with('*')) &&
                              (array.element_ty == "ptr" || array.element_ty.ends_with('*')));
      if (same_kind && offset % size == 0) {
        const std::int64_t index = offset / size;
        if (index < 0 || static_cast<std::uint64_t>(index) >= array.elements.size()) {
          return lowering_error("load " + quote_text(load.result) + " reads element " +
                                std::to_string(index) + " of the constant array " +
                                std::string(global->second.global) + ", which holds " +
                                std::to_string(array.elements.size()));
        }
        changed_ = true;
        Operand element = array.elements[static_cast<std::size_t>(index)];
        if (const auto width = integer_type_width(load.ty); width >= 1 && width <= 64) {
          if (const auto value = int_value(element, width)) {
            element = int_constant(static_cast<std::uint64_t>(*value), width);
          }
        }
        set_value(load.result, element);
        return false;
      }
    }
    if (const auto slot = slot_of(load.pointer); slot && slot->resolved) {
      const auto found = slots.find(memory_key(slot->base, slot->offset));
      if (found != slots.end()) {
        const Operand& held = found->second;
        const bool pointer = load.ty == "ptr" || load.ty.ends_with('*');
        if (pointer && std::holds_alternative<PtrConst>(held)) {
          set_value(load.result, held);
          return false;
        }
        if (load.ty == "double" && std::holds_alternative<ConstFloat>(held)) {
          set_value(load.result, held);
          return false;
        }
        const std::uint32_t width = integer_type_width(load.ty);
        if (const auto value = width >= 1 && width <= 64 ? int_value(held, width) : std::nullopt) {
          set_value(load.result, int_constant(static_cast<std::uint64_t>(*value), width));
          return false;
        }
      }
    }
    Load made = load;
    ASSIGN_OR_RETURN(made.pointer, name_of(load.pointer));
    made.result = define(load.result, instance, place);
    current().push_back(made);
    return false;
  }

  const Module& module_;
  const Function& function_;
  std::uint64_t budget_;
  std::uint64_t spent_ = 0;
  std::uint32_t count_ = 0;
  const Cfg& graph_;                        // the function's
  std::vector<std::uint32_t> loop_of_;      // innermost loop of each block
  std::vector<std::uint32_t> header_loop_;  // the loop a block heads
  std::vector<Loop> loops_;
  std::vector<std::uint32_t> top_items_;
  std::unordered_map<std::string_view, GlobalArray> arrays_;
  std::vector<std::vector<Edge>> pending_;
  std::unordered_map<std::string_view, Operand> values_;
  std::unordered_map<std::string_view, SlotRef> slot_pointers_;
  std::unordered_map<std::string_view, GlobalPointer> global_pointers_;
  std::uint32_t instances_ = 0;
  std::uint32_t returns_ = 0;    // blocks that return, of those reached from the entry
  std::string_view exit_label_;  // the one returning block, once a return goes there
  std::vector<std::optional<LoopNeeds>> needs_;  // by loop, worked out on first use
  std::vector<bool> unrolled_;                   // by loop: a trial copy failed
  int speculating_ = 0;                          // loops being copied once on trial
  std::vector<std::pair<std::string_view, std::optional<Operand>>> value_log_;
  std::vector<std::pair<std::string_view, std::optional<SlotRef>>> slot_pointer_log_;
  std::vector<std::pair<std::string_view, std::optional<GlobalPointer>>> global_pointer_log_;
  std::vector<std::uint32_t> edge_log_;  // blocks given an edge while on trial
  std::string_view needed_;
  bool entry_ = false;
  bool changed_ = false;
  Function out_;
};

}  // namespace

Result<std::optional<Function>> unroll_counted_loops(const Module& module, const Function& function,
                                                     const Cfg& graph, std::uint64_t budget) {
  Unroller unroller(module, function, graph, budget);
  return unroller.run();
}

}  // namespace corvane
