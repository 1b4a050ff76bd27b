// Placeholder; replaced by the printer.
#include "openqasm/printer.h"
namespace corvane {
void print_program(const Program&, std::string& out) { out += "OPENQASM 3.0;\n"; }
std::string render_trailer(const std::optional<std::string>&, const std::optional<std::string_view>&) {
  return "// generated-by: {}\n";
}
}  // namespace corvane
