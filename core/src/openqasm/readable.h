// Conditions a person can read. Bit-packing arithmetic (registers built from
// bits by `|`, `&`, `^` and shifts, and the corrections that keep a value in
// its width) prints as long expressions for what is often `c[0] != c[1]`.
// Where such a truth value reads only a few bits of `c` and nothing else, it
// is replaced by the shortest equivalent form found from its truth table,
// which the output's own integer rules compute (openqasm/evaluate.h).
#pragma once

#include "openqasm/program.h"

namespace corvane {

/// The most bits of `c` a rewritten expression may read (a table of 2^6 rows).
inline constexpr unsigned kMaxReadableBits = 6;

/// Rewrites the conditions of `if` and `while`, the values assigned to bits
/// of `c` and to variables that only ever hold 0 or 1: each boolean subexpression (or whole
/// condition) that uses `&`, `|`,
/// `^`, `<<` or `>>`, reads at most kMaxReadableBits inputs (bits of `c`, and
/// variables that only ever hold 0 or 1) and nothing else, and has a value
/// for every setting of those inputs, becomes the shortest of: a
/// constant, `c[i] != c[j]` or `c[i] == c[j]`, a disjunction of conjunctions
/// of `c[k] == 0|1`, or a conjunction of such disjunctions (ties go to that
/// order, then to the lower bits first); where all of those run past 80
/// characters, an exclusive-or of products of bits (`(c[0] ^ c[1] & c[2]) ==
/// 1`) when it is shorter. Other expressions keep their text.
void make_conditions_readable(Program& program);

}  // namespace corvane
