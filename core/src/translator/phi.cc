// Phi patterns. A phi either binds an expression (short-circuit merge,
// materialised Boolean) or becomes an integer variable declared before the
// program body and assigned at the end of its predecessor blocks (if-merge).
// A pattern answers only whether it took the phi: every check runs before
// anything is bound, declared or appended, so a phi no pattern takes leaves the
// lowering state as it was for the general lowering.
#include "translator/phi.h"

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "cfg/cfg.h"
#include "support/text.h"
#include "translator/classical.h"
#include "translator/error_place.h"

namespace corvane {

namespace {

// The value of a 0/1 incoming constant, if the operand is one.
std::optional<bool> zero_one_constant(const Operand& operand) {
  if (const auto* boolean = std::get_if<ConstBool>(&operand)) return boolean->value;
  if (const auto* integer = std::get_if<ConstInt>(&operand)) {
    if (integer->value == 0) return false;
    if (integer->value == 1) return true;
  }
  return std::nullopt;
}

// Position of a processed record.
std::uint32_t position_of(const ProcessedBlocks& processed, const BlockRecord& block) {
  return static_cast<std::uint32_t>(&block - processed.blocks().data());
}

// A copy of the branch condition of `branch`, charged to the phi's result
// name (nothing past the copy budget); the value it came from is used here.
std::optional<Expr> copy_condition(const LoweringContext& context, std::string_view result,
                                   const ProcessedBlocks& processed, const BlockRecord& branch) {
  const Expr& condition = *branch.condition;
  if (!charge_copied_nodes(context, result, measure_expr(condition).nodes).ok()) {
    return std::nullopt;
  }
  if (context.tracker != nullptr) {
    if (const auto value = context.tracker->branch_value(position_of(processed, branch))) {
      context.note_use(*value);
    }
  }
  return condition;
}

// Moves the tracker (if any) to `point` for the lookups of a phi's incoming
// values, which are used at the end of their predecessors, and back again.
class UsePoint {
 public:
  UsePoint(const LoweringContext& context, ProgramPoint point) : tracker_(context.tracker) {
    if (tracker_ == nullptr) return;
    saved_ = tracker_->point;
    tracker_->point = point;
  }
  ~UsePoint() {
    if (tracker_ != nullptr) tracker_->point = saved_;
  }
  UsePoint(const UsePoint&) = delete;
  UsePoint& operator=(const UsePoint&) = delete;

 private:
  StateTracker* tracker_;
  ProgramPoint saved_;
};

// A fresh point among the statements appended to `block`.
ProgramPoint appended_point(const LoweringContext& context, const ProcessedBlocks& processed,
                            const BlockRecord& block) {
  if (context.tracker == nullptr) return {};
  return context.tracker->appended_point(position_of(processed, block));
}

// The short-circuit merge of `a && b` or `a || b`: one constant incoming from
// a block that branches on the left operand, the other the right operand.
bool lower_short_circuit(const Phi& phi, std::span<const Incoming> incomings,
                         std::string_view block_label, ProcessedBlocks& processed,
                         LoweringContext& context) {
  if (incomings.size() != 2) return false;
  const std::optional<bool> first = zero_one_constant(incomings[0].value);
  const std::optional<bool> second = zero_one_constant(incomings[1].value);
  // Exactly one constant incoming.
  if (first.has_value() == second.has_value()) return false;
  const Incoming& constant = first.has_value() ? incomings[0] : incomings[1];
  const Incoming& other = first.has_value() ? incomings[1] : incomings[0];
  const bool k = first.has_value() ? *first : *second;

  const BlockRecord* pred = processed.find_conditional(constant.pred);
  if (pred == nullptr) return false;
  std::optional<Expr> lhs = copy_condition(context, phi.result, processed, *pred);
  if (!lhs) return false;
  const auto* ssa = std::get_if<Ssa>(&other.value);
  if (ssa == nullptr) return false;
  // The incoming value leaves its predecessor at that block's branch. A
  // predecessor not lowered yet may be a loop's latch, which reaches this
  // block again after the branch went this way: no merge of one branch.
  const BlockRecord* rhs_block = processed.find_first(other.pred);
  if (rhs_block == nullptr) return false;
  const ProgramPoint rhs_at{position_of(processed, *rhs_block), kBranchStep};
  Expr rhs;
  {
    const UsePoint at(context, rhs_at);
    Result<Expr> looked_up = context.lookup(ssa->name);
    if (!looked_up.ok()) return false;
    rhs = std::move(looked_up).value();
  }
  Expr left = truth_value(std::move(*lhs));
  rhs = truth_value(std::move(rhs));

  // The constant flows in when the predecessor's branch takes the edge to this
  // block: on its true edge the constant stands for c, on its false edge for !c.
  // A phi block that is neither successor keeps the plain c.
  const bool via_true = !pred->successors.empty() && pred->successors[0].view() == block_label;
  const bool via_false =
      !via_true && pred->successors.size() == 2 && pred->successors[1].view() == block_label;
  const bool negate = (via_true && !k) || (via_false && k);
  Expr c = negate ? make_not(std::move(left)) : std::move(left);
  return bind_checked(
             context, phi.result,
             make_binary_expr(k ? BinaryOp::Or : BinaryOp::And, std::move(c), std::move(rhs)))
      .ok();
}

// What the 0/1 diamond made of a phi: lowered, another shape (the if-merge
// may take it), or a diamond it could not lower (no pattern takes the phi).
enum class DiamondOutcome : std::uint8_t { Lowered, OtherShape, Refused };

// The 0/1 diamond: r = c or r = 1 - c.
DiamondOutcome try_materialise(const Phi& phi, std::span<const Incoming> incomings,
                               ProcessedBlocks& processed, LoweringContext& context) {
  const std::optional<bool> first = zero_one_constant(incomings[0].value);
  const std::optional<bool> second = zero_one_constant(incomings[1].value);
  if (!first.has_value() || !second.has_value() || *first == *second)
    return DiamondOutcome::OtherShape;
  for (const Incoming& incoming : incomings) {
    const BlockRecord* arm = processed.find_first(incoming.pred);
    if (arm == nullptr || arm->condition.has_value() || count_unmarked(arm->statements) != 0 ||
        arm->successors.size() != 1) {
      return DiamondOutcome::OtherShape;
    }
  }
  const BlockRecord* branch = processed.find_branch_to(incomings[0].pred, incomings[1].pred);
  if (branch == nullptr) return DiamondOutcome::OtherShape;
  const bool k = branch->successors[0].view() == incomings[0].pred ? *first : *second;
  std::optional<Expr> condition = copy_condition(context, phi.result, processed, *branch);
  if (!condition) return DiamondOutcome::Refused;
  Expr value =
      k ? std::move(*condition) : make_binary_expr(BinaryOp::Sub, IntLit{1}, std::move(*condition));
  if (!bind_checked(context, phi.result, std::move(value)).ok()) return DiamondOutcome::Refused;
  return DiamondOutcome::Lowered;
}

// An incoming value of an integer phi as an expression, if it is a constant
// that fits an i64 or a bound SSA value.
std::optional<Expr> incoming_int_expr(const Operand& operand, const LoweringContext& context) {
  if (const auto* integer = std::get_if<ConstInt>(&operand)) {
    if (integer->value < std::numeric_limits<std::int64_t>::min() ||
        integer->value > std::numeric_limits<std::int64_t>::max()) {
      return std::nullopt;
    }
    return Expr(IntLit{static_cast<std::int64_t>(integer->value)});
  }
  if (const auto* boolean = std::get_if<ConstBool>(&operand)) {
    return Expr(IntLit{boolean->value ? 1 : 0});
  }
  if (const auto* ssa = std::get_if<Ssa>(&operand)) {
    Result<Expr> looked_up = context.lookup(ssa->name);
    if (!looked_up.ok()) return std::nullopt;
    return std::move(looked_up).value();
  }
  return std::nullopt;
}

// The integer if-merge: one incoming from a block with a conditional branch
// (the initial value), the other from one without (the update).
bool lower_if_merge(const Phi& phi, std::span<const Incoming> incomings, ProcessedBlocks& processed,
                    HoistedDecls& hoisted, LoweringContext& context, const LoweringPlan& plan) {
  BlockRecord* first = processed.find_first(incomings[0].pred);
  BlockRecord* second = processed.find_first(incomings[1].pred);
  if (first == nullptr || second == nullptr ||
      first->condition.has_value() == second->condition.has_value()) {
    return false;
  }
  const bool first_is_init = first->condition.has_value();
  const Incoming& init_incoming = first_is_init ? incomings[0] : incomings[1];
  const Incoming& update_incoming = first_is_init ? incomings[1] : incomings[0];
  BlockRecord& init_block = first_is_init ? *first : *second;
  BlockRecord& update_block = first_is_init ? *second : *first;

  // Each incoming value is used where its predecessor ends.
  const ProgramPoint init_at = appended_point(context, processed, init_block);
  const ProgramPoint update_at = appended_point(context, processed, update_block);
  std::optional<Expr> init_value;
  std::optional<Expr> update_value;
  {
    const UsePoint at(context, init_at);
    init_value = incoming_int_expr(init_incoming.value, context);
  }
  if (!init_value) return false;
  {
    const UsePoint at(context, update_at);
    update_value = incoming_int_expr(update_incoming.value, context);
  }
  if (!update_value) return false;
  Expr init = std::move(*init_value);
  Expr update = std::move(*update_value);
  StateTracker* tracker = context.tracker;
  const IntRange assigned =
      expr_range(init, context.variable_ranges).join(expr_range(update, context.variable_ranges));

  std::string variable;
  const auto* init_ident = std::get_if<Ident>(&init.node);
  if (init_ident != nullptr && hoisted.has_int(init_ident->name)) {
    variable = init_ident->name;
  } else {
    variable = "cint_" + std::to_string(hoisted.size());
    if (std::holds_alternative<IntLit>(init.node) && !plan.inits_in_block(phi.result)) {
      hoisted.add_int(variable, std::move(init));
      // Right as long as no write of the variable can come before the end of
      // the init predecessor (in a loop the update can).
      if (tracker != nullptr) {
        tracker->note_declared_init(phi.result, variable,
                                    ProgramPoint{position_of(processed, init_block), kBranchStep});
      }
    } else {
      // A computed init (a measured bit, say) does not exist yet where the
      // declarations stand; assign it where the init predecessor has it.
      hoisted.add_int(variable, IntLit{0});
      context.variable_ranges.widen(variable, IntRange::point(0));
      init_block.statements.push_back(
          Assign{IndexedIdent{variable, std::nullopt}, std::move(init)});
      if (tracker != nullptr) tracker->note_appended_write(variable, init_at, init_block);
    }
  }
  const auto* update_ident = std::get_if<Ident>(&update.node);
  if (update_ident == nullptr || update_ident->name != variable) {
    update_block.statements.push_back(
        Assign{IndexedIdent{variable, std::nullopt}, std::move(update)});
    if (tracker != nullptr) tracker->note_appended_write(variable, update_at, update_block);
  }
  context.variable_ranges.widen(variable, assigned);
  context.bind(phi.result, Ident{std::move(variable)});
  return true;
}

bool lower_integer_phi(const Phi& phi, std::span<const Incoming> incomings,
                       ProcessedBlocks& processed, HoistedDecls& hoisted, LoweringContext& context,
                       const LoweringPlan& plan) {
  if (incomings.size() != 2) return false;
  switch (try_materialise(phi, incomings, processed, context)) {
    case DiamondOutcome::Lowered:
      return true;
    case DiamondOutcome::Refused:
      return false;
    case DiamondOutcome::OtherShape:
      break;
  }
  return lower_if_merge(phi, incomings, processed, hoisted, context, plan);
}

// The width of a phi type the general lowering takes, or 0.
std::uint32_t general_phi_width(std::string_view ty) {
  if (ty == "i1") return 1;
  if (ty == "i32") return 32;
  if (ty == "i64") return 64;
  return 0;
}

// An edge of the block graph and the positions in `copies` of its assignments.
struct EdgeCopies {
  std::string_view pred;
  std::string_view block;
  std::vector<std::size_t> copies;
};

// A label no record has: the edge's ends, made unique by a number if needed.
std::string edge_label(ProcessedBlocks& processed, std::string_view pred, std::string_view block) {
  const std::string base = std::string(pred) + ".to." + std::string(block);
  std::string label = base;
  for (std::size_t n = 1; processed.find_first(label) != nullptr; ++n) {
    label = base + "." + std::to_string(n);
  }
  return label;
}

// Each phi has an incoming value for every block that branches to its block
// (LLVM's rule; without it the variable would keep a stale value).
Status check_every_predecessor(std::string_view source, const std::vector<PhiCopy>& copies,
                               const ProcessedBlocks& processed) {
  const Cfg graph = record_cfg(processed.blocks());
  // The copies of one phi are consecutive.
  std::unordered_set<std::string_view> covered;
  for (std::size_t begin = 0; begin < copies.size();) {
    std::size_t end = begin;
    covered.clear();
    for (; end < copies.size() && copies[end].variable == copies[begin].variable; ++end) {
      covered.insert(copies[end].pred);
    }
    const std::uint32_t block = graph.index_of(copies[begin].block);
    const std::span<const std::uint32_t> preds =
        block == kNoBlock ? std::span<const std::uint32_t>() : graph.predecessors(block);
    for (const std::uint32_t position : preds) {
      const std::string_view pred = graph.label(position);
      if (covered.count(pred) == 0) {
        TranslateError error =
            lowering_error("phi " + quote_text(copies[begin].phi) +
                           " has no incoming value for its predecessor " + quote_text(pred));
        const auto place = line_of_view(copies[begin].phi, source);
        return place ? placed(std::move(error), *place) : error;
      }
    }
    begin = end;
  }
  return ok_status();
}

}  // namespace

bool lower_phi_pattern(const Phi& phi, std::span<const Incoming> incomings,
                       std::string_view block_label, ProcessedBlocks& processed,
                       HoistedDecls& hoisted, LoweringContext& context, const LoweringPlan& plan) {
  // A loop-carried phi (its own block among the predecessors) is no pattern's.
  for (const Incoming& incoming : incomings) {
    if (incoming.pred == block_label) return false;
  }
  if (phi.ty == "i1") return lower_short_circuit(phi, incomings, block_label, processed, context);
  if (phi.ty == "i32" || phi.ty == "i64") {
    return lower_integer_phi(phi, incomings, processed, hoisted, context, plan);
  }
  return false;
}

bool general_phi_type(std::string_view ty) { return general_phi_width(ty) != 0; }

Status lower_general_phi(const Phi& phi, std::span<const Incoming> incomings,
                         std::string_view block_label, HoistedDecls& hoisted,
                         LoweringContext& context, std::vector<PhiCopy>& copies) {
  const std::uint32_t width = general_phi_width(phi.ty);
  if (width == 0) {
    return lowering_error("phi " + std::string(phi.ty) + " is not yet supported (SSA " +
                          quote_text(phi.result) +
                          "); only `phi i1` and `phi i32`/`phi i64` are lowered today");
  }
  // Every incoming is checked before anything is declared or bound.
  for (const Incoming& incoming : incomings) {
    if (const auto* integer = std::get_if<ConstInt>(&incoming.value)) {
      if (integer->value < std::numeric_limits<std::int64_t>::min() ||
          integer->value > std::numeric_limits<std::int64_t>::max()) {
        return lowering_error("phi integer incoming constant " + int128_to_string(integer->value) +
                              " does not fit in i64");
      }
    } else if (!std::holds_alternative<ConstBool>(incoming.value) &&
               !std::holds_alternative<Ssa>(incoming.value)) {
      return lowering_error("phi " + std::string(phi.ty) + " " + quote_text(phi.result) +
                            " incoming must be a constant or SSA reference, got " +
                            operand_debug(incoming.value));
    }
  }
  // A predecessor listed twice (both edges of a branch) gives one value, assigned once.
  std::unordered_map<std::string_view, std::size_t> first_of;
  std::vector<std::size_t> kept;
  kept.reserve(incomings.size());
  for (std::size_t i = 0; i < incomings.size(); ++i) {
    const auto [it, inserted] = first_of.try_emplace(incomings[i].pred, i);
    if (inserted) {
      kept.push_back(i);
    } else if (!(incomings[it->second].value == incomings[i].value)) {
      return lowering_error("phi " + quote_text(phi.result) + " gives predecessor " +
                            quote_text(incomings[i].pred) + " two different incoming values");
    }
  }
  std::string variable = "cint_" + std::to_string(hoisted.size());
  hoisted.add_int(variable, IntLit{0}, false);
  // Every value assigned is of the phi's type, in canonical form.
  context.variable_ranges.widen(variable, width_range(width));
  for (const std::size_t i : kept) {
    copies.push_back(PhiCopy{incomings[i].pred, std::string(block_label), variable,
                             &incomings[i].value, width, phi.result});
  }
  Expr read = Ident{variable};
  if (width == 1) read = make_binary_expr(BinaryOp::Eq, std::move(read), IntLit{1});
  context.bind(phi.result, std::move(read));
  return ok_status();
}

Status place_phi_copies(std::string_view source, const std::vector<PhiCopy>& copies,
                        ProcessedBlocks& processed, LoweringContext& context) {
  RETURN_IF_ERROR(check_every_predecessor(source, copies, processed));
  // The edges in the order their first assignment was made.
  std::vector<EdgeCopies> edges;
  std::unordered_map<std::string, std::size_t> edge_of;
  for (std::size_t i = 0; i < copies.size(); ++i) {
    const PhiCopy& copy = copies[i];
    std::string key = std::string(copy.pred) + '\n' + copy.block;
    auto [it, inserted] = edge_of.try_emplace(std::move(key), edges.size());
    if (inserted) edges.push_back(EdgeCopies{copy.pred, copy.block, {}});
    edges[it->second].copies.push_back(i);
  }
  for (const EdgeCopies& edge : edges) {
    BlockRecord* pred = processed.find_first(edge.pred);
    if (pred == nullptr) {
      return lowering_error("phi predecessor " + quote_text(edge.pred) +
                            " is not a block of this function");
    }
    bool reaches = false;
    bool elsewhere = false;
    for (const Name& successor : pred->successors) {
      (successor.view() == edge.block ? reaches : elsewhere) = true;
    }
    if (!reaches) {
      return lowering_error("phi predecessor " + quote_text(edge.pred) +
                            " does not branch to the phi's block " + quote_text(edge.block));
    }
    std::size_t position = position_of(processed, *pred);
    if (elsewhere) {
      // The predecessor also goes elsewhere: the assignments get a block of
      // their own on this edge.
      std::string label = edge_label(processed, edge.pred, edge.block);
      processed.redirect(*pred, edge.block, label);
      BlockRecord split;
      split.label = std::move(label);
      split.successors.emplace_back(edge.block);
      position = processed.blocks().size();
      processed.append(std::move(split));
    }
    for (const std::size_t i : edge.copies) {
      const PhiCopy& copy = copies[i];
      BlockRecord& block = processed.blocks_at(position);
      const ProgramPoint at = appended_point(context, processed, block);
      Expr value;
      {
        const UsePoint use(context, at);
        ASSIGN_OR_RETURN(value, int_operand_expr(*copy.value, copy.width, context));
      }
      block.statements.push_back(
          Assign{IndexedIdent{copy.variable, std::nullopt}, std::move(value)});
      if (context.tracker != nullptr)
        context.tracker->note_appended_write(copy.variable, at, block);
    }
  }
  return ok_status();
}

}  // namespace corvane
