// Text helpers of the QIR parser: trimming, words, the bracket-aware comma
// splitter, name readers and the number readers.
//
// Every helper is stateless and returns slices of its input. Trimming knows the
// full Unicode White_Space set but works on UTF-8 bytes directly, so ASCII text
// never pays for decoding; invalid UTF-8 is simply not white space.
#include "ir/parser_util.h"

#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <string>

#include "ir/lexer.h"

namespace corvane {
namespace {

__extension__ typedef unsigned __int128 uint128;

bool is_ascii_space(unsigned char c) { return in_class(static_cast<char>(c), kSpaceClass); }

// Byte length of the multi-byte White_Space character starting at text[pos], or 0.
// The ASCII members are handled by the callers.
std::size_t wide_space_at(std::string_view text, std::size_t pos) {
  const std::size_t left = text.size() - pos;
  const auto b0 = static_cast<unsigned char>(text[pos]);
  if (b0 == 0xC2) {
    if (left < 2) return 0;
    const auto b1 = static_cast<unsigned char>(text[pos + 1]);
    return (b1 == 0x85 || b1 == 0xA0) ? 2 : 0;
  }
  if (b0 < 0xE1 || b0 > 0xE3 || left < 3) return 0;
  const auto b1 = static_cast<unsigned char>(text[pos + 1]);
  const auto b2 = static_cast<unsigned char>(text[pos + 2]);
  switch (b0) {
    case 0xE1:  // U+1680
      return (b1 == 0x9A && b2 == 0x80) ? 3 : 0;
    case 0xE2:  // U+2000..U+200A, U+2028, U+2029, U+202F, U+205F
      if (b1 == 0x80) {
        return ((b2 >= 0x80 && b2 <= 0x8A) || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF) ? 3 : 0;
      }
      return (b1 == 0x81 && b2 == 0x9F) ? 3 : 0;
    default:  // 0xE3: U+3000
      return (b1 == 0x80 && b2 == 0x80) ? 3 : 0;
  }
}

// Byte length of the White_Space character that ends just before `end`, or 0.
std::size_t space_before(std::string_view text, std::size_t end) {
  const auto last = static_cast<unsigned char>(text[end - 1]);
  if (last < 0x80) return is_ascii_space(last) ? 1 : 0;
  if (end >= 2 && wide_space_at(text, end - 2) == 2) return 2;
  if (end >= 3 && wide_space_at(text, end - 3) == 3) return 3;
  return 0;
}

bool is_hex_digit(char c) { return in_class(c, kHexClass); }

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ignoring_case(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lower_ascii(text[i]) != lower[i]) return false;
  }
  return true;
}

std::optional<double> hex_bits_to_double(std::string_view digits, bool flip_sign) {
  std::uint64_t bits = 0;
  for (const char c : digits) {
    if (!is_hex_digit(c)) return std::nullopt;
  }
  const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), bits, 16);
  if (ec != std::errc() || ptr != digits.data() + digits.size()) return std::nullopt;
  if (flip_sign) bits ^= std::uint64_t{1} << 63;
  double value = 0.0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Sign of an out-of-range decimal result: far above the largest double (true)
// or far below the smallest subnormal (false). `body` has passed the grammar check.
bool decimal_overflows(std::string_view body) {
  std::size_t i = 0;
  bool seen_significant = false;
  bool in_fraction = false;
  std::int64_t int_digits_after_first = 0;
  std::int64_t fraction_zeros = 0;
  for (; i < body.size() && body[i] != 'e' && body[i] != 'E'; ++i) {
    const char c = body[i];
    if (c == '.') {
      in_fraction = true;
      continue;
    }
    if (!seen_significant && c == '0') {
      if (in_fraction) ++fraction_zeros;
      continue;
    }
    if (!seen_significant) seen_significant = true;
    if (!in_fraction && int_digits_after_first < 1000000) ++int_digits_after_first;
  }
  // Decimal position of the first significant digit.
  const std::int64_t leading =
      int_digits_after_first > 0 ? int_digits_after_first : -fraction_zeros;
  std::int64_t exponent = 0;
  if (i < body.size()) {
    ++i;
    bool negative = false;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) negative = body[i++] == '-';
    for (; i < body.size(); ++i) {
      if (exponent < 1000000000) exponent = exponent * 10 + (body[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return leading + exponent > 0;
}

// Printable ASCII other than the space is never white space. Most texts start
// and end with such a character, so trimming answers them without a loop.
bool is_visible_ascii(char c) { return in_class(c, kVisibleClass); }

}  // namespace

std::string_view trim_start(std::string_view text) {
  if (!text.empty() && is_visible_ascii(text.front())) return text;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (!is_ascii_space(c)) break;
      ++i;
      continue;
    }
    const std::size_t len = wide_space_at(text, i);
    if (len == 0) break;
    i += len;
  }
  return text.substr(i);
}

std::string_view trim_end(std::string_view text) {
  if (!text.empty() && is_visible_ascii(text.back())) return text;
  std::size_t end = text.size();
  while (end > 0) {
    const std::size_t len = space_before(text, end);
    if (len == 0) break;
    end -= len;
  }
  return text.substr(0, end);
}

std::string_view trim(std::string_view text) { return trim_end(trim_start(text)); }

std::string_view first_word(std::string_view text) {
  const std::string_view t = trim_start(text);
  std::size_t i = 0;
  while (i < t.size() && !is_ascii_blank(t[i])) ++i;
  return t.substr(0, i);
}

std::string_view rest_after_first_word(std::string_view text) {
  const std::string_view t = trim_start(text);
  std::size_t i = 0;
  while (i < t.size() && !is_ascii_blank(t[i])) ++i;
  return trim_start(t.substr(i));
}

std::string_view cut_comment(std::string_view text) {
  const std::size_t semicolon = text.find(';');
  return semicolon == std::string_view::npos ? text : text.substr(0, semicolon);
}

std::string_view cut_attachments(std::string_view text) {
  if (text.find('!') == std::string_view::npos) return text;
  std::vector<std::string_view> pieces;
  if (!split_top_level_commas(text, pieces).ok()) return text;
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const std::string_view piece = pieces[i];
    if (piece.size() >= 2 && piece[0] == '!' && is_ident_char(piece[1])) {
      const std::string_view before =
          text.substr(0, static_cast<std::size_t>(piece.data() - text.data()));
      return before.substr(0, before.rfind(','));
    }
  }
  return text;
}

Status split_top_level_commas(std::string_view text, std::vector<std::string_view>& pieces) {
  pieces.clear();
  std::int64_t depth = 0;
  std::size_t start = 0;
  for (std::size_t i = scan_brackets<kBracketClass, ','>(text, 0, depth); i < text.size();
       i = scan_brackets<kBracketClass, ','>(text, i + 1, depth)) {
    if (depth < 0) {
      return placed(parse_error("unbalanced closing bracket in " + std::string(text)), i);
    }
    if (depth == 0) {
      pieces.push_back(trim(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  pieces.push_back(trim(text.substr(start)));
  return ok_status();
}

std::optional<std::pair<std::string_view, std::string_view>> parse_global_ident(
    std::string_view text) {
  const std::string_view t = trim_start(text);
  if (t.size() < 2 || t[0] != '@') return std::nullopt;
  if (t[1] == '"') {
    const std::size_t close = t.find('"', 2);
    if (close == std::string_view::npos) return std::nullopt;
    return std::make_pair(t.substr(2, close - 2), t.substr(close + 1));
  }
  std::size_t end = 1;
  while (end < t.size() && is_ident_char(t[end])) ++end;
  if (end == 1) return std::nullopt;
  return std::make_pair(t.substr(1, end - 1), t.substr(end));
}

std::string_view parse_label_name(std::string_view text) {
  if (text.empty()) return text;
  if (text[0] == '"') {
    const std::size_t close = text.find('"', 1);
    if (close != std::string_view::npos) return text.substr(1, close - 1);
  }
  std::size_t end = 0;
  while (end < text.size() && is_ident_char(text[end])) ++end;
  return text.substr(0, end);
}

std::optional<std::string_view> name_after_percent(std::string_view text) {
  std::size_t from = 0;
  bool after_type = false;
  while (true) {
    std::size_t percent = std::string_view::npos;
    if (!after_type) {
      percent = text.find('%', from);
    } else {
      // After a typed-pointer type only a top-level `%` names the value: the
      // `%Qubit*` inside `inttoptr (i64 1 to %Qubit*)` is another type.
      std::int64_t depth = 0;
      for (std::size_t i = scan_brackets<kBracketClass, '%'>(text, from, depth); i < text.size();
           i = scan_brackets<kBracketClass, '%'>(text, i + 1, depth)) {
        if (depth == 0 && text[i] == '%') {
          percent = i;
          break;
        }
      }
    }
    if (percent == std::string_view::npos) return std::nullopt;
    std::size_t token_end = percent + 1;
    while (token_end < text.size() && !is_ascii_blank(text[token_end])) ++token_end;
    // A token such as `%Qubit**` is the type of a typed pointer, not the value:
    // the SSA name callers want is that of the value token after it.
    if (text[token_end - 1] == '*') {
      from = token_end;
      after_type = true;
      continue;
    }
    std::size_t end = percent + 1;
    while (end < text.size() && is_ident_char(text[end])) ++end;
    if (end == percent + 1) return std::nullopt;
    return text.substr(percent + 1, end - percent - 1);
  }
}

std::string_view strip_call_prefixes(std::string_view text) {
  std::string_view t = trim_start(text);
  while (true) {
    const std::string_view word = first_word(t);
    if (word != "tail" && word != "musttail" && word != "notail") return t;
    t = trim_start(t.substr(word.size()));
  }
}

namespace {

// Words that may stand alone before a call's return type.
constexpr std::string_view kCallWords[] = {
    // fast-math flags
    "nnan", "ninf", "nsz", "arcp", "contract", "afn", "reassoc", "fast",
    // calling conventions
    "ccc", "fastcc", "coldcc", "tailcc", "swiftcc", "swifttailcc", "webkit_jscc", "anyregcc",
    "preserve_mostcc", "preserve_allcc", "cxx_fast_tlscc", "ghccc", "cfguard_checkcc",
    // return attributes
    "zeroext", "signext", "noext", "inreg", "noalias", "nonnull", "noundef"};

// Words followed by a number (`cc 10`, `align 8`).
bool takes_number(std::string_view word) { return word == "cc" || word == "align"; }

// Words with their argument in parentheses (`dereferenceable(8)`, `addrspace(1)`).
bool is_call_word_with_argument(std::string_view word) {
  return (word.starts_with("dereferenceable(") || word.starts_with("dereferenceable_or_null(") ||
          word.starts_with("addrspace(")) &&
         word.ends_with(")");
}

}  // namespace

// Parameter attributes: never the type of an operand or a parameter.
bool is_attribute_word(std::string_view word) {
  if (word.ends_with(")") &&
      (word.starts_with("dereferenceable(") || word.starts_with("dereferenceable_or_null(") ||
       word.starts_with("align("))) {
    return true;
  }
  switch (word.size()) {
    case 4:
      return word == "sret";
    case 5:
      return word == "byval" || word == "inreg" || word == "align";
    case 6:
      return word == "immarg";
    case 7:
      return word == "nonnull" || word == "noalias" || word == "signext" || word == "zeroext" ||
             word == "noundef";
    case 8:
      return word == "readonly" || word == "readnone";
    case 9:
      return word == "writeonly" || word == "nocapture";
    default:
      return false;
  }
}

std::string_view strip_call_attributes(std::string_view text) {
  std::string_view t = trim_start(text);
  while (true) {
    const std::string_view word = first_word(t);
    bool known = is_call_word_with_argument(word);
    for (const std::string_view candidate : kCallWords) known = known || word == candidate;
    if (known) {
      t = rest_after_first_word(t);
    } else if (takes_number(word) && !rest_after_first_word(t).empty()) {
      t = rest_after_first_word(rest_after_first_word(t));
    } else {
      return t;
    }
  }
}

bool joins_as_space(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return false;
  if (text[pos] == ' ') return true;
  if (!in_class(text[pos], kSpaceClass)) return false;
  std::size_t first = pos;
  while (first > 0 && in_class(text[first - 1], kSpaceClass)) --first;
  for (std::size_t i = first; i < text.size() && in_class(text[i], kSpaceClass); ++i) {
    if (text[i] == '\n') return true;
  }
  return false;
}

std::string as_one_line(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool first = true;
  while (true) {
    const std::size_t feed = text.find('\n');
    std::string_view line = text.substr(0, feed);
    if (!first) line = trim_start(line);
    if (feed != std::string_view::npos) line = trim_end(line);
    if (first || !line.empty()) {
      if (!first) out.push_back(' ');
      out.append(line);
      first = false;
    }
    if (feed == std::string_view::npos) return out;
    text.remove_prefix(feed + 1);
  }
}

std::optional<std::size_t> find_to_clause(std::string_view text) {
  std::int64_t depth = 0;
  for (std::size_t i = scan_brackets<kBracketClass, 't'>(text, 0, depth); i < text.size();
       i = scan_brackets<kBracketClass, 't'>(text, i + 1, depth)) {
    if (depth == 0 && i > 0 && i + 2 < text.size() && text[i + 1] == 'o' &&
        joins_as_space(text, i - 1) && joins_as_space(text, i + 2)) {
      return i - 1;
    }
  }
  return std::nullopt;
}

namespace {

// Linkage, preemption, visibility and DLL storage words that may precede the
// return type of a declaration or definition.
constexpr std::string_view kLinkageWords[] = {
    "weak",
    "common",
    "hidden",
    "private",
    "default",
    "internal",
    "linkonce",
    "weak_odr",
    "external",
    "dllimport",
    "dllexport",
    "dso_local",
    "appending",
    "protected",
    "extern_weak",
    "linkonce_odr",
    "dso_preemptable",
    "local_unnamed_addr",
    "available_externally",
};

bool is_linkage_word(std::string_view word) {
  for (const std::string_view candidate : kLinkageWords) {
    if (candidate == word) return true;
  }
  return false;
}

}  // namespace

HeaderFault read_function_header(std::string_view line, std::size_t keyword_length,
                                 FunctionHeader& header) {
  std::string_view rest = trim_start(line.substr(std::min(keyword_length, line.size())));
  // Linkage and visibility words, then a calling convention and return
  // attributes (`noundef zeroext i1`), in whatever order they were written.
  for (std::string_view before; before.data() != rest.data() || before.size() != rest.size();) {
    before = rest;
    while (!rest.empty() && is_linkage_word(first_word(rest))) rest = rest_after_first_word(rest);
    rest = strip_call_attributes(rest);
  }
  if (rest.empty()) return HeaderFault::kNoName;
  if (rest.front() == '{') {
    const std::size_t close = closing_bracket<kBraceClass>(rest, 1, '}');
    if (close == rest.size()) return HeaderFault::kUnclosedStruct;
    // A pointer to the struct is the struct type with its stars.
    std::size_t end = close + 1;
    while (end < rest.size() && rest[end] == '*') ++end;
    header.return_type = rest.substr(0, end);
  } else {
    header.return_type = first_word(rest);
  }
  rest = trim_start(rest.substr(header.return_type.size()));
  if (rest.empty() || rest.front() != '@') return HeaderFault::kNoName;
  std::string_view after_name;
  if (rest.size() > 1 && rest[1] == '"') {
    const std::size_t close = rest.find('"', 2);
    if (close == std::string_view::npos) return HeaderFault::kUnterminatedName;
    header.name = rest.substr(2, close - 2);
    header.quoted_name = true;
    after_name = rest.substr(close + 1);
  } else {
    std::size_t end = 1;
    while (end < rest.size() && is_ident_char(rest[end])) ++end;
    header.name = rest.substr(1, end - 1);
    after_name = rest.substr(end);
  }
  const std::size_t open = after_name.find('(');
  if (open == std::string_view::npos) return HeaderFault::kNoParameterList;
  const std::size_t close = closing_bracket<kParenClass>(after_name, open + 1, ')');
  if (close == after_name.size()) return HeaderFault::kUnbalancedParameters;
  header.parameters = after_name.substr(open + 1, close - open - 1);
  header.rest = after_name.substr(close + 1);
  return HeaderFault::kNone;
}

std::optional<double> parse_float_literal(std::string_view text) {
  const std::string_view t = trim(text);
  // The bits of the double in hexadecimal; LLVM drops leading zero digits
  // (a value below about 1e-231 has fewer than 16).
  if (t.starts_with("0x")) {
    if (t.size() < 3 || t.size() > 18) return std::nullopt;
    return hex_bits_to_double(t.substr(2), false);
  }
  if (t.starts_with("-0x")) {
    if (t.size() < 4 || t.size() > 19) return std::nullopt;
    return hex_bits_to_double(t.substr(3), true);
  }
  // Decimal: sign? ( inf | infinity | nan | digits[.digits] | .digits ) ( e sign? digits )?
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  const std::string_view body = t.substr(i);
  if (equals_ignoring_case(body, "inf") || equals_ignoring_case(body, "infinity")) {
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  if (equals_ignoring_case(body, "nan")) {
    return negative ? -std::numeric_limits<double>::quiet_NaN()
                    : std::numeric_limits<double>::quiet_NaN();
  }
  std::size_t j = 0;
  std::size_t mantissa_digits = 0;
  while (j < body.size() && is_digit(body[j])) ++j, ++mantissa_digits;
  if (j < body.size() && body[j] == '.') {
    ++j;
    while (j < body.size() && is_digit(body[j])) ++j, ++mantissa_digits;
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (j < body.size() && (body[j] == 'e' || body[j] == 'E')) {
    ++j;
    if (j < body.size() && (body[j] == '+' || body[j] == '-')) ++j;
    std::size_t exponent_digits = 0;
    while (j < body.size() && is_digit(body[j])) ++j, ++exponent_digits;
    if (exponent_digits == 0) return std::nullopt;
  }
  if (j != body.size()) return std::nullopt;
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (ec == std::errc::result_out_of_range) {
    value = decimal_overflows(body) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc() || ptr != body.data() + body.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::optional<int128> parse_int128(std::string_view text) {
  const std::string_view t = trim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i == t.size()) return std::nullopt;
  const uint128 limit = (uint128{1} << 127) - (negative ? 0 : 1);
  uint128 magnitude = 0;
  for (; i < t.size(); ++i) {
    if (!is_digit(t[i])) return std::nullopt;
    const auto digit = static_cast<unsigned>(t[i] - '0');
    if (magnitude > (limit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative) return static_cast<int128>(magnitude);
  // Negating in unsigned arithmetic keeps the smallest value free of overflow.
  return static_cast<int128>(~magnitude + 1);
}

std::optional<int128> parse_int_literal(std::string_view text, std::uint32_t width) {
  if (width == 0 || width > 64) return parse_int128(text);
  const std::string_view t = trim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i == t.size()) return std::nullopt;
  // Arithmetic modulo 2^64 keeps the low 64 bits of a literal of any length.
  std::uint64_t bits = 0;
  for (; i < t.size(); ++i) {
    if (!is_digit(t[i])) return std::nullopt;
    bits = bits * 10 + static_cast<std::uint64_t>(t[i] - '0');
  }
  if (negative) bits = ~bits + 1;
  return static_cast<int128>(wrap_to_width(bits, width));
}

std::int64_t wrap_to_width(std::uint64_t bits, std::uint32_t width) {
  if (width < 64) {
    const std::uint64_t sign = std::uint64_t{1} << (width - 1);
    bits &= (sign << 1) - 1;
    bits = (bits ^ sign) - sign;
  }
  return static_cast<std::int64_t>(bits);
}

std::optional<std::uint64_t> parse_uint64(std::string_view text) {
  std::size_t i = 0;
  if (!text.empty() && text[0] == '+') i = 1;
  if (i == text.size() || !is_digit(text[i])) return std::nullopt;
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data() + i, end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::uint32_t integer_type_width(std::string_view type) {
  if (type.size() < 2 || type.size() > 8 || type[0] != 'i' || type[1] == '0') return 0;
  std::uint32_t width = 0;
  for (const char c : type.substr(1)) {
    if (!is_digit(c)) return 0;
    width = width * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return width <= kMaxIntegerWidth ? width : 0;
}

}  // namespace corvane
