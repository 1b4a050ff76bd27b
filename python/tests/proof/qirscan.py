"""Reading recorded results out of QIR text, for the differential test.

The translator keeps the bit register `c` and drops the output-recording
calls, while the QIR runner reports exactly what those calls record. To
compare the two, each recorded value must map to one bit `c[i]` for the
whole run: `record_mapping` accepts a module only when

* the entry function has exactly one `ret`, and every
  `__quantum__rt__result_record_output` call sits in that returning block;
* every recorded result is a constant (`null` or `inttoptr (i64 N ...)`);
* no quantum operation follows the first recording call in that block,

so that the k-th recorded value is the final value of `c[index_k]`.
A module without any recording call can be given recording calls for every
result it measures, just before its `ret` (`add_records`), which makes the
same guarantee hold; a module that neither measures nor reads any result can
be given a measurement and a recording of every qubit it uses
(`add_measurements`).

This is a line scanner over the text, written for the shapes producers emit;
anything it does not recognise makes the module "not static", never a guess.
"""
from __future__ import annotations

import re
from dataclasses import dataclass

RECORD = "__quantum__rt__result_record_output"
_DEFINE = re.compile(r"^define\b[^@]*@(\"[^\"]*\"|[-\w.$]+)\s*\((.*)$")
_ATTR_GROUP = re.compile(r"^attributes\s+#(\d+)\s*=\s*\{(.*)\}\s*$")
_LABEL = re.compile(r"^(\"[^\"]*\"|[-\w.$]+):")
_PARAM_ATTRS = r"(?:\s+(?:nonnull|noundef|readonly|writeonly|readnone|nocapture|align\s+\d+|dereferenceable(?:_or_null)?\(\d+\)))*"
_RESULT_CONST = re.compile(
    r"^(?:%Result\*|ptr)" + _PARAM_ATTRS + r"\s+(?:null|inttoptr\s*\(\s*i64\s+(\d+)\s+to\s+(?:%Result\*|ptr)\s*\))")
_MEASURE = re.compile(r"@__quantum__qis__(?:mz|m|mresetz)__body\s*\(")


@dataclass
class EntryFunction:
    name: str
    blocks: list[tuple[str, list[str]]]  # (label, instruction lines)
    ret_line: int  # index into the module's lines of the single `ret`, or -1


@dataclass
class Mapping:
    """Static recording: `records[k]` is the result index of the k-th recorded value."""

    records: list[int]


def _strip_comment(line: str) -> str:
    # no string literals inside instructions we care about contain ';'
    return line.split(";", 1)[0].rstrip()


def entry_function(text: str) -> EntryFunction | None:
    """The first definition whose attributes carry `entry_point`, split into blocks."""
    lines = text.split("\n")
    groups: dict[str, str] = {}
    for line in lines:
        m = _ATTR_GROUP.match(line.strip())
        if m:
            groups[m.group(1)] = m.group(2)
    i = 0
    while i < len(lines):
        m = _DEFINE.match(lines[i])
        if not m:
            i += 1
            continue
        header = _strip_comment(lines[i])
        attrs = header[header.rfind(")"):] if ")" in header else header
        entry = '"entry_point"' in attrs or any(
            '"entry_point"' in groups.get(g, "") for g in re.findall(r"#(\d+)", attrs))
        i += 1
        body: list[tuple[int, str]] = []
        while i < len(lines) and not lines[i].startswith("}"):
            body.append((i, lines[i]))
            i += 1
        if not entry:
            continue
        name = m.group(1).strip('"')
        blocks: list[tuple[str, list[str]]] = [("", [])]
        rets = []
        for index, raw in body:
            line = _strip_comment(raw).strip()
            if not line:
                continue
            label = _LABEL.match(line)
            if label and not raw.startswith((" ", "\t")):
                blocks.append((label.group(1).strip('"'), []))
                continue
            blocks[-1][1].append(line)
            if re.match(r"^ret\b", line):
                rets.append(index)
        if not blocks[0][1]:
            blocks.pop(0)
        return EntryFunction(name, blocks, rets[0] if len(rets) == 1 else -1)
    return None


def _call_args(line: str, callee: str) -> str | None:
    at = line.find("@" + callee + "(")
    if at < 0:
        return None
    return line[at + len(callee) + 2:]


def _result_index(args: str) -> int | None:
    m = _RESULT_CONST.match(args.strip())
    if not m:
        return None
    return int(m.group(1)) if m.group(1) is not None else 0


def record_mapping(text: str) -> Mapping | str:
    """The static recording of the entry function, or a reason why there is none."""
    function = entry_function(text)
    if function is None:
        return "no entry point"
    if function.ret_line < 0:
        return "entry function has no single ret"
    holders = [b for b in function.blocks if any(_call_args(line, RECORD) is not None for line in b[1])]
    if not holders:
        return Mapping([])
    if len(holders) > 1:
        return "results are recorded in more than one block"
    lines = holders[0][1]
    if not re.match(r"^ret\b", lines[-1]):
        return "results are recorded outside the returning block"
    records: list[int] = []
    seen_record = False
    for line in lines:
        args = _call_args(line, RECORD)
        if args is not None:
            seen_record = True
            index = _result_index(args)
            if index is None:
                return f"recorded result is not a constant: {line}"
            records.append(index)
        elif seen_record and "@__quantum__qis__" in line:
            return f"quantum operation after recording: {line}"
    return Mapping(records)


def measured_results(text: str) -> list[int] | None:
    """Sorted constant result indices measured in the entry function (None if any is not constant)."""
    function = entry_function(text)
    if function is None:
        return None
    found: set[int] = set()
    for _, lines in function.blocks:
        for line in lines:
            m = _MEASURE.search(line)
            if not m:
                continue
            rest = line[m.end():]
            depth = 0
            for pos, ch in enumerate(rest):
                if ch == "(":
                    depth += 1
                elif ch == ")":
                    depth -= 1
                elif ch == "," and depth == 0:
                    index = _result_index(rest[pos + 1:])
                    if index is None:
                        return None
                    found.add(index)
                    break
            else:
                return None
    return sorted(found)


def add_records(text: str) -> tuple[str, list[int]] | None:
    """Insert a recording call for every measured result before the single `ret`.

    Only for modules without any recording call; None when the module does not
    allow it (no single ret, results not constant, nothing measured).
    """
    function = entry_function(text)
    if function is None or function.ret_line < 0:
        return None
    if RECORD in text:
        return None
    results = measured_results(text)
    if not results:
        return None
    lines = text.split("\n")
    opaque = "%Result*" not in text
    rty, label = ("ptr", "ptr null") if opaque else ("%Result*", "i8* null")
    calls = []
    for index in results:
        operand = f"{rty} null" if index == 0 else f"{rty} inttoptr (i64 {index} to {rty})"
        calls.append(f"  call void @{RECORD}({operand}, {label})")
    ret = function.ret_line
    lines[ret:ret] = calls
    declaration = f"declare void @{RECORD}({rty}, {'ptr' if opaque else 'i8*'})"
    lines.append(declaration)
    return "\n".join(lines) + ("\n" if not text.endswith("\n") else ""), results


_QUBIT_CONST = re.compile(
    r"(?:%Qubit\*|ptr)" + _PARAM_ATTRS + r"\s+(?:null|inttoptr\s*\(\s*i64\s+(\d+)\s+to\s+(?:%Qubit\*|ptr)\s*\))")


def add_measurements(text: str) -> tuple[str, list[int]] | None:
    """Measure every qubit the entry function uses into the result of the same number, and record them.

    Only for modules that measure, read and record nothing (so the added
    results cannot clash with anything) and whose qubit operands are all
    constants; None otherwise. Returns the text and the recorded results.
    """
    function = entry_function(text)
    if function is None or function.ret_line < 0 or RECORD in text:
        return None
    if "read_result" in text or _MEASURE.search(text):
        return None
    qubits: set[int] = set()
    for _, lines in function.blocks:
        for line in lines:
            if "@__quantum__qis__" not in line:
                continue
            args = line[line.find("(", line.find("@__quantum__qis__")):]
            if re.search(r"(?:%Qubit\*|ptr)\s+%", args):
                return None
            for m in _QUBIT_CONST.finditer(args):
                qubits.add(int(m.group(1)) if m.group(1) is not None else 0)
    if not qubits:
        return None
    opaque = "%Qubit*" not in text
    qty, rty = ("ptr", "ptr") if opaque else ("%Qubit*", "%Result*")

    def operand(ty: str, index: int) -> str:
        return f"{ty} null" if index == 0 else f"{ty} inttoptr (i64 {index} to {ty})"

    calls = [f"  call void @__quantum__qis__mz__body({operand(qty, q)}, {operand(rty, q)})" for q in sorted(qubits)]
    calls += [f"  call void @{RECORD}({operand(rty, q)}, {'ptr' if opaque else 'i8*'} null)" for q in sorted(qubits)]
    lines = text.split("\n")
    lines[function.ret_line:function.ret_line] = calls
    if not opaque and "%Result = type opaque" not in text:
        # type definitions may not precede `source_filename`: put it before the first definition
        first = next(i for i, line in enumerate(lines) if line.startswith("define"))
        lines.insert(first, "%Result = type opaque")
    lines.append(f"declare void @__quantum__qis__mz__body({qty}, {rty} writeonly)")
    lines.append(f"declare void @{RECORD}({rty}, {'ptr' if opaque else 'i8*'})")
    return "\n".join(lines) + "\n", sorted(qubits)
