// Reaching stores: for each load, the stores of its slot that can be the last
// one before it on some path. The search walks the graph back from the load
// until each path meets a store of the slot (or the entry). The walk has a
// budget; past it the slot counts as a variable, which is always right.
#include "translator/memory_model.h"

#include <limits>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "ir/parser_util.h"
#include "support/text.h"
#include "translator/classical.h"
#include "translator/phi.h"
#include "values/int_range.h"
#include "values/state_tracking.h"

namespace corvane {

std::string memory_key(std::string_view base, std::int64_t offset) {
  std::string key(base);
  key.push_back('\0');
  key += std::to_string(offset);
  return key;
}

namespace {

// Size and alignment of a type in bytes; nothing for a type whose layout is
// not known here (named structs, vectors, exotic floats) or whose size does
// not fit 63 bits. `depth` bounds the nesting that hostile text may ask for.
struct Layout {
  std::uint64_t size = 0;
  std::uint64_t align = 1;
};
constexpr int kMaxTypeNesting = 64;
constexpr std::uint64_t kMaxTypeBytes = std::uint64_t{1} << 62;

std::optional<Layout> type_layout(std::string_view ty, int depth);

// `[N x T]`: N and T.
std::optional<std::pair<std::uint64_t, std::string_view>> array_parts(std::string_view ty) {
  if (ty.size() < 2 || ty.front() != '[' || ty.back() != ']') return std::nullopt;
  const std::string_view inner = trim(ty.substr(1, ty.size() - 2));
  const auto count = parse_uint64(first_word(inner));
  const std::string_view rest = rest_after_first_word(inner);
  if (!count || first_word(rest) != "x") return std::nullopt;
  return std::pair{*count, rest_after_first_word(rest)};
}

// `{ T, ... }` or `<{ T, ... }>`: the field types, and whether it is packed.
std::optional<std::pair<std::vector<std::string_view>, bool>> struct_fields(std::string_view ty) {
  bool packed = false;
  if (ty.size() >= 4 && ty.starts_with("<{") && ty.ends_with("}>")) {
    packed = true;
    ty = ty.substr(1, ty.size() - 2);
  }
  if (ty.size() < 2 || ty.front() != '{' || ty.back() != '}') return std::nullopt;
  const std::string_view inner = trim(ty.substr(1, ty.size() - 2));
  std::vector<std::string_view> fields;
  if (!inner.empty() && !split_top_level_commas(inner, fields).ok()) return std::nullopt;
  for (std::string_view& field : fields) field = trim(field);
  return std::pair{std::move(fields), packed};
}

// The offset of each field of a struct, and the struct's layout.
std::optional<Layout> struct_layout(const std::vector<std::string_view>& fields, bool packed,
                                    int depth, std::vector<std::uint64_t>* offsets) {
  Layout whole;
  for (const std::string_view field : fields) {
    const auto layout = type_layout(field, depth + 1);
    if (!layout) return std::nullopt;
    const std::uint64_t align = packed ? 1 : layout->align;
    whole.size = (whole.size + align - 1) / align * align;
    if (offsets != nullptr) offsets->push_back(whole.size);
    whole.size += layout->size;
    whole.align = std::max(whole.align, align);
    if (whole.size > kMaxTypeBytes) return std::nullopt;
  }
  whole.size = (whole.size + whole.align - 1) / whole.align * whole.align;
  return whole;
}

std::optional<Layout> type_layout(std::string_view ty, int depth) {
  ty = trim(ty);
  if (depth > kMaxTypeNesting || ty.empty()) return std::nullopt;
  if (ty == "ptr" || ty.back() == '*') return Layout{8, 8};
  if (ty == "half") return Layout{2, 2};
  if (ty == "float") return Layout{4, 4};
  if (ty == "double") return Layout{8, 8};
  if (const std::uint32_t width = integer_type_width(ty); width != 0) {
    std::uint64_t bytes = 1;
    while (bytes * 8 < width) bytes *= 2;
    return Layout{bytes, std::min<std::uint64_t>(bytes, 8)};
  }
  if (const auto array = array_parts(ty)) {
    const auto element = type_layout(array->second, depth + 1);
    if (!element) return std::nullopt;
    std::uint64_t size = 0;
    if (__builtin_mul_overflow(element->size, array->first, &size) || size > kMaxTypeBytes) {
      return std::nullopt;
    }
    return Layout{size, element->align};
  }
  if (const auto fields = struct_fields(ty)) {
    return struct_layout(fields->first, fields->second, depth, nullptr);
  }
  return std::nullopt;
}

// An index as the signed 64-bit value LLVM extends it to.
std::optional<std::int64_t> constant_index(const Operand& index) {
  if (const auto* integer = std::get_if<ConstInt>(&index)) {
    if (integer->value < std::numeric_limits<std::int64_t>::min() ||
        integer->value > std::numeric_limits<std::int64_t>::max()) {
      return std::nullopt;
    }
    return static_cast<std::int64_t>(integer->value);
  }
  if (const auto* boolean = std::get_if<ConstBool>(&index)) return boolean->value ? -1 : 0;
  return std::nullopt;
}

}  // namespace

GepOffset gep_offset(std::string_view ty, std::span<const Operand> indices) {
  using Kind = GepOffset::Kind;
  if (ty.empty() || indices.empty()) return {Kind::UnknownLayout, 0};
  std::string_view current = ty;
  std::int64_t offset = 0;
  bool not_constant = false;
  for (std::size_t k = 0; k < indices.size(); ++k) {
    std::uint64_t step = 0;
    std::string_view next = current;
    const auto index = constant_index(indices[k]);
    if (k == 0) {
      const auto layout = type_layout(current, 0);
      if (!layout) return {Kind::UnknownLayout, 0};
      step = layout->size;
    } else if (const auto array = array_parts(current)) {
      const auto layout = type_layout(array->second, 0);
      if (!layout) return {Kind::UnknownLayout, 0};
      step = layout->size;
      next = array->second;
    } else if (const auto fields = struct_fields(current)) {
      std::vector<std::uint64_t> offsets;
      if (!index || !struct_layout(fields->first, fields->second, 0, &offsets) || *index < 0 ||
          static_cast<std::uint64_t>(*index) >= offsets.size()) {
        return {Kind::UnknownLayout, 0};
      }
      const auto field = static_cast<std::size_t>(*index);
      if (__builtin_add_overflow(offset, static_cast<std::int64_t>(offsets[field]), &offset)) {
        return {Kind::Overflow, 0};
      }
      current = fields->first[field];
      continue;
    } else {
      return {Kind::UnknownLayout, 0};  // an index into a type that has no elements
    }
    current = next;
    if (!index) {
      not_constant = true;
      continue;
    }
    std::int64_t scaled = 0;
    if (__builtin_mul_overflow(*index, static_cast<std::int64_t>(step), &scaled) ||
        __builtin_add_overflow(offset, scaled, &offset)) {
      return {Kind::Overflow, 0};
    }
  }
  if (not_constant) return {Kind::NotConstant, 0};
  return {Kind::Known, offset};
}

void PointerAliases::alloca(std::string_view result) {
  aliases_.insert_or_assign(result, PointerAlias{result, 0, true, true});
}

void PointerAliases::bitcast(std::string_view result, std::string_view source) {
  const PointerAlias* alias = find(source);
  aliases_.insert_or_assign(result, alias == nullptr ? PointerAlias{source, 0} : *alias);
}

bool PointerAliases::gep(const Gep& gep, std::span<const Operand> indices) {
  const PointerAlias* found = find(gep.base);
  const PointerAlias base = found == nullptr ? PointerAlias{gep.base} : *found;
  const GepOffset step = gep_offset(gep.ty, indices);
  std::int64_t offset = 0;
  const bool overflow = step.kind == GepOffset::Kind::Overflow ||
                        (base.resolved && step.kind == GepOffset::Kind::Known &&
                         __builtin_add_overflow(base.offset, step.bytes, &offset));
  const bool known = !overflow && base.resolved && step.kind == GepOffset::Kind::Known;
  aliases_.insert_or_assign(gep.result,
                            PointerAlias{base.base, known ? offset : 0, base.from_alloca, known});
  return !overflow;
}

namespace {

// One store or load of a known slot, in the order of its block.
struct Access {
  std::uint32_t slot = 0;
  const Store* store = nullptr;  // null for a load
  const Load* load = nullptr;
};

// A load that exactly one store reaches.
struct Reached {
  const Load* load = nullptr;
  const Store* store = nullptr;
  std::uint32_t slot = 0;
};

}  // namespace

MemoryPlan plan_memory(const Function& function, const Cfg& graph) {
  MemoryPlan plan;
  const auto count = static_cast<std::uint32_t>(function.blocks.size());
  PointerAliases pointers;
  std::unordered_map<std::string, std::uint32_t> slot_ids;
  std::vector<std::string> slot_keys;
  std::vector<std::string_view> slot_types;
  std::vector<std::vector<Access>> accesses(count);
  bool any_load = false;

  const auto slot_of = [&](const PointerAlias& alias, std::string_view type) {
    std::string key = memory_key(alias.base, alias.offset);
    auto [it, inserted] = slot_ids.try_emplace(key, static_cast<std::uint32_t>(slot_keys.size()));
    if (inserted) {
      slot_keys.push_back(std::move(key));
      slot_types.push_back(type);
    }
    return it->second;
  };

  for (std::uint32_t b = 0; b < count; ++b) {
    for (const Instruction& instruction : function.blocks[b].instructions) {
      if (const auto* alloca = std::get_if<Alloca>(&instruction)) {
        pointers.alloca(alloca->result);
      } else if (const auto* cast = std::get_if<Bitcast>(&instruction)) {
        pointers.bitcast(cast->result, cast->source);
      } else if (const auto* gep = std::get_if<Gep>(&instruction)) {
        // An offset out of range leaves the pointer unresolved (the lowering refuses it).
        static_cast<void>(pointers.gep(*gep, function.gep_indices(*gep)));
      } else if (const auto* store = std::get_if<Store>(&instruction)) {
        if (const PointerAlias* alias = pointers.find(store->pointer); alias && alias->resolved) {
          accesses[b].push_back(Access{slot_of(*alias, store->ty), store, nullptr});
        }
      } else if (const auto* load = std::get_if<Load>(&instruction)) {
        if (const PointerAlias* alias = pointers.find(load->pointer); alias && alias->resolved) {
          accesses[b].push_back(Access{slot_of(*alias, load->ty), nullptr, load});
          any_load = true;
        }
      } else if (is_terminator(instruction)) {
        break;
      }
    }
  }
  if (!any_load) return plan;

  // Each block's last store of each slot.
  const auto block_slot = [](std::uint32_t block, std::uint32_t slot) {
    return (static_cast<std::uint64_t>(block) << 32) | slot;
  };
  std::unordered_map<std::uint64_t, const Store*> last_store;
  for (std::uint32_t b = 0; b < count; ++b) {
    for (const Access& access : accesses[b]) {
      if (access.store != nullptr) last_store[block_slot(b, access.slot)] = access.store;
    }
  }

  // The stores that reach every load. A path from the entry without a store
  // leaves the slot undefined there, which a variable (starting at 0) covers.
  std::vector<bool> is_variable(slot_keys.size(), false);
  std::vector<Reached> unique;
  BackwardWalk walk(graph);
  for (std::uint32_t b = 0; b < count; ++b) {
    std::unordered_map<std::uint32_t, const Store*> latest;  // slot -> last store so far here
    for (const Access& access : accesses[b]) {
      if (access.store != nullptr) {
        latest[access.slot] = access.store;
        continue;
      }
      if (is_variable[access.slot]) continue;
      const auto here = latest.find(access.slot);
      if (here != latest.end()) {
        unique.push_back(Reached{access.load, here->second, access.slot});
        continue;
      }
      // Walk back through the predecessors.
      const Store* found = nullptr;
      bool several = false;
      bool from_entry = graph.predecessors(b).empty();
      const BackwardWalk::End end = walk.walk(b, kNoBlock, [&](std::uint32_t block) {
        const auto store = last_store.find(block_slot(block, access.slot));
        if (store != last_store.end()) {
          several = found != nullptr && found != store->second;
          found = store->second;
          return several ? BackwardWalk::Step::Stop : BackwardWalk::Step::Prune;
        }
        if (graph.predecessors(block).empty()) from_entry = true;
        return BackwardWalk::Step::Expand;
      });
      if (end == BackwardWalk::End::OutOfBudget) several = true;
      if (several || (found != nullptr && from_entry)) {
        is_variable[access.slot] = true;
      } else if (found != nullptr) {
        unique.push_back(Reached{access.load, found, access.slot});
      }
      // No store at all: the load binds nothing.
    }
  }

  // A store of a computed value that reaches a load also makes its slot a variable.
  for (const Reached& reached : unique) {
    if (std::holds_alternative<Ssa>(function.value(*reached.store)))
      is_variable[reached.slot] = true;
  }
  for (std::uint32_t slot = 0; slot < slot_keys.size(); ++slot) {
    if (is_variable[slot]) plan.variables.emplace(slot_keys[slot], slot_types[slot]);
  }
  for (const Reached& reached : unique) {
    if (is_variable[reached.slot]) continue;
    plan.forwarded.insert_or_assign(reached.load->result, function.value(*reached.store));
  }
  return plan;
}

namespace {

bool is_int_type(std::string_view ty) {
  return ty == "i1" || ty == "i8" || ty == "i16" || ty == "i32" || ty == "i64";
}

bool is_float_type(std::string_view ty) { return ty == "double" || ty == "float" || ty == "half"; }

}  // namespace

// The variable of a memory slot that the plan made one, declared on first
// use; nullptr for a slot that is not (or cannot be) a variable.
Result<const std::string*> MemoryModel::slot_variable(std::string_view pointer) {
  if (plan_ == nullptr) return nullptr;
  const PointerAlias* alias = pointers_.find(pointer);
  if (alias == nullptr) return nullptr;
  std::string key = memory_key(alias->base, alias->offset);
  const auto planned = plan_->variables.find(key);
  if (planned == plan_->variables.end()) return nullptr;
  if (is_float_type(planned->second)) {
    std::string slot = quote_text(alias->base);
    if (alias->offset != 0) slot += " at offset " + std::to_string(alias->offset);
    return lowering_error("memory slot " + slot + " of type " + std::string(planned->second) +
                          " is assigned on several paths or from a computed value; float "
                          "variables are not supported");
  }
  if (!is_int_type(planned->second)) return nullptr;
  // A slot's variable may be read before a later store in the text runs
  // (a loop), so it keeps the full range of an unregistered variable.
  auto [it, inserted] = slot_variables_.try_emplace(std::move(key));
  if (inserted) {
    it->second = "cint_" + std::to_string(hoisted_.size());
    hoisted_.add_int(it->second, IntLit{0}, false);
  }
  return &it->second;
}

Status MemoryModel::store(const Store& store, const Operand& value, std::vector<Stmt>& out) {
  RETURN_IF_ERROR(check_resolved(store.pointer, "store", true));
  // A streamed run gives up on memory before it gets here.
  if (plan_ == nullptr) return internal_error("memory accessed without a memory plan");
  if (const auto* stored = std::get_if<Ssa>(&value);
      stored != nullptr && context_.angle_values.count(stored->name) != 0) {
    return lowering_error("double value " + quote_text(stored->name) +
                          " is stored to memory; float variables are not supported");
  }
  ASSIGN_OR_RETURN(const std::string* variable, slot_variable(store.pointer));
  if (variable == nullptr) return ok_status();
  ASSIGN_OR_RETURN(Expr expr, int_operand_expr(value, integer_type_width(store.ty), context_));
  out.push_back(Assign{IndexedIdent{*variable, std::nullopt}, std::move(expr)});
  context_.tracker->note_variable_write(*variable, context_.tracker->point);
  return ok_status();
}

Status MemoryModel::load(const Load& load) {
  RETURN_IF_ERROR(check_resolved(load.pointer, "load " + quote_text(load.result), false));
  // A streamed run gives up on memory before it gets here.
  if (plan_ == nullptr) return internal_error("memory accessed without a memory plan");
  ASSIGN_OR_RETURN(const std::string* variable, slot_variable(load.pointer));
  if (variable != nullptr) {
    context_.bind(load.result, read_int_variable(*variable, load.ty == "i1"));
    return ok_status();
  }
  const auto forwarded = plan_->forwarded.find(load.result);
  if (forwarded == plan_->forwarded.end()) {
    if (load.ty == "ptr" || load.ty.ends_with('*')) {
      context_.loaded_pointers.insert_or_assign(load.result, load.pointer);
    }
    return ok_status();
  }
  const Operand& value = forwarded->second;
  if (const auto* integer = std::get_if<ConstInt>(&value)) {
    if (integer->value >= std::numeric_limits<std::int64_t>::min() &&
        integer->value <= std::numeric_limits<std::int64_t>::max()) {
      auto constant = static_cast<std::int64_t>(integer->value);
      // In the canonical form of the loaded type (an i32 4294967295 is -1).
      const std::uint32_t width = integer_type_width(load.ty);
      if (width >= 1 && width <= 64) constant = canonical_constant(constant, width);
      context_.bind(load.result, IntLit{constant});
    }
  } else if (const auto* boolean = std::get_if<ConstBool>(&value)) {
    context_.bind(load.result, BoolLit{boolean->value});
  } else if (const auto* number = std::get_if<ConstFloat>(&value)) {
    context_.bind(load.result, FloatLit{number->value});
  }
  return ok_status();
}

Status MemoryModel::gep(const Gep& gep, std::span<const Operand> indices) {
  if (!pointers_.gep(gep, indices)) {
    return lowering_error("getelementptr " + quote_text(gep.result) +
                          " addresses an offset beyond the signed 64-bit range");
  }
  return ok_status();
}

// Memory reached through an address that is not known when translating could
// be any slot: a store there, or a load of an alloca there, is refused.
Status MemoryModel::check_resolved(std::string_view pointer, std::string_view access,
                                   bool any_base) const {
  const PointerAlias* alias = pointers_.find(pointer);
  if (alias == nullptr || alias->resolved || !(any_base || alias->from_alloca)) {
    return ok_status();
  }
  return lowering_error(std::string(access) + " through pointer " + quote_text(pointer) +
                        " is not supported: its getelementptr has an index that is not a "
                        "constant, or steps over a type whose layout is not known, so the "
                        "memory it addresses is not known when translating");
}

Status MemoryModel::inttoptr(const IntToPtr& cast, const Operand& source) {
  std::int64_t index = 0;
  if (const auto* integer = std::get_if<ConstInt>(&source)) {
    if (integer->value < std::numeric_limits<std::int64_t>::min() ||
        integer->value > std::numeric_limits<std::int64_t>::max()) {
      return lowering_error("inttoptr index " + int128_to_string(integer->value) +
                            " does not fit in i64");
    }
    index = static_cast<std::int64_t>(integer->value);
  } else if (const auto* ssa = std::get_if<Ssa>(&source)) {
    auto it = context_.env.find(ssa->name);
    if (it == context_.env.end() && plan_ == nullptr) context_.tracker->require_whole_function();
    const IntLit* literal =
        it == context_.env.end() ? nullptr : std::get_if<IntLit>(&it->second.node);
    if (literal == nullptr) {
      return lowering_error("inttoptr source " + quote_text(ssa->name) +
                            " is not a compile-time constant; qubit and result indices must be "
                            "statically known");
    }
    index = literal->value;
  } else {
    return lowering_error("inttoptr expects an integer source operand");
  }
  if (index < 0) {
    return lowering_error("inttoptr index " + std::to_string(index) +
                          " is negative; qubit and result indices must be non-negative");
  }
  context_.record_int_pointer(cast.result, index);
  return ok_status();
}

}  // namespace corvane
