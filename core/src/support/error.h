// The one error value of the translator and the value-or-error type that every
// fallible operation returns. Nothing in the core throws: an error travels up
// unchanged through RETURN_IF_ERROR / ASSIGN_OR_RETURN until the caller of
// translate() renders it with display().
//
// An error raised at a place in the text carries that place beside its message
// as a byte offset. Line and column are worked out from the offset only when an
// error is shown (text_position), so nothing about places is kept per line or
// per instruction while translating.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace corvane {

/// Which stage failed; only changes how the error is displayed.
enum class ErrorKind : std::uint8_t { Parse = 0, Lowering = 1, ControlFlow = 2, Internal = 3 };

/// What went wrong, as callers tell refusals apart: text that is not a
/// well-formed module, a construct of a well-formed module that the translator
/// does not support, a module beyond one of the limits of support/limits.h, or
/// a fault of the translator itself (only internal errors). Chosen where each
/// error is made; the shorthands below default to the class most of their
/// stage's errors have.
enum class ErrorClass : std::uint8_t { Malformed = 0, Unsupported = 1, Limit = 2, Internal = 3 };

/// The class most errors of a stage have: Malformed for the parser,
/// Unsupported for lowering and control flow.
constexpr ErrorClass default_class(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::Parse:
      return ErrorClass::Malformed;
    case ErrorKind::Lowering:
    case ErrorKind::ControlFlow:
      return ErrorClass::Unsupported;
    case ErrorKind::Internal:
      return ErrorClass::Internal;
  }
  return ErrorClass::Internal;
}

/// One further refusal of the same module, independent of the error that
/// carries it: its message and, when it has one, its place (as for the error).
struct Refusal {
  std::string message;
  std::optional<std::size_t> offset;
  friend bool operator==(const Refusal&, const Refusal&) = default;
};

/// A fully formatted failure message, the kind of stage that produced it and,
/// when the failure lies at one place in the translated text, that place.
struct TranslateError {
  TranslateError() = default;
  TranslateError(ErrorKind error_kind, std::string error_message,
                 std::optional<std::size_t> error_offset = std::nullopt,
                 std::optional<ErrorClass> what = std::nullopt)
      : kind(error_kind),
        message(std::move(error_message)),
        offset(error_offset),
        cls(what.value_or(default_class(error_kind))) {}

  ErrorKind kind = ErrorKind::Parse;
  std::string message;
  /// Byte offset into the translated text of the offending token, else of the
  /// start of the failing instruction; absent where no single place applies.
  /// Never part of the display text.
  std::optional<std::size_t> offset;
  ErrorClass cls = ErrorClass::Malformed;
  /// Other refusals of the module that do not depend on this one (each
  /// declared function without a builder, say), in text order; empty for most
  /// errors. Never part of the display text.
  std::vector<Refusal> also;

  /// The text shown to callers: the message, prefixed "internal error: " for Internal only.
  [[nodiscard]] std::string display() const;

  friend bool operator==(const TranslateError&, const TranslateError&) = default;
};

/// Shorthands for building errors of each kind, of the stage's default class
/// unless told otherwise.
[[nodiscard]] TranslateError parse_error(std::string message,
                                         ErrorClass what = ErrorClass::Malformed);
[[nodiscard]] TranslateError lowering_error(std::string message,
                                            ErrorClass what = ErrorClass::Unsupported);
[[nodiscard]] TranslateError control_flow_error(std::string message,
                                                ErrorClass what = ErrorClass::Unsupported);
[[nodiscard]] TranslateError internal_error(std::string message);

/// `error`, placed at byte `offset` unless it already has a place.
[[nodiscard]] TranslateError placed(TranslateError error, std::size_t offset);

/// A place in a text as people count it: both 1-based, the column in characters.
struct TextPosition {
  std::size_t line = 1;
  std::size_t column = 1;
  friend bool operator==(const TextPosition&, const TextPosition&) = default;
};

/// Line and column of byte `offset` (at most text.size()) of the UTF-8 `text`:
/// lines end at line feeds, and the column counts the code points before the
/// offset on its line, plus one.
[[nodiscard]] TextPosition text_position(std::string_view text, std::size_t offset);

/// Unit value for fallible steps that produce nothing.
struct Success {
  friend bool operator==(Success, Success) = default;
};

/// Either a T or a TranslateError. Must be checked before use.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value)
      : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
  Result(TranslateError error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  [[nodiscard]] bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return *std::get_if<0>(&state_); }
  const T& value() const& { return *std::get_if<0>(&state_); }
  T&& value() && { return std::move(*std::get_if<0>(&state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const TranslateError& error() const& { return *std::get_if<1>(&state_); }
  TranslateError&& error() && { return std::move(*std::get_if<1>(&state_)); }

 private:
  std::variant<T, TranslateError> state_;
};

using Status = Result<Success>;

/// The success value of a Status-returning function.
inline Status ok_status() { return Success{}; }

}  // namespace corvane

#define CORVANE_CONCAT_INNER(a, b) a##b
#define CORVANE_CONCAT(a, b) CORVANE_CONCAT_INNER(a, b)

/// Evaluates a Result-returning expression and returns its error from the
/// enclosing function, unchanged, when it failed.
#define RETURN_IF_ERROR(expr)                                             \
  do {                                                                    \
    auto corvane_status_ = (expr);                                        \
    if (!corvane_status_.ok()) return std::move(corvane_status_).error(); \
  } while (false)

#define CORVANE_ASSIGN_OR_RETURN_IMPL(tmp, lhs, expr) \
  auto tmp = (expr);                                  \
  if (!tmp.ok()) return std::move(tmp).error();       \
  lhs = std::move(tmp).value()

/// `ASSIGN_OR_RETURN(auto x, f());` declares x from f()'s value, or returns
/// f()'s error from the enclosing function.
#define ASSIGN_OR_RETURN(lhs, expr) \
  CORVANE_ASSIGN_OR_RETURN_IMPL(CORVANE_CONCAT(corvane_result_, __LINE__), lhs, expr)
