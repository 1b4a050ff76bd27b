// Rebuilds nested control flow from the lowered blocks of one function. Six
// rewrite passes, tried in a fixed priority (short-circuit merge, sequence
// merge, self-loop, if/else diamond, if-then triangle, while loop), each fold
// one recognised shape into a single block, until one block is left.
//
// Key invariant: every live node that matches pass k is pending in worklist k.
// A rewrite re-queues the nodes whose edges or record it changed, plus their
// predecessors when those can still use them as an arm, join or body (which
// needs at most two predecessors); a candidate that does not match is dropped
// until it is re-queued. Serving the lowest-numbered non-empty worklist, and
// within it the block that comes first in the input, therefore applies
// exactly the match that a fresh scan of every block in input order would
// find first: that of the lowest-numbered pass with any match, at the
// earliest such block. No rewrite rescans the graph.
//
// Statement lists are chains of the blocks' own vectors: a sequence merge
// links two chains in constant time, and a chain is flattened only when it
// becomes an if/while body or the result. Loop headers are the only
// statements copied; those copies are bounded by a budget, and if/while
// nesting by a depth limit, so that hostile inputs end in an error rather
// than exhausting memory or the stack of later tree walks.
#include "cfg/structure.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "cfg/block_graph.h"
#include "cfg/id_set.h"
#include "cfg/statement_tree.h"
#include "support/limits.h"
#include "support/prefault.h"
#include "support/text.h"

namespace corvane {
namespace {

constexpr std::uint32_t kNoChunk = 0xFFFFFFFFu;
// The passes in priority order; the numbering indexes the worklists.
enum class Pass : std::uint8_t {
  ShortCircuit = 0,
  Sequence = 1,
  SelfLoop = 2,
  Diamond = 3,
  Triangle = 4,
  WhileLoop = 5,
};
constexpr int kPassCount = 6;

// What the structurer keeps per block besides the BlockRecord itself.
struct BlockState {
  std::uint32_t succ_begin = 0;  // this block's successors in successor_ids_
  std::uint32_t succ_count = 0;
  std::uint32_t tail = 0;       // last chunk of the statement chain (the head is the block's own)
  std::uint64_t top_count = 0;  // statements at the top level of the chain
  std::uint32_t depth = 0;      // if/while nesting of the chain
  bool in_block_map = true;     // false once merged away by pass 1 or 2
};

// Open-addressing index from label to block id; the labels stay in the records.
class LabelIndex {
 public:
  static constexpr std::uint32_t kAbsent = 0xFFFFFFFFu;

  explicit LabelIndex(const std::vector<BlockRecord>& blocks) : blocks_(blocks) {
    std::size_t capacity = 16;
    while (capacity < blocks.size() * 2) capacity *= 2;
    slots_.assign(capacity, kAbsent);
    mask_ = capacity - 1;
  }

  /// Adds block `id` under its label; false when the label is already present.
  bool insert(std::uint32_t id) {
    std::size_t slot = slot_of(blocks_[id].label);
    if (slots_[slot] != kAbsent) return false;
    slots_[slot] = id;
    return true;
  }

  /// The id of the block with `label`, or kAbsent.
  std::uint32_t find(std::string_view label) const { return slots_[slot_of(label)]; }

 private:
  // The slot holding `label`, or the empty slot where it would go.
  std::size_t slot_of(std::string_view label) const {
    std::size_t slot = std::hash<std::string_view>{}(label)&mask_;
    while (slots_[slot] != kAbsent && blocks_[slots_[slot]].label != label) {
      slot = (slot + 1) & mask_;
    }
    return slot;
  }

  const std::vector<BlockRecord>& blocks_;
  std::vector<std::uint32_t> slots_;
  std::size_t mask_ = 0;
};

bool is_short_circuit(const std::optional<Expr>& condition) {
  if (!condition) return false;
  const auto* binary = std::get_if<BinaryExpr>(&condition->node);
  return binary != nullptr && (binary->op == BinaryOp::Or || binary->op == BinaryOp::And);
}

class Structurer {
 public:
  explicit Structurer(std::vector<BlockRecord>& blocks) : blocks_(blocks) {}

  Result<std::vector<Stmt>> run(std::string_view entry);

 private:
  Status set_up(std::string_view entry);
  std::uint32_t find_successor(const LabelIndex& ids, std::uint32_t block,
                               std::string_view target) const;
  Status reduce();
  Result<std::vector<Stmt>> finish();

  Result<bool> try_pass(Pass pass, std::uint32_t n);
  Result<bool> short_circuit_merge(std::uint32_t n);
  bool sequence_merge(std::uint32_t n);
  Result<bool> self_loop(std::uint32_t n);
  Result<bool> diamond(std::uint32_t n);
  Result<bool> triangle(std::uint32_t n);
  Result<bool> while_loop(std::uint32_t n);

  // Statement chains.
  void append_chain(std::uint32_t n, std::uint32_t x);
  // An if holding record marks alone counts for no statement (`marks_only`).
  void append_statement(std::uint32_t n, Stmt stmt, bool marks_only = false);
  // Whether the chain of n holds any statement (record marks included).
  bool has_marks(std::uint32_t n) const;
  std::vector<Stmt> take_chain(std::uint32_t n);
  std::vector<Stmt> copy_chain(std::uint32_t n) const;

  // Record successors and graph edges.
  std::uint32_t first_successor(std::uint32_t n) const {
    return successor_ids_[state_[n].succ_begin];
  }
  void set_single_successor(std::uint32_t n, std::uint32_t s);
  void adopt_successors(std::uint32_t n, std::uint32_t from);

  // Limits.
  Status check_depth(std::uint32_t n, std::uint32_t depth) const;
  Status check_copy_budget(std::uint32_t n);

  // Worklists.
  void enqueue(std::uint32_t node);
  void touch(std::uint32_t node);

  std::vector<BlockRecord>& blocks_;
  std::uint32_t entry_ = 0;
  std::vector<BlockState> state_;
  std::vector<std::uint32_t> successor_ids_;
  std::vector<std::uint32_t> next_chunk_;
  BlockGraph graph_{0};
  IdSet pending_[kPassCount];  // per pass, the nodes that may match it
  std::uint64_t copied_ = 0;
  std::uint64_t copy_budget_ = 0;  // set by the first check, before anything is copied
};

Result<std::vector<Stmt>> Structurer::run(std::string_view entry) {
  if (blocks_.empty()) return std::vector<Stmt>();
  // A lone entry block without successors is already the body; no pass can
  // match it, so the set-up over its (possibly many) statements is skipped.
  if (blocks_.size() == 1 && blocks_[0].successors.empty() && blocks_[0].label == entry) {
    return std::move(blocks_[0].statements);
  }
  RETURN_IF_ERROR(set_up(entry));
  RETURN_IF_ERROR(reduce());
  return finish();
}

// Labels are unique (set_up checks that first), so a block whose label equals
// `target` is the one. Producers write a branch's targets just after it, so
// the next two blocks are tried before the index: they are in cache, where a
// hash slot and the record it names are two likely misses on a large body.
std::uint32_t Structurer::find_successor(const LabelIndex& ids, std::uint32_t block,
                                         std::string_view target) const {
  for (std::uint32_t next = block + 1; next <= block + 2 && next < blocks_.size(); ++next) {
    if (blocks_[next].label == target) return next;
  }
  return ids.find(target);
}

Status Structurer::set_up(std::string_view entry) {
  if (blocks_.size() >= kNoChunk) {
    return control_flow_error("function has more blocks than corvane can structure",
                              ErrorClass::Limit);
  }
  const auto count = static_cast<std::uint32_t>(blocks_.size());

  LabelIndex ids(blocks_);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!ids.insert(i)) {
      return lowering_error("duplicate block label `%" + blocks_[i].label + "`",
                            ErrorClass::Malformed);
    }
  }
  entry_ = ids.find(entry);
  if (entry_ == LabelIndex::kAbsent) {
    return control_flow_error("entry block " + quote_text(entry) +
                              " not found among block lowerings");
  }

  // Targets are checked in label order: the reported one is the first missing
  // target of the block whose label sorts first among blocks with one.
  state_.resize(count);
  const BlockRecord* bad_block = nullptr;
  const Name* bad_target = nullptr;
  for (std::uint32_t i = 0; i < count; ++i) {
    BlockState& state = state_[i];
    state.succ_begin = static_cast<std::uint32_t>(successor_ids_.size());
    state.succ_count = static_cast<std::uint32_t>(blocks_[i].successors.size());
    for (const Name& target : blocks_[i].successors) {
      const std::uint32_t id = find_successor(ids, i, target);
      if (id != LabelIndex::kAbsent) {
        successor_ids_.push_back(id);
        continue;
      }
      if (bad_block == nullptr || blocks_[i].label < bad_block->label) {
        bad_block = &blocks_[i];
        bad_target = &target;
      }
      break;
    }
  }
  if (bad_target != nullptr) {
    return lowering_error("branch target `%" + std::string(bad_target->view()) +
                              "` does not match any block in this function",
                          ErrorClass::Malformed);
  }

  // The records' successor labels are ids from here on; long ones (beyond the
  // strings' inline room) are freed (every later message names blocks by
  // their own labels).
  for (BlockRecord& block : blocks_) block.successors.clear();

  graph_ = BlockGraph(count);
  graph_.reserve_edges(successor_ids_.size());
  next_chunk_.assign(count, kNoChunk);
  for (IdSet& pending : pending_) pending = IdSet(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    BlockState& state = state_[i];
    for (std::uint32_t k = 0; k < state.succ_count; ++k) {
      graph_.add_edge(i, successor_ids_[state.succ_begin + k]);
    }
    state.tail = i;
    // Record marks print nothing, so they count for no statement: the
    // shapes matched and the ifs kept are those of the printed statements.
    state.top_count = count_unmarked(blocks_[i].statements);
    state.depth = measure_statements(blocks_[i].statements).depth;
  }
  return ok_status();
}

Status Structurer::reduce() {
  for (IdSet& pending : pending_) pending.insert_all();
  while (true) {
    int pass = 0;
    while (pass < kPassCount && pending_[pass].empty()) ++pass;
    if (pass == kPassCount) return ok_status();
    const std::uint32_t n = pending_[pass].pop_smallest();
    if (!graph_.contains(n)) continue;
    // A rewrite re-queues what it changed itself; only errors matter here.
    RETURN_IF_ERROR(try_pass(static_cast<Pass>(pass), n));
  }
}

Result<std::vector<Stmt>> Structurer::finish() {
  // A last block that still jumps to itself is an endless loop, not a body.
  if (graph_.live_count() == 1 && graph_.contains(entry_) && graph_.out_size(entry_) == 0) {
    if (!state_[entry_].in_block_map) return internal_error("entry guaranteed present");
    // The graph and worklists are done with; freeing them first lowers the
    // peak, which comes as the body's statements are gathered into one list.
    graph_ = BlockGraph(0);
    for (IdSet& pending : pending_) pending = IdSet(0);
    std::vector<std::uint32_t>().swap(successor_ids_);
    return take_chain(entry_);
  }
  std::vector<std::string_view> remaining;
  remaining.reserve(graph_.live_count());
  std::optional<std::size_t> place;  // the terminator of the first remaining block in text order
  for (std::uint32_t i = 0; i < state_.size(); ++i) {
    if (!graph_.contains(i)) continue;
    remaining.push_back(blocks_[i].label);
    if (!place && blocks_[i].terminator_offset != kNoTerminatorOffset) {
      place = blocks_[i].terminator_offset;
    }
  }
  std::sort(remaining.begin(), remaining.end());
  TranslateError error = control_flow_error(
      "could not reduce CFG to a single block; remaining blocks: " +
      quote_list(remaining.data(), remaining.size()) +
      ". corvane supports only structured control flow (sequence, if/else, simple while).");
  return place ? placed(std::move(error), *place) : error;
}

Result<bool> Structurer::try_pass(Pass pass, std::uint32_t n) {
  switch (pass) {
    case Pass::ShortCircuit:
      return short_circuit_merge(n);
    case Pass::Sequence:
      return sequence_merge(n);
    case Pass::SelfLoop:
      return self_loop(n);
    case Pass::Diamond:
      return diamond(n);
    case Pass::Triangle:
      return triangle(n);
    case Pass::WhileLoop:
      return while_loop(n);
  }
  return false;  // unreachable: reduce() passes only the six enumerators
}

// n -> [t, f], one of them an empty arm whose only exit is the other (the join),
// and the join, reached only from n and the arm, branches on a || or && of its
// own: the join's condition already holds the combined value.
Result<bool> Structurer::short_circuit_merge(std::uint32_t n) {
  if (graph_.out_size(n) != 2) return false;
  const std::uint32_t t = graph_.out_at(n, 0);
  const std::uint32_t f = graph_.out_at(n, 1);
  const std::pair<std::uint32_t, std::uint32_t> orientations[] = {{t, f}, {f, t}};
  for (const auto& [arm, join] : orientations) {
    // A join equal to n would merge n's record into itself.
    if (join == n) continue;
    if (graph_.in_size(arm) != 1) continue;
    if (graph_.out_size(arm) != 1 || graph_.out_at(arm, 0) != join) continue;
    if (graph_.in_size(join) != 2) continue;
    const std::uint32_t p0 = graph_.in_at(join, 0);
    const std::uint32_t p1 = graph_.in_at(join, 1);
    if (!((p0 == n && p1 == arm) || (p0 == arm && p1 == n))) continue;
    if (state_[arm].top_count != 0) continue;
    if (!is_short_circuit(blocks_[join].condition)) continue;
    // The arm holds no statement that prints, but it may hold records: they
    // keep the condition they ran under in a branch of their own, which
    // prints nothing once the records are taken out.
    const bool guarded = has_marks(arm) && blocks_[n].condition.has_value();
    if (guarded) RETURN_IF_ERROR(check_depth(n, state_[arm].depth + 1));
    for (std::uint32_t chunk = arm; chunk != kNoChunk && !guarded; chunk = next_chunk_[chunk]) {
      for (Stmt& stmt : blocks_[chunk].statements) {
        if (auto* mark = std::get_if<RecordMark>(&stmt.node)) mark->unguarded = true;
      }
    }

    state_[arm].in_block_map = false;
    state_[join].in_block_map = false;
    if (guarded) {
      If branch{*blocks_[n].condition, {}, {}};
      (first_successor(n) == arm ? branch.then_body : branch.else_body) = take_chain(arm);
      append_statement(n, std::move(branch), true);
      state_[n].depth = std::max(state_[n].depth, state_[arm].depth + 1);
    } else {
      append_chain(n, arm);
    }
    append_chain(n, join);
    blocks_[n].condition = std::move(blocks_[join].condition);
    graph_.remove_node(arm);
    graph_.remove_node(join);
    adopt_successors(n, join);
    return true;
  }
  return false;
}

// n -> x where x has no other predecessor. A block whose only successor is
// itself is left alone: it is an endless loop, reported as unreducible.
bool Structurer::sequence_merge(std::uint32_t n) {
  if (graph_.out_size(n) != 1) return false;
  const std::uint32_t x = graph_.out_at(n, 0);
  if (x == n || graph_.in_size(x) != 1) return false;
  state_[x].in_block_map = false;
  append_chain(n, x);
  blocks_[n].condition = std::move(blocks_[x].condition);
  graph_.remove_node(x);
  adopt_successors(n, x);
  return true;
}

// n -> [n, exit]: the block runs once, then again while the loop condition holds.
Result<bool> Structurer::self_loop(std::uint32_t n) {
  if (graph_.out_size(n) != 2) return false;
  const std::uint32_t a = graph_.out_at(n, 0);
  const std::uint32_t b = graph_.out_at(n, 1);
  if (a != n && b != n) return false;
  const std::uint32_t exit = a == n ? b : a;

  std::optional<Expr>& condition = blocks_[n].condition;
  if (!condition) return internal_error("self-loop requires a conditional branch");
  Expr loop_condition = first_successor(n) == n
                            ? std::move(*condition)
                            : make_binary_expr(BinaryOp::Eq, std::move(*condition), IntLit{0});
  condition.reset();
  BlockState& state = state_[n];
  RETURN_IF_ERROR(check_depth(n, state.depth + 1));
  RETURN_IF_ERROR(check_copy_budget(n));

  std::vector<Stmt> body = copy_chain(n);
  append_statement(n, While{std::move(loop_condition), std::move(body)});
  state.depth += 1;
  set_single_successor(n, exit);
  graph_.remove_edge(n, n);
  touch(n);
  return true;
}

// n -> [t, f], both arms reached only from n and both continuing at one join.
Result<bool> Structurer::diamond(std::uint32_t n) {
  if (graph_.out_size(n) != 2) return false;
  const std::uint32_t t = graph_.out_at(n, 0);
  const std::uint32_t f = graph_.out_at(n, 1);
  if (graph_.in_size(t) != 1 || graph_.in_size(f) != 1) return false;
  if (graph_.out_size(t) != 1 || graph_.out_size(f) != 1) return false;
  const std::uint32_t join = graph_.out_at(t, 0);
  if (graph_.out_at(f, 0) != join) return false;

  const std::uint32_t then_arm = first_successor(n);
  const std::uint32_t else_arm = then_arm == t ? f : t;
  std::optional<Expr>& condition = blocks_[n].condition;
  if (!condition) return internal_error("conditional branch without a condition");
  Expr if_condition = std::move(*condition);
  condition.reset();
  const bool marks_only = state_[t].top_count == 0 && state_[f].top_count == 0;
  if (!marks_only || has_marks(t) || has_marks(f)) {
    const std::uint32_t depth = std::max(state_[t].depth, state_[f].depth) + 1;
    RETURN_IF_ERROR(check_depth(n, depth));
    append_statement(n, If{std::move(if_condition), take_chain(then_arm), take_chain(else_arm)},
                     marks_only);
    BlockState& state = state_[n];
    state.depth = std::max(state.depth, depth);
  }
  set_single_successor(n, join);
  graph_.remove_node(t);
  graph_.remove_node(f);
  graph_.add_edge(n, join);
  touch(n);
  touch(join);
  return true;
}

// n -> [arm, other] where the arm, reached only from n, continues at other.
Result<bool> Structurer::triangle(std::uint32_t n) {
  if (graph_.out_size(n) != 2) return false;
  const std::uint32_t t = graph_.out_at(n, 0);
  const std::uint32_t f = graph_.out_at(n, 1);
  const std::pair<std::uint32_t, std::uint32_t> orientations[] = {{t, f}, {f, t}};
  for (const auto& [arm, other] : orientations) {
    if (graph_.in_size(arm) != 1) continue;
    if (graph_.out_size(arm) != 1 || graph_.out_at(arm, 0) != other) continue;

    std::optional<Expr>& condition = blocks_[n].condition;
    if (!condition) return internal_error("conditional branch without a condition");
    Expr if_condition = std::move(*condition);
    condition.reset();
    const bool marks_only = state_[arm].top_count == 0;
    if (!marks_only || has_marks(arm)) {
      const std::uint32_t depth = state_[arm].depth + 1;
      RETURN_IF_ERROR(check_depth(n, depth));
      const bool arm_on_true = first_successor(n) == arm;
      std::vector<Stmt> body = take_chain(arm);
      If branch{std::move(if_condition), {}, {}};
      (arm_on_true ? branch.then_body : branch.else_body) = std::move(body);
      append_statement(n, std::move(branch), marks_only);
      BlockState& state = state_[n];
      state.depth = std::max(state.depth, depth);
    }
    set_single_successor(n, other);
    graph_.remove_node(arm);
    touch(n);
    touch(other);
    return true;
  }
  return false;
}

// n -> [body, exit] where the body, reached only from n, jumps back to n. The
// header runs once before the loop and again after every pass of the body.
Result<bool> Structurer::while_loop(std::uint32_t n) {
  if (graph_.out_size(n) != 2) return false;
  const std::uint32_t t = graph_.out_at(n, 0);
  const std::uint32_t f = graph_.out_at(n, 1);
  const std::pair<std::uint32_t, std::uint32_t> orientations[] = {{t, f}, {f, t}};
  for (const auto& [body, exit] : orientations) {
    if (body == exit || graph_.in_size(body) != 1) continue;
    if (graph_.out_size(body) != 1 || graph_.out_at(body, 0) != n) continue;

    std::optional<Expr>& condition = blocks_[n].condition;
    if (!condition) return internal_error("while needs a conditional branch");
    Expr loop_condition = first_successor(n) == body
                              ? std::move(*condition)
                              : make_binary_expr(BinaryOp::Eq, std::move(*condition), IntLit{0});
    condition.reset();
    BlockState& state = state_[n];
    const std::uint32_t depth = std::max(state_[body].depth, state.depth) + 1;
    RETURN_IF_ERROR(check_depth(n, depth));
    RETURN_IF_ERROR(check_copy_budget(n));

    std::vector<Stmt> loop_body = take_chain(body);
    std::vector<Stmt> header_copy = copy_chain(n);
    loop_body.reserve(loop_body.size() + header_copy.size());
    for (Stmt& stmt : header_copy) loop_body.push_back(std::move(stmt));
    append_statement(n, While{std::move(loop_condition), std::move(loop_body)});
    state.depth = depth;
    set_single_successor(n, exit);
    graph_.remove_node(body);
    touch(n);
    return true;
  }
  return false;
}

void Structurer::append_chain(std::uint32_t n, std::uint32_t x) {
  BlockState& to = state_[n];
  BlockState& from = state_[x];
  next_chunk_[to.tail] = x;
  to.tail = from.tail;
  to.top_count += from.top_count;
  to.depth = std::max(to.depth, from.depth);
}

void Structurer::append_statement(std::uint32_t n, Stmt stmt, bool marks_only) {
  blocks_[state_[n].tail].statements.push_back(std::move(stmt));
  if (!marks_only) state_[n].top_count += 1;
}

bool Structurer::has_marks(std::uint32_t n) const {
  for (std::uint32_t chunk = n; chunk != kNoChunk; chunk = next_chunk_[chunk]) {
    if (!blocks_[chunk].statements.empty()) return true;
  }
  return false;
}

std::vector<Stmt> Structurer::take_chain(std::uint32_t n) {
  // The first chunk's list becomes the body's, and the rest are appended.
  std::vector<Stmt> out = std::move(blocks_[n].statements);
  if (next_chunk_[n] == kNoChunk) return out;
  out.reserve(state_[n].top_count);
  prefault_for_writing(out.data() + out.size(), (out.capacity() - out.size()) * sizeof(Stmt));
  for (std::uint32_t chunk = next_chunk_[n]; chunk != kNoChunk; chunk = next_chunk_[chunk]) {
    std::vector<Stmt> statements = std::move(blocks_[chunk].statements);
    for (Stmt& stmt : statements) out.push_back(std::move(stmt));
  }
  return out;
}

std::vector<Stmt> Structurer::copy_chain(std::uint32_t n) const {
  std::vector<Stmt> out;
  out.reserve(state_[n].top_count);
  for (std::uint32_t chunk = n; chunk != kNoChunk; chunk = next_chunk_[chunk]) {
    append_statement_copies(blocks_[chunk].statements, out);
  }
  return out;
}

// The record's successor list never shrinks below two entries before this is
// called (the block had two distinct out edges), so the first slot is reused.
void Structurer::set_single_successor(std::uint32_t n, std::uint32_t s) {
  successor_ids_[state_[n].succ_begin] = s;
  state_[n].succ_count = 1;
}

// n takes over the successors of the merged block `from` (already removed from
// the graph) together with the edges to them.
void Structurer::adopt_successors(std::uint32_t n, std::uint32_t from) {
  state_[n].succ_begin = state_[from].succ_begin;
  state_[n].succ_count = state_[from].succ_count;
  const BlockState& state = state_[n];
  for (std::uint32_t k = 0; k < state.succ_count; ++k) {
    graph_.add_edge(n, successor_ids_[state.succ_begin + k]);
  }
  touch(n);
  for (std::uint32_t k = 0; k < state.succ_count; ++k) touch(successor_ids_[state.succ_begin + k]);
}

Status Structurer::check_depth(std::uint32_t n, std::uint32_t depth) const {
  if (depth <= kMaxNestingDepth) return ok_status();
  return control_flow_error("control flow at block " + quote_text(blocks_[n].label) +
                                " nests if/while statements deeper than " +
                                std::to_string(kMaxNestingDepth) +
                                " levels, the most corvane supports",
                            ErrorClass::Limit);
}

// Charges the copy of n's chain. The chain is measured rather than tracked so
// that functions without loops pay nothing; the measure costs no more than the
// copy it guards. The budget is fixed on the first call: nothing has been
// copied yet, so the blocks then hold exactly the function's own statements.
Status Structurer::check_copy_budget(std::uint32_t n) {
  if (copy_budget_ == 0) {
    std::uint64_t function_size = 0;
    for (const BlockRecord& block : blocks_) function_size += measure_copy_size(block.statements);
    copy_budget_ = std::max(kMinLoopHeaderCopyBudget, function_size);
  }
  std::uint64_t needed = 0;
  for (std::uint32_t chunk = n; chunk != kNoChunk; chunk = next_chunk_[chunk]) {
    needed += measure_copy_size(blocks_[chunk].statements);
  }
  if (needed <= copy_budget_ - copied_) {
    copied_ += needed;
    return ok_status();
  }
  return control_flow_error(
      "while loop at block " + quote_text(blocks_[n].label) +
          " would copy loop-header statements beyond the limit of " + std::to_string(copy_budget_) +
          " statements and expression nodes (the larger of " +
          std::to_string(kMinLoopHeaderCopyBudget) + " and the size of the function)",
      ErrorClass::Limit);
}

void Structurer::enqueue(std::uint32_t node) {
  for (IdSet& pending : pending_) pending.insert(node);
}

// Re-queues a node whose edges or record changed, and its predecessors when
// it has few enough of them to serve one of them as arm, join or body.
void Structurer::touch(std::uint32_t node) {
  if (!graph_.contains(node)) return;
  enqueue(node);
  const std::uint32_t preds = graph_.in_size(node);
  if (preds > 2) return;
  for (std::uint32_t i = 0; i < preds; ++i) enqueue(graph_.in_at(node, i));
}

}  // namespace

Result<std::vector<Stmt>> structure_blocks(std::vector<BlockRecord> blocks,
                                           std::string_view entry) {
  Structurer structurer(blocks);
  return structurer.run(entry);
}

}  // namespace corvane
