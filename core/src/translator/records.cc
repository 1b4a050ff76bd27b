// Describes record calls for the output map (see records.h).
#include "translator/records.h"

#include <variant>

#include "ir/lexer.h"
#include "values/state_tracking.h"

namespace corvane {
namespace {

// Values larger than this are not copied for the map.
constexpr std::uint64_t kMaxRecordedNodes = 10'000;

// The name written after the `@` at `at` (quotes included for a quoted name).
std::string_view global_name_at(std::string_view text, std::size_t at) {
  std::size_t end = at + 1;
  if (end < text.size() && text[end] == '"') {
    const std::size_t close = text.find('"', end + 1);
    if (close == std::string_view::npos) return {};
    return text.substr(at + 1, close - at);
  }
  while (end < text.size() && is_ident_char(text[end])) ++end;
  return text.substr(at + 1, end - at - 1);
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// LLVM's string constant text with its \XX escapes undone, up to the first NUL.
std::string unescape(std::string_view body) {
  std::string out;
  for (std::size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (c == '\\' && i + 2 < body.size() && hex_value(body[i + 1]) >= 0 &&
        hex_value(body[i + 2]) >= 0) {
      c = static_cast<char>(hex_value(body[i + 1]) * 16 + hex_value(body[i + 2]));
      i += 2;
    } else if (c == '\\' && i + 1 < body.size() && body[i + 1] == '\\') {
      ++i;
    }
    if (c == '\0') break;
    out.push_back(c);
  }
  return out;
}

// The label operand's global: named by the operand, or, for a getelementptr
// expression, the last `@name` in the call's argument list (which may go on
// over several lines).
std::optional<std::string_view> label_global(const Operand& operand, std::string_view callee,
                                             std::string_view source) {
  if (const auto* global = std::get_if<GlobalRef>(&operand)) return global->name;
  if (const auto* cast = std::get_if<BitcastGlobal>(&operand)) return cast->name;
  if (!std::holds_alternative<GetElementPtr>(operand)) return std::nullopt;
  if (callee.data() < source.data() || callee.data() > source.data() + source.size()) {
    return std::nullopt;
  }
  const std::size_t from = static_cast<std::size_t>(callee.data() - source.data()) + callee.size();
  // The argument list opened on the callee's line, up to its closing bracket.
  std::size_t end = find_any_of<'(', '\n'>(source, from);
  if (end < source.size() && source[end] == '(') {
    end = closing_bracket<kParenClass>(source, end + 1, ')');
  }
  const std::string_view rest = source.substr(from, end - from);
  const std::size_t at = rest.rfind('@');
  if (at == std::string_view::npos) return std::nullopt;
  return global_name_at(rest, at);
}

RecordCall lost_record(RecordCall record, std::string reason) {
  record.lost = std::move(reason);
  return record;
}

}  // namespace

std::optional<RecordKind> record_kind(std::string_view callee) {
  if (callee == "__quantum__rt__result_record_output") return RecordKind::Result;
  if (callee == "__quantum__rt__bool_record_output") return RecordKind::Bool;
  if (callee == "__quantum__rt__int_record_output" ||
      callee == "__quantum__rt__integer_record_output") {
    return RecordKind::Int;
  }
  if (callee == "__quantum__rt__double_record_output") return RecordKind::Double;
  if (callee == "__quantum__rt__tuple_record_output") return RecordKind::Tuple;
  if (callee == "__quantum__rt__array_record_output") return RecordKind::Array;
  return std::nullopt;
}

const std::string* GlobalStrings::find(std::string_view name) {
  if (!read_) {
    read_ = true;
    for (std::size_t line = 0; line < source_.size();) {
      std::size_t end = source_.find('\n', line);
      if (end == std::string_view::npos) end = source_.size();
      const std::string_view text = source_.substr(line, end - line);
      line = end + 1;
      if (text.empty() || text[0] != '@') continue;
      const std::string_view global = global_name_at(text, 0);
      const std::size_t equals = text.find('=', global.size() + 1);
      if (global.empty() || equals == std::string_view::npos) continue;
      const std::size_t open = text.find("c\"", equals);
      if (open == std::string_view::npos) continue;
      const std::size_t close = text.find('"', open + 2);
      if (close == std::string_view::npos) continue;
      bodies_.try_emplace(global, text.substr(open + 2, close - open - 2));
    }
  }
  if (const auto done = unescaped_.find(name); done != unescaped_.end()) return &done->second;
  const auto it = bodies_.find(name);
  if (it == bodies_.end()) return nullptr;
  return &unescaped_.emplace(it->first, unescape(it->second)).first->second;
}

RecordCall describe_record(RecordKind kind, std::uint32_t id, std::span<const Operand> args,
                           std::string_view callee, std::string_view source,
                           const LoweringContext& context, GlobalStrings& globals,
                           std::uint64_t& budget) {
  RecordCall record;
  record.kind = kind;
  if (callee.data() >= source.data() && callee.data() <= source.data() + source.size()) {
    record.offset = static_cast<std::size_t>(callee.data() - source.data());
  }
  if (args.empty()) return lost_record(std::move(record), "the call has no arguments");
  if (args.size() >= 2) {
    if (const auto global = label_global(args.back(), callee, source)) {
      if (const std::string* label = globals.find(*global)) {
        // Labels are copied per record: their bytes count against the budget too.
        const std::uint64_t cost = label->size() / 16 + 1;
        if (cost > budget) {
          return lost_record(std::move(record), "the output map has reached its size limit");
        }
        budget -= cost;
        record.label = *label;
      }
    }
  }
  const Operand& value = args.front();
  switch (kind) {
    case RecordKind::Result: {
      std::optional<std::int64_t> index;
      if (const auto* ptr = std::get_if<PtrConst>(&value)) {
        index = ptr->index;
      } else if (const auto* ssa = std::get_if<Ssa>(&value)) {
        index = context.lookup_int_pointer(ssa->name);
      }
      if (!index || *index < 0) {
        return lost_record(std::move(record), "its result is chosen at run time");
      }
      record.value = make_index("c", *index);
      return record;
    }
    case RecordKind::Double:
      if (const auto* constant = std::get_if<ConstFloat>(&value)) {
        record.value = FloatLit{constant->value};
        return record;
      }
      return lost_record(std::move(record), "it is a double computed at run time");
    case RecordKind::Bool:
    case RecordKind::Int:
    case RecordKind::Tuple:
    case RecordKind::Array:
      break;
  }
  if (const auto* constant = std::get_if<ConstInt>(&value)) {
    // An i64 constant may be written unsigned; its pattern is the value.
    record.value = IntLit{static_cast<std::int64_t>(static_cast<std::uint64_t>(constant->value))};
    return record;
  }
  if (const auto* constant = std::get_if<ConstBool>(&value)) {
    record.value = IntLit{constant->value ? 1 : 0};
    return record;
  }
  const auto* ssa = std::get_if<Ssa>(&value);
  if (ssa == nullptr || kind == RecordKind::Tuple || kind == RecordKind::Array) {
    return lost_record(std::move(record), "its value is not a constant or a value of the program");
  }
  if (context.angle_values.count(ssa->name) > 0) {
    return lost_record(std::move(record), "it is computed by float arithmetic");
  }
  const auto* entry = context.env.find(ssa->name);
  if (entry == nullptr) {
    return lost_record(std::move(record), "its value is not known to the translation");
  }
  const std::uint64_t nodes = measure_expr(entry->second).nodes;
  if (nodes > kMaxRecordedNodes) {
    return lost_record(std::move(record), "its expression is too large to describe");
  }
  if (nodes > budget) {
    return lost_record(std::move(record), "the output map has reached its size limit");
  }
  budget -= nodes;
  if (entry->reads_state && context.tracker != nullptr) {
    context.tracker->note_record_read(id, entry->defined, entry->second);
  }
  record.value = entry->second;
  return record;
}

}  // namespace corvane
