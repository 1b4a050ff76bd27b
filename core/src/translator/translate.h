// The translation pipeline: parse, configure, lower, print, append the trailer.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builders/profile.h"
#include "ir/ir.h"
#include "outputs/output_map.h"
#include "support/error.h"

namespace corvane {

#ifndef CORVANE_VERSION
#error "CORVANE_VERSION (the CMake project version) must be defined by the build"
#endif
/// The translator's version, shown in the trailer and as __version__: the
/// project version of the top-level CMakeLists.txt, the one place it is written.
inline constexpr const char* kVersion = CORVANE_VERSION;

/// Per-call configuration.
struct TranslateOptions {
  Profile profile;
  std::optional<std::string> producer;
  /// Capture the values that record calls read after their state changed, so
  /// that take_output_map can keep them (compile's keep_values).
  bool keep_values = false;
  /// Mark the record calls among the statements for the output map (compile);
  /// translate leaves them out, which costs nothing and prints the same.
  bool map_outputs = false;
};

/// Translates a whole QIR module to OpenQASM 3 text (ending with the trailer).
/// An empty producer is treated as absent.
[[nodiscard]] Result<std::string> translate(
    std::string_view qir_text, std::optional<std::string_view> producer = std::nullopt);

/// A translation and its output map.
struct Compiled {
  std::string text;
  OutputMap outputs;
};

/// Translates as translate() does and maps the program's outputs. Without
/// `keep_values` the text is translate()'s, byte for byte; with it, values
/// the final bits would not determine are kept in extra bits of c.
[[nodiscard]] Result<Compiled> compile(std::string_view qir_text,
                                       std::optional<std::string_view> producer = std::nullopt,
                                       bool keep_values = false);

/// Lowers and prints an already parsed module with the given configuration.
[[nodiscard]] Result<std::string> translate_module(const TranslateOptions& options,
                                                   const Module& module);

/// The entry point: first definition flagged entry_point, or nullptr.
[[nodiscard]] const Function* find_entry_point(const Module& module);

}  // namespace corvane
