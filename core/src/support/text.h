// Text helpers shared by every stage: the quoted form in which names appear in
// messages, and UTF-8 decoding for the few places that need code points.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

/// Appends `text` in quoted form: between double quotes, `"` and `\` escaped with a
/// backslash, tab/CR/LF/NUL as \t \r \n \0, other non-printable characters as
/// \u{hex}; printable characters (the single quote included) copied. A byte that is
/// not part of valid UTF-8 is written as \x{hex}.
void append_quoted(std::string& out, std::string_view text);

/// `text` in quoted form (see append_quoted).
[[nodiscard]] std::string quote_text(std::string_view text);

/// A list of texts in quoted form: "[", items separated by ", ", "]".
[[nodiscard]] std::string quote_list(const std::string_view* items, std::size_t count);

/// Decodes one UTF-8 code point starting at text[pos]. Returns the code point and
/// sets `length` to the bytes consumed; an invalid sequence yields 0xFFFFFFFF with
/// `length` 1.
[[nodiscard]] std::uint32_t decode_utf8(std::string_view text, std::size_t pos,
                                        std::size_t& length);

}  // namespace corvane
