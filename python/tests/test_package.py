"""How the package is built and installed: the stable-ABI extension with a
single exported symbol, the type stub agreeing with the real function, and
the metadata version agreeing with the module."""
from __future__ import annotations

import ast
import importlib.metadata
import inspect
import re
import shutil
import subprocess
from pathlib import Path

import pytest

import corvane
import corvane._corvane_native as native

PACKAGE_DIR = Path(corvane.__file__).resolve().parent
REPO = Path(__file__).resolve().parents[2]


def test_installed_files() -> None:
    """The stable-ABI extension beside the typing files, exporting its init function only."""
    assert Path(native.__file__).name == "_corvane_native.abi3.so"
    assert Path(native.__file__).resolve().parent == PACKAGE_DIR
    assert (PACKAGE_DIR / "py.typed").is_file() and (PACKAGE_DIR / "_corvane_native.pyi").is_file()
    nm = shutil.which("nm")
    if nm is None:
        pytest.skip("nm (binutils) is not installed")
    listing = subprocess.run([nm, "-D", "--defined-only", native.__file__], check=True, capture_output=True,
                             text=True).stdout
    assert [line.split()[-1] for line in listing.splitlines() if line.strip()] == ["PyInit__corvane_native"]


def test_stub_matches_the_native_module() -> None:
    tree = ast.parse((PACKAGE_DIR / "_corvane_native.pyi").read_text(encoding="utf-8"))
    nodes = {getattr(node, "name", None) or ast.unparse(node.target): node for node in tree.body
             if isinstance(node, (ast.FunctionDef, ast.ClassDef, ast.AnnAssign))}
    assert sorted(nodes) == sorted(native.__all__ + ["__all__", "_compile", "_decode"])
    error = nodes["CorvaneError"]
    assert [ast.unparse(base) for base in error.bases] == ["Exception"]
    assert [(ast.unparse(node.target), ast.unparse(node.annotation)) for node in error.body
            if isinstance(node, ast.AnnAssign)] == [("lineno", "int | None"), ("colno", "int | None"),
                                                    ("diagnostics", "tuple[tuple[str, int | None, int | None], ...]")]
    for name in native.__all__[2:-1]:  # the subclasses, with the native docstrings
        assert ([ast.unparse(base) for base in nodes[name].bases], ast.get_docstring(nodes[name])) == (
            ["CorvaneError"], getattr(native, name).__doc__)
    stub = nodes["translate"].args
    assert [(a.arg, "positional_or_keyword", None) for a in stub.args] + [
        (a.arg, "keyword_only", None if d is None else ast.unparse(d)) for a, d in zip(stub.kwonlyargs, stub.kw_defaults)
    ] == [(p.name, p.kind.name.lower(), None if p.default is inspect.Parameter.empty else repr(p.default))
          for p in inspect.signature(native.translate).parameters.values()]
    assert ast.unparse(nodes["translate"].returns) == "str"


def test_version_comes_from_the_cmake_project() -> None:
    # project(corvane VERSION ...) is the one place the version is written; the
    # distribution, the module and the trailer all carry it.
    cmake = (REPO / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"^project\(corvane VERSION ([0-9.]+) ", cmake, re.MULTILINE)
    assert match is not None
    version = match.group(1)
    assert importlib.metadata.version("corvane") == corvane.__version__ == version == "0.2.0"
    program = corvane.translate('define void @main() "entry_point" {\n  ret void\n}\n')
    assert program.endswith(f'{{"name":"corvane","version":"{version}"}}\n')
