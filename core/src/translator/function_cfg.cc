#include "translator/function_cfg.h"

#include <variant>

namespace corvane {

Cfg function_cfg(const Function& function) {
  return Cfg::build(
      static_cast<std::uint32_t>(function.blocks.size()),
      [&](std::uint32_t block) { return std::string_view(function.blocks[block].label); },
      [&](std::uint32_t block, const auto& add) {
        for (const Instruction& instruction : function.blocks[block].instructions) {
          if (!is_terminator(instruction)) continue;
          if (const auto* branch = std::get_if<Br>(&instruction)) {
            add(branch->target);
          } else if (const auto* cond = std::get_if<CondBr>(&instruction)) {
            add(cond->true_label);
            add(cond->false_label);
          }
          return;
        }
      });
}

}  // namespace corvane
