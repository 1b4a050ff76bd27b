// The lowering driver: turns the entry-point function of a parsed module into
// a Program, with a LoweringContext (values/lowering_context.h) that the
// classical lowering, the phi patterns and the call builders read and extend.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cfg/structure.h"
#include "ir/ir.h"
#include "openqasm/program.h"
#include "support/error.h"
#include "values/lowering_context.h"

namespace corvane {

struct TranslateOptions;

/// Lowers the module's entry point into a Program. Memory follows the paths
/// between the blocks, and a value that reads a result bit or a variable is
/// captured where it is defined when a write of what it reads can come
/// before one of its uses (the function is then lowered again).
[[nodiscard]] Result<Program> lower_module(const TranslateOptions& options, const Module& module);
/// The same, for a module the caller no longer needs: on success the entry
/// point's instructions and operands are freed. Afterwards the module keeps its
/// functions, blocks and labels, but the entry point's instruction lists and
/// operand arrays are empty.
[[nodiscard]] Result<Program> lower_module(const TranslateOptions& options, Module&& module);

/// A lowered entry point and its profile (the first "qir_profiles" value of
/// its attribute groups, a view into the parsed text).
struct LoweredModule {
  Program program;
  std::optional<std::string_view> profile;
};

/// Parses `text` and lowers its entry point in the same pass: the entry
/// point's instructions are lowered in batches of at most `batch` as they are
/// read. The result, errors included, is that of parse_module followed by
/// lower_module. A body that needs the whole function (a phi, memory, a value
/// used outside its block or read after its state changed), or that turns
/// out not to be the entry point's (the attribute groups at the end of the
/// text say which is), is lowered whole instead. The parser keeps the body
/// while fewer than `keep` of its instructions have been handed over, so such
/// a body is read once when it gives up within them; one that gives up later
/// is read again.
[[nodiscard]] Result<LoweredModule> parse_and_lower(const TranslateOptions& options,
                                                    std::string_view text, std::size_t batch = 1024,
                                                    std::size_t keep = 1024);

/// Register size from the highest index used (checked: index + 1 must not overflow).
/// `is_qubit` selects the qubit or the result register, which the error names.
[[nodiscard]] Result<std::uint64_t> register_size(std::int64_t max_index, bool is_qubit);

}  // namespace corvane
