"""Hostile inputs: each must end with correct output or a CorvaneError naming
the limit it hit, within a memory bound proportional to the input, and never
with a crash.

Every case runs in a child interpreter under a generous timeout and address
space limit. These are safety nets that turn a hang or a blow-up into a clear
test failure, not speed targets.
"""
from __future__ import annotations

import hashlib
import json
import subprocess
import sys
import textwrap
from pathlib import Path
from typing import Callable, NamedTuple

import pytest

import corvane

TIMEOUT_S = 600
ADDRESS_SPACE_LIMIT = 16 * 1024**3  # guard only; the real bound is asserted below
SHOWN = 2000  # characters of an error the child sends back besides its digest

CHILD = textwrap.dedent(
    r"""
    import hashlib, json, resource, sys
    limit = int(sys.argv[2])
    resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    import corvane
    data = open(sys.argv[1], "rb").read().decode("utf-8", "surrogateescape")
    base = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
    def digest(text):
        return hashlib.sha256(text.encode("utf-8", "surrogateescape")).hexdigest()
    try:
        out = corvane.translate(data)
        result = {"ok": True, "text": out[:SHOWN], "len": len(out), "sha": digest(out)}
    except corvane.CorvaneError as e:
        msg = str(e)
        result = {"ok": False, "text": msg[:SHOWN], "len": len(msg), "sha": digest(msg)}
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
    result["extra_rss"] = peak - base
    print(json.dumps(result))
    """
).replace("SHOWN", str(SHOWN))


def run_child(tmp_path: Path, text: str) -> dict:
    path = tmp_path / "input.ll"
    path.write_bytes(text.encode("utf-8", "surrogateescape"))
    done = subprocess.run(
        [sys.executable, "-c", CHILD, str(path), str(ADDRESS_SPACE_LIMIT)],
        capture_output=True, text=True, timeout=TIMEOUT_S,
    )
    assert done.returncode == 0, f"child died with {done.returncode}: {done.stderr[-2000:]}"
    result = json.loads(done.stdout)
    # Beyond the text itself (already read before the baseline), the translation
    # may use a bounded multiple of the input plus a fixed allowance.
    bound = 12 * len(text) + 256 * 1024**2
    assert result["extra_rss"] <= bound, result
    return result


def assert_outcome(result: dict, ok: bool, expected: str) -> None:
    """The child's output or error must be exactly `expected`."""
    shown = {key: result[key] for key in ("ok", "len")}
    assert shown == {"ok": ok, "len": len(expected)}, result["text"][:500]
    assert result["text"] == expected[:SHOWN]
    assert result["sha"] == hashlib.sha256(expected.encode("utf-8", "surrogateescape")).hexdigest()


HEADER = """%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
"""

FOOTER = """}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
"""

READ = "  %m = call i1 @__quantum__qis__read_result__body(%Result* null)"
X = "  call void @__quantum__qis__x__body(%Qubit* null)"


def module(lines: list[str]) -> str:
    return HEADER + "\n".join(lines) + "\n" + FOOTER


def copy_limit(text: str) -> str:
    # The copy budget: one million nodes plus one per four bytes of input.
    return str(1_000_000 + len(text.encode("utf-8")) // 4)


def long_add_chain() -> str:
    body = ["  %v0 = add i64 0, 1"]
    body += [f"  %v{i} = add i64 %v{i - 1}, 1" for i in range(1, 1_000_000)]
    body += ["  call void @__quantum__qis__rx__body(double %v999999, %Qubit* null)", "  ret void"]
    return module(body)


def nested_diamonds(depth: int = 10_000) -> str:
    # b_i branches to b_{i+1} (then) or e_i (else); both arms meet in j_i.
    lines = [READ, "  br label %b0"]
    for i in range(depth):
        lines += [f"b{i}:", f"  br i1 %m, label %b{i + 1}, label %e{i}"]
        lines += [f"e{i}:", X, f"  br label %j{i}"]
    lines += [f"b{depth}:", X, f"  br label %j{depth - 1}"]
    for i in range(depth - 1, 0, -1):
        lines += [f"j{i}:", f"  br label %j{i - 1}"]
    lines += ["j0:", "  ret void"]
    return module(lines)


def doubling_loops(depth: int, angle: str | None = None, prelude: list[str] | None = None) -> str:
    # Loop i's header starts at h_i and runs loop i+1 to its end before testing
    # its own condition in t_i; the body b_i jumps back to h_i. Every loop copies
    # its header, which holds all inner loops, so the output doubles per level.
    lines = list(prelude or []) + ["  br label %h0"]
    for i in range(depth):
        lines += [f"h{i}:", X, f"  br label %h{i + 1}"]
    inner = X if angle is None else (
        f"  call void @__quantum__qis__rx__body(double {angle}, %Qubit* null)")
    lines += [f"h{depth}:", inner, READ.replace("%m", f"%c{depth}"),
              f"  br i1 %c{depth}, label %b{depth}, label %t{depth - 1}",
              f"b{depth}:", f"  br label %h{depth}"]
    for i in range(depth - 1, -1, -1):
        exit_label = f"%t{i - 1}" if i else "%done"
        lines += [f"t{i}:", READ.replace("%m", f"%c{i}"),
                  f"  br i1 %c{i}, label %b{i}, label {exit_label}", f"b{i}:", f"  br label %h{i}"]
    lines += ["done:", "  ret void"]
    return module(lines)


def doubling_values(count: int) -> list[str]:
    # d_i is d_{i-1} * d_{i-1}: d14 has 65,535 nodes.
    return ["  %d0 = add i64 1, 2"] + [f"  %d{i} = mul i64 %d{i - 1}, %d{i - 1}"
                                        for i in range(1, count + 1)]


def nested_loops() -> str:
    return doubling_loops(40)


def loops_copy_a_large_angle() -> str:
    return doubling_loops(20, "%d14", doubling_values(14))


def padded_uses_of_a_large_value() -> str:
    # Padding buys copies at one node per four bytes; the uses spend them on a
    # 65,535-node angle until the budget runs out.
    body = ["; " + "p" * 999 for _ in range(20_000)] + doubling_values(14)
    body += ["  call void @__quantum__qis__rx__body(double %d14, %Qubit* null)"] * 200
    return module(body + ["  ret void"])


def straight_100mb() -> str:
    call = "  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 7 to %Qubit*))\n"
    count = 100_000_000 // len(call)
    return HEADER + call * count + "  ret void\n" + FOOTER


def single_50mb_line() -> str:
    args = "%Qubit* null, " * (50_000_000 // 14)
    return module(["  call void @__quantum__qis__x__body(" + args + "%Qubit* null)", "  ret void"])


def unreachable_blocks() -> str:
    lines = ["  ret void"]
    for i in range(1_000_000):
        lines += [f"u{i}:", "  ret void"]
    return module(lines)


def huge_declare() -> str:
    return "declare void @f(" + "i64, " * 99_999 + "i64)\n"


def huge_declare_called() -> str:
    # The 100,000-parameter declaration sits beside a working entry point.
    return module([X, "  ret void"]) + huge_declare()


def straight_expected() -> str:
    # The output of straight_100mb: the one-call program with the call repeated.
    one = corvane.translate(HEADER + "  call void @__quantum__qis__h__body(%Qubit* inttoptr "
                            "(i64 7 to %Qubit*))\n  ret void\n" + FOOTER)
    line = "h q[7];\n"
    head, tail = one.split(line)
    count = 100_000_000 // len(
        "  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 7 to %Qubit*))\n")
    return head + line * count + tail


def unreachable_expected() -> str:
    labels = sorted(["entry"] + [f"u{i}" for i in range(1_000_000)])
    return ("could not reduce CFG to a single block; remaining blocks: ["
            + ", ".join(f'"{label}"' for label in labels)
            + "]. corvane supports only structured control flow (sequence, if/else, simple while).")


NO_ENTRY_POINT = ("no entry-point function found; QIR modules must have a function tagged with "
                  "the 'entry_point' attribute")
COPIED_HEADERS = ("would copy loop-header statements beyond the limit of 1000000 statements and "
                  "expression nodes (the larger of 1000000 and the size of the function)")


class Case(NamedTuple):
    make: Callable[[], str]
    ok: bool
    expected: Callable[[str], str]  # from the input text


def many_indented_bodies() -> str:
    # A million bodies whose closing brace is indented, the entry point last:
    # any per-body scan that looks past its own body for a line starting with
    # `}` would cost time quadratic in the number of bodies.
    bodies = "".join(f"define void @f{i}() {{\n  ret void\n  }}\n" for i in range(1_000_000))
    return bodies + module([X, "  ret void"])


TRAILER = '// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}\n'
MZ0 = "  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)"
X1 = "  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 1 to %Qubit*))"
CHAIN = 100_000


def chain(block: Callable[[int], list[str]], before: list[str]) -> str:
    """`before`, then CHAIN diamonds b<i> -> t<i> -> b<i+1>, each block from `block`."""
    lines = before + ["  br label %b0"]
    for i in range(CHAIN):
        lines += [f"b{i}:"] + block(i) + [f"t{i}:", X1, f"  br label %b{i + 1}"]
    return module(lines + [f"b{CHAIN}:", "  ret void"])


def uses_after_writes() -> str:
    # A read used in every later block, each of which measures its result
    # again first: every use is a search back to the read.
    return chain(lambda i: [MZ0, f"  br i1 %v, label %t{i}, label %b{i + 1}"],
                 [MZ0, "  %v = call i1 @__quantum__qis__read_result__body(%Result* null)"])


def loads_far_from_their_store() -> str:
    # One store and a load in every later block: every load is a search back
    # to the store.
    return chain(lambda i: [f"  %l{i} = load i64, i64* %s", f"  %c{i} = icmp eq i64 %l{i}, 1",
                            f"  br i1 %c{i}, label %t{i}, label %b{i + 1}"],
                 ["  %s = alloca i64", "  store i64 1, i64* %s"])


CASES = {
    "uses_after_writes": Case(uses_after_writes, True, lambda _: (
        "OPENQASM 3.0;\nqubit[2] q;\nbit[1] c;\nint cint_0 = 0;\nc[0] = measure q[0];\n"
        "cint_0 = c[0];\n" + "c[0] = measure q[0];\nif (cint_0 == 1) {\n  x q[1];\n}\n" * CHAIN
        + TRAILER)),
    "loads_far_from_their_store": Case(loads_far_from_their_store, True, lambda _: (
        "OPENQASM 3.0;\nqubit[2] q;\nint cint_0 = 0;\ncint_0 = 1;\n"
        + "if (cint_0 == 1) {\n  x q[1];\n}\n" * CHAIN + TRAILER)),
    "long_add_chain": Case(long_add_chain, False, lambda _: (
        'expression for SSA value "v999" exceeds the limit of 1000 nested operations')),
    "nested_diamonds": Case(nested_diamonds, False, lambda _: (
        'control flow at block "b8999" nests if/while statements deeper than 1000 levels, '
        "the most corvane supports")),
    "nested_loops": Case(nested_loops, False, lambda _: (
        'while loop at block "h24" ' + COPIED_HEADERS)),
    "loops_copy_a_large_angle": Case(loops_copy_a_large_angle, False, lambda _: (
        'while loop at block "h16" ' + COPIED_HEADERS)),
    "padded_uses_of_a_large_value": Case(padded_uses_of_a_large_value, False, lambda text: (
        'expression for SSA value "d14" cannot be copied into another use: the translation has '
        "used up its budget of " + copy_limit(text) + " copied expression nodes")),
    "straight_100mb": Case(straight_100mb, True, lambda _: straight_expected()),
    "single_50mb_line": Case(single_50mb_line, False, lambda _: (
        'arity mismatch calling "__quantum__qis__x__body": IR supplied 3571429 operand(s) but '
        "signature expects 1")),
    "unreachable_blocks": Case(unreachable_blocks, False, lambda _: unreachable_expected()),
    "huge_declare": Case(huge_declare, False, lambda _: NO_ENTRY_POINT),
    "many_indented_bodies": Case(many_indented_bodies, True, lambda _: corvane.translate(
        module([X, "  ret void"]))),
    "huge_declare_called": Case(huge_declare_called, True, lambda _: corvane.translate(
        module([X, "  ret void"]))),
}


ENTRY = '\nattributes #0 = { "entry_point" }\n'
DEEP = 1_000_000
TAIL = ' } attributes #0 = { "entry_point" }'  # the rest of the text, lines joined
EMPTY_PROGRAM = 'OPENQASM 3.0;\n// generated-by: {"name":"corvane","version":"0.2.0"}\n'


def unterminated(instruction: str) -> str:
    return "unterminated instruction: " + instruction + TAIL


# Unbalanced and deeply nested brackets of every kind, with the outcome each
# must end in: (text before ENTRY, succeeds, output or error).
BRACKETS = [
    ("define void @main() #0 { entry: ret void", False, "define body not terminated"),
    ("define void @main(((( #0 {\nentry:\n  ret void\n}\n", False,
     "could not parse define header: define void @main(((( #0 {"),
    ("define void @main() #0 {\nentry:\n  call void @f((((((\n  ret void\n}\n", False,
     unterminated("call void @f(((((( ret void")),
    ("define void @main() #0 {\nentry:\n  call void @f())))))\n  ret void\n}\n", False,
     unterminated("call void @f()))))) ret void")),
    ("define void @main() #0 {\nentry:\n  call void @f(]]]]\n  ret void\n}\n", False,
     unterminated("call void @f(]]]] ret void")),
    ("define void @main() #0 {\nentry:\n  call void @f(i64 {{{{, <<<<)\n  ret void\n}\n", False,
     "could not parse integer operand {{{{, <<<< (ty=i64)"),
    ("define void @main() #0 {\nentry:\n  call void @f(i64 }}}}, >>>>)\n  ret void\n}\n", False,
     "unbalanced closing bracket in i64 }}}}, >>>>"),
    ("define void @main() #0 {\nentry:\n  %p = phi i64 [ 1, %a ], [[[ \n  ret void\n}\n", False,
     unterminated("%p = phi i64 [ 1, %a ], [[[ ret void")),
    ("define void @main() #0 {\nentry:\n  %p = phi i64 [ 1, %a ]]], [ 2, %b \n  ret void\n}\n",
     False, unterminated("%p = phi i64 [ 1, %a ]]], [ 2, %b ret void")),
    # Stray closing braces after a complete function are top-level text that
    # matches no definition, and are passed over.
    ("define void @main() #0 {\nentry:\n  ret void\n}\n}}}}\n", True, EMPTY_PROGRAM),
    ("declare void @f(i64))\n", False, NO_ENTRY_POINT),
    ("declare void @f({ i64, i1 )\n", False,
     'unterminated struct parameter type in signature: "{ i64, i1"'),
    ("declare void @f(<4 x i64)\n", False, 'could not parse parameter type "<4"'),
    ("declare { i64 @f()\n", False, 'unclosed struct return type: "declare { i64 @f()"'),
    ("define void @main() #0 {\nentry:\n  call void @f(" + "(" * DEEP + ")\n}\n", False,
     "unterminated instruction: call void @f(" + "(" * DEEP + ")" + TAIL),
    ("define void @main() #0 {\nentry:\n  call void @f(i64 " + "[" * DEEP + ")\n}\n", False,
     "unterminated instruction: call void @f(i64 " + "[" * DEEP + ")" + TAIL),
    ("declare void @f(" + "{" * DEEP + ")\n", False,
     'unterminated struct parameter type in signature: "' + "{" * DEEP + '"'),
    ("declare void @f(" + "<" * DEEP + ")\n", False,
     'could not parse parameter type "' + "<" * DEEP + '"'),
    ("%T = type " + "{" * DEEP + "\n", False, NO_ENTRY_POINT),
    ('attributes #0 = { "entry_point" \n', False, NO_ENTRY_POINT),
]
CASES.update({f"brackets-{i:02d}": Case(lambda text=text: text + ENTRY, ok, lambda _, out=out: out)
              for i, (text, ok, out) in enumerate(BRACKETS)})


@pytest.mark.parametrize("name", sorted(CASES))
def test_hostile_input_ends_cleanly(tmp_path: Path, name: str) -> None:
    case = CASES[name]
    text = case.make()
    assert_outcome(run_child(tmp_path, text), case.ok, case.expected(text))
