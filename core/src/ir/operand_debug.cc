// Placeholder; replaced by the debug-form implementation.
#include "ir/ir.h"

namespace corvane {
std::string operand_debug(const Operand&) { return {}; }
void append_operand_debug(std::string&, const Operand&) {}
std::string debug_float(double) { return {}; }
std::string int128_to_string(int128) { return {}; }
}  // namespace corvane
