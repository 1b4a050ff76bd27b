// Declared signatures of every `declare`/`define` line of a module, read from
// the module text independently of the instruction parser. Used for the shape
// checks of calls and to tell qubit operands from angles.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "support/error.h"

namespace corvane {

/// Name, normalised return and parameter types, variadic flag of one function.
/// Normalised types are "ptr", "void", "half", "float", "fp128", "double",
/// "bfloat", "iN", "struct", or a struct name ("Qubit" for %Qubit*).
struct Signature {
  std::string name;
  std::string return_type;
  std::vector<std::string> param_types;
  bool is_variadic = false;
  friend bool operator==(const Signature&, const Signature&) = default;
};

/// Insertion-ordered map from function name to Signature. A later entry for a
/// known name replaces the stored signature and keeps its position.
class SignatureMap {
 public:
  /// Inserts or replaces (keeping position).
  void insert(Signature signature);
  /// The signature of `name`, or nullptr.
  [[nodiscard]] const Signature* find(std::string_view name) const;
  /// All signatures in insertion order.
  [[nodiscard]] const std::vector<Signature>& entries() const { return entries_; }

 private:
  /// Hash usable with both std::string keys and std::string_view lookups.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
      return std::hash<std::string_view>{}(text);
    }
  };

  std::vector<Signature> entries_;
  // Owned keys: views into entries_ would dangle when the vector regrows
  // (short names live inside the string object) or when the map is copied.
  std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> index_;
};

/// Builds the map from every `declare`/`define` line of `module_text`. An error
/// is placed at the start of its line's keyword (an offset into `module_text`).
[[nodiscard]] Result<SignatureMap> build_signature_map(std::string_view module_text);

}  // namespace corvane
