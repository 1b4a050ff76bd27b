// Shortest round-trip decimal digits of a double, shared by every place that
// renders a float as text (OpenQASM literals, operand debug forms).
//
// The digits are the fewest that read back to the same double. When two such
// digit strings are equally close to the exact binary value, the one of larger
// magnitude is taken (round half up); std::to_chars alone would take the one
// ending in an even digit, so that case is detected and adjusted here.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

namespace corvane {

/// A finite double as sign, significant digits and decimal exponent:
/// value = (negative ? -1 : 1) * d0.d1d2... * 10^exponent.
struct DecimalDigits {
  char digits[24];
  std::size_t count = 0;
  int exponent = 0;
  bool negative = false;
};

namespace float_digits_detail {

// Splits to_chars scientific output ("-1.25e+03") into `out`.
inline void split_scientific(std::string_view text, DecimalDigits& out) {
  out.negative = !text.empty() && text.front() == '-';
  if (out.negative) text.remove_prefix(1);
  const std::size_t e_pos = text.find('e');
  out.count = 0;
  for (const char c : text.substr(0, e_pos)) {
    if (c != '.' && out.count < sizeof out.digits) out.digits[out.count++] = c;
  }
  std::string_view exponent = text.substr(e_pos + 1);
  if (!exponent.empty() && exponent.front() == '+') exponent.remove_prefix(1);
  out.exponent = 0;
  std::from_chars(exponent.data(), exponent.data() + exponent.size(), out.exponent);
}

// True when |value| is an integer multiple of 10^power, i.e. its exact decimal
// expansion has no nonzero digit below that position.
inline bool is_multiple_of_power_of_ten(double value, int power) {
  int binary_exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &binary_exponent);
  // |value| = mantissa * 2^binary_exponent with an odd integer mantissa.
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  binary_exponent -= 53;
  while (mantissa != 0 && (mantissa & 1) == 0) {
    mantissa >>= 1;
    ++binary_exponent;
  }
  if (mantissa == 0) return true;
  if (power < 0) return binary_exponent - power >= 0;  // times 2^-power * 5^-power
  if (binary_exponent < power) return false;
  for (int i = 0; i < power; ++i) {
    if (mantissa % 5 != 0) return false;
    mantissa /= 5;
  }
  return true;
}

}  // namespace float_digits_detail

/// Shortest round-trip digits of a finite `value` (ties resolved upward in magnitude).
inline DecimalDigits shortest_digits(double value) {
  using namespace float_digits_detail;
  DecimalDigits result;
  char buf[40];
  auto written = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  split_scientific(std::string_view(buf, static_cast<std::size_t>(written.ptr - buf)), result);

  // A tie needs the exact value to end, one digit further, in a 5: check that
  // cheaply before asking for the exact digits.
  const std::size_t n = result.count;
  if (value == 0.0 || n == 0 || result.digits[n - 1] == '9' ||
      !is_multiple_of_power_of_ten(value, result.exponent - static_cast<int>(n))) {
    return result;
  }
  written = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                          static_cast<int>(n));
  if (written.ec != std::errc()) return result;
  DecimalDigits exact;
  split_scientific(std::string_view(buf, static_cast<std::size_t>(written.ptr - buf)), exact);
  if (exact.exponent != result.exponent || exact.count != n + 1 || exact.digits[n] != '5' ||
      std::memcmp(exact.digits, result.digits, n) != 0) {
    return result;
  }
  // The even candidate was taken; the one above it is equally close. Keep it
  // only if it reads back to the same double.
  DecimalDigits up = result;
  ++up.digits[n - 1];
  char text[48];
  std::size_t len = 0;
  text[len++] = up.digits[0];
  text[len++] = '.';
  for (std::size_t i = 1; i < n; ++i) text[len++] = up.digits[i];
  text[len++] = 'e';
  const auto exp_end = std::to_chars(text + len, text + sizeof text, up.exponent).ptr;
  double back = 0.0;
  const auto parsed = std::from_chars(text, exp_end, back);
  if (parsed.ec == std::errc() && back == std::fabs(value)) return up;
  return result;
}

/// Appends `digits` in positional form (never an exponent), with ".0" when the
/// text would otherwise have no fractional part: 1.5e20 -> "150000000000000000000.0".
inline void append_positional(std::string& out, const DecimalDigits& digits) {
  if (digits.negative) out.push_back('-');
  const std::string_view sig(digits.digits, digits.count);
  if (digits.exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-(digits.exponent + 1)), '0');
    out.append(sig);
    return;
  }
  const auto integer_digits = static_cast<std::size_t>(digits.exponent) + 1;
  if (sig.size() <= integer_digits) {
    out.append(sig);
    out.append(integer_digits - sig.size(), '0');
    out += ".0";
    return;
  }
  out.append(sig.substr(0, integer_digits));
  out.push_back('.');
  out.append(sig.substr(integer_digits));
}

}  // namespace corvane
