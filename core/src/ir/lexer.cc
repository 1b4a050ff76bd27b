// The statement cursor over a module's text.
#include "ir/lexer.h"

#include <algorithm>

#include "ir/parser_util.h"

namespace corvane {

bool is_opcode_word(std::string_view word) {
  // clang-format off
  static constexpr std::string_view kWords[] = {
      "add", "addrspacecast", "alloca", "and", "ashr", "atomicrmw", "bitcast", "br", "call",
      "callbr", "catchpad", "catchret", "catchswitch", "cleanuppad", "cleanupret", "cmpxchg",
      "extractelement", "extractvalue", "fadd", "fcmp", "fdiv", "fence", "fmul", "fneg", "fpext",
      "fptosi", "fptoui", "fptrunc", "freeze", "frem", "fsub", "getelementptr", "icmp",
      "indirectbr", "insertelement", "insertvalue", "inttoptr", "invoke", "landingpad", "load",
      "lshr", "mul", "musttail", "notail", "or", "phi", "ptrtoint", "resume", "ret", "sdiv",
      "select", "sext", "shl", "shufflevector", "sitofp", "srem", "store", "sub", "switch", "tail",
      "trunc", "udiv", "uitofp", "unreachable", "urem", "va_arg", "xor", "zext",
  };
  // clang-format on
  return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

namespace {

// Whether the comment-free part of `line` ends with `,`, `=` or a word that
// only comes before `call` (`tail`), after which an instruction always goes on.
bool ends_open(std::string_view line) {
  const std::string_view text = trim_end(cut_comment(line));
  if (text.empty()) return false;
  if (text.back() == ',' || text.back() == '=') return true;
  return text.ends_with("tail") && (text.size() == 4 || is_ascii_blank(text[text.size() - 5]) ||
                                    text.ends_with("musttail") || text.ends_with("notail"));
}

// Whether the instruction whose first line is `text` is a call (which goes on
// at least to its callee's `@`).
bool starts_call(std::string_view text) {
  std::string_view body = text;
  const std::size_t equals = text.find('=');
  if (equals != std::string_view::npos) {
    const std::string_view lhs = trim(text.substr(0, equals));
    if (!lhs.empty() && lhs[0] == '%') body = text.substr(equals + 1);
  }
  return first_word(strip_call_prefixes(body)) == "call";
}

// The open brackets of each kind in an instruction read so far.
struct Nesting {
  std::int64_t parens = 0;
  std::int64_t squares = 0;
  std::int64_t braces = 0;
  std::int64_t angles = 0;

  void take(char c) {
    switch (c) {
      case '(':
        ++parens;
        break;
      case ')':
        --parens;
        break;
      case '[':
        ++squares;
        break;
      case ']':
        --squares;
        break;
      case '{':
        ++braces;
        break;
      case '}':
        --braces;
        break;
      case '<':
        ++angles;
        break;
      default:
        --angles;
        break;  // '>'
    }
  }
  [[nodiscard]] bool balanced() const {
    return parens == 0 && squares == 0 && braces == 0 && angles == 0;
  }
};

}  // namespace

std::string_view Lexer::rest_of_line() const {
  const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
  return text_.substr(pos_, end - pos_);
}

void Lexer::skip_other_blanks() {
  while (pos_ < text_.size()) {
    pos_ = text_.size() - trim_start(text_.substr(pos_)).size();
    if (pos_ == text_.size() || text_[pos_] != ';') return;
    skip_line();
  }
}

void Lexer::skip_line() {
  const std::size_t end = text_.find('\n', pos_);
  pos_ = end == std::string_view::npos ? text_.size() : end + 1;
}

bool Lexer::take_closing_brace() {
  if (pos_ >= text_.size() || text_[pos_] != '}') return false;
  ++pos_;
  return true;
}

std::optional<std::string_view> Lexer::take_label() {
  std::size_t end = pos_;
  std::string_view name;
  if (end < text_.size() && text_[end] == '"') {
    const std::size_t close = end_of_run<kIdentClass>(text_, end + 1);
    if (close == end + 1 || close >= text_.size() || text_[close] != '"') return std::nullopt;
    name = text_.substr(end + 1, close - end - 1);
    end = close + 1;
  } else {
    end = end_of_run<kIdentClass>(text_, end);
    name = text_.substr(pos_, end - pos_);
  }
  if (name.empty() || end >= text_.size() || text_[end] != ':') return std::nullopt;
  pos_ = end + 1;
  return name;
}

bool Lexer::line_continues(std::size_t pos) const {
  // Blank lines and comment lines are passed over: the first line that holds
  // something decides.
  std::size_t i = pos;
  while (true) {
    while (i < text_.size() && (is_indent(text_[i]) || text_[i] == '\r')) ++i;
    if (i == text_.size()) return false;
    if (text_[i] == ';') i = std::min(text_.find('\n', i), text_.size());
    if (i == text_.size()) return false;
    if (text_[i] != '\n') break;
    ++i;
  }
  const char c = text_[i];
  if (c == '%') {
    // `%name = ...` starts an instruction; a bare `%name` goes on with one.
    std::size_t end = i + 1;
    if (end < text_.size() && text_[end] == '"') {
      end = text_.find('"', end + 1);
      if (end == std::string_view::npos) return false;
      ++end;
    } else {
      end = end_of_run<kIdentClass>(text_, end);
    }
    // The `=` may stand on a line of its own after the name.
    while (end < text_.size() && is_ascii_blank(text_[end])) ++end;
    return end == text_.size() || text_[end] != '=';
  }
  if (c == '}' || c == '"' || c == '#') return false;
  // A line that starts with what no instruction or label starts with (`2`,
  // `label %b`, `to i64`, `!dbg`) can only be the rest of the line before.
  if (!is_ident_char(c)) return true;
  const std::size_t end = end_of_run<kIdentClass>(text_, i);
  if (end < text_.size() && text_[end] == ':') return false;  // a block label, `2:` too
  return !is_opcode_word(text_.substr(i, end - i));
}

std::optional<std::string_view> Lexer::take_instruction() {
  const std::size_t start = pos_;
  const std::size_t size = text_.size();
  last_break_ = std::string_view::npos;
  first_comment_ = std::string_view::npos;
  Nesting nesting;
  bool at_seen = false;
  std::optional<bool> is_call;  // decided once, from the first line, and only when needed
  // Whether the instruction read so far, whose last non-blank line is `line`,
  // is whole where its brackets are balanced.
  const auto whole = [&](std::string_view line) {
    if (!nesting.balanced()) return false;
    if (!at_seen) {
      if (!is_call) {
        const std::size_t first_end = std::min(text_.find('\n', start), size);
        is_call = starts_call(trim_end(text_.substr(start, first_end - start)));
      }
      if (*is_call) return false;
    }
    return !ends_open(line);
  };
  const auto take = [&](std::string_view last, std::size_t next) {
    pos_ = next;
    return text_.substr(start,
                        static_cast<std::size_t>(last.data() + last.size() - text_.data()) - start);
  };
  std::size_t line_start = start;
  for (std::size_t i = start;; ++i) {
    i = find_any_of<'\n', ';', '@', '(', ')', '[', ']', '{', '}', '<', '>'>(text_, i);
    if (i < size) {
      const char c = text_[i];
      if (c == '@') {
        at_seen = true;
        continue;
      }
      if (c == '}' && nesting.braces == 0) {
        // A closing brace at the top may end the body, right after an
        // instruction on the same line.
        const std::string_view before = trim(text_.substr(line_start, i - line_start));
        if (!before.empty() && whole(before)) return take(before, i);
      }
      if (c != '\n' && c != ';') {
        nesting.take(c);
        continue;
      }
      if (c == ';') {
        if (first_comment_ == std::string_view::npos) first_comment_ = i;
        i = std::min(text_.find('\n', i), size);  // a comment runs to the line end
      }
    }
    // The end of a line (or of the text): the instruction may end with it.
    const std::string_view line = trim(text_.substr(line_start, i - line_start));
    if (!line.empty() && whole(line) && (i == size || !line_continues(i + 1))) {
      return take(line, i);
    }
    if (i >= size) return std::nullopt;
    last_break_ = i;
    line_start = i + 1;
  }
}

std::size_t Lexer::bytes_to_body_end(std::size_t most) const {
  if (pos_ >= text_.size()) return 0;
  const std::string_view ahead = text_.substr(pos_, most);
  return std::min(ahead.find('}'), ahead.size());
}

std::size_t Lexer::block_lines_hint() const {
  // Only used to size the block's instruction list once instead of growing it,
  // so blank lines, comments and the rare `:` or `}` inside an instruction
  // merely make it less exact. Capped by the bytes scanned, since continuation
  // lines of one long instruction would otherwise reserve far more records
  // than the block will hold.
  constexpr std::size_t kMinBytesPerReservedLine = 32;
  const std::size_t from = text_.find('\n', pos_);
  if (from == std::string_view::npos) return 0;
  std::size_t count = 0;
  std::size_t pos = find_any_of<'\n', ':', '}'>(text_, from + 1);
  while (pos < text_.size() && text_[pos] == '\n') {
    ++count;
    pos = find_any_of<'\n', ':', '}'>(text_, pos + 1);
  }
  return std::min(count, (pos - from - 1) / kMinBytesPerReservedLine);
}

}  // namespace corvane
