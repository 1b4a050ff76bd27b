// The direct reader for the lines that make up nearly every QIR body:
//
//   [%NAME = ]call RET @CALLEE(TYPE VALUE, TYPE VALUE, ...)
//   br label %NAME
//   br i1 COND, label %NAME, label %NAME
//   ret void
//
// with single spaces, ASCII names and plain values (`null`, `inttoptr (iN K to
// T)`, SSA names, globals, decimal numbers, booleans). One left-to-right pass
// over the bytes reads such a line, where the general instruction parser walks
// it several times (comment cut, trims, word splits, bracket matching, comma
// split, operand tokenizer). It accepts only lines whose general reading is
// certain and gives the same result; anything else (attributes, comments, odd
// spacing, quoted names, other value forms) is declined with nothing written,
// and the general parser takes the line. The reader stops where the
// instruction ends: the module parser reads the body's text in place and
// looks at what follows itself.
#include <cstdint>

#include "ir/lexer.h"
#include "ir/parser_internal.h"
#include "ir/parser_util.h"

namespace corvane::parser_detail {
namespace {

// Compared byte by byte in place: these run for every call and operand.
template <std::size_t N>
bool is_word(std::string_view text, const char (&word)[N]) {
  if (text.size() != N - 1) return false;
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (text[i] != word[i]) return false;
  }
  return true;
}

enum class ValueClass : std::uint8_t { Boolean, Integer, Float, Pointer };

// A cursor over one line; every read either consumes what it names or fails.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  [[nodiscard]] std::size_t pos() const { return pos_; }
  [[nodiscard]] char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

  bool take(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  // The run of characters of class `Class` at the cursor (possibly empty).
  template <std::uint16_t Class>
  std::string_view run() {
    const std::size_t start = pos_;
    pos_ = end_of_run<Class>(text_, pos_);
    return text_.substr(start, pos_ - start);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// 1 to 18 decimal digits: always within the signed 64-bit range.
bool read_small_decimal(Cursor& cursor, std::int64_t& value) {
  const std::string_view digits = cursor.run<kDigitClass>();
  if (digits.empty() || digits.size() > 18) return false;
  value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  return true;
}

// `%NAME` read as an SSA operand (the name is everything after the `%`).
bool read_ssa(Cursor& cursor, Operand& out) {
  if (!cursor.take("%")) return false;
  const std::string_view name = cursor.run<kIdentClass>();
  if (name.empty()) return false;
  out = Ssa{name};
  return true;
}

bool read_pointer_value(Cursor& cursor, std::string_view type, OptionalView struct_name,
                        Operand& out) {
  const char c = cursor.peek();
  if (c == '%') return read_ssa(cursor, out);
  if (c == '@') {
    cursor.take("@");
    const std::string_view name = cursor.run<kIdentClass>();
    if (name.empty()) return false;
    out = GlobalRef{name};
    return true;
  }
  if (cursor.take("null")) {
    if (type == "i8*") {
      out = I8Null{};
    } else {
      out = PtrConst{struct_name, 0};
    }
    return true;
  }
  // `inttoptr (iN K to T)`: the general reading takes K and checks neither
  // word around it, so neither is checked here beyond its spelling.
  if (!cursor.take("inttoptr (")) return false;
  const std::string_view index_type = cursor.run<kIdentClass>();
  if (index_type.empty() || !cursor.take(" ")) return false;
  std::int64_t index = 0;
  if (!read_small_decimal(cursor, index) || !cursor.take(" to ")) return false;
  // The index is a literal of its type, cut to its width as LLVM does; an
  // i64 literal of at most 18 digits needs no cut.
  if (!is_word(index_type, "i64")) {
    const std::uint32_t index_width = integer_type_width(index_type);
    if (index_width >= 1 && index_width <= 64) {
      index = wrap_to_width(static_cast<std::uint64_t>(index), index_width);
    }
  }
  if (cursor.run<kTypeClass>().empty() || !cursor.take(")")) return false;
  out = PtrConst{struct_name, index};
  return true;
}

bool read_value(Cursor& cursor, ValueClass value_class, std::string_view type,
                OptionalView struct_name, Operand& out) {
  switch (value_class) {
    case ValueClass::Pointer:
      return read_pointer_value(cursor, type, struct_name, out);
    case ValueClass::Boolean:
      if (cursor.peek() == '%') return read_ssa(cursor, out);
      if (cursor.take("true") || cursor.take("1")) {
        out = ConstBool{true};
        return true;
      }
      if (cursor.take("false") || cursor.take("0")) {
        out = ConstBool{false};
        return true;
      }
      return false;
    case ValueClass::Integer: {
      if (cursor.peek() == '%') return read_ssa(cursor, out);
      const bool negative = cursor.take("-");
      std::int64_t value = 0;
      if (!read_small_decimal(cursor, value)) return false;
      const std::int64_t signed_value = negative ? -value : value;
      // Cut to the type's width as LLVM does (`i8 300` is 44); an i64 literal
      // of at most 18 digits needs no cut.
      const std::uint32_t width = is_word(type, "i64") ? 64 : integer_type_width(type);
      out = ConstInt{width == 0 || width >= 64
                         ? signed_value
                         : wrap_to_width(static_cast<std::uint64_t>(signed_value), width)};
      return true;
    }
    case ValueClass::Float: {
      if (cursor.peek() == '%') return read_ssa(cursor, out);
      const auto number = parse_float_literal(cursor.run<kFloatClass>());
      if (!number) return false;
      out = ConstFloat{*number};
      return true;
    }
  }
  return false;
}

// The class of a type word, and the struct name of a `%Name*` pointer type.
bool classify(std::string_view type, ValueClass& value_class, OptionalView& struct_name) {
  struct_name = std::nullopt;
  if (type == "ptr" || type == "i8*") {
    value_class = ValueClass::Pointer;
    return true;
  }
  if (type == "double" || type == "float" || type == "half") {
    value_class = ValueClass::Float;
    return true;
  }
  if (type == "i1") {
    value_class = ValueClass::Boolean;
    return true;
  }
  if (type.size() >= 2 && type[0] == 'i') {
    for (std::size_t i = 1; i < type.size(); ++i) {
      if (!is_digit(type[i])) return false;
    }
    value_class = ValueClass::Integer;
    return true;
  }
  if (type.size() >= 3 && type.front() == '%' && type.back() == '*') {
    const std::string_view name = type.substr(1, type.size() - 2);
    for (const char c : name) {
      if (!is_ident_char(c)) return false;
    }
    value_class = ValueClass::Pointer;
    struct_name = name;
    return true;
  }
  return false;
}

// A return type word, as opposed to a flag or calling convention (`fast`, `ccc`).
bool is_return_type(std::string_view ty) {
  switch (ty[0]) {
    case '%':
      return true;
    case 'i':
      return ty.size() > 1 && is_digit(ty[1]);
    case 'v':
      return is_word(ty, "void");
    case 'p':
      return is_word(ty, "ptr");
    case 'd':
      return is_word(ty, "double");
    case 'f':
      return is_word(ty, "float");
    case 'h':
      return is_word(ty, "half");
    default:
      return false;
  }
}

std::size_t read_call(std::string_view text, Function& function, Instruction& out) {
  Cursor cursor(text);
  std::optional<std::string_view> result;
  if (cursor.peek() == '%') {
    cursor.take("%");
    const std::string_view name = cursor.run<kIdentClass>();
    if (name.empty() || !cursor.take(" = ")) return 0;
    result = name;
  }
  if (!cursor.take("call ")) return 0;
  const std::string_view ret_ty = cursor.run<kTypeClass>();
  if (ret_ty.empty() || !cursor.take(" @")) return 0;
  // Only a type: a flag or calling convention word (`fast`, `ccc`) there is the
  // general reader's to judge.
  if (!is_return_type(ret_ty)) return 0;
  const std::string_view callee = cursor.run<kIdentClass>();
  if (callee.empty() || !cursor.take("(")) return 0;

  const auto begin = static_cast<std::uint32_t>(function.operands.size());
  if (!cursor.take(")")) {
    while (true) {
      const std::string_view type = cursor.run<kTypeClass>();
      ValueClass value_class = ValueClass::Pointer;
      OptionalView struct_name;
      if (!classify(type, value_class, struct_name) || !cursor.take(" ")) return 0;
      Operand operand;
      if (!read_value(cursor, value_class, type, struct_name, operand)) return 0;
      function.operands.push_back(operand);
      if (cursor.take(")")) break;
      if (!cursor.take(", ")) return 0;
    }
  }
  const auto count = static_cast<std::uint32_t>(function.operands.size() - begin);
  out = Call{callee, Range{begin, count}, ret_ty, result};
  return cursor.pos();
}

// `label %NAME` at the cursor.
[[gnu::always_inline]] inline bool read_label(Cursor& cursor, std::string_view& label) {
  if (!cursor.take("label %")) return false;
  label = cursor.run<kIdentClass>();
  return !label.empty();
}

std::size_t read_branch(std::string_view text, Instruction& out) {
  Cursor cursor(text);
  if (!cursor.take("br ")) return 0;
  if (cursor.peek() == 'l') {
    std::string_view target;
    if (!read_label(cursor, target)) return 0;
    out = Br{target};
    return cursor.pos();
  }
  if (!cursor.take("i1 ")) return 0;
  BranchCond cond;
  if (cursor.take("%")) {
    cond.kind = BranchCond::Kind::Ssa;
    cond.name = cursor.run<kIdentClass>();
    if (cond.name.empty()) return 0;
  } else if (cursor.take("true") || cursor.take("1")) {
    cond.value = true;
  } else if (cursor.take("false") || cursor.take("0")) {
    cond.value = false;
  } else {
    return 0;
  }
  std::string_view true_label;
  std::string_view false_label;
  if (!cursor.take(", ") || !read_label(cursor, true_label) || !cursor.take(", ") ||
      !read_label(cursor, false_label)) {
    return 0;
  }
  out = CondBr{cond, true_label, false_label};
  return cursor.pos();
}

}  // namespace

std::size_t read_plain_instruction(std::string_view text, Function& function, Instruction& out) {
  if (text.starts_with("br ")) return read_branch(text, out);
  if (text.starts_with("ret void")) {
    out = Ret{text.substr(4, 0)};  // empty, placed at `void`
    return 8;
  }
  const std::size_t operands = function.operands.size();
  if (const std::size_t end = read_call(text, function, out)) return end;
  function.operands.resize(operands);
  return 0;
}

bool try_parse_plain_instruction(std::string_view text, Function& function, Instruction& out) {
  const std::size_t operands = function.operands.size();
  if (read_plain_instruction(text, function, out) == text.size() && !text.empty()) return true;
  function.operands.resize(operands);
  return false;
}

}  // namespace corvane::parser_detail
