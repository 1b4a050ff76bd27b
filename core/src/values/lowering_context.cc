#include "values/lowering_context.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "support/text.h"
#include "values/state_tracking.h"

namespace corvane {
namespace {

// A node of measure_expr's explicit stack and the depth at which it sits.
struct MeasureFrame {
  const Expr* expr = nullptr;
  std::uint64_t depth = 0;
};

// Writes the children of `expr` (one level deeper) to `out`; returns their number.
std::size_t children_of(const Expr& expr, std::uint64_t depth, std::array<MeasureFrame, 2>& out) {
  if (const auto* index = std::get_if<Index>(&expr.node)) {
    out = {MeasureFrame{&*index->base, depth + 1}, MeasureFrame{&*index->index, depth + 1}};
    return 2;
  }
  if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) {
    out[0] = {&*unary->operand, depth + 1};
    return 1;
  }
  if (const auto* binary = std::get_if<BinaryExpr>(&expr.node)) {
    out = {MeasureFrame{&*binary->lhs, depth + 1}, MeasureFrame{&*binary->rhs, depth + 1}};
    return 2;
  }
  return 0;
}

bool is_atom(const Expr& expr) {
  return std::holds_alternative<Ident>(expr.node) || std::holds_alternative<IntLit>(expr.node) ||
         std::holds_alternative<FloatLit>(expr.node) || std::holds_alternative<BoolLit>(expr.node);
}

}  // namespace

void LoweringContext::bind(std::string_view name, Expr value) {
  if (tracker == nullptr) {
    env.insert_or_assign(name, std::move(value));
    return;
  }
  const bool state = reads_state(value);
  env.insert_or_assign(name, std::move(value), tracker->point, state);
}

Result<Expr> LoweringContext::lookup(std::string_view name) const {
  if (!angle_values.empty()) {
    const auto angle = angle_values.find(name);
    if (angle != angle_values.end()) {
      return lowering_error("double value " + quote_text(name) + " computed by `" +
                            std::string(angle->second.opcode) +
                            "` is used other than as a gate angle or in further float "
                            "arithmetic; float variables are not supported");
    }
  }
  return lookup_angle(name);
}

Result<Expr> LoweringContext::lookup_angle(std::string_view name) const {
  auto it = env.find(name);
  if (it == env.end()) {
    // Streamed, the definition may be in a block further down the text.
    if (tracker != nullptr && tracker->streaming()) tracker->require_whole_function();
    return lowering_error("SSA value " + quote_text(name) +
                          " is used but was never bound; upstream instruction may be unsupported");
  }
  RETURN_IF_ERROR(charge_copied_nodes(*this, name, measure_expr(it->second).nodes));
  if (tracker != nullptr && it->reads_state) tracker->note_use(name, it->defined, it->second);
  return it->second;
}

void LoweringContext::note_use(std::string_view name) const {
  if (tracker == nullptr) return;
  const auto* entry = env.find(name);
  if (entry != nullptr && entry->reads_state)
    tracker->note_use(name, entry->defined, entry->second);
}

void LoweringContext::record_int_pointer(std::string_view name, std::int64_t index) {
  int_pointers.insert_or_assign(name, index);
}

std::optional<std::int64_t> LoweringContext::lookup_int_pointer(std::string_view name) const {
  auto it = int_pointers.find(name);
  if (it == int_pointers.end()) return std::nullopt;
  return it->second;
}

ExprMetrics measure_expr(const Expr& expr) {
  if (is_atom(expr)) return {1, 1};
  // Most expressions are small (c[0], a comparison of two bits): walk them on a
  // fixed local stack and move to the heap only for large trees.
  constexpr std::size_t kLocalFrames = 64;
  std::array<MeasureFrame, kLocalFrames> local;
  std::size_t local_size = 0;
  std::vector<MeasureFrame> heap;
  ExprMetrics metrics;
  local[local_size++] = {&expr, 1};
  while (local_size > 0 || !heap.empty()) {
    MeasureFrame frame;
    if (!heap.empty()) {
      frame = heap.back();
      heap.pop_back();
    } else {
      frame = local[--local_size];
    }
    ++metrics.nodes;
    if (frame.depth > metrics.depth) metrics.depth = frame.depth;
    std::array<MeasureFrame, 2> children;
    const std::size_t count = children_of(*frame.expr, frame.depth, children);
    for (std::size_t i = 0; i < count; ++i) {
      if (heap.empty() && local_size < kLocalFrames) {
        local[local_size++] = children[i];
      } else {
        heap.push_back(children[i]);
      }
    }
  }
  return metrics;
}

Status bind_checked(LoweringContext& context, std::string_view name, Expr value) {
  const ExprMetrics metrics = measure_expr(value);
  if (metrics.depth > kMaxExprDepth) {
    return lowering_error("expression for SSA value " + quote_text(name) +
                              " exceeds the limit of " + std::to_string(kMaxExprDepth) +
                              " nested operations",
                          ErrorClass::Limit);
  }
  if (metrics.nodes > kMaxExprNodes) {
    return lowering_error("expression for SSA value " + quote_text(name) +
                              " exceeds the limit of " + std::to_string(kMaxExprNodes) + " nodes",
                          ErrorClass::Limit);
  }
  context.bind(name, std::move(value));
  return ok_status();
}

Status charge_copied_nodes(const LoweringContext& context, std::string_view name,
                           std::uint64_t nodes) {
  if (nodes > context.copy_budget || context.copied_nodes > context.copy_budget - nodes) {
    return lowering_error("expression for SSA value " + quote_text(name) +
                              " cannot be copied into another use: the translation has used up its "
                              "budget of " +
                              std::to_string(context.copy_budget) + " copied expression nodes",
                          ErrorClass::Limit);
  }
  context.copied_nodes += nodes;
  return ok_status();
}

}  // namespace corvane
