// The debug form of an Operand, as shown inside lowering and builder messages:
// `ConstInt(5)`, `PtrConst { struct_name: Some("Qubit"), index: 1 }`,
// `Ssa("q0")`, `I8Null`, ... Text payloads use the quoted form of append_quoted;
// floats use a shortest round-trip form that switches to exponent notation for
// very large and very small magnitudes.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "ir/ir.h"
#include "support/float_digits.h"
#include "support/text.h"

namespace corvane {
namespace {

void append_int128(std::string& out, int128 value) {
  // Work on the magnitude as unsigned so that the minimum value does not overflow.
  __extension__ typedef unsigned __int128 uint128;
  uint128 magnitude = static_cast<uint128>(value);
  if (value < 0) {
    out.push_back('-');
    magnitude = uint128{0} - magnitude;
  }
  char buf[40];  // 2^127 has 39 decimal digits
  std::size_t n = 0;
  do {
    buf[n++] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  while (n > 0) out.push_back(buf[--n]);
}

void append_debug_float(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "NaN";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-inf" : "inf";
    return;
  }
  const double magnitude = std::fabs(value);
  const DecimalDigits digits = shortest_digits(value);
  if (magnitude >= 1e16 || (magnitude != 0.0 && magnitude < 1e-4)) {
    // Exponent form: "1e16", "1.5e16", "-1e-5", "1.2345e-7".
    if (digits.negative) out.push_back('-');
    out.push_back(digits.digits[0]);
    if (digits.count > 1) {
      out.push_back('.');
      out.append(digits.digits + 1, digits.count - 1);
    }
    out.push_back('e');
    char buf[8];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, digits.exponent).ptr);
    return;
  }
  append_positional(out, digits);
}

// Appends "Name(" payload ")" for a single text payload.
void append_text_variant(std::string& out, std::string_view variant, std::string_view text) {
  out.append(variant);
  out.push_back('(');
  append_quoted(out, text);
  out.push_back(')');
}

struct DebugVisitor {
  std::string& out;

  void operator()(const ConstInt& c) const {
    out += "ConstInt(";
    append_int128(out, c.value);
    out.push_back(')');
  }
  void operator()(const ConstBool& c) const {
    out += c.value ? "ConstBool(true)" : "ConstBool(false)";
  }
  void operator()(const ConstFloat& c) const {
    out += "ConstFloat(";
    append_debug_float(out, c.value);
    out.push_back(')');
  }
  void operator()(const PtrConst& p) const {
    out += "PtrConst { struct_name: ";
    if (p.struct_name.has_value()) {
      out += "Some(";
      append_quoted(out, *p.struct_name);
      out.push_back(')');
    } else {
      out += "None";
    }
    out += ", index: ";
    append_int128(out, p.index);
    out += " }";
  }
  void operator()(const Ssa& s) const { append_text_variant(out, "Ssa", s.name); }
  void operator()(const GlobalRef& g) const { append_text_variant(out, "GlobalRef", g.name); }
  void operator()(const GetElementPtr&) const { out += "GetElementPtr"; }
  void operator()(const BitcastGlobal& b) const {
    append_text_variant(out, "BitcastGlobal", b.name);
  }
  void operator()(const I8Null&) const { out += "I8Null"; }
};

}  // namespace

void append_operand_debug(std::string& out, const Operand& operand) {
  std::visit(DebugVisitor{out}, operand);
}

std::string operand_debug(const Operand& operand) {
  std::string out;
  append_operand_debug(out, operand);
  return out;
}

std::string debug_float(double value) {
  std::string out;
  append_debug_float(out, value);
  return out;
}

std::string int128_to_string(int128 value) {
  std::string out;
  append_int128(out, value);
  return out;
}

}  // namespace corvane
