// Typed operand parsing: `i64 %x`, `i1 true`, `double 0.5`, `%Qubit* null`,
// `ptr inttoptr (i64 1 to ptr)`, `i8* getelementptr (...)` and the like.
//
// The operand is read as blank-separated tokens with parameter attributes
// dropped; the first token is the type and the others the value, which is
// read as the slice of the input from its first to its last token, so every
// name in the result is a view into the input.
#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

#include "ir/lexer.h"
#include "ir/parser.h"
#include "ir/parser_internal.h"
#include "ir/parser_util.h"

namespace corvane {
namespace parser_detail {
namespace {

// `align N` (the attribute word of a pair whose number follows).
bool is_align(std::string_view word) { return word == "align"; }

enum class TypeClass : std::uint8_t { Boolean, Integer, Float, Pointer, Unsupported };

struct TypeInfo {
  TypeClass type_class = TypeClass::Unsupported;
  std::optional<std::string_view> struct_name;
};

TypeInfo classify_type(std::string_view token) {
  if (token == "i1") return {TypeClass::Boolean, std::nullopt};
  if (!token.empty() && token[0] == 'i' && std::all_of(token.begin() + 1, token.end(), is_digit)) {
    return {TypeClass::Integer, std::nullopt};
  }
  if (token == "half" || token == "float" || token == "double")
    return {TypeClass::Float, std::nullopt};
  // pytket's register pointers are typed `i1*`; they are read as opaque pointers.
  if (token == "ptr" || token == "i8*" || token == "i1*") return {TypeClass::Pointer, std::nullopt};
  if (token.size() >= 2 && token.front() == '%' && token.back() == '*') {
    std::string_view name = token.substr(1, token.size() - 2);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
      name = name.substr(1, name.size() - 2);
    }
    return {TypeClass::Pointer, name};
  }
  return {TypeClass::Unsupported, std::nullopt};
}

// The trimmed operand text, held as up to two parts that read as one text with
// a single space between them.
struct OperandText {
  std::string_view first;
  std::string_view second;

  [[nodiscard]] std::string whole() const {
    std::string out(first);
    if (!first.empty() && !second.empty()) out.push_back(' ');
    out.append(second);
    return out;
  }
};

bool is_space_at(std::string_view text, std::size_t pos) {
  const auto c = static_cast<unsigned char>(text[pos]);
  if (c < 0x80) return in_class(static_cast<char>(c), kSpaceClass);
  return trim_start(text.substr(pos)).size() != text.size() - pos;
}

// Length of the run at the start of `text` that holds no Unicode white space.
std::size_t unicode_word_length(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && !is_space_at(text, i)) ++i;
  return i;
}

// The index K of `inttoptr (T K to ...)`, read as a literal of type T.
std::optional<std::int64_t> read_index_literal(std::string_view type, std::string_view text) {
  if (text.starts_with("+-") || text.starts_with("-+")) return std::nullopt;
  const auto value = parse_int_literal(text, integer_type_width(type));
  if (!value || *value < std::numeric_limits<std::int64_t>::min() ||
      *value > std::numeric_limits<std::int64_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(*value);
}

// `inttoptr (iN K to ...)`: the index K, or nothing when the form does not hold.
std::optional<std::int64_t> read_inttoptr_index(std::string_view value) {
  // The usual spelling, `inttoptr (T K ...` with single spaces and ASCII type
  // and index words, is read directly; the steps below find the same words.
  if (value.size() > 10 && value[8] == ' ' && value[9] == '(') {
    const std::size_t type_end = find_space_or_unusual(value, 10);
    if (type_end > 10 && type_end < value.size() && value[type_end] == ' ') {
      const std::size_t index_end = find_space_or_unusual(value, type_end + 1);
      if (index_end > type_end + 1 && (index_end == value.size() || value[index_end] == ' ')) {
        return read_index_literal(value.substr(10, type_end - 10),
                                  value.substr(type_end + 1, index_end - type_end - 1));
      }
    }
  }
  std::string_view rest = trim_start(value.substr(8));
  if (rest.empty() || rest[0] != '(') return std::nullopt;
  rest = trim_start(rest.substr(1));
  const std::size_t type_length = unicode_word_length(rest);
  if (type_length == 0) return std::nullopt;
  const std::string_view type = rest.substr(0, type_length);
  rest = trim_start(rest.substr(type_length));
  const std::size_t index_length = unicode_word_length(rest);
  if (index_length == 0) return std::nullopt;
  return read_index_literal(type, rest.substr(0, index_length));
}

// An integer literal holds what LLVM reads: its value modulo 2^N for iN up to
// i64, so an `i1` literal is always a Boolean.
Result<Operand> read_integer_constant(std::string_view type_token, std::string_view value) {
  const std::uint32_t width = integer_type_width(type_token);
  if (const auto number = parse_int_literal(value, width)) {
    if (width == 1) return Operand{ConstBool{*number != 0}};
    return Operand{ConstInt{*number}};
  }
  if (!value.empty() && value[0] == '@') return Operand{GlobalRef{value.substr(1)}};
  return lowering_error("could not parse integer operand " + std::string(value) +
                        " (ty=" + std::string(type_token) + ")");
}

Result<Operand> read_pointer(const TypeInfo& type, std::string_view type_token,
                             std::string_view value, const OperandText& text) {
  if (value == "null") {
    if (type_token == "i8*") return Operand{I8Null{}};
    return Operand{PtrConst{type.struct_name, 0}};
  }
  if (value.size() >= 8 && value.starts_with("inttoptr")) {
    if (const auto index = read_inttoptr_index(value)) {
      return Operand{PtrConst{type.struct_name, *index}};
    }
  }
  if (!value.empty() && value[0] == '@') return Operand{GlobalRef{value.substr(1)}};
  if (!value.empty() && value[0] == '%') return Operand{Ssa{value.substr(1)}};
  if (value.size() >= 13 && value.starts_with("getelementptr")) return Operand{GetElementPtr{}};
  if (value.size() >= 7 && value.starts_with("bitcast")) {
    const std::string_view rest = trim_start(value.substr(7));
    if (!rest.empty() && rest[0] == '(') {
      const std::size_t at = rest.find('@', 1);
      if (at != std::string_view::npos) {
        if (const auto global = parse_global_ident(rest.substr(at))) {
          return Operand{BitcastGlobal{global->first}};
        }
      }
    }
    return Operand{GetElementPtr{}};
  }
  return lowering_error("could not resolve pointer operand from constant text " + text.whole());
}

Result<Operand> read_value(std::string_view type_token, std::string_view value,
                           const OperandText& text) {
  const TypeInfo type = classify_type(type_token);
  switch (type.type_class) {
    case TypeClass::Boolean:
      if (value == "0" || value == "false") return Operand{ConstBool{false}};
      if (value == "1" || value == "true") return Operand{ConstBool{true}};
      if (!value.empty() && value[0] == '%') return Operand{Ssa{value.substr(1)}};
      return read_integer_constant(type_token, value);
    case TypeClass::Integer:
      if (!value.empty() && value[0] == '%') return Operand{Ssa{value.substr(1)}};
      if (type_token == "i8" && value == "null") return Operand{I8Null{}};
      return read_integer_constant(type_token, value);
    case TypeClass::Float:
      if (!value.empty() && value[0] == '%') return Operand{Ssa{value.substr(1)}};
      if (const auto number = parse_float_literal(value)) return Operand{ConstFloat{*number}};
      return lowering_error("could not parse float operand " + std::string(value) +
                            " (ty=" + std::string(type_token) + ")");
    case TypeClass::Pointer:
      return read_pointer(type, type_token, value, text);
    case TypeClass::Unsupported:
      break;
  }
  return lowering_error("unsupported operand type " + std::string(type_token) + " in operand " +
                        text.whole());
}

template <typename Visit>
void for_each_token(std::string_view text, Visit&& visit) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_ascii_blank(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !is_ascii_blank(text[i])) ++i;
    if (i > start) visit(text.substr(start, i - start));
  }
}

// The usual operand text (printable ASCII tokens separated by single spaces,
// no parameter attributes) splits into its type and value without the general
// tokenizer below: the type is the first token and the value is the rest, which
// is exactly what the tokenizer would find. False when that shape does not hold.
bool split_plain_operand(std::string_view text, std::string_view& type, std::string_view& value) {
  std::size_t first_space = std::string_view::npos;
  std::size_t token_start = 0;
  for (std::size_t i = find_space_or_unusual(text, 0); i < text.size();
       i = find_space_or_unusual(text, i + 1)) {
    if (text[i] != ' ' || i == token_start ||
        is_attribute_word(text.substr(token_start, i - token_start))) {
      return false;
    }
    if (first_space == std::string_view::npos) first_space = i;
    token_start = i + 1;
  }
  if (token_start == text.size() || is_attribute_word(text.substr(token_start))) return false;
  if (first_space == std::string_view::npos) {
    type = text;
    value = std::string_view();
  } else {
    type = text.substr(0, first_space);
    value = text.substr(first_space + 1);
  }
  return true;
}

}  // namespace

Result<Operand> parse_operand_parts(std::string_view type_part, std::string_view value_part) {
  // Trim the text `type_part + " " + value_part` as a whole.
  OperandText text{trim_start(type_part), value_part};
  if (text.first.empty()) {
    text.second = trim(text.second);
  } else {
    text.second = trim_end(text.second);
    if (text.second.empty()) text.first = trim_end(text.first);
  }
  if ((text.first == "..." && text.second.empty()) ||
      (text.first.empty() && text.second == "...")) {
    return parse_error("unexpected ... in operand");
  }
  const std::string_view head = text.first.empty() ? text.second : text.first;
  if (head.size() >= 13 && head.starts_with("getelementptr")) return Operand{GetElementPtr{}};
  if (text.second.empty()) {
    std::string_view plain_type;
    std::string_view plain_value;
    if (split_plain_operand(text.first, plain_type, plain_value)) {
      return read_value(plain_type, plain_value, text);
    }
  }

  std::string_view type_token;
  bool have_type = false;
  const char* value_begin = nullptr;
  const char* value_end = nullptr;
  std::size_t value_count = 0;
  bool contiguous = true;
  bool dropped_inside_value = false;
  bool align_number = false;  // the next token is the number of `align N`
  const auto take = [&](std::string_view token) {
    if (align_number || is_attribute_word(token)) {
      align_number = !align_number && is_align(token);
      if (value_count > 0) dropped_inside_value = true;
      return;
    }
    if (!have_type) {
      type_token = token;
      have_type = true;
      return;
    }
    if (value_count == 0) {
      value_begin = token.data();
    } else if (dropped_inside_value || token.data() != value_end + 1 || *value_end != ' ') {
      contiguous = false;
    }
    value_end = token.data() + token.size();
    ++value_count;
  };
  for_each_token(text.first, take);
  // The parts are separate texts: a value that starts in one and goes on in the
  // other is never a single slice.
  const std::size_t count_in_first = value_count;
  for_each_token(text.second, take);
  if (count_in_first > 0 && value_count > count_in_first) contiguous = false;
  if (!have_type) return parse_error("empty operand");

  // The value is read where it stands, from its first word to its last: the
  // readers of multi-word values (`inttoptr (...)`, `bitcast (...)`) take any
  // blanks between words. Only a failure is read again from the words joined
  // by single spaces, so that the message quotes the value as it reads.
  // (Callers pass at most the type word in the first part, so a value never
  // starts in one part and goes on in the other; were it to, it could only be
  // read joined, and a name in it would point into scratch text.)
  const bool split_value = count_in_first > 0 && value_count > count_in_first;
  Result<Operand> operand = internal_error("operand value split between two texts");
  if (!split_value) {
    const std::string_view value =
        value_count == 0
            ? std::string_view()
            : std::string_view(value_begin, static_cast<std::size_t>(value_end - value_begin));
    operand = read_value(type_token, value, text);
    if (contiguous || operand.ok()) return operand;
  }
  std::string joined;
  bool seen_type = false;
  align_number = false;
  const auto collect = [&](std::string_view token) {
    if (align_number || is_attribute_word(token)) {
      align_number = !align_number && is_align(token);
      return;
    }
    if (!seen_type) {
      seen_type = true;
      return;
    }
    if (!joined.empty()) joined.push_back(' ');
    joined.append(token);
  };
  for_each_token(text.first, collect);
  for_each_token(text.second, collect);
  Result<Operand> quoted = read_value(type_token, joined, text);
  return quoted.ok() ? std::move(operand) : std::move(quoted);
}

}  // namespace parser_detail

Result<Operand> parse_operand(std::string_view text) {
  return parser_detail::parse_operand_parts(text, std::string_view());
}

}  // namespace corvane
