// The debug form of an Operand, as shown inside lowering and builder messages:
// `ConstInt(5)`, `PtrConst { struct_name: Some("Qubit"), index: 1 }`,
// `Ssa("q0")`, `I8Null`, ... Text payloads use the quoted form of append_quoted;
// floats use a shortest round-trip form that switches to exponent notation for
// very large and very small magnitudes.
#include <charconv>
#include <cmath>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

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

// One-line dumps of instructions: `Name { field: value, ... }`, texts quoted,
// operands in their debug form; with a source text, each view inside it is
// followed by `@offset`.
struct InstructionDumper {
  const Function& function;
  std::string_view source;
  std::string& out;

  void text(std::string_view view) {
    append_quoted(out, view);
    place(view);
  }
  void place(std::string_view view) {
    if (source.empty() || view.data() == nullptr) return;
    const std::less<const char*> before;
    if (before(view.data(), source.data()) || before(source.data() + source.size(), view.data())) {
      return;
    }
    out.push_back('@');
    out += std::to_string(view.data() - source.data());
  }
  void text(const OptionalView& view) {
    if (view) {
      text(*view);
    } else {
      out += "None";
    }
  }
  void field(std::string_view name) {
    if (out.back() != '{') out.push_back(',');
    out.push_back(' ');
    out.append(name);
    out += ": ";
  }
  void number(std::uint64_t value) { out += std::to_string(value); }
  void operand(const Operand& value) {
    append_operand_debug(out, value);
    std::visit(
        [&](const auto& alternative) {
          using T = std::decay_t<decltype(alternative)>;
          if constexpr (std::is_same_v<T, Ssa> || std::is_same_v<T, GlobalRef> ||
                        std::is_same_v<T, BitcastGlobal>) {
            place(alternative.name);
          } else if constexpr (std::is_same_v<T, PtrConst>) {
            if (alternative.struct_name) place(*alternative.struct_name);
          }
        },
        value);
  }
  void operands(std::uint32_t first, std::size_t count) {
    out.push_back('[');
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) out += ", ";
      operand(function.operands[first + i]);
    }
    out.push_back(']');
  }
  void incomings(Range range) {
    out.push_back('[');
    for (std::uint32_t i = 0; i < range.count; ++i) {
      if (i > 0) out += ", ";
      const Incoming& incoming = function.incomings[range.begin + i];
      out.push_back('(');
      operand(incoming.value);
      out += ", ";
      text(incoming.pred);
      out.push_back(')');
    }
    out.push_back(']');
  }
  void open(std::string_view name) {
    out.append(name);
    out += " {";
  }
  void close() { out += " }"; }

  void operator()(const Call& i) {
    open("Call");
    field("callee"), text(i.callee);
    field("args"), operands(i.args.begin, i.args.count);
    field("ret_ty"), text(i.ret_ty);
    field("result"), text(i.result);
    close();
  }
  void operator()(const Br& i) {
    open("Br");
    field("target"), text(i.target);
    close();
  }
  void operator()(const CondBr& i) {
    open("CondBr");
    field("cond");
    if (i.cond.kind == BranchCond::Kind::Ssa) {
      text(i.cond.name);
    } else {
      out += i.cond.value ? "true" : "false";
    }
    field("true_label"), text(i.true_label);
    field("false_label"), text(i.false_label);
    close();
  }
  void operator()(const Ret& i) {
    open("Ret");
    field("value"), text(i.value);
    close();
  }
  void operator()(const ICmp& i) {
    open("ICmp");
    field("predicate"), text(i.predicate);
    field("operands"), operands(i.first_operand, 2);
    field("result"), text(i.result);
    field("width"), number(i.width);
    close();
  }
  void operator()(const Logic& i) {
    open("Logic");
    field("op"), number(static_cast<std::uint64_t>(i.op));
    field("operands"), operands(i.first_operand, 2);
    field("result"), text(i.result);
    close();
  }
  void operator()(const Select& i) {
    open("Select");
    field("operands"), operands(i.first_operand, 3);
    field("ty"), text(i.ty);
    field("result"), text(i.result);
    close();
  }
  void operator()(const Arith& i) {
    open("Arith");
    field("op"), number(static_cast<std::uint64_t>(i.op));
    field("operands"), operands(i.first_operand, 2);
    field("result"), text(i.result);
    field("width"), number(i.width);
    close();
  }
  void operator()(const Phi& i) {
    open("Phi");
    field("ty"), text(i.ty);
    field("incomings"), incomings(i.incomings);
    field("result"), text(i.result);
    close();
  }
  void operator()(const Ignored& i) {
    open("Ignored");
    field("opcode"), text(i.opcode);
    close();
  }
  void operator()(const Alloca& i) {
    open("Alloca");
    field("result"), text(i.result);
    close();
  }
  void operator()(const Bitcast& i) {
    open("Bitcast");
    field("source"), text(i.source);
    field("result"), text(i.result);
    close();
  }
  void operator()(const Gep& i) {
    open("Gep");
    field("base"), text(i.base);
    field("ty"), text(i.ty);
    field("indices"), operands(i.indices.begin, i.indices.count);
    field("result"), text(i.result);
    close();
  }
  void operator()(const Store& i) {
    open("Store");
    field("value"), operands(i.value, 1);
    field("pointer"), text(i.pointer);
    field("ty"), text(i.ty);
    close();
  }
  void operator()(const Load& i) {
    open("Load");
    field("pointer"), text(i.pointer);
    field("result"), text(i.result);
    field("ty"), text(i.ty);
    close();
  }
  void operator()(const IntCast& i) {
    open("IntCast");
    field("op"), number(static_cast<std::uint64_t>(i.op));
    field("source"), text(i.source);
    field("result"), text(i.result);
    field("from_width"), number(i.from_width);
    field("to_width"), number(i.to_width);
    field("constant_source"), out += i.constant_source ? "true" : "false";
    close();
  }
  void operator()(const IntToPtr& i) {
    open("IntToPtr");
    field("value"), operands(i.value, 1);
    field("result"), text(i.result);
    close();
  }
  void operator()(const Switch& i) {
    open("Switch");
    field("value"), operands(i.value, 1);
    field("default_label"), text(i.default_label);
    field("cases"), incomings(i.cases);
    field("width"), number(i.width);
    close();
  }
  void operator()(const FloatArith& i) {
    open("FloatArith");
    field("op"), number(static_cast<std::uint64_t>(i.op));
    field("operands"),
        operands(i.first_operand, i.op == FloatOp::FAdd || i.op == FloatOp::FSub ||
                                          i.op == FloatOp::FMul || i.op == FloatOp::FDiv
                                      ? 2
                                      : 1);
    field("ty"), text(i.ty);
    field("result"), text(i.result);
    field("from_width"), number(i.from_width);
    close();
  }
  void operator()(const Unrecognized& i) {
    open("Unrecognized");
    field("opcode"), text(i.opcode);
    close();
  }
};

}  // namespace

std::string debug_dump(const Function& function, const Instruction& instruction,
                       std::string_view source) {
  std::string out;
  std::visit(InstructionDumper{function, source, out}, instruction);
  return out;
}

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
