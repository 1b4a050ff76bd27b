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

namespace {

// Adds to `size` the statements and expression nodes of one statement and
// queues its if/while bodies; expressions are walked on a reused stack.
struct CopySizeVisitor {
  std::uint64_t& size;
  std::vector<const std::vector<Stmt>*>& lists;
  std::vector<const Expr*>& exprs;

  void expr(const Expr& root) {
    exprs.push_back(&root);
    while (!exprs.empty()) {
      const Expr* e = exprs.back();
      exprs.pop_back();
      ++size;
      if (const auto* index = std::get_if<Index>(&e->node)) {
        exprs.push_back(&*index->base);
        exprs.push_back(&*index->index);
      } else if (const auto* unary = std::get_if<UnaryExpr>(&e->node)) {
        exprs.push_back(&*unary->operand);
      } else if (const auto* binary = std::get_if<BinaryExpr>(&e->node)) {
        exprs.push_back(&*binary->lhs);
        exprs.push_back(&*binary->rhs);
      }
    }
  }
  void ident(const IndexedIdent& target) {
    ++size;
    if (target.index) ++size;  // the index counts as one literal node
  }

  void operator()(const Include&) {}
  void operator()(const QubitDecl&) {}
  void operator()(const BitDecl&) {}
  void operator()(const OutputBitDecl&) {}
  void operator()(const IntDecl& decl) { expr(decl.init); }
  void operator()(const Assign& assign) {
    ident(assign.target);
    expr(assign.value);
  }
  void operator()(const GateCall& call) {
    for (const Expr& param : call.params) expr(param);
    for (const IndexedIdent& qubit : call.qubits) ident(qubit);
  }
  void operator()(const Measure& measure) {
    ident(measure.qubit);
    ident(measure.result);
  }
  void operator()(const Reset& reset) { ident(reset.qubit); }
  void operator()(const RecordMark&) {}
  void operator()(const If& branch) {
    expr(branch.cond);
    lists.push_back(&branch.then_body);
    lists.push_back(&branch.else_body);
  }
  void operator()(const While& loop) {
    expr(loop.cond);
    lists.push_back(&loop.body);
  }
};

}  // namespace

std::uint64_t measure_copy_size(const std::vector<Stmt>& list) {
  std::uint64_t size = 0;
  std::vector<const std::vector<Stmt>*> lists{&list};
  std::vector<const Expr*> exprs;
  CopySizeVisitor visitor{size, lists, exprs};
  while (!lists.empty()) {
    const std::vector<Stmt>* top = lists.back();
    lists.pop_back();
    size += top->size();
    for (const Stmt& stmt : *top) std::visit(visitor, stmt.node);
  }
  return size;
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
