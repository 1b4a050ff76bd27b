// Builds the output map from the record marks of a lowered program. Two walks
// over the statement tree number its statements in the same order: the first
// finds, for every bit of `c`, the first and last statement that can write
// it (a write inside a while counts for the whole loop); the second runs the
// program symbolically, holding each int variable as a value over the final
// bits, and reads off every record where its mark stands.
#include "outputs/output_map.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <unordered_map>
#include <utility>

#include "openqasm/evaluate.h"

namespace corvane {
namespace {

// A value written out larger or deeper than this is not described (real
// values have a handful of nodes; evaluation recurses along the depth).
constexpr std::uint64_t kMaxValueNodes = 10'000;
constexpr std::uint32_t kMaxValueDepth = 200;
// Nodes written out for the whole map: this many plus one per byte of input.
constexpr std::uint64_t kMapNodeBase = 1'000'000;

std::uint64_t saturating_sum(std::uint64_t a, std::uint64_t b) {
  return a > std::numeric_limits<std::uint64_t>::max() - b
             ? std::numeric_limits<std::uint64_t>::max()
             : a + b;
}

bool is_lost(const ValueRef& node) { return node->kind == ValueNode::Kind::Lost; }

ValueRef make_lost(std::string reason) {
  ValueNode node;
  node.kind = ValueNode::Kind::Lost;
  node.reason = std::move(reason);
  return std::make_shared<const ValueNode>(std::move(node));
}

ValueRef make_const(std::int64_t value) {
  ValueNode node;
  node.kind = ValueNode::Kind::Const;
  node.number = value;
  return std::make_shared<const ValueNode>(std::move(node));
}

ValueRef make_bit(std::int64_t index) {
  ValueNode node;
  node.kind = ValueNode::Kind::Bit;
  node.number = index;
  return std::make_shared<const ValueNode>(std::move(node));
}

bool is_const(const ValueRef& node) { return node->kind == ValueNode::Kind::Const; }

// `node` with its size and depth from its operands, or a Lost node past the limits.
ValueRef finish(ValueNode node) {
  std::uint64_t size = 1;
  std::uint32_t depth = 0;
  for (const ValueRef* child : {&node.first, &node.second, &node.third}) {
    if (*child == nullptr) continue;
    size = saturating_sum(size, (*child)->size);
    depth = std::max(depth, (*child)->depth);
  }
  node.size = size;
  node.depth = depth + 1;
  if (size > kMaxValueNodes || node.depth > kMaxValueDepth) {
    return make_lost("its expression is too large to describe");
  }
  return std::make_shared<const ValueNode>(std::move(node));
}

ValueRef make_unary(UnaryOp op, ValueRef operand) {
  if (is_lost(operand)) return operand;
  if (is_const(operand)) return make_const(apply_unary(op, operand->number));
  ValueNode node;
  node.kind = ValueNode::Kind::Unary;
  node.unary = op;
  node.first = std::move(operand);
  return finish(std::move(node));
}

ValueRef make_binary(BinaryOp op, ValueRef lhs, ValueRef rhs) {
  // A left operand that decides && or || leaves the right one unread.
  if (is_const(lhs) &&
      ((op == BinaryOp::And && lhs->number == 0) || (op == BinaryOp::Or && lhs->number != 0))) {
    return make_const(op == BinaryOp::Or ? 1 : 0);
  }
  if (is_lost(lhs)) return lhs;
  if (is_lost(rhs)) return rhs;
  if (is_const(lhs) && is_const(rhs)) {
    if (const auto folded = apply_binary(op, lhs->number, rhs->number)) return make_const(*folded);
  }
  ValueNode node;
  node.kind = ValueNode::Kind::Binary;
  node.binary = op;
  node.first = std::move(lhs);
  node.second = std::move(rhs);
  return finish(std::move(node));
}

ValueRef make_choice(ValueRef cond, ValueRef then_value, ValueRef else_value) {
  if (then_value == else_value) return then_value;
  if (is_const(cond)) return cond->number != 0 ? then_value : else_value;
  if (is_lost(cond)) return cond;
  if (is_lost(then_value)) return then_value;
  if (is_lost(else_value)) return else_value;
  ValueNode node;
  node.kind = ValueNode::Kind::Choice;
  node.first = std::move(cond);
  node.second = std::move(then_value);
  node.third = std::move(else_value);
  return finish(std::move(node));
}

// The conjunction of a guard (null: true) and a condition.
ValueRef conjoin(const ValueRef& guard, ValueRef cond) {
  if (guard == nullptr) return cond;
  return make_binary(BinaryOp::And, guard, std::move(cond));
}

struct BitWrites {
  std::uint64_t first = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t last = 0;
};

// The index of `c[k]`, if `target` is such an element.
std::optional<std::int64_t> result_bit(const IndexedIdent& target) {
  if (target.name.view() != "c" || !target.index.has_value()) return std::nullopt;
  return *target.index;
}

class MapBuilder {
 public:
  MapBuilder(const Program& program, std::string_view source, bool keep_values)
      : program_(program), source_(source), keep_values_(keep_values) {
    budget_ = saturating_sum(kMapNodeBase, source.size());
  }

  /// Where the value of a record is copied (keep_values): `width` bits of c from `first`.
  struct Kept {
    std::uint64_t first = 0;
    std::uint32_t width = 0;
    std::optional<std::uint64_t> ran;  // the bit set where the record runs
  };
  [[nodiscard]] const std::unordered_map<std::uint32_t, Kept>& kept() const { return kept_; }

  OutputMap run(std::uint64_t bits) {
    next_bit_ = bits;
    places_ = record_places();
    position_ = 0;
    scan(program_.header);
    scan(program_.body);
    position_ = 0;
    walk(program_.header, nullptr, false);
    walk(program_.body, nullptr, false);
    map_.bits = next_bit_;
    return std::move(map_);
  }

 private:
  // Pass 1: where each bit of c is written.
  void note_write(std::int64_t bit) {
    if (loop_start_) {
      loop_writes_.push_back(bit);
      return;
    }
    BitWrites& writes = writes_[bit];
    writes.first = std::min(writes.first, position_);
    writes.last = std::max(writes.last, position_);
  }

  void scan(const std::vector<Stmt>& list) {
    for (const Stmt& stmt : list) {
      ++position_;
      if (const auto* measure = std::get_if<Measure>(&stmt.node)) {
        if (const auto bit = result_bit(measure->result)) note_write(*bit);
      } else if (const auto* assign = std::get_if<Assign>(&stmt.node)) {
        if (const auto bit = result_bit(assign->target)) note_write(*bit);
      } else if (const auto* branch = std::get_if<If>(&stmt.node)) {
        scan(branch->then_body);
        scan(branch->else_body);
      } else if (const auto* loop = std::get_if<While>(&stmt.node)) {
        const bool outermost = !loop_start_.has_value();
        if (outermost) loop_start_ = position_;
        scan(loop->body);
        if (outermost) {
          for (const std::int64_t bit : loop_writes_) {
            BitWrites& writes = writes_[bit];
            writes.first = std::min(writes.first, *loop_start_);
            writes.last = std::max(writes.last, position_);
          }
          loop_writes_.clear();
          loop_start_.reset();
        }
      }
    }
  }

  // Pass 2: the program run over values of the final bits.
  ValueRef read_bit(std::int64_t bit) const {
    const auto it = writes_.find(bit);
    // Never written: 0, as a result never measured reads.
    if (it == writes_.end() || it->second.first > position_) return make_const(0);
    if (it->second.last < position_) return make_bit(bit);
    return make_lost("it reads result " + std::to_string(bit) + ", which is measured again later");
  }

  ValueRef value_of(const Expr& expr) const {
    if (const auto* literal = std::get_if<IntLit>(&expr.node)) return make_const(literal->value);
    if (const auto* literal = std::get_if<BoolLit>(&expr.node)) {
      return make_const(literal->value ? 1 : 0);
    }
    if (const auto* ident = std::get_if<Ident>(&expr.node)) {
      const auto it = variables_.find(ident->name);
      if (it == variables_.end()) {
        return make_lost("it reads " + ident->name + ", which holds no value there");
      }
      return it->second;
    }
    if (const auto* index = std::get_if<Index>(&expr.node)) {
      const auto* base = std::get_if<Ident>(&index->base->node);
      const auto* at = std::get_if<IntLit>(&index->index->node);
      if (base != nullptr && at != nullptr && base->name == "c" && at->value >= 0) {
        return read_bit(at->value);
      }
      return make_lost("it reads an element other than a result bit");
    }
    if (const auto* unary = std::get_if<UnaryExpr>(&expr.node)) {
      return make_unary(unary->op, value_of(*unary->operand));
    }
    if (const auto* binary = std::get_if<BinaryExpr>(&expr.node)) {
      return make_binary(binary->op, value_of(*binary->lhs), value_of(*binary->rhs));
    }
    return make_lost("it is a float computed at run time");
  }

  void assign(const std::string& name, ValueRef value) {
    auto [it, inserted] = variables_.try_emplace(name, nullptr);
    journal_.emplace_back(name, inserted ? nullptr : it->second);
    it->second = std::move(value);
  }

  // The variables assigned since journal entry `mark` with their values now,
  // in order of first assignment; the assignments are then undone.
  std::vector<std::pair<std::string, ValueRef>> take_changes(std::size_t mark) {
    std::vector<std::pair<std::string, ValueRef>> changes;
    std::unordered_map<std::string_view, bool> seen;
    for (std::size_t i = mark; i < journal_.size(); ++i) {
      if (seen.emplace(journal_[i].first, true).second) {
        changes.emplace_back(journal_[i].first, variables_[journal_[i].first]);
      }
    }
    for (std::size_t i = journal_.size(); i > mark; --i) {
      auto& [name, before] = journal_[i - 1];
      if (before == nullptr) {
        variables_.erase(name);
      } else {
        variables_[name] = std::move(before);
      }
    }
    journal_.resize(mark);
    return changes;
  }

  ValueRef current(const std::string& name) const {
    const auto it = variables_.find(name);
    if (it == variables_.end())
      return make_lost("it reads " + name + ", which holds no value there");
    return it->second;
  }

  void walk(const std::vector<Stmt>& list, const ValueRef& guard, bool in_loop) {
    for (const Stmt& stmt : list) {
      ++position_;
      if (const auto* decl = std::get_if<IntDecl>(&stmt.node)) {
        assign(decl->name, value_of(decl->init));
      } else if (const auto* assignment = std::get_if<Assign>(&stmt.node)) {
        if (!assignment->target.index.has_value()) {
          assign(assignment->target.name.str(), value_of(assignment->value));
        }
      } else if (const auto* mark = std::get_if<RecordMark>(&stmt.node)) {
        add_record(*mark, guard, in_loop);
      } else if (const auto* branch = std::get_if<If>(&stmt.node)) {
        walk_if(*branch, guard, in_loop);
      } else if (const auto* loop = std::get_if<While>(&stmt.node)) {
        const std::size_t start = journal_.size();
        walk(loop->body, guard, true);
        std::vector<std::pair<std::string, ValueRef>> changed = take_changes(start);
        for (auto& [name, value] : changed) assign(name, make_lost("it is changed in a loop"));
      }
    }
  }

  void walk_if(const If& branch, const ValueRef& guard, bool in_loop) {
    const ValueRef cond = make_binary(BinaryOp::Ne, value_of(branch.cond), make_const(0));
    const std::size_t mark = journal_.size();
    walk(branch.then_body, conjoin(guard, cond), in_loop);
    std::vector<std::pair<std::string, ValueRef>> then_changes = take_changes(mark);
    walk(branch.else_body, conjoin(guard, make_unary(UnaryOp::Not, cond)), in_loop);
    std::vector<std::pair<std::string, ValueRef>> else_changes = take_changes(mark);
    std::unordered_map<std::string_view, const ValueRef*> else_values;
    for (const auto& [name, value] : else_changes) else_values.emplace(name, &value);
    for (const auto& [name, value] : then_changes) {
      const auto other = else_values.find(name);
      const ValueRef else_value = other != else_values.end() ? *other->second : current(name);
      assign(name, make_choice(cond, value, else_value));
    }
    std::unordered_map<std::string_view, bool> in_then;
    for (const auto& change : then_changes) in_then.emplace(change.first, true);
    for (const auto& [name, value] : else_changes) {
      if (in_then.count(name) == 0) assign(name, make_choice(cond, current(name), value));
    }
  }

  void add_record(const RecordMark& mark, const ValueRef& guard, bool in_loop) {
    if (mark.id >= program_.records.size()) return;
    const RecordCall& call = program_.records[mark.id];
    OutputRecord record;
    record.kind = call.kind;
    record.label = call.label;
    record.place = places_[mark.id];
    record.guard = guard;
    bool keepable = false;  // a value that keep_values can copy where it is recorded
    if (in_loop) {
      record.value = make_lost("it is recorded in a loop");
    } else if (mark.unguarded) {
      record.value = make_lost("its branch was merged into a condition");
    } else if (!call.lost.empty()) {
      record.value = make_lost(call.lost);
    } else if (call.kind == RecordKind::Double) {
      if (const auto* literal = std::get_if<FloatLit>(&call.value.node)) {
        record.double_value = literal->value;
        record.value = make_const(0);
      } else {
        record.value = make_lost("it is a double computed at run time");
      }
    } else {
      record.value = value_of(call.value);
      keepable = true;
    }
    if (keep_values_ && !in_loop && !mark.unguarded) keep(mark.id, record, keepable);
    const std::uint64_t size =
        saturating_sum(record.value->size, guard == nullptr ? 0 : guard->size);
    if (size > budget_) {
      record.value = make_lost("the output map has reached its size limit");
      record.guard = nullptr;
    } else {
      budget_ -= size;
    }
    map_.records.push_back(std::move(record));
  }

  // Keeps what record `id` loses: its value (when `value_keepable`), copied
  // into fresh bits of c where it runs: one bit for a result or a bool, 64
  // for an int (two's complement, c[first] lowest); a guard the final bits
  // do not determine, as a bit set where the record runs.
  void keep(std::uint32_t id, OutputRecord& record, bool value_keepable) {
    Kept place;
    if (value_keepable && is_lost(record.value)) {
      place.first = next_bit_;
      place.width = record.kind == RecordKind::Int ? 64 : 1;
      next_bit_ += place.width;
      ValueRef value = make_bit(static_cast<std::int64_t>(place.first));
      for (std::uint32_t j = 1; j < place.width; ++j) {
        value = make_binary(
            BinaryOp::BitOr, std::move(value),
            make_binary(BinaryOp::Shl, make_bit(static_cast<std::int64_t>(place.first + j)),
                        make_const(j)));
      }
      record.value = std::move(value);
    }
    if (record.guard != nullptr && is_lost(record.guard)) {
      place.ran = next_bit_++;
      record.guard = make_bit(static_cast<std::int64_t>(*place.ran));
    }
    if (place.width != 0 || place.ran) kept_.emplace(id, place);
  }

  // Line and column of every record call with an offset, in one pass over the text.
  std::vector<std::optional<TextPosition>> record_places() const {
    const std::vector<RecordCall>& records = program_.records;
    std::vector<std::optional<TextPosition>> places(records.size());
    std::vector<std::pair<std::size_t, std::size_t>> order;  // offset, record
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (records[i].offset && *records[i].offset <= source_.size()) {
        order.emplace_back(*records[i].offset, i);
      }
    }
    std::sort(order.begin(), order.end());
    TextPosition at;
    std::size_t offset = 0;
    for (const auto& [target, record] : order) {
      for (; offset < target; ++offset) {
        const auto byte = static_cast<unsigned char>(source_[offset]);
        if (byte == '\n') {
          ++at.line;
          at.column = 1;
        } else if ((byte & 0xC0) != 0x80) {
          ++at.column;
        }
      }
      places[record] = at;
    }
    return places;
  }

  const Program& program_;
  std::string_view source_;
  std::vector<std::optional<TextPosition>> places_;
  std::uint64_t position_ = 0;
  std::unordered_map<std::int64_t, BitWrites> writes_;
  std::optional<std::uint64_t> loop_start_;
  std::vector<std::int64_t> loop_writes_;
  std::unordered_map<std::string, ValueRef> variables_;
  std::vector<std::pair<std::string, ValueRef>> journal_;
  std::uint64_t budget_ = 0;
  bool keep_values_ = false;
  std::uint64_t next_bit_ = 0;
  std::unordered_map<std::uint32_t, Kept> kept_;
  OutputMap map_;
};

using KeptBits = std::unordered_map<std::uint32_t, MapBuilder::Kept>;

// The statements that copy record `call`'s value into its kept bits.
void append_copies(const RecordCall& call, const MapBuilder::Kept& place, std::vector<Stmt>& out) {
  for (std::uint32_t j = 0; j < place.width; ++j) {
    Expr bit = place.width == 1
                   ? make_binary_expr(BinaryOp::Ne, call.value, IntLit{0})
                   : make_binary_expr(
                         BinaryOp::Ne,
                         make_binary_expr(BinaryOp::BitAnd, call.value,
                                          IntLit{static_cast<std::int64_t>(std::uint64_t{1} << j)}),
                         IntLit{0});
    out.push_back(Assign{IndexedIdent{Name("c"), static_cast<std::int64_t>(place.first + j)},
                         std::move(bit)});
  }
  if (place.ran) {
    out.push_back(
        Assign{IndexedIdent{Name("c"), static_cast<std::int64_t>(*place.ran)}, BoolLit{true}});
  }
}

// Takes the marks out of `list`, and the ifs that held marks alone; a mark
// whose value is kept becomes the copies into its bits.
void strip_marks(std::vector<Stmt>& list, const Program& program, const KeptBits& kept_bits) {
  const auto has_marks = [](const Stmt& stmt) {
    return is_record_mark(stmt) || std::holds_alternative<If>(stmt.node) ||
           std::holds_alternative<While>(stmt.node);
  };
  if (std::none_of(list.begin(), list.end(), has_marks)) return;
  std::vector<Stmt> out;
  out.reserve(list.size());
  for (Stmt& stmt : list) {
    if (const auto* mark = std::get_if<RecordMark>(&stmt.node)) {
      const auto it = kept_bits.find(mark->id);
      if (it != kept_bits.end()) append_copies(program.records[mark->id], it->second, out);
      continue;
    }
    if (auto* branch = std::get_if<If>(&stmt.node)) {
      const bool had_statements = !branch->then_body.empty() || !branch->else_body.empty();
      strip_marks(branch->then_body, program, kept_bits);
      strip_marks(branch->else_body, program, kept_bits);
      if (had_statements && branch->then_body.empty() && branch->else_body.empty()) continue;
    } else if (auto* loop = std::get_if<While>(&stmt.node)) {
      strip_marks(loop->body, program, kept_bits);
    }
    out.push_back(std::move(stmt));
  }
  list = std::move(out);
}

void append_json_string(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20) {
      out += "\\u00";
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 15]);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

void append_number(std::string& out, std::int64_t value) { out += std::to_string(value); }

void append_double(std::string& out, double value) {
  if (value != value) {
    out += "\"nan\"";
  } else if (value == std::numeric_limits<double>::infinity()) {
    out += "\"inf\"";
  } else if (value == -std::numeric_limits<double>::infinity()) {
    out += "\"-inf\"";
  } else {
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
    out += text;
    // Written as a float, so that JSON readers keep it one.
    if (text.find_first_of(".eEn") == std::string_view::npos) out += ".0";
  }
}

void append_value(std::string& out, const ValueNode& node) {
  switch (node.kind) {
    case ValueNode::Kind::Bit:
      out += "{\"bit\": ";
      append_number(out, node.number);
      out.push_back('}');
      return;
    case ValueNode::Kind::Const:
      out += "{\"int\": ";
      append_number(out, node.number);
      out.push_back('}');
      return;
    case ValueNode::Kind::Unary:
      out += node.unary == UnaryOp::Not ? "{\"op\": \"!\", \"args\": ["
                                        : "{\"op\": \"-\", \"args\": [";
      append_value(out, *node.first);
      out += "]}";
      return;
    case ValueNode::Kind::Binary:
      out += "{\"op\": ";
      append_json_string(out, binary_op_text(node.binary));
      out += ", \"args\": [";
      append_value(out, *node.first);
      out += ", ";
      append_value(out, *node.second);
      out += "]}";
      return;
    case ValueNode::Kind::Choice:
      out += "{\"op\": \"?:\", \"args\": [";
      append_value(out, *node.first);
      out += ", ";
      append_value(out, *node.second);
      out += ", ";
      append_value(out, *node.third);
      out += "]}";
      return;
    case ValueNode::Kind::Lost:
      out += "null";
      return;
  }
}

}  // namespace

const char* record_kind_name(RecordKind kind) {
  switch (kind) {
    case RecordKind::Result:
      return "RESULT";
    case RecordKind::Bool:
      return "BOOL";
    case RecordKind::Int:
      return "INT";
    case RecordKind::Double:
      return "DOUBLE";
    case RecordKind::Tuple:
      return "TUPLE";
    case RecordKind::Array:
      return "ARRAY";
  }
  return "INT";
}

OutputMap take_output_map(Program& program, std::string_view source, bool keep_values) {
  std::uint64_t bits = 0;
  for (const Stmt& stmt : program.header) {
    if (const auto* decl = std::get_if<BitDecl>(&stmt.node); decl != nullptr && decl->name == "c") {
      bits = decl->size;
    } else if (const auto* output = std::get_if<OutputBitDecl>(&stmt.node);
               output != nullptr && output->name == "c") {
      bits = output->size;
    }
  }
  MapBuilder builder(program, source, keep_values);
  OutputMap map = builder.run(bits);
  strip_marks(program.body, program, builder.kept());
  if (map.bits > bits) {
    // The kept values' bits come after every bit the program had.
    bool resized = false;
    for (Stmt& stmt : program.header) {
      if (auto* decl = std::get_if<BitDecl>(&stmt.node); decl != nullptr && decl->name == "c") {
        decl->size = map.bits;
        resized = true;
      } else if (auto* output = std::get_if<OutputBitDecl>(&stmt.node);
                 output != nullptr && output->name == "c") {
        output->size = map.bits;
        resized = true;
      }
    }
    if (!resized) {
      std::size_t at = 0;
      while (at < program.header.size() &&
             (std::holds_alternative<Include>(program.header[at].node) ||
              std::holds_alternative<QubitDecl>(program.header[at].node))) {
        ++at;
      }
      program.header.insert(program.header.begin() + static_cast<std::ptrdiff_t>(at),
                            Stmt(BitDecl{"c", map.bits}));
    }
  }
  return map;
}

void strip_record_marks(Program& program) {
  if (!program.records.empty()) strip_marks(program.body, program, {});
}

std::optional<std::int64_t> evaluate_value(const ValueNode& node,
                                           std::span<const std::uint8_t> bits) {
  switch (node.kind) {
    case ValueNode::Kind::Bit:
      if (node.number < 0 || static_cast<std::uint64_t>(node.number) >= bits.size()) {
        return std::nullopt;
      }
      return bits[static_cast<std::size_t>(node.number)] != 0 ? 1 : 0;
    case ValueNode::Kind::Const:
      return node.number;
    case ValueNode::Kind::Unary: {
      const auto operand = evaluate_value(*node.first, bits);
      if (!operand) return std::nullopt;
      return apply_unary(node.unary, *operand);
    }
    case ValueNode::Kind::Binary: {
      const auto lhs = evaluate_value(*node.first, bits);
      if (!lhs) return std::nullopt;
      if (node.binary == BinaryOp::Or && *lhs != 0) return 1;
      if (node.binary == BinaryOp::And && *lhs == 0) return 0;
      const auto rhs = evaluate_value(*node.second, bits);
      if (!rhs) return std::nullopt;
      return apply_binary(node.binary, *lhs, *rhs);
    }
    case ValueNode::Kind::Choice: {
      const auto cond = evaluate_value(*node.first, bits);
      if (!cond) return std::nullopt;
      return evaluate_value(*cond != 0 ? *node.second : *node.third, bits);
    }
    case ValueNode::Kind::Lost:
      return std::nullopt;
  }
  return std::nullopt;
}

std::string output_map_json(const OutputMap& map) {
  std::string out = "{\"format\": 1, \"bits\": ";
  out += std::to_string(map.bits);
  out += ", \"records\": [";
  bool first = true;
  for (const OutputRecord& record : map.records) {
    out += first ? "\n  " : ",\n  ";
    first = false;
    out += "{\"kind\": \"";
    out += record_kind_name(record.kind);
    out += "\", \"label\": ";
    if (record.label) {
      append_json_string(out, *record.label);
    } else {
      out += "null";
    }
    const ValueNode* lost = is_lost(record.value) ? record.value.get() : nullptr;
    if (record.guard != nullptr && is_lost(record.guard)) lost = record.guard.get();
    out += ", \"value\": ";
    if (lost != nullptr) {
      out += "null";
    } else if (record.double_value) {
      out += "{\"double\": ";
      append_double(out, *record.double_value);
      out.push_back('}');
    } else {
      append_value(out, *record.value);
    }
    out += ", \"guard\": ";
    if (record.guard == nullptr || lost == record.guard.get()) {
      out += "null";
    } else {
      append_value(out, *record.guard);
    }
    out += ", \"recoverable\": ";
    out += lost == nullptr ? "true" : "false";
    out += ", \"reason\": ";
    if (lost == nullptr) {
      out += "null";
    } else {
      append_json_string(
          out,
          (lost == record.guard.get() ? "it runs under a condition where " : "") + lost->reason);
    }
    out += ", \"line\": ";
    out += record.place ? std::to_string(record.place->line) : "null";
    out += ", \"column\": ";
    out += record.place ? std::to_string(record.place->column) : "null";
    out.push_back('}');
  }
  out += first ? "]}" : "\n]}";
  return out;
}

std::vector<DecodedRecord> decode_records(const OutputMap& map,
                                          std::span<const std::uint8_t> bits) {
  std::vector<DecodedRecord> out;
  out.reserve(map.records.size());
  for (const OutputRecord& record : map.records) {
    DecodedRecord decoded;
    decoded.kind = record.kind;
    decoded.label = &record.label;
    const bool guard_lost = record.guard != nullptr && is_lost(record.guard);
    if (record.guard != nullptr && !guard_lost) {
      const auto runs = evaluate_value(*record.guard, bits);
      if (runs && *runs == 0) continue;
      if (!runs) {
        out.push_back(std::move(decoded));
        continue;
      }
    }
    if (!guard_lost) {
      if (record.kind == RecordKind::Double) {
        if (record.double_value && !is_lost(record.value)) decoded.value = *record.double_value;
      } else if (const auto value = evaluate_value(*record.value, bits)) {
        if (record.kind == RecordKind::Bool) {
          decoded.value = *value != 0;
        } else {
          decoded.value = *value;
        }
      }
    }
    out.push_back(std::move(decoded));
  }
  return out;
}

}  // namespace corvane
