"""Reading recorded results out of QIR text, for the differential check.

The translator keeps the bit register `c` and drops the output-recording
calls, while the QIR runner reports exactly what those calls record. Each
recorded value maps to one bit `c[i]` for the whole run only when the entry
function has exactly one `ret`, every `__quantum__rt__result_record_output`
call sits in that returning block with a constant result (`null` or
`inttoptr (i64 N ...)`), and no quantum operation follows the first of them:
`record_mapping` checks that. A module that records nothing can be given
recording calls before its `ret` (`add_records`).

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
_PARAM_ATTRS = (r"(?:\s+(?:nonnull|noundef|readonly|writeonly|readnone|nocapture|align\s+\d+"
                r"|dereferenceable(?:_or_null)?\(\d+\)))*")


def _constant(kind: str) -> re.Pattern:
    """A constant `%Qubit*`/`%Result*` or `ptr` operand; group 1 is its index (None for null)."""
    return re.compile(rf"(?:%{kind}\*|ptr){_PARAM_ATTRS}\s+(?:null|inttoptr\s*\(\s*i64\s+(\d+)\s+to\s+(?:%{kind}\*|ptr)\s*\))")


_RESULT, _QUBIT = _constant("Result"), _constant("Qubit")
_MEASURE = re.compile(r"@__quantum__qis__(?:mz|m|mresetz)__body\s*\(")


@dataclass
class EntryFunction:
    name: str
    blocks: list[tuple[str, list[str]]]  # (label, instruction lines)
    ret_line: int  # index into the module's lines of the single `ret`, or -1


def entry_function(text: str) -> EntryFunction | None:
    """The first definition whose attributes carry `entry_point`, split into blocks."""
    lines = text.split("\n")
    groups = dict(m.groups() for m in map(_ATTR_GROUP.match, map(str.strip, lines)) if m)
    i = 0
    while i < len(lines):
        m = _DEFINE.match(lines[i])
        i += 1
        if not m:
            continue
        header = lines[i - 1].split(";", 1)[0]
        attrs = header[header.rfind(")"):] if ")" in header else header
        start = i
        while i < len(lines) and not lines[i].startswith("}"):
            i += 1
        if '"entry_point"' not in attrs and not any('"entry_point"' in groups.get(g, "")
                                                    for g in re.findall(r"#(\d+)", attrs)):
            continue
        blocks: list[tuple[str, list[str]]] = [("", [])]
        rets = []
        for index in range(start, i):
            raw = lines[index]
            line = raw.split(";", 1)[0].strip()
            label = _LABEL.match(line)
            if label and not raw.startswith((" ", "\t")):
                blocks.append((label.group(1).strip('"'), []))
            elif line:
                blocks[-1][1].append(line)
                rets += [index] if re.match(r"^ret\b", line) else []
        return EntryFunction(m.group(1).strip('"'), blocks[1:] if not blocks[0][1] else blocks,
                             rets[0] if len(rets) == 1 else -1)
    return None


def _index(match: re.Match | None) -> int | None:
    return None if match is None else int(match.group(1) or 0)


def record_mapping(text: str) -> list[int] | str:
    """The result indices recorded, in order, or a reason why the recording is not static."""
    function = entry_function(text)
    if function is None:
        return "no entry point"
    if function.ret_line < 0:
        return "entry function has no single ret"
    holders = [lines for _, lines in function.blocks if any(f"@{RECORD}(" in line for line in lines)]
    if len(holders) > 1:
        return "results are recorded in more than one block"
    if holders and not re.match(r"^ret\b", holders[0][-1]):
        return "results are recorded outside the returning block"
    records: list[int] = []
    for line in holders[0] if holders else []:
        if f"@{RECORD}(" in line:
            index = _index(_RESULT.match(line.split(f"@{RECORD}(", 1)[1].strip()))
            if index is None:
                return f"recorded result is not a constant: {line}"
            records.append(index)
        elif records and "@__quantum__qis__" in line:
            return f"quantum operation after recording: {line}"
    return records


def _measured(function: EntryFunction) -> list[int] | None:
    """Sorted constant result indices measured in the function (None if any is not constant)."""
    found = set()
    for line in (line for _, lines in function.blocks for line in lines):
        m = _MEASURE.search(line)
        if m:
            rest, depth = line[m.end():], 0
            for pos, ch in enumerate(rest):
                depth += {"(": 1, ")": -1}.get(ch, 0)
                if ch == "," and depth == 0:
                    found.add(_index(_RESULT.match(rest[pos + 1:].strip())))
                    break
            else:
                return None
    return None if None in found else sorted(found)


def misread_records(text: str) -> set[int]:
    """Positions among the result records of `text` that the QIR runner misreads: a result never
    measured is recorded by its pointer value there, so result 1 reads One instead of Zero."""
    function = entry_function(text)
    records = record_mapping(text)
    measured = _measured(function) if function is not None else None
    if isinstance(records, str) or measured is None or 1 in measured:
        return set()
    return {k for k, index in enumerate(records) if index == 1}


def add_records(text: str) -> tuple[str, list[int], str] | None:
    """The module with recording calls before its single `ret`, the results recorded and a note.

    Only for a module without any recording call. Every measured result is
    recorded ("records added"); a module that measures and reads nothing
    and names only constant qubits gets every qubit measured into the result
    of the same number and recorded ("measurements added"). None otherwise.
    """
    function = entry_function(text)
    if function is None or function.ret_line < 0 or RECORD in text:
        return None
    results, note = _measured(function), "records added"
    if results == [] and "read_result" not in text and not _MEASURE.search(text):
        calls = [line[line.find("(", line.find("@__quantum__qis__")):]
                 for _, lines in function.blocks for line in lines if "@__quantum__qis__" in line]
        if any(re.search(r"(?:%Qubit\*|ptr)\s+%", args) for args in calls):
            return None
        results, note = sorted({_index(m) for args in calls for m in _QUBIT.finditer(args)}), "measurements added"
    if not results:
        return None
    opaque = "%Result*" not in text and "%Qubit*" not in text
    qty, rty, label = ("ptr", "ptr", "ptr") if opaque else ("%Qubit*", "%Result*", "i8*")

    def operand(ty: str, index: int) -> str:
        return f"{ty} null" if index == 0 else f"{ty} inttoptr (i64 {index} to {ty})"

    lines = text.split("\n")
    calls = [f"  call void @{RECORD}({operand(rty, r)}, {label} null)" for r in results]
    declarations = [f"declare void @{RECORD}({rty}, {label})"]
    if note == "measurements added":
        calls[:0] = [f"  call void @__quantum__qis__mz__body({operand(qty, q)}, {operand(rty, q)})" for q in results]
        declarations.append(f"declare void @__quantum__qis__mz__body({qty}, {rty} writeonly)")
        if not opaque and "%Result = type opaque" not in text:
            # type definitions may not precede `source_filename`: put it before the first definition
            lines.insert(next(i for i, line in enumerate(lines) if line.startswith("define")), "%Result = type opaque")
    ret = function.ret_line + (len(lines) - len(text.split("\n")))
    lines[ret:ret] = calls
    return "\n".join(lines).rstrip("\n") + "\n" + "\n".join(declarations) + "\n", results, note


# --- pytket's register runtime ------------------------------------------------------------

_CREATE = re.compile(r"%([-\w.$]+)\s*=\s*call\s+(?:ptr|i1\*)\s+@create_creg\s*\(\s*i64\s+(\d+)\s*\)")
_GET_INT = re.compile(r"%([-\w.$]+)\s*=\s*call\s+i64\s+@get_int_from_creg\s*\(\s*(?:ptr|i1\*)\s+%([-\w.$]+)\s*\)")
_INT_RECORD = re.compile(r"@__quantum__rt__int_record_output\s*\(\s*i64\s+%([-\w.$]+)\s*,")
_RESULTS_ATTR = re.compile(r'"required_num_results"="(\d+)"')


def register_records(text: str) -> list[tuple[int, int]] | str:
    """Where the value of each INT record of a PYTKET-profile module lies in `c`, in record order.

    Registers are runs of bits of `c`, made in the order of their
    `create_creg(i64 N)` calls from the entry point's required_num_results on;
    each record names one register read whole by `get_int_from_creg`. A pair
    is (first bit, size); a reason instead when the text has another shape.
    """
    function = entry_function(text)
    if function is None:
        return "no entry point"
    lines = [line for _, block in function.blocks for line in block]
    found = _RESULTS_ATTR.search(text)
    base, registers, values, records = int(found.group(1)) if found else 0, {}, {}, []
    for line in lines:
        if m := _CREATE.search(line):
            registers[m.group(1)] = (base, int(m.group(2)))
            base += int(m.group(2))
        elif m := _GET_INT.search(line):
            if m.group(2) not in registers:
                return f"register read before it is made: {line}"
            values[m.group(1)] = registers[m.group(2)]
        elif m := _INT_RECORD.search(line):
            if m.group(1) not in values:
                return f"recorded value is not a register read whole: {line}"
            records.append(values[m.group(1)])
    return records or "no register is recorded"


def register_value(bits: tuple, first: int, size: int) -> int:
    """The value of a register of `size` bits of `c` from `first` on: bit i weighs 2^i, bit 63 -2^63."""
    value = sum(bits[first + i] << i for i in range(size) if first + i < len(bits))
    return value - (1 << 64) if size == 64 and value >> 63 else value
