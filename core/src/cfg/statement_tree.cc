// Iterative measuring and copying of statement trees. Only if/while bodies
// are walked with the explicit stack; the other statements hold expressions
// alone, which are copied with their own (depth-limited) copy constructors.
#include "cfg/statement_tree.h"

#include <algorithm>
#include <utility>

namespace corvane {
namespace {

// A copy of `stmt` in which if/while bodies are left empty, to be filled by
// the caller's walk.
Stmt copy_without_bodies(const Stmt& stmt) {
  if (const auto* branch = std::get_if<If>(&stmt.node)) {
    return If{branch->cond, {}, {}};
  }
  if (const auto* loop = std::get_if<While>(&stmt.node)) {
    return While{loop->cond, {}};
  }
  return stmt;
}

bool has_body(const Stmt& stmt) {
  return std::holds_alternative<If>(stmt.node) || std::holds_alternative<While>(stmt.node);
}

}  // namespace

StatementMeasure measure_statements(const std::vector<Stmt>& list) {
  StatementMeasure result;
  result.count = list.size();
  if (std::none_of(list.begin(), list.end(), has_body)) return result;

  struct Pending {
    const std::vector<Stmt>* list;
    std::uint32_t depth;  // if/while levels enclosing this list
  };
  std::vector<Pending> stack{{&list, 0}};
  while (!stack.empty()) {
    const Pending top = stack.back();
    stack.pop_back();
    for (const Stmt& stmt : *top.list) {
      if (const auto* branch = std::get_if<If>(&stmt.node)) {
        result.depth = std::max(result.depth, top.depth + 1);
        result.count += branch->then_body.size() + branch->else_body.size();
        stack.push_back({&branch->then_body, top.depth + 1});
        stack.push_back({&branch->else_body, top.depth + 1});
      } else if (const auto* loop = std::get_if<While>(&stmt.node)) {
        result.depth = std::max(result.depth, top.depth + 1);
        result.count += loop->body.size();
        stack.push_back({&loop->body, top.depth + 1});
      }
    }
  }
  return result;
}

void append_statement_copies(const std::vector<Stmt>& source, std::vector<Stmt>& target) {
  struct Pending {
    const std::vector<Stmt>* from;
    std::vector<Stmt>* to;
  };
  std::vector<Pending> stack;
  // Every target list is reserved before it is filled and never grows again,
  // so the addresses of its elements' bodies stay valid while queued.
  auto copy_level = [&stack](const std::vector<Stmt>& from, std::vector<Stmt>& to) {
    const std::size_t start = to.size();
    to.reserve(start + from.size());
    for (const Stmt& stmt : from) to.push_back(copy_without_bodies(stmt));
    for (std::size_t i = 0; i < from.size(); ++i) {
      const Stmt& original = from[i];
      Stmt& copy = to[start + i];
      if (const auto* branch = std::get_if<If>(&original.node)) {
        auto* copied = std::get_if<If>(&copy.node);
        stack.push_back({&branch->then_body, &copied->then_body});
        stack.push_back({&branch->else_body, &copied->else_body});
      } else if (const auto* loop = std::get_if<While>(&original.node)) {
        stack.push_back({&loop->body, &std::get_if<While>(&copy.node)->body});
      }
    }
  };
  copy_level(source, target);
  while (!stack.empty()) {
    const Pending top = stack.back();
    stack.pop_back();
    copy_level(*top.from, *top.to);
  }
}

}  // namespace corvane
