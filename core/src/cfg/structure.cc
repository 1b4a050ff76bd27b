// Placeholder; replaced by the structurer.
#include "cfg/structure.h"

namespace corvane {
Result<std::vector<Stmt>> structure_blocks(std::vector<BlockLowering>, std::string_view) {
  return control_flow_error("structuring is not implemented yet");
}
}  // namespace corvane
