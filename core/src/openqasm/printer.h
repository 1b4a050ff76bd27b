// Writes a Program as OpenQASM 3 text, and renders the generated-by trailer.
// Printing cannot fail. One Printer owns indentation and line ends, so no
// statement printer writes its own newlines.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "openqasm/program.h"

namespace corvane {

/// Output text plus the current indentation level (two spaces per level).
struct Printer {
  std::string& out;
  unsigned indent = 0;
};

/// Appends the whole program (header line, then every statement) to `out`.
void print_program(const Program& program, std::string& out);
/// Appends one statement (and, for If/While, its bodies) at the printer's level.
void print_statement(Printer& printer, const Stmt& stmt);
/// Appends one expression with the minimal parentheses.
void print_expr(Printer& printer, const Expr& expr);
/// Appends a name with its optional [index].
void print_indexed_ident(Printer& printer, const IndexedIdent& ident);

/// The statements on one line: their printed text with each line end and the
/// indentation after it folded into one space ("if (c[0]) { x q[0]; }").
[[nodiscard]] std::string dump_statements(const std::vector<Stmt>& statements);

/// Shortest round-trip decimal text of `value`, never in exponent form, with ".0"
/// appended to integral values; "nan", "inf", "-inf" for the special values.
[[nodiscard]] std::string format_float(double value);

/// The "// generated-by: {...}" line, newline included.
[[nodiscard]] std::string render_trailer(const std::optional<std::string>& producer,
                                         const std::optional<std::string_view>& profile);

}  // namespace corvane
