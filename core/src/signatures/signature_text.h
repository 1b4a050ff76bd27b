// The two text-level steps of signature parsing, shared by the line parser in
// signatures.cc and its unit tests: splitting a parameter list into raw type
// tokens, and reducing one type token to its normalised name.
#pragma once

#include <string_view>
#include <vector>

#include "support/error.h"

namespace corvane {

/// Splits the text between a signature's parentheses into raw parameter type
/// tokens (slices of `text`, written to `types` after clearing it) and reports
/// whether the list ends in `...`. `pieces` is a scratch buffer.
[[nodiscard]] Status parse_parameter_list(std::string_view text,
                                          std::vector<std::string_view>& pieces,
                                          std::vector<std::string_view>& types, bool& is_variadic);

/// The normalised name of one type token ("Qubit" for `%Qubit*`, "struct" for a
/// literal struct, "i64" for `i64`): a slice of `token` or a static literal.
[[nodiscard]] Result<std::string_view> normalize_type(std::string_view token);

}  // namespace corvane
