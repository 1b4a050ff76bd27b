// The lexer of the QIR readers: character classes, byte searches and the
// statement cursor over a module's text. Every reader of the module text
// classifies bytes through the one table below, and every reader that needs
// the nesting of brackets walks them with scan_brackets, so the readers agree
// on what a name, a blank or a bracket is. The cursor (Lexer) finds where each
// statement of a body starts and ends.
//
// Every byte of an instruction passes through a search here, and nearly all
// bytes are plain, so the searches test sixteen bytes at a time where SSE2 is
// available (always on x86-64) and fall back to a byte loop elsewhere and for
// the last bytes. Both paths return the same position.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvane {

/// The classes a byte may belong to (a byte may be in several).
enum CharClass : std::uint16_t {
  kIdentClass = 1 << 0,    // a name character: ASCII letter, digit, `$`, `.`, `_`, `-`
  kDigitClass = 1 << 1,    // decimal digit
  kHexClass = 1 << 2,      // hexadecimal digit, either case
  kBlankClass = 1 << 3,    // what separates words: space, tab, LF, FF, CR (not VT)
  kSpaceClass = 1 << 4,    // ASCII white space: the blanks and VT
  kTypeClass = 1 << 5,     // a type word's character: a name character, `*`, `%`
  kFloatClass = 1 << 6,    // a decimal float literal's character: digits . + - e E
  kVisibleClass = 1 << 7,  // printable ASCII other than the space
  kLetterClass = 1 << 8,   // ASCII letter
  kOpenClass = 1 << 9,     // an opening bracket: ( [ { <
  kParenClass = 1 << 10,   // ( and )
  kSquareClass = 1 << 11,  // [ and ]
  kBraceClass = 1 << 12,   // { and }
  kAngleClass = 1 << 13,   // < and >
  kIndentClass = 1 << 14,  // what indents a line: space and tab
  kBracketClass = kParenClass | kSquareClass | kBraceClass | kAngleClass,
};

namespace char_class_detail {
constexpr std::array<std::uint16_t, 256> make_table() {
  std::array<std::uint16_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    const auto c = static_cast<char>(i);
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    std::uint16_t bits = 0;
    if (letter) bits |= kLetterClass;
    if (digit) bits |= kDigitClass | kFloatClass;
    if (digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) bits |= kHexClass;
    if (letter || digit || c == '$' || c == '.' || c == '_' || c == '-') {
      bits |= kIdentClass | kTypeClass;
    }
    if (c == '*' || c == '%') bits |= kTypeClass;
    if (c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E') bits |= kFloatClass;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r') bits |= kBlankClass;
    if (c == ' ' || (c >= 0x09 && c <= 0x0D)) bits |= kSpaceClass;
    if (i > 0x20 && i < 0x7F) bits |= kVisibleClass;
    if (c == '(' || c == '[' || c == '{' || c == '<') bits |= kOpenClass;
    if (c == '(' || c == ')') bits |= kParenClass;
    if (c == '[' || c == ']') bits |= kSquareClass;
    if (c == '{' || c == '}') bits |= kBraceClass;
    if (c == '<' || c == '>') bits |= kAngleClass;
    if (c == ' ' || c == '\t') bits |= kIndentClass;
    table[static_cast<std::size_t>(i)] = bits;
  }
  return table;
}
}  // namespace char_class_detail

/// The class bits of every byte value.
inline constexpr std::array<std::uint16_t, 256> kCharClasses = char_class_detail::make_table();

/// Whether `c` belongs to any of the classes in `classes`.
[[nodiscard]] constexpr bool in_class(char c, std::uint16_t classes) {
  return (kCharClasses[static_cast<unsigned char>(c)] & classes) != 0;
}
/// ASCII blank: space, tab, LF, FF, CR (not VT).
[[nodiscard]] constexpr bool is_ascii_blank(char c) { return in_class(c, kBlankClass); }
/// ASCII letter, digit, `$`, `.`, `_` or `-`.
[[nodiscard]] constexpr bool is_ident_char(char c) { return in_class(c, kIdentClass); }
/// Space or tab, what indents a line.
[[nodiscard]] constexpr bool is_indent(char c) { return in_class(c, kIndentClass); }
/// Decimal digit.
[[nodiscard]] constexpr bool is_digit(char c) { return in_class(c, kDigitClass); }

/// Position of the first byte at or after `pos` equal to one of `Set`, or text.size().
template <char... Set>
[[nodiscard]] inline std::size_t find_any_of(std::string_view text, std::size_t pos) {
  const char* data = text.data();
  const std::size_t size = text.size();
#if defined(__SSE2__)
  for (; pos + 16 <= size; pos += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
    __m128i hits = _mm_setzero_si128();
    ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(Set)))), ...);
    const int mask = _mm_movemask_epi8(hits);
    if (mask != 0)
      return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; pos < size; ++pos) {
    const char c = data[pos];
    if (((c == Set) || ...)) return pos;
  }
  return size;
}

/// Position of the first byte at or after `pos` outside `Class`, or
/// text.size(). Names and type words are the long runs of a call, so for
/// those two classes sixteen bytes are tested at a time.
template <std::uint16_t Class>
[[nodiscard]] inline std::size_t end_of_run(std::string_view text, std::size_t pos) {
  const char* data = text.data();
  const std::size_t size = text.size();
#if defined(__SSE2__)
  if constexpr (Class == kIdentClass || Class == kTypeClass) {
    const auto in_range = [](__m128i v, char lo, char hi) {
      return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(lo - 1))),
                           _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(hi + 1))));
    };
    for (; pos + 16 <= size; pos += 16) {
      // The table's rows for these classes, as compares: bytes from 0x80 read
      // as negative and so fall outside every range, and setting bit 0x20
      // folds A-Z onto a-z without mapping any other byte into a-z.
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
      const auto is = [&](char x) { return _mm_cmpeq_epi8(c, _mm_set1_epi8(x)); };
      const __m128i folded = _mm_or_si128(c, _mm_set1_epi8(0x20));
      __m128i hits = _mm_or_si128(in_range(folded, 'a', 'z'), in_range(c, '0', '9'));
      hits = _mm_or_si128(hits, _mm_or_si128(is('_'), _mm_or_si128(is('.'), is('$'))));
      hits = _mm_or_si128(hits, is('-'));
      if constexpr (Class == kTypeClass) {
        hits = _mm_or_si128(hits, _mm_or_si128(is('*'), is('%')));
      }
      const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
      if (mask != 0xFFFF) return pos + static_cast<std::size_t>(__builtin_ctz(~mask));
    }
  }
#endif
  while (pos < size && in_class(data[pos], Class)) ++pos;
  return pos;
}

/// Position of the first byte at or after `pos` that is not printable ASCII
/// other than the space (so: a space, a control byte, DEL or a non-ASCII byte),
/// or text.size().
[[nodiscard]] inline std::size_t find_space_or_unusual(std::string_view text, std::size_t pos) {
  const char* data = text.data();
  const std::size_t size = text.size();
#if defined(__SSE2__)
  for (; pos + 16 <= size; pos += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
    // Signed compare: bytes 0x80-0xFF read as negative, so they count as below '!'.
    const __m128i low = _mm_cmplt_epi8(chunk, _mm_set1_epi8('!'));
    const __m128i del = _mm_cmpeq_epi8(chunk, _mm_set1_epi8(0x7F));
    const int mask = _mm_movemask_epi8(_mm_or_si128(low, del));
    if (mask != 0)
      return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; pos < size; ++pos) {
    const auto c = static_cast<unsigned char>(data[pos]);
    if (c < 0x21 || c > 0x7E) return pos;
  }
  return size;
}

/// Walks the brackets of `text` from `pos`: `depth` goes up at an opening and
/// down at a closing bracket of the kinds in `Kinds` (bracket classes; other
/// brackets are plain bytes). Returns the position of the first byte of
/// `Stops` (at whatever depth: the caller reads `depth`), or of the first
/// closing bracket that leaves `depth` below zero (`depth` already lowered),
/// or text.size().
template <std::uint16_t Kinds, char... Stops>
[[nodiscard]] inline std::size_t scan_brackets(std::string_view text, std::size_t pos,
                                               std::int64_t& depth) {
  for (pos = find_any_of<'(', '[', '{', '<', ')', ']', '}', '>', Stops...>(text, pos);
       pos < text.size();
       pos = find_any_of<'(', '[', '{', '<', ')', ']', '}', '>', Stops...>(text, pos + 1)) {
    const char c = text[pos];
    if (((c == Stops) || ...)) return pos;
    if (!in_class(c, Kinds)) continue;
    if (in_class(c, kOpenClass)) {
      ++depth;
    } else if (--depth < 0) {
      return pos;
    }
  }
  return text.size();
}

/// Position of the bracket that closes the one opened just before `pos`
/// (brackets of the kinds in `Kinds` nest), or text.size() when none does or
/// another kind closes it first.
template <std::uint16_t Kinds>
[[nodiscard]] inline std::size_t closing_bracket(std::string_view text, std::size_t pos,
                                                 char close) {
  std::int64_t depth = 0;
  const std::size_t at = scan_brackets<Kinds>(text, pos, depth);
  return at < text.size() && text[at] == close ? at : text.size();
}

/// An LLVM instruction opcode, or a word that may come before one (`tail call`).
[[nodiscard]] bool is_opcode_word(std::string_view word);

/// A cursor over the statements of a module text. It passes over blanks, line
/// breaks and comments, tells a label or a body's closing brace from an
/// instruction, and finds where an instruction ends. LLVM reads a line break
/// as a blank, so an instruction may go on over several lines: it ends at a
/// line break (or a body's closing brace) where its brackets are balanced and
/// what follows cannot go on with it.
class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  [[nodiscard]] std::size_t pos() const { return pos_; }
  void seek(std::size_t pos) { pos_ = pos; }
  [[nodiscard]] bool at_end() const { return pos_ >= text_.size(); }
  /// The text from the cursor on.
  [[nodiscard]] std::string_view rest() const { return text_.substr(pos_); }
  /// The text from the cursor to the end of its line (without the line feed).
  [[nodiscard]] std::string_view rest_of_line() const;

  /// Passes over white space (line breaks included) and `;` comments.
  void skip_blanks() {
    // Indentation and line breaks are nearly all there is between statements;
    // other white space and comments take the general path.
    while (pos_ < text_.size() && is_line_blank(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && !in_class(text_[pos_], kVisibleClass)) skip_other_blanks();
    if (pos_ < text_.size() && text_[pos_] == ';') skip_other_blanks();
  }
  /// Moves to the start of the next line (or the end of the text).
  void skip_line();
  /// At a body's closing brace: moves past it.
  bool take_closing_brace();
  /// At a block label (`name:` or `"name":`, the name of name characters):
  /// the name, and the cursor moves past the colon.
  std::optional<std::string_view> take_label();
  /// When only spaces, tabs and a carriage return stand between the cursor
  /// plus `length` and the end of the line: moves to the next line.
  bool take_through_line_end(std::size_t length) {
    std::size_t end = pos_ + length;
    while (end < text_.size() && (is_indent(text_[end]) || text_[end] == '\r')) ++end;
    if (end < text_.size() && text_[end] != '\n') return false;
    pos_ = end < text_.size() ? end + 1 : end;
    return true;
  }
  /// The instruction that starts at the cursor, up to its last character, and
  /// the cursor moves past it; nothing (the cursor left) when the text ends
  /// before the instruction does.
  std::optional<std::string_view> take_instruction();
  /// Of the text take_instruction last took: the position of its last line
  /// feed, and of its first comment (npos when there is none).
  [[nodiscard]] std::size_t last_break() const { return last_break_; }
  [[nodiscard]] std::size_t first_comment() const { return first_comment_; }

  /// Bytes from the cursor to the next `}` (normally the one that closes the
  /// body), or to the end of the text; at most `most`.
  [[nodiscard]] std::size_t bytes_to_body_end(
      std::size_t most = std::numeric_limits<std::size_t>::max()) const;
  /// A capacity hint for the block whose first line follows the cursor's: the
  /// line breaks before the next `:` (which ends a label) or `}`.
  [[nodiscard]] std::size_t block_lines_hint() const;

 private:
  static constexpr bool is_line_blank(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
  }
  void skip_other_blanks();
  // Whether the line starting at `pos` goes on with the instruction before it.
  [[nodiscard]] bool line_continues(std::size_t pos) const;

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t last_break_ = std::string_view::npos;
  std::size_t first_comment_ = std::string_view::npos;
};

}  // namespace corvane
