// Lowering of double arithmetic (`fadd`, `fsub`, `fmul`, `fdiv`, `fneg`) and of
// the conversions `sitofp`/`uitofp`. The output has no float variables, so
// such a value lives only as an expression, inlined into the gate angles that
// use it (directly or through further such operations); every other use of it
// is refused when it is looked up.
#pragma once

#include "ir/ir.h"
#include "support/error.h"
#include "translator/lowering.h"

namespace corvane {

/// Binds the result of a float operation or conversion as an angle value.
///
/// The expression computes the same double the operation does: operations on
/// constants are folded (and refused when the result is not finite); an
/// integer converted to a double stays an integer expression, accepted only
/// when its range lies within +-2^53 (where the double holds it exactly), and
/// so do sums, differences and products of two such values whose range stays
/// there; any other operation prints as the float operation itself, on values
/// each exact as a double. `fdiv` of a value known only at run time, and
/// types other than `double`, are refused.
[[nodiscard]] Status lower_float_arith(const FloatArith& arith, const Function& function,
                                       LoweringContext& context);

}  // namespace corvane
