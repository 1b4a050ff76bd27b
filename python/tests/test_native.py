"""The surface of the _corvane_native extension: attributes, argument rules,
the exception type and how core errors and faults reach Python."""
from __future__ import annotations

import importlib.util
import inspect
import json
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import corvane
import corvane._corvane_native as native

NO_ENTRY_POINT = (
    "no entry-point function found; QIR modules must have a function tagged with the "
    "'entry_point' attribute"
)

DOCSTRING = (
    "translate(qir_text, *, producer=None)\n--\n\nTranslate QIR text to Ostrel-compatible "
    "OpenQASM 3.\n\n``producer``, if given and non-empty, is surfaced as the\n"
    '``"producer"`` field in the trailing ``// generated-by:`` comment\n'
    '(e.g. ``"mylib 0.1.2"``). ``None`` or empty omits the field.\n\n'
    "Raises ``CorvaneError`` on any translation failure: ``MalformedTextError``\n"
    "for text that is not a well-formed module, ``UnsupportedConstructError``\n"
    "for a construct the translator does not support, ``LimitExceededError``\n"
    "for a module beyond one of the translator's limits."
)
CLASSES = ["MalformedTextError", "UnsupportedConstructError", "LimitExceededError"]
MALFORMED, UNSUPPORTED, LIMIT = (getattr(native, name) for name in CLASSES)

BELL = (Path(__file__).resolve().parents[2] / "examples" / "bell.ll").read_text(encoding="utf-8")


def outcome(*args: object, **kwargs: object) -> tuple[str, str]:
    """("ok", program) or ("error", message) for one call."""
    try:
        return ("ok", native.translate(*args, **kwargs))
    except native.CorvaneError as error:
        return ("error", str(error))


def test_module_surface() -> None:
    names = list(vars(native))
    assert names[names.index("__version__"):] == ["__version__", "CorvaneError", *CLASSES, "translate", "_compile",
                                                  "_decode", "__all__"]
    assert native.__all__ == ["__version__", "CorvaneError", *CLASSES, "translate"]
    assert corvane.__all__ == ["__version__", "CorvaneError", *CLASSES, "Record", "Translation", "compile", "translate",
                               "translate_many"]
    assert native.__version__ == corvane.__version__ == "0.2.0"
    assert (corvane.translate, corvane.CorvaneError) == (native.translate, native.CorvaneError)
    function = native.translate
    assert f"translate{function.__text_signature__}\n--\n\n{function.__doc__}" == DOCSTRING
    assert function.__name__ == "translate"
    assert [(p.name, p.kind, p.default) for p in inspect.signature(function).parameters.values()] == [
        ("qir_text", inspect.Parameter.POSITIONAL_OR_KEYWORD, inspect.Parameter.empty),
        ("producer", inspect.Parameter.KEYWORD_ONLY, None),
    ]
    error_type = native.CorvaneError
    assert (error_type.__module__, error_type.__name__, error_type.__qualname__, error_type.__bases__,
            error_type.__doc__) == ("_corvane_native", "CorvaneError", "CorvaneError", (Exception,), None)
    assert set(vars(error_type)) - {"__module__", "__doc__", "__weakref__", "__dict__"} == {
        "lineno", "colno", "diagnostics"}
    # An instance made outside translate() has no place and no diagnostics.
    assert (error_type.lineno, error_type.colno, error_type("x").lineno, error_type("x").colno) == (None,) * 4
    assert error_type.diagnostics == error_type("x").diagnostics == ()
    assert [(cls.__module__, cls.__name__, cls.__bases__, bool(cls.__doc__)) for cls in (MALFORMED, UNSUPPORTED, LIMIT)
            ] == [("_corvane_native", name, (error_type,), True) for name in CLASSES]


def test_corvane_error_is_shared_by_every_module_instance() -> None:
    # Executing the extension again yields a new module object that must hand
    # out the same exception type, so `except CorvaneError` keeps working.
    spec = importlib.util.find_spec("corvane._corvane_native")
    second = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(second)
    assert second is not native and second.CorvaneError is native.CorvaneError
    with pytest.raises(native.CorvaneError):
        second.translate("")


def module(*body: str, after: str = "") -> str:
    """A module whose entry point holds the given body lines."""
    lines = ["%Qubit = type opaque", "", "define void @main() #0 {", "entry:", *body, "}"]
    return "\n".join(lines) + "\n" + after + 'attributes #0 = { "entry_point" }\n'


DEPTH = ["  %v0 = add i64 1, 1", *(f"  %v{i} = add i64 %v{i - 1}, 1" for i in range(1, 1001)), "  ret void"]
NO_BUILDER = "no builder registered for declared QIR function '{}'; extend the Profile to support it"

# (text, class, message, lineno, colno, at, the further diagnostics): the line
# and column count from 1, the column in characters of the str; `at` is what
# the line holds at the column. How the command line shows every place is in
# test_cli; the C++ tests hold the places.
PLACES = [
    *[(text, MALFORMED, NO_ENTRY_POINT, None, None, None, []) for text in ("", "\x00", "declare void @f()\n")],
    (module("  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 "
            "9223372036854775807 to %Qubit*))", "  ret void",
            after="declare void @__quantum__qis__h__body(%Qubit*)\n"),
     UNSUPPORTED, "qubit index too large to size the qubit register", None, None, None, []),
    # an operand the parser cannot read (`undef` reads the same: valid, but not supported)
    (module("  %c = icmp eq i64 1, abc", "  ret void"), UNSUPPORTED, "could not parse integer operand abc (ty=i64)",
     5, 23, "abc", []),
    # a lowering error joined from several lines: at the instruction's first line
    (module("  call void @__quantum__qis__h__body(", "      %Qubit* null)", "  ret void"),
     MALFORMED, 'no signature for callee "__quantum__qis__h__body" in QIR source', 5, 3, "call", []),
    # non-ASCII text and a tab before the column; CR LF line ends
    (module('\t%p = phi i64 [ 1, %"\u00e9\u4e2d\U0001F600" ], [ 2, b ]'),
     MALFORMED, "phi incoming predecessor must be %<label>, got b", 5, 35, "b ]", []),
    (module("  ret void").replace("\n", "\r\n").replace("  ret void", "  br label exit"),
     MALFORMED, "br label missing %<target>: label exit", 5, 12, "exit", []),
    (module(*DEPTH), LIMIT, 'expression for SSA value "v999" exceeds the limit of 1000 nested operations', 1004, 3,
     "%v999", []),
    # every function without a builder, once, at its first call; the others do not depend on the first
    (module("  call void @f(ptr null)", "  %x = frobnicate i64 1", "  call void @g(ptr null)",
            "  call void @f(ptr null)", "  call void @g(ptr null)", after="declare void @f(ptr)\ndeclare void @g(ptr)\n"),
     UNSUPPORTED, NO_BUILDER.format("f"), 5, 3, "call void @f", [(NO_BUILDER.format("g"), 7, 3)]),
    (module("  %x = frobnicate i64 1", "  call void @g(ptr null)", after="declare void @g(ptr)\n"),
     UNSUPPORTED, 'unsupported LLVM instruction opcode "frobnicate" in block "entry"', 5, 8, "frob",
     [(NO_BUILDER.format("g"), 6, 3)]),
]


@pytest.mark.parametrize("text, error_class, message, lineno, colno, at, more", PLACES)
def test_corvane_error_says_what_and_where(text: str, error_class: type, message: str, lineno: int | None,
                                           colno: int | None, at: str | None, more: list) -> None:
    with pytest.raises(native.CorvaneError) as caught:
        native.translate(text)
    error = caught.value
    assert (type(error), error.args, str(error), error.lineno, error.colno) == (
        error_class, (message,), message, lineno, colno)
    assert error.diagnostics == ((message, lineno, colno), *more)
    if at is not None:
        assert text.split("\n")[lineno - 1][colno - 1:].startswith(at)


KEYWORD_ONLY = "translate() takes 1 positional argument but 2 were given (argument 'producer' is keyword-only)"
SURROGATE = "translate() argument '{}' must be text encodable as UTF-8, not a str with a lone surrogate"
BAD_CALLS = [
    ((), {}, "translate() missing required argument 'qir_text'"),
    ((b"",), {}, "translate() argument 'qir_text' must be str, not bytes"),
    ((bytearray(b""),), {}, "translate() argument 'qir_text' must be str, not bytearray"),
    ((None,), {}, "translate() argument 'qir_text' must be str, not NoneType"),
    ((), {"qir_text": 7}, "translate() argument 'qir_text' must be str, not int"),
    (("", "mylib"), {}, KEYWORD_ONLY),
    (("", None), {}, KEYWORD_ONLY),
    (("",), {"qir_text": ""}, "translate() got multiple values for argument 'qir_text'"),
    (("",), {"produce": "x"}, "translate() got an unexpected keyword argument 'produce'"),
    ((), {"text": ""}, "translate() got an unexpected keyword argument 'text'"),
    (("",), {"producer": b"x"}, "translate() argument 'producer' must be str or None, not bytes"),
    (("",), {"producer": 1}, "translate() argument 'producer' must be str or None, not int"),
    (("ok\ud800",), {}, SURROGATE.format("qir_text")),
    (("",), {"producer": "\udc80"}, SURROGATE.format("producer")),
]


@pytest.mark.parametrize("args, kwargs, message", BAD_CALLS)
def test_bad_arguments_raise_type_error(args: tuple, kwargs: dict, message: str) -> None:
    with pytest.raises(TypeError) as caught:
        native.translate(*args, **kwargs)
    assert str(caught.value) == message
    # a lone surrogate keeps the codec's error as the cause
    assert isinstance(caught.value.__cause__, UnicodeEncodeError) == ("surrogate" in message)


# Calls that must end exactly alike: keywords, a producer of None or "", and a
# NUL, which neither ends the text early nor is rejected.
@pytest.mark.parametrize("first, second", [
    (((BELL,), {}), ((), {"qir_text": BELL, "producer": None})),
    (((BELL,), {}), ((BELL,), {"producer": ""})),
    ((("",), {}), (("",), {"producer": "a\x00b"})),
    (((BELL,), {}), (("; \x00 nul in a comment\n" + BELL,), {})),
    (((BELL,), {"producer": "mylib"}), ((), {"qir_text": BELL, "producer": "mylib"})),
])
def test_equivalent_calls(first, second) -> None:
    assert outcome(*first[0], **first[1]) == outcome(*second[0], **second[1])


@settings(max_examples=300, deadline=None, derandomize=True)
@given(st.text(max_size=400), st.one_of(st.none(), st.text(max_size=20)))
def test_any_text_gives_a_program_or_a_corvane_error(text: str, producer: str | None) -> None:
    kind, value = outcome(text, producer=producer)
    if kind == "ok":
        assert value.startswith("OPENQASM 3.0;\n") and value.endswith("\n")
    else:
        assert value != ""


def test_out_of_memory_becomes_memory_error_and_the_interpreter_lives_on() -> None:
    # The parser sizes a function's arrays from the length of its body (the
    # IR takes more room than its text), so with the address space capped at
    # half the input above what the interpreter already holds, allocating them
    # fails with std::bad_alloc, which must arrive as MemoryError.
    child = textwrap.dedent(
        """
        import resource
        import corvane
        line = "  call void @__quantum__qis__h__body(%Qubit* null)\\n"
        count = 128 * 1024 * 1024 // len(line)
        text = "define void @main() #0 {\\n" + line * count + "  ret void\\n}\\n"
        size = len(text)
        with open("/proc/self/statm") as statm:
            pages = int(statm.read().split()[0])
        limit = pages * resource.getpagesize() + size // 2
        resource.setrlimit(resource.RLIMIT_AS, (limit, resource.RLIM_INFINITY))
        try:
            corvane.translate(text)
            print("no error")
        except MemoryError:
            print("MemoryError")
        except corvane.CorvaneError as error:
            print("CorvaneError", error)
        resource.setrlimit(resource.RLIMIT_AS, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
        del text
        try:
            corvane.translate("")
        except corvane.CorvaneError as error:
            print("after:", error)
        """
    )
    done = subprocess.run([sys.executable, "-c", child], capture_output=True, text=True, timeout=300)
    assert (done.returncode, done.stdout, done.stderr) == (0, f"MemoryError\nafter: {NO_ENTRY_POINT}\n", "")


@pytest.mark.parametrize("threads", [None, 1, 3])
def test_translate_many_keeps_input_order(threads: int | None) -> None:
    texts = [BELL, "", module("  %x = frobnicate i64 1"), BELL.replace("__qis__h__", "__qis__x__")] * 3
    results = corvane.translate_many(iter(texts), producer="mylib", threads=threads)
    assert [("ok", r) if isinstance(r, str) else ("error", str(r)) for r in results] == [
        outcome(text, producer="mylib") for text in texts]
    assert [type(r) for r in results] == [str, MALFORMED, UNSUPPORTED, str] * 3


@pytest.mark.parametrize("threads, error", [(0, ValueError), (-2, ValueError), (1.5, TypeError), (True, TypeError)])
def test_translate_many_refuses_bad_thread_counts(threads: object, error: type) -> None:
    with pytest.raises(error):
        corvane.translate_many([BELL], threads=threads)


# --- the output map: record shapes against the records decoded from c ----------------

RECORD_MODULE = """@0 = internal constant [3 x i8] c"r0\\00"
@1 = internal constant [5 x i8] c"a\\5Cb\\22\\00"
@2 = internal constant [2 x i8] c"n\\00"

define void @main() #0 {{
entry:
  call void @__quantum__qis__h__body(ptr null)
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 1 to ptr))
  %r0 = call i1 @__quantum__rt__read_result(ptr null)
  %r1 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 1 to ptr))
{body}
  ret void
}}

declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr writeonly) #1
declare i1 @__quantum__rt__read_result(ptr)
declare void @__quantum__rt__result_record_output(ptr, ptr)
declare void @__quantum__rt__bool_record_output(i1, ptr)
declare void @__quantum__rt__int_record_output(i64, ptr)
declare void @__quantum__rt__double_record_output(double, ptr)
declare void @__quantum__rt__tuple_record_output(i64, ptr)
declare void @__quantum__rt__array_record_output(i64, ptr)

attributes #0 = {{ "entry_point" "qir_profiles"="adaptive_profile" "required_num_qubits"="2" "required_num_results"="3" }}
attributes #1 = {{ "irreversible" }}
"""
R = corvane.Record
RECORD_RESULT_1 = "  call void @__quantum__rt__result_record_output(ptr inttoptr (i64 1 to ptr), ptr @0)"
# (name, body after r0 = c[0] and r1 = c[1] are read, c as decoded, the records, the reason of each
# record the final bits do not determine)
RECORD_SHAPES = [
    ("results in another order than c, one never measured",
     RECORD_RESULT_1 + "\n  call void @__quantum__rt__result_record_output(ptr null, ptr null)\n"
     "  call void @__quantum__rt__result_record_output(ptr inttoptr (i64 2 to ptr), ptr @2)",
     (1, 0), [R("RESULT", 0, "r0"), R("RESULT", 1, None), R("RESULT", 0, "n")], [None, None, None]),
    ("a tuple, an array and a double, labels unescaped",
     "  call void @__quantum__rt__tuple_record_output(i64 2, ptr @1)\n"
     "  call void @__quantum__rt__array_record_output(i64 0, ptr null)\n"
     "  call void @__quantum__rt__double_record_output(double 2.5e-1, ptr @2)",
     (0, 0), [R("TUPLE", 2, 'a\\b"'), R("ARRAY", 0, None), R("DOUBLE", 0.25, "n")], [None] * 3),
    ("a register packed from bits, wrapping at 64 bits",
     "  %z0 = zext i1 %r0 to i64\n  %z1 = zext i1 %r1 to i64\n  %s = shl i64 %z1, 1\n"
     "  %v = or i64 %z0, %s\n  %w = mul i64 %v, 4611686018427387905\n"
     "  call void @__quantum__rt__int_record_output(i64 %w, ptr @2)\n"
     "  %b = icmp ult i64 %v, 2\n  call void @__quantum__rt__bool_record_output(i1 %b, ptr null)",
     (1, 1), [R("INT", -4611686018427387901, "n"), R("BOOL", False, None)], [None, None]),
    ("a record under an if, left out where its guard is false",
     "  br i1 %r0, label %then, label %done\nthen:\n" + RECORD_RESULT_1 + "\n  br label %done\ndone:\n"
     "  call void @__quantum__rt__bool_record_output(i1 %r1, ptr null)",
     (0, 1), [R("BOOL", True, None)], [None, None]),
    ("a record in a branch that short-circuits into its join's condition keeps its guard",
     "  br i1 %r0, label %arm, label %join\narm:\n" + RECORD_RESULT_1 + "\n  br label %join\njoin:\n"
     "  %both = phi i1 [ false, %entry ], [ %r1, %arm ]\n  br i1 %both, label %then, label %done\nthen:\n"
     "  call void @__quantum__qis__x__body(ptr inttoptr (i64 1 to ptr))\n  br label %done\ndone:",
     (0, 1), [], [None]),
    ("a counter assigned under ifs (a choice in the map)",
     "  %k = alloca i64\n  store i64 5, ptr %k\n  br i1 %r0, label %then, label %done\nthen:\n"
     "  store i64 7, ptr %k\n  br label %done\ndone:\n  %kv = load i64, ptr %k\n"
     "  call void @__quantum__rt__int_record_output(i64 %kv, ptr null)",
     (1, 0), [R("INT", 7, None)], [None]),
    ("a value read before its result is measured again",
     "  call void @__quantum__qis__x__body(ptr null)\n"
     "  call void @__quantum__qis__mz__body(ptr null, ptr null)\n"
     "  call void @__quantum__rt__bool_record_output(i1 %r0, ptr null)",
     (1, 0), [R("BOOL", None, None)], ["it reads a result or variable written again before the record"]),
    ("a result recorded before it is measured again",
     "  call void @__quantum__rt__result_record_output(ptr null, ptr null)\n"
     "  call void @__quantum__qis__mz__body(ptr null, ptr null)",
     (1, 0), [R("RESULT", None, None)], ["it reads result 0, which is measured again later"]),
    ("a record in a loop",
     "  br label %head\nhead:\n  call void @__quantum__qis__mz__body(ptr null, ptr null)\n"
     "  call void @__quantum__rt__result_record_output(ptr null, ptr null)\n"
     "  %again = call i1 @__quantum__rt__read_result(ptr null)\n  br i1 %again, label %head, label %out\nout:",
     # the loop's header runs once before the loop, and again in it
     (0, 0), [R("RESULT", None, None)] * 2, ["it reads result 0, which is measured again later",
                                             "it is recorded in a loop"]),
]


@pytest.mark.parametrize("name, body, bits, records, reasons", RECORD_SHAPES, ids=[r[0] for r in RECORD_SHAPES])
def test_record_shapes_decode_to_their_values(name, body, bits, records, reasons) -> None:
    text = RECORD_MODULE.format(body=body)
    translation = corvane.compile(text)
    assert translation.openqasm == corvane.translate(text)
    outputs = translation.outputs
    assert json.loads(json.dumps(outputs)) == outputs and outputs["format"] == 1
    assert [entry["reason"] for entry in outputs["records"]] == reasons
    assert translation.decode(list(bits) + [0] * (outputs["bits"] - len(bits))) == records
    kept = corvane.compile(text, keep_values=True)
    if any(reason is not None and "loop" not in reason for reason in reasons):
        # lost values are kept in bits after all others (a value computed before its result is measured
        # again is captured where it is computed): c grows, and every record outside a loop is recovered
        assert kept.outputs["bits"] > outputs["bits"]
        assert [e["reason"] for e in kept.outputs["records"]] == [r if r and "loop" in r else None for r in reasons]
        assert f"bit[{kept.outputs['bits']}] c;" in kept.openqasm
    else:
        assert kept.openqasm == translation.openqasm


def test_decoding_checks_its_bits_and_sums_counts() -> None:
    translation = corvane.compile(RECORD_MODULE.format(body=RECORD_RESULT_1))
    for bad in [(0,), (0, 1, 0), (0, 2), (0, True + 1), (0, 0.0)]:
        with pytest.raises(ValueError):
            translation.decode(bad)
    counts = translation.decode_counts({(0, 1): 3, (1, 1): 4, (1, 0): 5})
    assert counts == {(R("RESULT", 1, "r0"),): 7, (R("RESULT", 0, "r0"),): 5}
