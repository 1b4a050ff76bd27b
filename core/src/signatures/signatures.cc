// Reads the signature of every `declare` and `define` line of a module text:
// the parser's header reader takes each apart into return type, name and
// parameter list, and every type is reduced to its normalised name. Lines that are not declarations
// or definitions are never examined. Invariant: a returned map holds only normalised type names.
#include "signatures/signatures.h"

#include <array>
#include <cstddef>
#include <optional>

#include "ir/lexer.h"
#include "ir/parser_util.h"
#include "signatures/signature_text.h"
#include "support/text.h"

namespace corvane {
namespace {

// Type names that normalise to themselves.
constexpr std::array<std::string_view, 7> kPlainTypes = {
    "ptr", "void", "half", "float", "fp128", "double", "bfloat",
};

template <std::size_t N>
bool is_one_of(std::string_view word, const std::array<std::string_view, N>& words) {
  for (std::string_view candidate : words) {
    if (candidate == word) return true;
  }
  return false;
}

// True when `line` starts with `keyword` followed by an ASCII blank or the end.
bool starts_with_keyword(std::string_view line, std::string_view keyword) {
  if (!line.starts_with(keyword)) return false;
  return line.size() == keyword.size() || is_ascii_blank(line[keyword.size()]);
}

TranslateError line_error(std::string_view prefix, std::string_view line) {
  std::string message(prefix);
  append_quoted(message, line);
  return parse_error(std::move(message));
}

// Buffers reused across lines so that parsing a line allocates only the
// Signature it produces.
struct Scratch {
  std::vector<std::string_view> pieces;
  std::vector<std::string_view> raw_types;
};

// Parses one trimmed `declare`/`define` line (keyword included).
Result<Signature> parse_signature_line(std::string_view line, std::size_t keyword_length,
                                       Scratch& scratch) {
  FunctionHeader header;
  const HeaderFault fault = read_function_header(line, keyword_length, header);
  // The parser reads `@()` as a function without a name; a signature needs one.
  if (header.name.data() != nullptr && header.name.empty() && !header.quoted_name) {
    return line_error("could not parse signature line: ", line);
  }
  switch (fault) {
    case HeaderFault::kNone:
      break;
    case HeaderFault::kNoName:
      return line_error("could not parse signature line: ", line);
    case HeaderFault::kUnclosedStruct:
      return line_error("unclosed struct return type: ", line);
    case HeaderFault::kUnterminatedName:
      return line_error("unterminated quoted name: ", line);
    case HeaderFault::kNoParameterList:
      return line_error("signature missing '(': ", line);
    case HeaderFault::kUnbalancedParameters:
      return line_error("unbalanced parens in signature: ", line);
  }
  const std::string_view return_type = header.return_type;
  const std::string_view name = header.name;
  const std::string_view param_text = header.parameters;

  Signature signature;
  RETURN_IF_ERROR(
      parse_parameter_list(param_text, scratch.pieces, scratch.raw_types, signature.is_variadic));
  ASSIGN_OR_RETURN(std::string_view normalized_return, normalize_type(return_type));
  signature.name = std::string(name);
  signature.return_type = std::string(normalized_return);
  signature.param_types.reserve(scratch.raw_types.size());
  for (std::string_view raw : scratch.raw_types) {
    ASSIGN_OR_RETURN(std::string_view normalized, normalize_type(raw));
    signature.param_types.emplace_back(normalized);
  }
  return signature;
}

}  // namespace

Result<std::string_view> normalize_type(std::string_view token) {
  std::string_view type = trim(token);
  if (type.empty()) return parse_error("empty type token in signature");
  const auto fail = [token]() { return line_error("could not parse parameter type ", token); };
  if (type.back() == '*') {
    type.remove_suffix(1);
    if (type.empty()) return fail();
  }
  if (type.size() >= 3 && type[0] == '%' && type[1] == '"' && type.back() == '"') {
    return type.substr(2, type.size() - 3);
  }
  if (type[0] == '%') {
    const std::string_view ident = type.substr(1);
    if (ident.empty()) return fail();
    const char first = ident[0];
    if (!is_ident_char(first) || is_digit(first)) return fail();
    for (char c : ident) {
      if (!is_ident_char(c)) return fail();
    }
    return ident;
  }
  if (is_one_of(type, kPlainTypes)) return type;
  if (type.size() >= 2 && type[0] == 'i') {
    bool digits = true;
    for (char c : type.substr(1)) digits = digits && is_digit(c);
    if (digits) return type;
  }
  if (type.front() == '{' && type.back() == '}') return std::string_view("struct");
  return fail();
}

Status parse_parameter_list(std::string_view text, std::vector<std::string_view>& pieces,
                            std::vector<std::string_view>& types, bool& is_variadic) {
  types.clear();
  is_variadic = false;
  const std::string_view params = trim(text);
  if (params.empty()) return ok_status();
  RETURN_IF_ERROR(split_top_level_commas(params, pieces));
  if (!pieces.empty() && pieces.back() == "...") {
    pieces.pop_back();
    is_variadic = true;
  }
  for (std::string_view piece : pieces) {
    if (piece == "...") {
      return line_error("unexpected '...' in non-terminal position of parameter list: ", params);
    }
  }
  for (std::string_view piece : pieces) {
    if (piece.empty()) return line_error("empty parameter in signature: ", params);
    std::string_view rest = piece;
    while (is_attribute_word(first_word(rest))) rest = rest_after_first_word(rest);
    if (!rest.empty() && rest.front() == '{') {
      const std::size_t close = closing_bracket<kBraceClass>(rest, 1, '}');
      if (close == rest.size()) {
        return line_error("unterminated struct parameter type in signature: ", params);
      }
      types.push_back(rest.substr(0, close + 1));
      continue;
    }
    std::optional<std::string_view> type;
    std::size_t pos = 0;
    while (pos < rest.size() && !type.has_value()) {
      while (pos < rest.size() && is_ascii_blank(rest[pos])) ++pos;
      const std::size_t start = pos;
      while (pos < rest.size() && !is_ascii_blank(rest[pos])) ++pos;
      const std::string_view word = rest.substr(start, pos - start);
      if (!word.empty() && !is_attribute_word(word)) type = word;
    }
    if (!type.has_value()) {
      std::string message = "could not parse parameter type from chunk ";
      append_quoted(message, piece);
      message += " in ";
      append_quoted(message, params);
      return parse_error(std::move(message));
    }
    types.push_back(*type);
  }
  return ok_status();
}

void SignatureMap::insert(Signature signature) {
  const auto it = index_.find(std::string_view(signature.name));
  if (it != index_.end()) {
    entries_[it->second] = std::move(signature);
    return;
  }
  index_.emplace(signature.name, entries_.size());
  entries_.push_back(std::move(signature));
}

const Signature* SignatureMap::find(std::string_view name) const {
  const auto it = index_.find(name);
  return it == index_.end() ? nullptr : &entries_[it->second];
}

Result<SignatureMap> build_signature_map(std::string_view module_text) {
  SignatureMap map;
  Scratch scratch;
  std::size_t pos = 0;
  while (pos < module_text.size()) {
    std::size_t end = module_text.find('\n', pos);
    const bool last = end == std::string_view::npos;
    if (last) end = module_text.size();
    std::string_view line = module_text.substr(pos, end - pos);
    pos = last ? module_text.size() : end + 1;
    if (!last && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Nearly every line is a body line: after its indentation comes a visible
    // ASCII character other than the `d` of declare/define, which settles it
    // without trimming. Anything else takes the full check below.
    std::size_t first = 0;
    while (first < line.size() && is_indent(line[first])) ++first;
    if (first < line.size()) {
      const char c = line[first];
      if (c > ' ' && c < 0x7F && c != 'd') continue;
    }
    line = trim(line);
    std::size_t keyword_length = 0;
    if (starts_with_keyword(line, "declare")) {
      keyword_length = 7;
    } else if (starts_with_keyword(line, "define")) {
      keyword_length = 6;
    } else {
      continue;
    }
    Result<Signature> signature = parse_signature_line(line, keyword_length, scratch);
    if (!signature.ok()) {
      // Every signature error is about its line as a whole: it is placed at the keyword.
      TranslateError error = std::move(signature).error();
      error.offset = static_cast<std::size_t>(line.data() - module_text.data());
      return error;
    }
    map.insert(std::move(signature).value());
  }
  return map;
}

}  // namespace corvane
