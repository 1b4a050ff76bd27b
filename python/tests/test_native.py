"""The surface of the _corvane_native extension: attributes, argument rules,
the exception type and how core errors and faults reach Python.

These tests go through the no-entry-point path (text without any definition)
or compare outcomes of equivalent calls, so they hold whether or not the full
translation pipeline is in place.
"""
from __future__ import annotations

import importlib.util
import inspect
import subprocess
import sys
import textwrap

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
    "Raises ``CorvaneError`` on any translation failure."
)

BELL = """%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__cnot__body(%Qubit* null, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* writeonly null)
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__cnot__body(%Qubit*, %Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly) #1

attributes #0 = { "entry_point" "qir_profiles"="base_profile" }
attributes #1 = { "irreversible" }
"""


def outcome(text: str, **kwargs: object) -> tuple[str, str]:
    """("ok", program) or ("error", message) for one call."""
    try:
        return ("ok", native.translate(text, **kwargs))
    except native.CorvaneError as error:
        return ("error", str(error))


def test_module_attributes_in_published_order() -> None:
    names = list(vars(native))
    start = names.index("__version__")
    assert names[start:] == ["__version__", "CorvaneError", "translate", "__all__"]
    assert native.__all__ == ["__version__", "CorvaneError", "translate"]
    assert native.__version__ == "0.2.0"


def test_package_reexports_the_native_objects() -> None:
    assert corvane.translate is native.translate
    assert corvane.CorvaneError is native.CorvaneError
    assert corvane.__version__ == native.__version__
    assert corvane.__all__ == ["__version__", "CorvaneError", "translate"]


def test_docstring_and_text_signature() -> None:
    function = native.translate
    assert f"translate{function.__text_signature__}\n--\n\n{function.__doc__}" == DOCSTRING
    assert function.__text_signature__ == "(qir_text, *, producer=None)"
    parameters = inspect.signature(function).parameters
    assert [(p.name, p.kind, p.default) for p in parameters.values()] == [
        ("qir_text", inspect.Parameter.POSITIONAL_OR_KEYWORD, inspect.Parameter.empty),
        ("producer", inspect.Parameter.KEYWORD_ONLY, None),
    ]
    assert function.__name__ == "translate"


def test_corvane_error_type() -> None:
    error_type = native.CorvaneError
    assert error_type.__module__ == "_corvane_native"
    assert error_type.__name__ == "CorvaneError"
    assert error_type.__qualname__ == "CorvaneError"
    assert error_type.__bases__ == (Exception,)
    assert error_type.__doc__ is None
    own = set(vars(error_type)) - {"__module__", "__doc__", "__weakref__", "__dict__"}
    assert own == {"lineno", "colno"}
    # An instance made outside translate() has no place.
    assert (error_type.lineno, error_type.colno) == (None, None)
    assert (error_type("x").lineno, error_type("x").colno) == (None, None)


def test_corvane_error_is_shared_by_every_module_instance() -> None:
    # Executing the extension again yields a new module object that must hand
    # out the same exception type, so `except CorvaneError` keeps working.
    spec = importlib.util.find_spec("corvane._corvane_native")
    assert spec is not None and spec.loader is not None
    second = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(second)
    assert second is not native
    assert second.CorvaneError is native.CorvaneError
    with pytest.raises(native.CorvaneError):
        second.translate("")


@pytest.mark.parametrize(
    "text",
    ["", "; only a comment\n", "declare void @f()\n", "define void @f() {\nentry:\n  ret void\n}\n"],
)
def test_core_error_becomes_corvane_error_with_display_text(text: str) -> None:
    with pytest.raises(native.CorvaneError) as caught:
        native.translate(text)
    assert isinstance(caught.value, Exception)
    assert caught.value.args == (NO_ENTRY_POINT,)
    assert str(caught.value) == NO_ENTRY_POINT
    assert (caught.value.lineno, caught.value.colno) == (None, None)


def module(*body: str, after: str = "") -> str:
    """A module whose entry point holds the given body lines."""
    lines = ["%Qubit = type opaque", "", "define void @main() #0 {", "entry:", *body, "}"]
    return "\n".join(lines) + "\n" + after + 'attributes #0 = { "entry_point" }\n'


LONG_CALL = "  call void @f(" + "i64 1, " * 20 + "i64 x, " + "i64 1, " * 20 + "i64 1)"

# (text, message, lineno, colno, at): the line and column count from 1, the
# column in characters of the str; `at` is what the line holds at the column.
PLACES = [
    # Parse errors: at the offending token.
    (module("  %c = icmp eq i64 1, abc", "  ret void"),
     "could not parse integer operand abc (ty=i64)", 5, 23, "abc"),
    (module("  br label exit"), "br label missing %<target>: label exit", 5, 12, "exit"),
    ("define void @main() {\n  ret void\n", "define body not terminated", 1, 1, "define"),
    # Lowering errors: at the instruction, or at an unrecognized opcode.
    (module("  %x = frobnicate i64 1", "  ret void"),
     'unsupported LLVM instruction opcode "frobnicate" in block "entry"', 5, 8, "frobnicate"),
    (module("    call void @__quantum__qis__h__body(%Qubit* null)", "  ret void"),
     'no signature for callee "__quantum__qis__h__body" in QIR source', 5, 5, "call"),
    # An instruction joined from several lines: the line that holds the token,
    # or the instruction's first line for a lowering error.
    (module("  %p = phi i64 [ 1, %a ], [", "      2, b ]", "  ret void"),
     "phi incoming predecessor must be %<label>, got b", 6, 10, "b ]"),
    (module("  call void @__quantum__qis__h__body(", "      %Qubit* null)", "  ret void"),
     'no signature for callee "__quantum__qis__h__body" in QIR source', 5, 3, "call"),
    # A very long line.
    (module(LONG_CALL, "  ret void"), "could not parse integer operand x (ty=i64)", 5, 156,
     "i64 x"),
    # Non-ASCII text and a tab before the column; CR LF line ends.
    (module('\t%p = phi i64 [ 1, %"\u00e9\u4e2d\U0001F600" ], [ 2, b ]'),
     "phi incoming predecessor must be %<label>, got b", 5, 35, "b ]"),
    (module("  ret void").replace("\n", "\r\n").replace("  ret void", "  br label exit"),
     "br label missing %<target>: label exit", 5, 12, "exit"),
    # No single place.
    (module("  ret void").replace("#0 {", "{"), NO_ENTRY_POINT, None, None, None),
    (module("  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 "
            "9223372036854775807 to %Qubit*))", "  ret void",
            after="declare void @__quantum__qis__h__body(%Qubit*)\n"),
     "qubit index too large to size the qubit register", None, None, None),
]


@pytest.mark.parametrize("text, message, lineno, colno, at", PLACES)
def test_corvane_error_says_where(text: str, message: str, lineno: int | None,
                                  colno: int | None, at: str | None) -> None:
    with pytest.raises(native.CorvaneError) as caught:
        native.translate(text)
    error = caught.value
    assert (error.args, str(error), error.lineno, error.colno) == (
        (message,), message, lineno, colno)
    if at is not None:
        assert text.split("\n")[lineno - 1][colno - 1:].startswith(at)


BAD_CALLS = [
    ((), {}, "translate() missing required argument 'qir_text'"),
    ((b"",), {}, "translate() argument 'qir_text' must be str, not bytes"),
    ((bytearray(b""),), {}, "translate() argument 'qir_text' must be str, not bytearray"),
    ((None,), {}, "translate() argument 'qir_text' must be str, not NoneType"),
    ((), {"qir_text": 7}, "translate() argument 'qir_text' must be str, not int"),
    (
        ("", "mylib"),
        {},
        "translate() takes 1 positional argument but 2 were given "
        "(argument 'producer' is keyword-only)",
    ),
    (
        ("", None),
        {},
        "translate() takes 1 positional argument but 2 were given "
        "(argument 'producer' is keyword-only)",
    ),
    (("",), {"qir_text": ""}, "translate() got multiple values for argument 'qir_text'"),
    (("",), {"produce": "x"}, "translate() got an unexpected keyword argument 'produce'"),
    ((), {"text": ""}, "translate() got an unexpected keyword argument 'text'"),
    (("",), {"producer": b"x"}, "translate() argument 'producer' must be str or None, not bytes"),
    (("",), {"producer": 1}, "translate() argument 'producer' must be str or None, not int"),
    (
        ("\ud800",),
        {},
        "translate() argument 'qir_text' must be text encodable as UTF-8, "
        "not a str with a lone surrogate",
    ),
    (
        ("",),
        {"producer": "\udc80"},
        "translate() argument 'producer' must be text encodable as UTF-8, "
        "not a str with a lone surrogate",
    ),
]


@pytest.mark.parametrize("args, kwargs, message", BAD_CALLS)
def test_bad_arguments_raise_type_error(args: tuple, kwargs: dict, message: str) -> None:
    with pytest.raises(TypeError) as caught:
        native.translate(*args, **kwargs)
    assert str(caught.value) == message


def test_lone_surrogate_keeps_the_codec_error_as_cause() -> None:
    with pytest.raises(TypeError) as caught:
        native.translate("ok\ud800")
    assert isinstance(caught.value.__cause__, UnicodeEncodeError)


def test_keyword_qir_text_is_accepted() -> None:
    assert outcome("", producer=None) == ("error", NO_ENTRY_POINT)
    with pytest.raises(native.CorvaneError):
        native.translate(qir_text="", producer="mylib")


@pytest.mark.parametrize("text", ["", BELL])
def test_producer_none_and_empty_are_identical(text: str) -> None:
    assert outcome(text) == outcome(text, producer=None) == outcome(text, producer="")


def test_nul_is_ordinary_text() -> None:
    # A NUL must neither end the text early nor be rejected: the module after a
    # comment line holding NUL translates exactly like the module alone.
    assert outcome("; \x00 nul in a comment\n" + BELL) == outcome(BELL)
    assert outcome("\x00") == ("error", NO_ENTRY_POINT)
    assert outcome("", producer="a\x00b") == ("error", NO_ENTRY_POINT)


@settings(max_examples=300, deadline=None, derandomize=True)
@given(st.text(max_size=400), st.one_of(st.none(), st.text(max_size=20)))
def test_any_text_gives_a_program_or_a_corvane_error(text: str, producer: str | None) -> None:
    kind, value = outcome(text, producer=producer)
    if kind == "ok":
        assert value.startswith("OPENQASM 3.0;\n")
        assert value.endswith("\n")
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
        used = pages * resource.getpagesize()
        limit = used + size // 2
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
    done = subprocess.run(
        [sys.executable, "-c", child], capture_output=True, text=True, timeout=300
    )
    assert (done.returncode, done.stdout, done.stderr) == (
        0,
        f"MemoryError\nafter: {NO_ENTRY_POINT}\n",
        "",
    )
