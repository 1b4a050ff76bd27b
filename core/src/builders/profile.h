// The registry of recognised QIR functions (the profile) and the call builders
// that turn one `call` into OpenQASM statements.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ir/ir.h"
#include "openqasm/program.h"
#include "signatures/signatures.h"
#include "support/error.h"
#include "values/lowering_context.h"

namespace corvane {

/// The kinds of builder.
enum class BuilderKind : std::uint8_t {
  Gate,
  Decomposed,
  Measure,
  MeasureAndReset,
  Reset,
  ReadResult,
  Ignore,
  GeneralizedControlled,
  Barrier,
  RegisterCreate,
  RegisterMeasure,
  RegisterGetBit,
  RegisterSetBit,
  RegisterSetInt,
  RegisterGetInt,
};

/// How a call of one QIR function becomes statements.
struct Builder {
  BuilderKind kind = BuilderKind::Ignore;
  std::string gate;      // Gate: OpenQASM gate name; Decomposed: the operation
  bool adjoint = false;  // Gate only: emit one `inv @` modifier
  friend bool operator==(const Builder&, const Builder&) = default;
};

/// Insertion-ordered map from QIR function name to Builder.
class Profile {
 public:
  explicit Profile(std::string name = "base_profile") : name_(std::move(name)) {}

  /// Adds an entry at the end, or replaces an existing entry's builder in place.
  void extend(std::string function_name, Builder builder);
  /// Exact match, else (for "llvm." callees) the first entry in insertion order whose
  /// name is a prefix of the callee; nullptr when neither.
  [[nodiscard]] const Builder* lookup(std::string_view callee) const;

  [[nodiscard]] const std::string& name() const { return name_; }
  /// Entries in insertion order.
  [[nodiscard]] const std::vector<std::pair<std::string, Builder>>& entries() const {
    return entries_;
  }

 private:
  std::string name_;
  std::vector<std::pair<std::string, Builder>> entries_;
  std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> index_;
};

/// Whether `name` is `__quantum__qis__barrier__body` or `__quantum__qis__barrierN__body`.
[[nodiscard]] bool is_barrier_name(std::string_view name);

/// The base profile with its 49 entries (and the barrier functions, which
/// lookup finds by their form).
[[nodiscard]] Profile base_profile();

/// Handles one call: signature lookup, builder lookup, shape check, then the
/// builder, whose statements are appended to `out`.
[[nodiscard]] Status lower_call(const Profile& profile, const SignatureMap& signatures,
                                std::string_view callee, std::span<const Operand> operands,
                                std::optional<std::string_view> result, LoweringContext& context,
                                std::vector<Stmt>& out);

/// lower_call with the callee's signature and builder already looked up (either
/// may be null, as the lookups return them), for callers that cache the lookups.
[[nodiscard]] Status lower_resolved_call(const Signature* signature, const Builder* builder,
                                         std::string_view callee, std::span<const Operand> operands,
                                         std::optional<std::string_view> result,
                                         LoweringContext& context, std::vector<Stmt>& out);

/// The refusal of a call that no builder lowers, whatever its operands: a
/// callee without a signature or without a builder (either lookup null);
/// nullopt when the builder is there.
[[nodiscard]] std::optional<TranslateError> unbuildable_call(const Signature* signature,
                                                             const Builder* builder,
                                                             std::string_view callee);

/// Runs one builder (after the shape checks) and appends its statements to `out`.
[[nodiscard]] Status invoke_builder(const Builder& builder, const Signature& signature,
                                    std::span<const Operand> operands,
                                    std::optional<std::string_view> result,
                                    LoweringContext& context, std::vector<Stmt>& out);

/// Operand resolution shared by the builders (callee names the function in messages).
[[nodiscard]] Result<IndexedIdent> resolve_qubit_operand(LoweringContext& context,
                                                         const Operand& operand,
                                                         std::string_view callee);
[[nodiscard]] Result<IndexedIdent> resolve_result_target(LoweringContext& context,
                                                         const Operand& operand,
                                                         std::string_view callee);
[[nodiscard]] Result<Expr> resolve_result_operand(LoweringContext& context, const Operand& operand,
                                                  std::string_view callee);
[[nodiscard]] Result<Expr> resolve_scalar_operand(LoweringContext& context, const Operand& operand,
                                                  std::string_view callee);

}  // namespace corvane
