// The block graph of a parsed function.
#pragma once

#include "cfg/cfg.h"
#include "ir/ir.h"

namespace corvane {

/// The graph of `function`'s blocks, in text order: each block's edges are
/// those of its first terminator (a switch gives none: switches are made
/// chains of branches before any analysis). The graph views the function's
/// labels, so the function must outlive it.
[[nodiscard]] Cfg function_cfg(const Function& function);

}  // namespace corvane
