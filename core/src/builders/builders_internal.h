// Interface between the profile's dispatcher (profile.cc) and the builder
// implementations (builders.cc, controlled.cc). Not used outside builders/.
// Every builder appends its statements to `out` only after all of its checks
// have passed, so a failing call leaves `out` unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "builders/profile.h"

namespace corvane {

/// The parameter type at `position` as the builder of `kind` sees it: "ptr"
/// replaced by "Qubit" or "Result" by kind and position, every other type as declared.
[[nodiscard]] std::string_view signature_view_type(BuilderKind kind, const Signature& signature,
                                                   std::size_t position);

/// Gate call with operand roles taken from the declared parameter types.
[[nodiscard]] Status build_gate(const Builder& builder, const Signature& signature,
                                std::span<const Operand> operands, LoweringContext& context,
                                std::vector<Stmt>& out);
/// Measurement, or measurement followed by a reset when `kind` is MeasureAndReset.
[[nodiscard]] Status build_measure(BuilderKind kind, const Signature& signature,
                                   std::span<const Operand> operands, LoweringContext& context,
                                   std::vector<Stmt>& out);
/// Reset of one qubit.
[[nodiscard]] Status build_reset(const Signature& signature, std::span<const Operand> operands,
                                 LoweringContext& context, std::vector<Stmt>& out);
/// Binds the call's result (if any) to the result-register bit; emits nothing.
[[nodiscard]] Status build_read_result(const Signature& signature,
                                       std::span<const Operand> operands,
                                       std::optional<std::string_view> result,
                                       LoweringContext& context);
/// The generalized controlled invocation (variadic, strict calling convention).
[[nodiscard]] Status build_generalized_controlled(const Signature& signature,
                                                  std::span<const Operand> operands,
                                                  LoweringContext& context, std::vector<Stmt>& out);

/// The pytket register runtime (`create_creg`, `mz_to_creg_bit`, ...), by kind.
[[nodiscard]] Status build_register_call(BuilderKind kind, const Signature& signature,
                                         std::span<const Operand> operands,
                                         std::optional<std::string_view> result,
                                         LoweringContext& context, std::vector<Stmt>& out);
/// A barrier on the qubits it names, or on all of them when it names none.
[[nodiscard]] Status build_barrier(const Signature& signature, std::span<const Operand> operands,
                                   LoweringContext& context, std::vector<Stmt>& out);

/// U3(theta, phi, lambda) on `qubit` as rz(lambda), ry(theta), rz(phi): equal up to global phase.
void emit_u3(const Expr& theta, const Expr& phi, const Expr& lambda, const IndexedIdent& qubit,
             std::vector<Stmt>& out);

/// Whether `op` is a rotation, which a controlled invocation passes one angle for.
[[nodiscard]] bool is_rotation_op(std::string_view op);

/// Appends native gates that act as the controlled `op` (its adjoint when
/// `adjoint`; `angle` is the rotation angle of a rotation op) on `qubits`,
/// controls first: equal to the controlled operation up to a phase of the
/// whole sequence, so exact for the target operation's own phase. Returns
/// false, appending nothing, when there is no such sequence.
[[nodiscard]] bool emit_controlled(std::string_view op, std::int64_t num_controls,
                                   std::int64_t num_targets, const std::optional<Expr>& angle,
                                   bool adjoint, std::span<const IndexedIdent> qubits,
                                   std::vector<Stmt>& out);

/// A gate whose operation has no native gate: `builder.gate` names the
/// operation ("u3"), written out as a sequence of native gates.
[[nodiscard]] Status build_decomposed(const Builder& builder, const Signature& signature,
                                      std::span<const Operand> operands, LoweringContext& context,
                                      std::vector<Stmt>& out);

/// The native gate for a controlled `op` with the given control and target
/// counts, or absent when the target dialect has none.
[[nodiscard]] std::optional<std::string_view> controlled_gate_name(std::string_view op,
                                                                   std::int64_t num_controls,
                                                                   std::int64_t num_targets);

}  // namespace corvane
