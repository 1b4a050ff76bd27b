// Instruction parsing: one instruction text to one Instruction (its line
// breaks, if it goes on over several lines, are blanks).
//
// Calls, branches, switches, comparisons, logic, integer and float arithmetic,
// select, phi and inttoptr are read strictly and fail with a message; alloca, load, store, zext,
// sext, trunc, bitcast and getelementptr fall back to Ignored when their form is not the modelled
// one; any other opcode is carried as Unrecognized for lowering to report.
// Every view in the result points into the instruction text; call arguments and
// phi incomings go to the function's flat arrays (rolled back on failure). An
// error is placed at the offending token, else at the instruction's start.
#include <string>

#include "ir/lexer.h"
#include "ir/parser.h"
#include "ir/parser_internal.h"
#include "ir/parser_util.h"
#include "support/text.h"

namespace corvane {
namespace parser_detail {
namespace {

// Position of the `)` matching the `(` at `open`.
std::optional<std::size_t> matching_paren(std::string_view text, std::size_t open) {
  const std::size_t close = closing_bracket<kParenClass>(text, open + 1, ')');
  if (close == text.size()) return std::nullopt;
  return close;
}

// The text after a label name that starts `text` (a quoted name ends at its
// closing quote).
std::string_view after_label_name(std::string_view text, std::string_view name) {
  const char* end = name.data() + name.size();
  if (end < text.data() + text.size() && *end == '"') ++end;
  return text.substr(static_cast<std::size_t>(end - text.data()));
}

// `label %name` (blanks allowed between): the label, or nothing. With `whole`,
// nothing may follow the name.
std::optional<std::string_view> read_label_piece(std::string_view piece, bool whole = false) {
  if (!piece.starts_with("label")) return std::nullopt;
  const std::string_view rest = trim_start(piece.substr(5));
  if (rest.empty() || rest[0] != '%') return std::nullopt;
  const std::string_view name = parse_label_name(rest.substr(1));
  if (whole && !trim(after_label_name(rest.substr(1), name)).empty()) return std::nullopt;
  return name;
}

// The error for text left over after a complete instruction.
TranslateError trailing_text_error(std::string_view text, std::string_view rest,
                                   std::string_view instruction) {
  const std::string_view token = first_word(rest);
  return at_token(
      parse_error(concat("unexpected ", quote_text(token)) + " after " + std::string(instruction)),
      text, token);
}

// Whether the word at rest[pos] (an opcode) starts a constant expression: it
// is one a constant may be computed by, and only flag words (`inbounds`,
// `nuw`, a predicate) stand between it and a `(`.
bool opens_constant_expression(std::string_view rest, std::size_t pos) {
  // clang-format off
  static constexpr std::string_view kConstantOpcodes[] = {
      "add", "addrspacecast", "and", "ashr", "bitcast", "extractelement", "extractvalue", "fadd",
      "fcmp", "fdiv", "fmul", "fneg", "fpext", "fptosi", "fptoui", "fptrunc", "frem", "fsub",
      "getelementptr", "icmp", "insertelement", "insertvalue", "inttoptr", "lshr", "mul", "or",
      "ptrtoint", "sdiv", "select", "sext", "shl", "shufflevector", "sitofp", "srem", "sub", "trunc",
      "udiv", "uitofp", "urem", "xor", "zext",
  };
  // clang-format on
  const std::size_t start = pos;
  while (pos < rest.size() && (in_class(rest[pos], kLetterClass) || rest[pos] == '_')) ++pos;
  const std::string_view word = rest.substr(start, pos - start);
  if (std::find(std::begin(kConstantOpcodes), std::end(kConstantOpcodes), word) ==
      std::end(kConstantOpcodes)) {
    return false;
  }
  while (pos < rest.size()) {
    if (is_ascii_blank(rest[pos])) {
      ++pos;
    } else if (in_class(rest[pos], kLetterClass)) {
      while (pos < rest.size() && (in_class(rest[pos], kLetterClass) || rest[pos] == '_')) ++pos;
    } else {
      return rest[pos] == '(';
    }
  }
  return false;
}

// In the text after an instruction's opcode, the first word before a comment
// that can only start another instruction: `%name =`, or an opcode that is
// not a constant expression's. Absent when there is none. LLVM reads on after
// a line break, so two instructions may share a line.
std::optional<std::string_view> next_instruction_in(std::string_view rest) {
  const auto separates = [](char c) {
    return is_ascii_blank(c) || c == '"' || c == ',' || c == '=' || in_class(c, kOpenClass);
  };
  std::size_t pos = 0;
  while (pos < rest.size()) {
    const char c = rest[pos];
    if (c == ';') return std::nullopt;  // the comment that ends the line
    if (c == '"') {
      pos = std::min(rest.find('"', pos + 1), rest.size() - 1) + 1;
    } else if (in_class(c, kOpenClass)) {
      const char close = c == '[' ? ']' : c == '(' ? ')' : c == '{' ? '}' : '>';
      pos = std::min(closing_bracket<kBracketClass>(rest, pos + 1, close), rest.size() - 1) + 1;
    } else if (separates(c)) {
      ++pos;
    } else {
      // A word, taken whole (`i1*ret` is no opcode); a name may be quoted.
      std::size_t end = pos + 1;
      if ((c == '%' || c == '@') && end < rest.size() && rest[end] == '"') {
        end = std::min(rest.find('"', end + 1), rest.size() - 1) + 1;
      }
      while (end < rest.size() && !separates(rest[end])) ++end;
      const std::string_view after = trim_start(rest.substr(end));
      if (c == '%') {
        // A value's name starts an instruction where it is assigned.
        if (!after.empty() && after[0] == '=') return rest.substr(pos);
      } else if (is_opcode_word(rest.substr(pos, end - pos)) &&
                 !opens_constant_expression(rest, pos) && !after.starts_with('@')) {
        // An opcode starts one unless it opens a constant expression or stands
        // where a type does, before a global's name (`call ret @f()`).
        return rest.substr(pos);
      }
      pos = end;
    }
  }
  return std::nullopt;
}

// The opcode of the instruction at the start of `text`, after its `%name =`
// and call prefixes, read without looking further (the text may hold more
// instructions after it).
std::string_view leading_opcode(std::string_view text) {
  std::string_view t = trim_start(text);
  if (!t.empty() && t[0] == '%') {
    std::size_t end = 1;
    if (end < t.size() && t[end] == '"') {
      end = std::min(t.find('"', end + 1), t.size() - 1) + 1;
    } else {
      end = end_of_run<kIdentClass>(t, end);
    }
    const std::string_view after = trim_start(t.substr(end));
    if (after.empty() || after[0] != '=') return {};
    t = after.substr(1);
  }
  return first_word(strip_call_prefixes(t));
}

// Drops the operands and incomings an instruction appended when it fails.
class AppendGuard {
 public:
  explicit AppendGuard(Function& function)
      : function_(function),
        operands_(function.operands.size()),
        incomings_(function.incomings.size()) {}
  AppendGuard(const AppendGuard&) = delete;
  AppendGuard& operator=(const AppendGuard&) = delete;
  ~AppendGuard() {
    if (committed_) return;
    function_.operands.resize(operands_);
    function_.incomings.resize(incomings_);
  }
  void commit() { committed_ = true; }

 private:
  Function& function_;
  std::size_t operands_;
  std::size_t incomings_;
  bool committed_ = false;
};

// split_top_level_commas on `part`, a view into the instruction `text`, with a
// failure placed in `text`.
Status split_in(std::string_view text, std::string_view part,
                std::vector<std::string_view>& pieces) {
  Status status = split_top_level_commas(part, pieces);
  if (!status.ok()) return within(std::move(status).error(), text, part);
  return status;
}

// parse_operand_parts, with a failure placed at `place`: where the operand (or
// its value) is written in the instruction `text`.
Result<Operand> operand_in(std::string_view text, std::string_view place,
                           std::string_view type_part, std::string_view value_part) {
  Result<Operand> operand = parse_operand_parts(type_part, value_part);
  if (!operand.ok()) return at_token(std::move(operand).error(), text, place);
  return operand;
}

// Parses each piece as a value of type `ty` into the function's operand array
// and returns the index of the first; appends nothing on failure.
Result<std::uint32_t> append_operands(std::string_view text, Function& function,
                                      std::string_view ty,
                                      const std::vector<std::string_view>& pieces) {
  AppendGuard guard(function);
  const auto first = static_cast<std::uint32_t>(function.operands.size());
  for (const std::string_view piece : pieces) {
    ASSIGN_OR_RETURN(Operand operand, operand_in(text, piece, ty, piece));
    function.operands.push_back(operand);
  }
  guard.commit();
  return first;
}

// The opcodes the parser reads, each with its own form; kOther is any other word.
enum class Opcode : std::uint8_t {
  kCall,
  kBr,
  kRet,
  kICmp,
  kArith,
  kSelect,
  kPhi,
  kSwitch,
  kFloat,
  kIntToPtr,
  kAlloca,
  kLoad,
  kStore,
  kCast,
  kGep,
  kIgnored,
  kOther,
};

Opcode opcode_of(std::string_view op) {
  struct Entry {
    std::string_view name;
    Opcode opcode;
  };
  // clang-format off
  static constexpr Entry kEntries[] = {
      {"call", Opcode::kCall}, {"br", Opcode::kBr}, {"ret", Opcode::kRet},
      {"icmp", Opcode::kICmp}, {"select", Opcode::kSelect}, {"phi", Opcode::kPhi},
      {"switch", Opcode::kSwitch}, {"inttoptr", Opcode::kIntToPtr},
      {"alloca", Opcode::kAlloca}, {"load", Opcode::kLoad}, {"store", Opcode::kStore},
      {"bitcast", Opcode::kCast}, {"getelementptr", Opcode::kGep},
      {"ptrtoint", Opcode::kIgnored}, {"insertvalue", Opcode::kIgnored},
      {"extractvalue", Opcode::kIgnored},
  };
  // clang-format on
  for (const Entry& entry : kEntries) {
    if (entry.name == op) return entry.opcode;
  }
  if (operation_named<ArithOp>(op, kArithOpNames)) return Opcode::kArith;
  if (operation_named<FloatOp>(op, kFloatOpNames)) return Opcode::kFloat;
  if (operation_named<CastOp>(op, kCastOpNames)) return Opcode::kCast;
  return Opcode::kOther;
}

// Skips the flags a float operation or conversion may carry before its type.
std::string_view skip_float_flags(std::string_view text) {
  while (true) {
    const std::string_view word = first_word(text);
    if (word != "nnan" && word != "ninf" && word != "nsz" && word != "arcp" && word != "contract" &&
        word != "afn" && word != "reassoc" && word != "fast" && word != "nneg") {
      return text;
    }
    text = rest_after_first_word(text);
  }
}

// `text` without its first word when that word is `word`.
std::string_view skip_word(std::string_view text, std::string_view word) {
  return first_word(text) == word ? rest_after_first_word(text) : text;
}

struct Parts {
  std::optional<std::string_view> result;
  std::string_view opcode;
  std::string_view operands;  // text after the opcode, start-trimmed
};

}  // namespace

// `switch iN VALUE, label %DEFAULT [ iN C, label %DEST ... ]`, its lines joined
// by blanks: the cases go to the function's incomings.
Result<Instruction> InstructionParser::parse_switch(std::string_view text, std::string_view ops,
                                                    Function& function) {
  const std::size_t open = ops.find('[');
  const std::size_t close = ops.rfind(']');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open ||
      !trim(ops.substr(close + 1)).empty()) {
    return at_token(parse_error(concat("switch expects a case list in [ ]: ", ops)), text, ops);
  }
  RETURN_IF_ERROR(split_in(text, trim(ops.substr(0, open)), pieces_));
  if (pieces_.size() != 2) {
    return at_token(parse_error(concat("switch expects a value and a default label: ", ops)), text,
                    ops);
  }
  const std::string_view ty = first_word(pieces_[0]);
  const std::string_view value_text = rest_after_first_word(pieces_[0]);
  const auto default_label = read_label_piece(pieces_[1]);
  if (!default_label) {
    return at_token(parse_error(concat("switch expected 'label %name', got ", pieces_[1])), text,
                    pieces_[1]);
  }
  ASSIGN_OR_RETURN(Operand value, operand_in(text, pieces_[0], ty, value_text));
  AppendGuard guard(function);
  const auto begin = static_cast<std::uint32_t>(function.incomings.size());
  std::string_view rest = trim(ops.substr(open + 1, close - open - 1));
  while (!rest.empty()) {
    // One case: `iN C, label %DEST`, cases separated by blanks only.
    const std::string_view case_ty = first_word(rest);
    const std::string_view after_ty = rest_after_first_word(rest);
    const std::size_t comma = after_ty.find(',');
    if (case_ty != ty || comma == std::string_view::npos) {
      return at_token(parse_error(concat("switch malformed case starting at ", rest)), text, rest);
    }
    const std::string_view constant = trim(after_ty.substr(0, comma));
    ASSIGN_OR_RETURN(Operand case_value, operand_in(text, constant, ty, constant));
    if (!std::holds_alternative<ConstInt>(case_value) &&
        !std::holds_alternative<ConstBool>(case_value)) {
      return at_token(
          parse_error(concat("switch case value must be an integer constant, got ", constant)),
          text, constant);
    }
    const std::string_view label_text = trim_start(after_ty.substr(comma + 1));
    const auto label = read_label_piece(label_text);
    if (!label || label->empty()) {
      return at_token(parse_error(concat("switch expected 'label %name', got ", label_text)), text,
                      label_text);
    }
    // The label ends at its closing quote, or with its last name character.
    const char* end = label->data() + label->size();
    if (*end == '"') ++end;
    function.incomings.push_back(Incoming{case_value, *label});
    rest = trim_start(label_text.substr(static_cast<std::size_t>(end - label_text.data())));
  }
  const auto index = static_cast<std::uint32_t>(function.operands.size());
  function.operands.push_back(value);
  const auto count = static_cast<std::uint32_t>(function.incomings.size() - begin);
  guard.commit();
  return Instruction{Switch{index, *default_label, Range{begin, count}, integer_type_width(ty)}};
}

// `fadd`/`fsub`/`fmul`/`fdiv TY A, B`, `fneg TY A`, `sitofp`/`uitofp iN A to TY`.
Result<Instruction> InstructionParser::parse_float(std::string_view text, std::string_view name,
                                                   FloatOp op,
                                                   const std::optional<std::string_view>& result,
                                                   std::string_view ops, Function& function) {
  if (!result) {
    return at_token(parse_error(concat(name, " without SSA result assignment")), text, name);
  }
  const std::string_view rest = skip_float_flags(ops);
  if (op == FloatOp::SIToFP || op == FloatOp::UIToFP) {
    const auto to = find_to_clause(rest);
    if (!to) {
      return at_token(parse_error(concat(name, " without a `to` clause: ") + std::string(ops)),
                      text, ops);
    }
    const std::string_view source = trim(rest.substr(0, *to));
    const std::string_view from_ty = first_word(source);
    std::string_view target = rest.substr(*to + 4);
    target = first_word(target.substr(0, target.find(',')));
    ASSIGN_OR_RETURN(Operand value,
                     operand_in(text, source, from_ty, rest_after_first_word(source)));
    const auto index = static_cast<std::uint32_t>(function.operands.size());
    function.operands.push_back(value);
    return Instruction{FloatArith{op, index, target, *result, integer_type_width(from_ty)}};
  }
  const std::string_view ty = first_word(rest);
  RETURN_IF_ERROR(split_in(text, rest_after_first_word(rest), pieces_));
  const std::size_t expected = op == FloatOp::FNeg ? 1 : 2;
  if (pieces_.size() != expected) {
    return at_token(parse_error(concat(name, " expects ") + std::to_string(expected) +
                                " operand(s): " + std::string(ops)),
                    text, ops);
  }
  ASSIGN_OR_RETURN(const std::uint32_t first, append_operands(text, function, ty, pieces_));
  return Instruction{FloatArith{op, first, ty, *result, 0}};
}

Result<Instruction> InstructionParser::parse(std::string_view text, Function& function,
                                             std::optional<std::size_t>* next_at) {
  // LLVM reads on after a line break, so another instruction may follow on
  // the same text: the first is read alone (or the second refused). Where the
  // second starts is found first, so that nothing below reads past it.
  const std::string_view first_opcode = leading_opcode(text);
  if (!first_opcode.empty() && opcode_of(first_opcode) != Opcode::kOther) {
    const auto after =
        static_cast<std::size_t>(first_opcode.data() + first_opcode.size() - text.data());
    if (const auto next = next_instruction_in(text.substr(after))) {
      const auto at = static_cast<std::size_t>(next->data() - text.data());
      if (next_at != nullptr) {
        *next_at = at;
        return parse(text.substr(0, at), function);
      }
      const std::string_view before = trim(cut_attachments(cut_comment(text.substr(0, at))));
      return trailing_text_error(text, *next, before);
    }
  }
  const std::string_view display = trim(cut_attachments(cut_comment(text)));
  Parts parts;
  std::string_view body = display;
  const std::size_t equals = display.find('=');
  if (equals != std::string_view::npos) {
    const std::string_view lhs = trim(display.substr(0, equals));
    if (!lhs.empty() && lhs[0] == '%') {
      parts.result = lhs.substr(1);
      body = trim_start(display.substr(equals + 1));
    }
  }
  body = strip_call_prefixes(body);
  parts.opcode = first_word(body);
  parts.operands = rest_after_first_word(body);
  if (parts.opcode.empty()) {
    return at_token(parse_error(concat("empty instruction in block body: ", display)), text,
                    display);
  }

  const std::string_view op = parts.opcode;
  const std::string_view ops = parts.operands;
  const auto& result = parts.result;
  const Opcode opcode = opcode_of(op);

  switch (opcode) {
    case Opcode::kCall: {
      const std::string_view typed = strip_call_attributes(ops);
      const std::string_view ret_ty = first_word(typed);
      std::string_view after = rest_after_first_word(typed);
      if (!after.empty() && after[0] == '(') {
        const auto close = matching_paren(after, 0);
        if (!close) {
          return at_token(
              parse_error(concat("call function-type prefix has unbalanced parens: ", ops)), text,
              after);
        }
        after = after.substr(*close + 1);
      }
      const auto callee = parse_global_ident(after);
      if (!callee) {
        return at_token(parse_error(concat("could not parse callee in call: ", ops)), text,
                        trim_start(after));
      }
      const std::string_view tail = callee->second;
      const std::size_t open = tail.find('(');
      if (open == std::string_view::npos) {
        return at_token(parse_error(concat("call missing ( after callee name: ", ops)), text,
                        trim_start(after));
      }
      const auto close = matching_paren(tail, open);
      if (!close) {
        return at_token(parse_error(concat("call has unbalanced parens: ", ops)), text,
                        tail.substr(open));
      }
      const std::string_view args = trim(tail.substr(open + 1, *close - open - 1));
      AppendGuard guard(function);
      const auto begin = static_cast<std::uint32_t>(function.operands.size());
      if (!args.empty()) {
        RETURN_IF_ERROR(split_in(text, args, pieces_));
        for (const std::string_view piece : pieces_) {
          ASSIGN_OR_RETURN(Operand operand, operand_in(text, piece, piece, std::string_view()));
          function.operands.push_back(operand);
        }
      }
      guard.commit();
      const auto count = static_cast<std::uint32_t>(function.operands.size() - begin);
      return Instruction{Call{callee->first, Range{begin, count}, ret_ty, result}};
    }

    case Opcode::kBr: {
      if (ops.starts_with("label")) {
        const std::string_view rest = trim_start(ops.substr(5));
        if (rest.empty() || rest[0] != '%') {
          return at_token(parse_error(concat("br label missing %<target>: ", ops)), text, rest);
        }
        const std::string_view target = parse_label_name(rest.substr(1));
        const std::string_view after = trim(after_label_name(rest.substr(1), target));
        if (!after.empty()) {
          return trailing_text_error(
              text, after, "br " + std::string(trim_end(ops.substr(0, ops.size() - after.size()))));
        }
        return Instruction{Br{target}};
      }
      if (!ops.starts_with("i1") || !joins_as_space(ops, 2)) {
        return at_token(parse_error(concat("unsupported br form: ", ops)), text, ops);
      }
      RETURN_IF_ERROR(split_in(text, ops.substr(3), pieces_));
      if (pieces_.size() != 3) {
        return at_token(parse_error(concat("br i1 expects cond, true_label, false_label: ", ops)),
                        text, ops);
      }
      const std::string_view cond_text = pieces_[0];
      BranchCond cond;
      if (!cond_text.empty() && cond_text[0] == '%') {
        cond.kind = BranchCond::Kind::Ssa;
        cond.name = cond_text.substr(1);
      } else if (cond_text == "1" || cond_text == "true") {
        cond.value = true;
      } else if (cond_text == "0" || cond_text == "false") {
        cond.value = false;
      } else if (const auto literal = parse_int_literal(cond_text, 1)) {
        cond.value = *literal != 0;  // an i1 literal is its value modulo 2
      } else {
        return at_token(lowering_error(concat("unsupported constant branch condition ", cond_text)),
                        text, cond_text);
      }
      const auto true_label = read_label_piece(pieces_[1], true);
      if (!true_label) {
        return at_token(parse_error(concat("br i1 expected 'label %name', got ", pieces_[1])), text,
                        pieces_[1]);
      }
      const auto false_label = read_label_piece(pieces_[2], true);
      if (!false_label) {
        return at_token(parse_error(concat("br i1 expected 'label %name', got ", pieces_[2])), text,
                        pieces_[2]);
      }
      return Instruction{CondBr{cond, *true_label, *false_label}};
    }

    case Opcode::kRet: {
      // `ret void`, or `ret TYPE VALUE`.
      if (ops == "void") return Instruction{Ret{ops.substr(0, 0)}};  // empty, placed at `void`
      const std::string_view value = trim(rest_after_first_word(ops));
      if (ops.empty() || first_word(ops) == "void" || value.empty()) {
        return ops.empty() || first_word(ops) != "void"
                   ? at_token(parse_error(concat("ret expects void or a typed value, got ", ops)),
                              text, ops.empty() ? op : ops)
                   : trailing_text_error(text, value, "ret void");
      }
      return Instruction{Ret{ops}};
    }

    case Opcode::kICmp: {
      if (!result) return at_token(parse_error("icmp without SSA result assignment"), text, op);
      const std::string_view predicate = first_word(ops);
      const std::string_view after_predicate = rest_after_first_word(ops);
      const std::string_view ty = first_word(after_predicate);
      RETURN_IF_ERROR(split_in(text, rest_after_first_word(after_predicate), pieces_));
      if (pieces_.size() != 2) {
        return at_token(parse_error(concat("icmp expects two operands: ", ops)), text, ops);
      }
      ASSIGN_OR_RETURN(const std::uint32_t first, append_operands(text, function, ty, pieces_));
      return Instruction{ICmp{predicate, first, *result, integer_type_width(ty)}};
    }

    case Opcode::kArith: {
      const std::optional<ArithOp> arith = operation_named<ArithOp>(op, kArithOpNames);
      if (!result) {
        return at_token(parse_error(concat(op, " without SSA result assignment")), text, op);
      }
      std::string_view rest = ops;
      while (true) {
        const std::string_view word = first_word(rest);
        if (word != "nuw" && word != "nsw" && word != "exact" && word != "disjoint") break;
        rest = rest_after_first_word(rest);
      }
      const std::string_view ty = first_word(rest);
      RETURN_IF_ERROR(split_in(text, rest_after_first_word(rest), pieces_));
      if (pieces_.size() != 2) {
        return at_token(parse_error(concat(op, " expects two operands: ") + std::string(ops)), text,
                        ops);
      }
      ASSIGN_OR_RETURN(const std::uint32_t first, append_operands(text, function, ty, pieces_));
      // i1 logic keeps its own record; wider bitwise operations are arithmetic.
      if (ty == "i1" &&
          (*arith == ArithOp::And || *arith == ArithOp::Or || *arith == ArithOp::Xor)) {
        const LogicOp logic = *arith == ArithOp::Xor
                                  ? LogicOp::Xor
                                  : (*arith == ArithOp::And ? LogicOp::And : LogicOp::Or);
        return Instruction{Logic{logic, first, *result}};
      }
      return Instruction{Arith{*arith, first, *result, integer_type_width(ty)}};
    }

    case Opcode::kSelect: {
      if (!result) return at_token(parse_error("select without SSA result assignment"), text, op);
      const std::string_view cond_ty = first_word(ops);
      if (cond_ty != "i1") {
        return at_token(parse_error(concat("select condition must be typed `i1`, got ", cond_ty)),
                        text, cond_ty);
      }
      RETURN_IF_ERROR(split_in(text, rest_after_first_word(ops), pieces_));
      if (pieces_.size() != 3) {
        return at_token(
            parse_error(
                concat("select expects three comma-separated operands (cond, then, else): ", ops)),
            text, ops);
      }
      const std::string_view then_piece = pieces_[1];
      const std::string_view else_piece = pieces_[2];
      ASSIGN_OR_RETURN(Operand cond, operand_in(text, pieces_[0], cond_ty, pieces_[0]));
      const std::string_view ty = first_word(then_piece);
      ASSIGN_OR_RETURN(Operand then_value,
                       operand_in(text, then_piece, ty, rest_after_first_word(then_piece)));
      const std::string_view else_ty = first_word(else_piece);
      if (else_ty != ty) {
        return at_token(parse_error(concat("select branch types must match, got then=", ty) +
                                    " else=" + std::string(else_ty)),
                        text, else_ty);
      }
      ASSIGN_OR_RETURN(Operand else_value,
                       operand_in(text, else_piece, ty, rest_after_first_word(else_piece)));
      AppendGuard guard(function);
      const auto first = static_cast<std::uint32_t>(function.operands.size());
      function.operands.push_back(cond);
      function.operands.push_back(then_value);
      function.operands.push_back(else_value);
      guard.commit();
      return Instruction{Select{first, ty, *result}};
    }

    case Opcode::kPhi: {
      if (!result) return at_token(parse_error("phi without SSA result assignment"), text, op);
      const std::string_view ty = first_word(ops);
      const std::string_view incomings = trim(rest_after_first_word(ops));
      AppendGuard guard(function);
      const auto begin = static_cast<std::uint32_t>(function.incomings.size());
      std::size_t i = 0;
      while (i < incomings.size()) {
        const char c = incomings[i];
        if (c == ',') {
          ++i;
          continue;
        }
        const std::string_view rest = incomings.substr(i);
        const std::size_t space = rest.size() - trim_start(rest).size();
        if (space > 0) {
          i += space;
          continue;
        }
        if (c != '[') {
          return at_token(parse_error(concat("phi malformed incoming starting at ", rest)), text,
                          rest);
        }
        const std::size_t close = incomings.find(']', i + 1);
        if (close == std::string_view::npos) {
          return at_token(parse_error("phi incoming missing ]"), text, rest);
        }
        const std::string_view inner = incomings.substr(i + 1, close - i - 1);
        RETURN_IF_ERROR(split_in(text, inner, pieces_));
        if (pieces_.size() != 2) {
          return at_token(
              parse_error(concat("phi incoming must have value and predecessor: [", inner) + "]"),
              text, rest);
        }
        const std::string_view pred = pieces_[1];
        ASSIGN_OR_RETURN(Operand value, operand_in(text, pieces_[0], ty, pieces_[0]));
        if (pred.empty() || pred[0] != '%') {
          return at_token(
              parse_error(concat("phi incoming predecessor must be %<label>, got ", pred)), text,
              pred);
        }
        function.incomings.push_back(Incoming{value, parse_label_name(pred.substr(1))});
        i = close + 1;
      }
      const auto count = static_cast<std::uint32_t>(function.incomings.size() - begin);
      if (count == 0) return at_token(parse_error("phi has no incomings"), text, op);
      guard.commit();
      return Instruction{Phi{ty, Range{begin, count}, *result}};
    }

    case Opcode::kSwitch:
      return parse_switch(text, ops, function);
    case Opcode::kFloat:
      return parse_float(text, op, *operation_named<FloatOp>(op, kFloatOpNames), result, ops,
                         function);

    case Opcode::kIntToPtr: {
      if (!result) return at_token(parse_error("inttoptr without SSA result assignment"), text, op);
      const auto to = find_to_clause(ops);
      if (!to) {
        return at_token(parse_error(concat("inttoptr without a `to` clause: ", ops)), text, ops);
      }
      const std::string_view source = trim(ops.substr(0, *to));
      ASSIGN_OR_RETURN(Operand value, operand_in(text, source, source, std::string_view()));
      const auto index = static_cast<std::uint32_t>(function.operands.size());
      function.operands.push_back(value);
      return Instruction{IntToPtr{index, *result}};
    }

    case Opcode::kAlloca: {
      if (result) return Instruction{Alloca{*result}};
      return Instruction{Ignored{op}};
    }

    case Opcode::kLoad: {
      // A volatile access means what a plain one does to this program.
      const std::string_view rest = skip_word(ops, "volatile");
      if (result && split_top_level_commas(cut_comment(rest), pieces_).ok() &&
          pieces_.size() >= 2) {
        if (const auto pointer = name_after_percent(pieces_[1])) {
          const std::string_view after = trim(after_label_name(
              pieces_[1].substr(static_cast<std::size_t>(pointer->data() - pieces_[1].data())),
              *pointer));
          if (!after.empty()) return trailing_text_error(text, after, "load");
          return Instruction{Load{*pointer, *result, trim(pieces_[0])}};
        }
      }
      return Instruction{Ignored{op}};
    }

    case Opcode::kStore: {
      const std::string_view rest = skip_word(ops, "volatile");
      if (split_top_level_commas(trim(cut_comment(rest)), pieces_).ok() && pieces_.size() >= 2) {
        const std::string_view first = pieces_[0];
        const std::string_view second = pieces_[1];
        std::size_t split = 0;
        while (split < first.size() &&
               trim_start(first.substr(split)).size() == first.size() - split) {
          ++split;
        }
        if (split < first.size()) {
          const auto value = parse_operand_parts(first.substr(0, split), trim(first.substr(split)));
          if (value.ok()) {
            if (const auto pointer = name_after_percent(second)) {
              const std::string_view after = trim(after_label_name(
                  second.substr(static_cast<std::size_t>(pointer->data() - second.data())),
                  *pointer));
              if (!after.empty()) return trailing_text_error(text, after, "store");
              const auto index = static_cast<std::uint32_t>(function.operands.size());
              function.operands.push_back(*value);
              return Instruction{Store{index, *pointer, trim(first.substr(0, split))}};
            }
          }
        }
      }
      return Instruction{Ignored{op}};
    }

    case Opcode::kCast: {
      const std::optional<CastOp> cast = operation_named<CastOp>(op, kCastOpNames);
      if (result) {
        if (const auto to = find_to_clause(ops)) {
          const auto source = name_after_percent(ops.substr(0, *to));
          if (cast) {
            // `to iN`, possibly followed by `, !metadata`.
            std::string_view target = ops.substr(*to + 4);
            target = first_word(target.substr(0, target.find(',')));
            // Flags (`zext nneg`, `trunc nuw nsw`) come before the source type.
            std::string_view from = ops.substr(0, *to);
            while (first_word(from) == "nneg" || first_word(from) == "nuw" ||
                   first_word(from) == "nsw") {
              from = rest_after_first_word(from);
            }
            const std::uint32_t from_width = integer_type_width(first_word(from));
            const std::uint32_t to_width = integer_type_width(target);
            if (source) return Instruction{IntCast{*source, *result, from_width, to_width, *cast}};
            // A constant source (`zext i1 true to i64`): the word after its type.
            const std::string_view constant = first_word(rest_after_first_word(from));
            if (constant == "true" || constant == "false" ||
                parse_int_literal(constant, from_width).has_value()) {
              return Instruction{IntCast{constant, *result, from_width, to_width, *cast, true}};
            }
          } else if (source) {
            return Instruction{Bitcast{*source, *result}};
          }
        }
      }
      return Instruction{Ignored{op}};
    }

    case Opcode::kGep: {
      if (!result) return Instruction{Ignored{op}};
      std::string_view rest = trim(cut_comment(ops));
      while (true) {
        const std::string_view word = first_word(rest);
        if (word != "inbounds" && word != "nuw" && word != "nusw") break;
        rest = rest_after_first_word(rest);
      }
      // A form not read here still names its result, so that memory reached
      // through it is refused rather than forgotten.
      Gep gep{std::string_view(), std::string_view(), Range{}, *result};
      if (!split_top_level_commas(rest, pieces_).ok() || pieces_.size() < 2)
        return Instruction{gep};
      const std::string_view base_text = trim(pieces_[1]);
      const std::size_t last_space = base_text.find_last_of(" \t\n");
      const std::string_view base_word =
          last_space == std::string_view::npos ? base_text : base_text.substr(last_space + 1);
      if (const auto name = name_after_percent(base_word)) {
        gep.base = *name;
      } else if (const auto global = parse_global_ident(base_word)) {
        // A global keeps its `@`, so it never shares a name with a value.
        gep.base =
            base_word.substr(0, static_cast<std::size_t>(global->second.data() - base_word.data()));
      } else {
        return Instruction{gep};
      }
      AppendGuard guard(function);
      const auto begin = static_cast<std::uint32_t>(function.operands.size());
      for (std::size_t k = 2; k < pieces_.size(); ++k) {
        const std::string_view piece = trim(pieces_[k]);
        Result<Operand> index =
            parse_operand_parts(first_word(piece), rest_after_first_word(piece));
        if (!index.ok()) return Instruction{gep};
        function.operands.push_back(*index);
      }
      guard.commit();
      gep.ty = trim(pieces_[0]);
      gep.indices = Range{begin, static_cast<std::uint32_t>(function.operands.size() - begin)};
      return Instruction{gep};
    }

    case Opcode::kIgnored:
      return Instruction{Ignored{op}};
    case Opcode::kOther:
      break;
  }
  return Instruction{Unrecognized{op}};
}

}  // namespace parser_detail

Result<Instruction> parse_instruction(std::string_view text, Function& function) {
  parser_detail::InstructionParser parser;
  return parser.parse(text, function);
}

}  // namespace corvane
