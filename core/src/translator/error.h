// The one error value of the translator and the value-or-error type that every
// fallible operation returns. Nothing in the core throws: an error travels up
// unchanged through RETURN_IF_ERROR / ASSIGN_OR_RETURN until the caller of
// translate() renders it with display().
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace corvane {

/// Which stage failed; only changes how the error is displayed.
enum class ErrorKind : std::uint8_t { Parse = 0, Lowering = 1, ControlFlow = 2, Internal = 3 };

/// A fully formatted failure message and the kind of stage that produced it.
struct TranslateError {
  ErrorKind kind = ErrorKind::Parse;
  std::string message;

  /// The text shown to callers: the message, prefixed "internal error: " for Internal only.
  [[nodiscard]] std::string display() const;

  friend bool operator==(const TranslateError&, const TranslateError&) = default;
};

/// Shorthands for building errors of each kind.
[[nodiscard]] TranslateError parse_error(std::string message);
[[nodiscard]] TranslateError lowering_error(std::string message);
[[nodiscard]] TranslateError control_flow_error(std::string message);
[[nodiscard]] TranslateError internal_error(std::string message);

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
