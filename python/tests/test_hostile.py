"""Hostile inputs: each must end with correct output or a CorvaneError naming
the limit it hit, within a memory bound proportional to the input, and never
with a crash.

Every case runs in a child interpreter under a generous timeout and address
space limit: safety nets that turn a hang or a blow-up into a clear failure,
not speed targets. The limits on nesting, copies and block counts are held by
the C++ structure tests and the golden cases; what stays here is the scale of
whole inputs (large texts and lines, deep brackets, long chains of blocks).
"""
from __future__ import annotations

import hashlib
import json
import subprocess
import sys
import textwrap
from pathlib import Path
from typing import Callable

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

X = "  call void @__quantum__qis__x__body(%Qubit* null)"
X1 = "  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 1 to %Qubit*))"
MZ0 = "  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)"
H7 = "  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 7 to %Qubit*))\n"
TRAILER = '// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}\n'
NO_ENTRY_POINT = ("no entry-point function found; QIR modules must have a function tagged with "
                  "the 'entry_point' attribute")
CHAIN, DEEP = 100_000, 1_000_000
ENTRY = '\nattributes #0 = { "entry_point" }\n'
TAIL = ' } attributes #0 = { "entry_point" }'  # the rest of the text, lines joined


def module(lines: list[str]) -> str:
    return HEADER + "\n".join(lines) + "\n" + FOOTER


def chain(block: Callable[[int], list[str]], before: list[str]) -> str:
    """`before`, then CHAIN diamonds b<i> -> t<i> -> b<i+1>, each block from `block`."""
    lines = before + ["  br label %b0"]
    for i in range(CHAIN):
        lines += [f"b{i}:"] + block(i) + [f"t{i}:", X1, f"  br label %b{i + 1}"]
    return module(lines + [f"b{CHAIN}:", "  ret void"])


def straight_expected() -> str:
    """The one-call program with its call repeated as often as in the 100 MB input."""
    head, tail = corvane.translate(HEADER + H7 + "  ret void\n" + FOOTER).split("h q[7];\n")
    return head + "h q[7];\n" * (100_000_000 // len(H7)) + tail


def small() -> str:
    return corvane.translate(module([X, "  ret void"]))


def nested_loops(depth: int, turns: int) -> str:
    """`depth` nested counted loops of `turns` each, the innermost addressing a qubit by all their counters."""
    lines = ["  br label %h0"]
    for d in range(depth):
        lines += [f"h{d}:", f"  %i{d} = phi i64 [ 0, %{'entry' if d == 0 else f'h{d - 1}'} ], [ %n{d}, %l{d} ]",
                  f"  %c{d} = icmp slt i64 %i{d}, {turns}", f"  br i1 %c{d}, label %{f'h{d + 1}' if d + 1 < depth else 'in'},"
                  f" label %{'done' if d == 0 else f'l{d - 1}'}"]
    lines += ["in:", "  %s0 = add i64 %i0, 0"] + [f"  %s{d} = add i64 %s{d - 1}, %i{d}" for d in range(1, depth)]
    lines += [f"  %z = and i64 %s{depth - 1}, 0", "  %q = inttoptr i64 %z to %Qubit*",
              "  call void @__quantum__qis__x__body(%Qubit* %q)", f"  br label %l{depth - 1}"]
    for d in reversed(range(depth)):
        lines += [f"l{d}:", f"  %n{d} = add i64 %i{d}, 1", f"  br label %h{d}"]
    return module(lines + ["done:", "  ret void"])


def unroll_limit(text: str, header: str) -> str:
    return (f'loop at block "{header}" unrolls to more than {250_000 + len(text.encode())} statements and '
            "iterations, the limit for this input")


HUGE_DECLARE = "declare void @f(" + "i64, " * 99_999 + "i64)\n"
DEEP_CALL = "define void @main() #0 {\nentry:\n  call void @f("
# name -> (input, whether it translates, expected output or message), both made on demand
CASES: dict[str, tuple[Callable[[], str], bool, Callable[[], str]]] = {
    # a read used in every later block, each of which measures its result again first:
    # every use is a search back to the read
    "uses_after_writes": (lambda: chain(lambda i: [MZ0, f"  br i1 %v, label %t{i}, label %b{i + 1}"], [
        MZ0, "  %v = call i1 @__quantum__qis__read_result__body(%Result* null)"]), True, lambda: (
        "OPENQASM 3.0;\nqubit[2] q;\nbit[1] c;\nint cint_0 = 0;\nc[0] = measure q[0];\ncint_0 = c[0];\n"
        + "c[0] = measure q[0];\nif (cint_0 == 1) {\n  x q[1];\n}\n" * CHAIN + TRAILER)),
    # one store and a load in every later block: every load is a search back to the store
    "loads_far_from_their_store": (lambda: chain(lambda i: [
        f"  %l{i} = load i64, i64* %s", f"  %c{i} = icmp eq i64 %l{i}, 1", f"  br i1 %c{i}, label %t{i}, label %b{i + 1}"],
        ["  %s = alloca i64", "  store i64 1, i64* %s"]), True, lambda: (
        "OPENQASM 3.0;\nqubit[2] q;\nint cint_0 = 0;\ncint_0 = 1;\n" + "if (cint_0 == 1) {\n  x q[1];\n}\n" * CHAIN
        + TRAILER)),
    "straight_100mb": (lambda: HEADER + H7 * (100_000_000 // len(H7)) + "  ret void\n" + FOOTER, True,
                       straight_expected),
    "single_50mb_line": (lambda: module(["  call void @__quantum__qis__x__body(" + "%Qubit* null, " * (
        50_000_000 // 14) + "%Qubit* null)", "  ret void"]), False, lambda: (
        'arity mismatch calling "__quantum__qis__x__body": IR supplied 3571429 operand(s) but signature expects 1')),
    "huge_declare": (lambda: HUGE_DECLARE, False, lambda: NO_ENTRY_POINT),
    "huge_declare_called": (lambda: module([X, "  ret void"]) + HUGE_DECLARE, True, small),
    # a million bodies whose closing brace is indented, the entry point last: a per-body
    # scan for a line starting with `}` past its own body would be quadratic
    "many_indented_bodies": (lambda: "".join(f"define void @f{i}() {{\n  ret void\n  }}\n" for i in range(DEEP))
                             + module([X, "  ret void"]), True, small),
    # stray closing brackets after a complete function are top-level text matching no definition
    "stray_braces": (lambda: "define void @main() #0 {\nentry:\n  ret void\n}\n}}}}\n" + ENTRY, True,
                     lambda: 'OPENQASM 3.0;\n// generated-by: {"name":"corvane","version":"0.2.0"}\n'),
    "stray_parenthesis": (lambda: "declare void @f(i64))\n" + ENTRY, False, lambda: NO_ENTRY_POINT),
    "deep_parentheses": (lambda: DEEP_CALL + "(" * DEEP + ")\n}\n" + ENTRY, False,
                         lambda: "unterminated instruction: call void @f(" + "(" * DEEP + ")" + TAIL),
    "deep_brackets": (lambda: DEEP_CALL + "i64 " + "[" * DEEP + ")\n}\n" + ENTRY, False,
                      lambda: "unterminated instruction: call void @f(i64 " + "[" * DEEP + ")" + TAIL),
    "deep_braces": (lambda: "declare void @f(" + "{" * DEEP + ")\n" + ENTRY, False,
                    lambda: 'unterminated struct parameter type in signature: "' + "{" * DEEP + '"'),
    "deep_angles": (lambda: "declare void @f(" + "<" * DEEP + ")\n" + ENTRY, False,
                    lambda: 'could not parse parameter type "' + "<" * DEEP + '"'),
    "deep_type": (lambda: "%T = type " + "{" * DEEP + "\n" + ENTRY, False, lambda: NO_ENTRY_POINT),
    "open_attributes": (lambda: 'attributes #0 = { "entry_point" \n' + ENTRY, False, lambda: NO_ENTRY_POINT),
    # counted loops whose turns multiply past the unrolling budget: three of 1000, and forty of two
    "nested_counted_loops": (lambda: nested_loops(3, 1000), False, lambda: unroll_limit(nested_loops(3, 1000), "h2")),
    "deep_counted_loops": (lambda: nested_loops(40, 2), False, lambda: unroll_limit(nested_loops(40, 2), "h39")),
}


@pytest.mark.parametrize("name", sorted(CASES))
def test_hostile_input_ends_cleanly(tmp_path: Path, name: str) -> None:
    make, ok, expected = CASES[name]
    assert_outcome(run_child(tmp_path, make()), ok, expected())
