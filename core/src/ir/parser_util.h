// Text helpers that the module, instruction and operand parsers and the
// signature parser share. All work on borrowed slices and return slices of
// their input; none keeps state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ir/ir.h"
#include "ir/lexer.h"
#include "support/error.h"

namespace corvane {

/// Trims Unicode White_Space at both ends / at the start / at the end.
[[nodiscard]] std::string_view trim(std::string_view text);
[[nodiscard]] std::string_view trim_start(std::string_view text);
[[nodiscard]] std::string_view trim_end(std::string_view text);

/// After trimming the start: the longest prefix without an ASCII blank.
[[nodiscard]] std::string_view first_word(std::string_view text);
/// After trimming the start: the text after the first word, start-trimmed.
[[nodiscard]] std::string_view rest_after_first_word(std::string_view text);
/// The text before its first `;`.
[[nodiscard]] std::string_view cut_comment(std::string_view text);

/// The text before its metadata attachments (`, !dbg !5`, `, !srcloc !{...}`):
/// before the first top-level comma that is followed by `!` and a name.
[[nodiscard]] std::string_view cut_attachments(std::string_view text);
/// Splits at commas at bracket depth 0; pieces trimmed; "unbalanced closing bracket in {}".
/// Pieces are appended to `pieces` after clearing it (callers reuse the buffer).
/// The error is placed at the unbalanced bracket, as an offset from the start of `text`.
[[nodiscard]] Status split_top_level_commas(std::string_view text,
                                            std::vector<std::string_view>& pieces);

/// A `define` or `declare` header taken apart; every part is a view into it.
struct FunctionHeader {
  std::string_view return_type;  // `void`, `i1`, `%Qubit*`, `{ i64, i1 }`
  std::string_view name;         // without its `@` and quotes; may be empty
  std::string_view parameters;   // the text between the parentheses
  std::string_view rest;         // after the closing parenthesis: attributes, `{`
  bool quoted_name = false;      // written `@"name"`
};
/// Why a header could not be read.
enum class HeaderFault : std::uint8_t {
  kNone,
  kNoName,               // no return type followed by `@name`
  kUnclosedStruct,       // a `{` return type never closed
  kUnterminatedName,     // `@"` without its closing quote
  kNoParameterList,      // no `(` after the name
  kUnbalancedParameters  // the `(` never closed
};
/// Reads the header `line`, which starts with its keyword (`keyword_length`
/// bytes): linkage, visibility, calling convention and return attribute words,
/// the return type, the name and the parameter list, in that order.
[[nodiscard]] HeaderFault read_function_header(std::string_view line, std::size_t keyword_length,
                                               FunctionHeader& header);

/// `@name` or `@"name"`: the name and the rest after it.
[[nodiscard]] std::optional<std::pair<std::string_view, std::string_view>> parse_global_ident(
    std::string_view text);
/// The label name from the text after a `%` (never fails; may be empty).
[[nodiscard]] std::string_view parse_label_name(std::string_view text);
/// The identifier run after a `%` in an operand written as type and value.
[[nodiscard]] std::optional<std::string_view> name_after_percent(std::string_view text);
/// Drops leading `tail`, `musttail`, `notail` words.
[[nodiscard]] std::string_view strip_call_prefixes(std::string_view text);
/// Drops what may stand between `call` and the return type: fast-math flags,
/// a calling convention (`fastcc`, `cc 10`, ...), return attributes
/// (`zeroext`, `noundef`, `align 8`, `dereferenceable(8)`, ...) and an
/// address space.
[[nodiscard]] std::string_view strip_call_attributes(std::string_view text);
/// A parameter attribute word (`noundef`, `nonnull`, `readonly`, `align`,
/// `dereferenceable(8)`, ...): never the type of an operand or a parameter.
[[nodiscard]] bool is_attribute_word(std::string_view word);
/// Whether the byte at `pos` separates words as one space does where lines
/// are read as one: a space, or white space in a run that holds a line break.
[[nodiscard]] bool joins_as_space(std::string_view text, std::size_t pos);
/// `text` with its lines trimmed where they meet and joined by one space,
/// blank ones left out: an instruction written over several lines, as one.
[[nodiscard]] std::string as_one_line(std::string_view text);
/// Position of the first top-level " to " (the blanks around `to` may be line
/// breaks: the position is then that of the blank before `to`).
[[nodiscard]] std::optional<std::size_t> find_to_clause(std::string_view text);

/// Float literal: 0x or -0x and the double's bits in 1 to 16 hex digits, or
/// decimal (inf, nan).
[[nodiscard]] std::optional<double> parse_float_literal(std::string_view text);
/// Trimmed, optional sign, decimal digits, signed 128-bit range.
[[nodiscard]] std::optional<int128> parse_int128(std::string_view text);
/// An integer literal of type iN as LLVM reads it: trimmed, optional sign,
/// decimal digits of any length. For N up to 64 the value is taken modulo 2^N
/// and sign-extended (`i8 300` is 44, `i1 -1` is -1, `i64 2^63` is -2^63); for
/// wider or unknown types (N = 0) it must lie in the signed 128-bit range.
[[nodiscard]] std::optional<int128> parse_int_literal(std::string_view text, std::uint32_t width);
/// The low `width` bits of `bits` (1 to 64) sign-extended, as a constant of
/// type iN holds them.
[[nodiscard]] std::int64_t wrap_to_width(std::uint64_t bits, std::uint32_t width);
/// Untrimmed, optional `+`, decimal digits, unsigned 64-bit range.
[[nodiscard]] std::optional<std::uint64_t> parse_uint64(std::string_view text);

/// Widest integer type LLVM allows (i8388607).
inline constexpr std::uint32_t kMaxIntegerWidth = (1u << 23) - 1;
/// N of an integer type `iN` (1 to kMaxIntegerWidth, no sign or leading zero),
/// or 0 for any other text.
[[nodiscard]] std::uint32_t integer_type_width(std::string_view type);

}  // namespace corvane
