"""Hostile inputs: each must end with correct output or a clear CorvaneError,
within a memory bound proportional to the input, and never with a crash.

Every case runs in a child interpreter under a generous timeout and address
space limit. These are safety nets that turn a hang or a blow-up into a clear
test failure, not speed targets.
"""
from __future__ import annotations

import json
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

TIMEOUT_S = 600
ADDRESS_SPACE_LIMIT = 16 * 1024**3  # guard only; the real bound is asserted below

CHILD = textwrap.dedent(
    r"""
    import json, resource, sys
    limit = int(sys.argv[2])
    resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    import corvane
    data = open(sys.argv[1], "rb").read().decode("utf-8", "surrogateescape")
    base = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
    try:
        out = corvane.translate(data)
        result = {"ok": True, "head": out[:200], "tail": out[-300:], "size": len(out)}
    except corvane.CorvaneError as e:
        msg = str(e)
        result = {"ok": False, "error": msg[:2000], "error_len": len(msg)}
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
    result["extra_rss"] = peak - base
    print(json.dumps(result))
    """
)


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

READ = "  %m = call i1 @__quantum__qis__read_result__body(%Result* null)\n"
X = "  call void @__quantum__qis__x__body(%Qubit* null)\n"


def exponential_expression() -> str:
    body = ["  %v0 = add i64 1, 1"]
    body += [f"  %v{i} = add i64 %v{i - 1}, %v{i - 1}" for i in range(1, 101)]
    body.append("  call void @__quantum__qis__rx__body(double %v100, %Qubit* null)")
    body.append("  ret void")
    return HEADER + "\n".join(body) + "\n" + FOOTER


def long_add_chain() -> str:
    body = ["  %v0 = add i64 0, 1"]
    body += [f"  %v{i} = add i64 %v{i - 1}, 1" for i in range(1, 1_000_000)]
    body.append("  call void @__quantum__qis__rx__body(double %v999999, %Qubit* null)")
    body.append("  ret void")
    return HEADER + "\n".join(body) + "\n" + FOOTER


def nested_diamonds(depth: int = 10_000) -> str:
    # b_i branches to b_{i+1} (then) or e_i (else); both arms meet in j_i.
    lines = [READ.rstrip("\n"), "  br label %b0"]
    for i in range(depth):
        lines += [f"b{i}:", f"  br i1 %m, label %b{i + 1}, label %e{i}"]
        lines += [f"e{i}:", X.rstrip("\n"), f"  br label %j{i}"]
    lines += [f"b{depth}:", X.rstrip("\n"), f"  br label %j{depth - 1}"]
    for i in range(depth - 1, 0, -1):
        lines += [f"j{i}:", f"  br label %j{i - 1}"]
    lines += ["j0:", "  ret void"]
    return HEADER + "\n".join(lines) + "\n" + FOOTER


def nested_loops(depth: int = 40) -> str:
    # Loop i's header h_i holds statements and enters loop i+1; the exit of loop
    # i+1 jumps back to h_i. Duplicating headers doubles the output per level.
    lines = ["  br label %h0"]
    for i in range(depth):
        lines += [f"h{i}:", X.rstrip("\n"), READ.rstrip("\n").replace("%m", f"%c{i}"),
                  f"  br i1 %c{i}, label %h{i + 1}, label %x{i}"]
    lines += [f"h{depth}:", X.rstrip("\n"), READ.rstrip("\n").replace("%m", "%cz"),
              f"  br i1 %cz, label %h{depth}, label %x{depth}"]
    for i in range(depth, 0, -1):
        lines += [f"x{i}:", f"  br label %h{i - 1}"]
    lines += ["x0:", "  ret void"]
    return HEADER + "\n".join(lines) + "\n" + FOOTER


def straight_100mb() -> str:
    call = "  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 7 to %Qubit*))\n"
    count = 100_000_000 // len(call)
    return HEADER + call * count + "  ret void\n" + FOOTER


def single_50mb_line() -> str:
    args = "%Qubit* null, " * (50_000_000 // 14)
    return HEADER + "  call void @__quantum__qis__x__body(" + args + "%Qubit* null)\n  ret void\n" + FOOTER


def unreachable_blocks() -> str:
    lines = ["  ret void"]
    for i in range(1_000_000):
        lines += [f"u{i}:", "  ret void"]
    return HEADER + "\n".join(lines) + "\n" + FOOTER


def huge_declare() -> str:
    return "declare void @f(" + "i64, " * 99_999 + "i64)\n"


CASES = {
    "exponential_expression": exponential_expression,
    "long_add_chain": long_add_chain,
    "nested_diamonds": nested_diamonds,
    "nested_loops": nested_loops,
    "straight_100mb": straight_100mb,
    "single_50mb_line": single_50mb_line,
    "unreachable_blocks": unreachable_blocks,
    "huge_declare": huge_declare,
}


@pytest.mark.parametrize("name", sorted(CASES))
def test_hostile_input_ends_cleanly(tmp_path: Path, name: str) -> None:
    result = run_child(tmp_path, CASES[name]())
    if result["ok"]:
        assert result["head"].startswith("OPENQASM 3.0;\n")
        assert "// generated-by: " in result["tail"]
    else:
        assert result["error"], "an error must say what failed"


BRACKETS = [
    "define void @main() #0 { entry: ret void",
    "define void @main(((( #0 {\nentry:\n  ret void\n}\n",
    "define void @main() #0 {\nentry:\n  call void @f((((((\n  ret void\n}\n",
    "define void @main() #0 {\nentry:\n  call void @f())))))\n  ret void\n}\n",
    "define void @main() #0 {\nentry:\n  call void @f(]]]]\n  ret void\n}\n",
    "define void @main() #0 {\nentry:\n  call void @f(i64 {{{{, <<<<)\n  ret void\n}\n",
    "define void @main() #0 {\nentry:\n  %p = phi i64 [ 1, %a ], [[[ \n  ret void\n}\n",
    "declare void @f(i64))\n",
    "declare void @f({ i64, i1 )\n",
    "declare { i64 @f()\n",
    "define void @main() #0 {\nentry:\n  call void @f(" + "(" * 1_000_000 + ")\n}\n",
    "attributes #0 = { \"entry_point\" \n",
]


@pytest.mark.parametrize("index", range(len(BRACKETS)))
def test_unbalanced_brackets_fail_cleanly(tmp_path: Path, index: int) -> None:
    result = run_child(tmp_path, BRACKETS[index] + "\nattributes #0 = { \"entry_point\" }\n")
    if not result["ok"]:
        assert result["error"]


def test_nul_characters_are_ordinary_text(tmp_path: Path) -> None:
    text = HEADER + "  ret void\n" + FOOTER.replace("declare void @__quantum__qis__h__body",
                                                    "; \x00 comment\ndeclare void @__quantum__qis__h__body")
    result = run_child(tmp_path, text)
    assert result["ok"], result
