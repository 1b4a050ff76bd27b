// Places lowering errors at their instruction (see error_place.h).
#include "translator/error_place.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "ir/lexer.h"
#include "support/text.h"

namespace corvane {
namespace {

// The earliest view into the source among those an instruction record holds.
class EarliestView {
 public:
  explicit EarliestView(std::string_view source, const MadeNamePlaces* made = nullptr)
      : source_(source), made_(made) {}

  void add(std::string_view view) {
    const std::less<const char*> before;
    const char* p = view.data();
    if (p == nullptr) return;
    if (before(p, source_.data()) || before(source_.data() + source_.size(), p)) {
      // Not a view into the source: perhaps a name made where an inlined call stands.
      if (made_ != nullptr && !made_place_) {
        const auto found = made_->find(p);
        if (found != made_->end()) made_place_ = found->second;
      }
      return;
    }
    if (earliest_ == nullptr || before(p, earliest_)) earliest_ = p;
  }
  void add(const OptionalView& view) {
    if (view) add(*view);
  }

  [[nodiscard]] std::optional<std::size_t> offset() const {
    if (earliest_ == nullptr) return std::nullopt;
    return static_cast<std::size_t>(earliest_ - source_.data());
  }
  /// Where the first made name found was made, if any.
  [[nodiscard]] std::optional<std::size_t> made_place() const { return made_place_; }

  void operator()(const Call& i) {
    add(i.result);
    add(i.ret_ty);
    add(i.callee);
  }
  void operator()(const Br& i) { add(i.target); }
  void operator()(const CondBr& i) {
    add(i.cond.name);
    add(i.true_label);
    add(i.false_label);
  }
  void operator()(const Ret& i) { add(i.value); }
  void operator()(const ICmp& i) {
    add(i.result);
    add(i.predicate);
  }
  void operator()(const Logic& i) { add(i.result); }
  void operator()(const Select& i) {
    add(i.result);
    add(i.ty);
  }
  void operator()(const Arith& i) { add(i.result); }
  void operator()(const Phi& i) {
    add(i.result);
    add(i.ty);
  }
  void operator()(const Ignored& i) { add(i.opcode); }
  void operator()(const Alloca& i) { add(i.result); }
  void operator()(const Bitcast& i) {
    add(i.result);
    add(i.source);
  }
  void operator()(const Gep& i) {
    add(i.result);
    add(i.base);
    add(i.ty);
  }
  void operator()(const Store& i) {
    add(i.pointer);
    add(i.ty);
  }
  void operator()(const Load& i) {
    add(i.result);
    add(i.pointer);
    add(i.ty);
  }
  void operator()(const IntCast& i) {
    add(i.result);
    add(i.source);
  }
  void operator()(const IntToPtr& i) { add(i.result); }
  void operator()(const Switch& i) { add(i.default_label); }
  void operator()(const FloatArith& i) {
    add(i.result);
    add(i.ty);
  }
  void operator()(const Unrecognized& i) { add(i.opcode); }

 private:
  std::string_view source_;
  const MadeNamePlaces* made_;
  const char* earliest_ = nullptr;
  std::optional<std::size_t> made_place_;
};

// The first non-blank character of the line that holds byte `offset`.
std::size_t line_start(std::string_view source, std::size_t offset) {
  const std::size_t newline = source.substr(0, offset).rfind('\n');
  std::size_t start = newline == std::string_view::npos ? 0 : newline + 1;
  while (start < offset && is_indent(source[start])) ++start;
  return start;
}

}  // namespace

std::optional<std::size_t> line_of_view(std::string_view view, std::string_view source) {
  if (view.data() < source.data() || view.data() > source.data() + source.size()) {
    return std::nullopt;
  }
  return line_start(source, static_cast<std::size_t>(view.data() - source.data()));
}

std::optional<std::size_t> earliest_offset(const Instruction& instruction,
                                           std::string_view source) {
  EarliestView earliest(source);
  std::visit(earliest, instruction);
  return earliest.offset();
}

std::size_t line_of_offset(std::string_view source, std::size_t offset) {
  return line_start(source, offset);
}

std::optional<std::size_t> instruction_offset(const Instruction& instruction,
                                              std::string_view source) {
  const std::optional<std::size_t> offset = earliest_offset(instruction, source);
  if (!offset) return std::nullopt;
  return line_start(source, *offset);
}

std::string inline_chain(std::string_view label, const Module& module) {
  const auto found = module.inlined_blocks.find(label.data());
  if (found == module.inlined_blocks.end()) return {};
  std::string chain;
  // Each call lies in the copy of an outer one, so the chain ends; the bound
  // only guards against a table that is not so made.
  std::size_t links = module.inlined_calls.size();
  for (std::uint32_t call = found->second;
       call != 0 && call <= module.inlined_calls.size() && links-- > 0;
       call = module.inlined_calls[call - 1].outer) {
    const Module::InlinedCall& inlined = module.inlined_calls[call - 1];
    chain += chain.empty() ? " (in " : "; in ";
    chain += quote_text(inlined.callee);
    if (inlined.call_offset) {
      chain += ", inlined at line " +
               std::to_string(text_position(module.source(), *inlined.call_offset).line);
    }
  }
  if (!chain.empty()) chain += ")";
  return chain;
}

TranslateError in_inlined_code(TranslateError error, std::string_view label, const Module& module) {
  error.message += inline_chain(label, module);
  return error;
}

TranslateError place_at_instruction(TranslateError error, const Instruction& instruction,
                                    std::string_view source, const MadeNamePlaces* made) {
  if (error.offset) return error;
  EarliestView earliest(source, made);
  std::visit(earliest, instruction);
  const std::optional<std::size_t> offset = earliest.offset();
  if (!offset) {
    if (earliest.made_place()) error.offset = *earliest.made_place();
    return error;
  }
  // The opcode of an unrecognized instruction is the offending token itself.
  error.offset =
      std::holds_alternative<Unrecognized>(instruction) ? *offset : line_start(source, *offset);
  return error;
}

}  // namespace corvane
