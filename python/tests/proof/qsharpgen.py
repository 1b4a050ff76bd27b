"""Random Q# programs, compiled to QIR by the `qsharp` package.

A seeded generator draws each program from a small grammar: one- and
two-qubit gates and rotations (by literals or Double variables), `M` and
`MResetZ` results, `Reset`; mutable Int, Bool and (for Adaptive_RIF) Double
variables set from arithmetic (`+ - * &&& |||`), conditional expressions,
calls of a function of the program, comparisons of results, of Ints and of
Doubles, `not`/`and`/`or`, and measurements; `if`/`else` on any of those;
`for` over a range, over the qubit array and over its indices (`Length`);
`while` and `repeat`/`until` loops; operations of the program that are
called, some returning a Result. Every variable ends by steering a gate on
an extra qubit, and the program returns the measured array of all qubits.

`qsharp` pins its own pyqir, so this file runs under the interpreter of a
separate virtual environment; it imports nothing but the standard library
and, in `compile_all`, `qsharp`. Run as a script it prints one JSON object
per module: {"name", "source", "qir"} or {"name", "source", "error"}.

    python qsharpgen.py --profile Adaptive_RI --seed 0 -n 20
"""
from __future__ import annotations

import argparse
import json
import random
import sys
import warnings

PROFILES = ("Adaptive_RI", "Adaptive_RIF")
# Angles stay clear of odd multiples of pi: the QIR runner simulates rx by
# such an angle followed by some gates wrongly.
ANGLES = ("0.3", "0.7", "1.2", "2.5", "-0.9")
ONE_QUBIT = ("H", "X", "Y", "Z", "S", "T", "Adjoint S", "Adjoint T")
TWO_QUBIT = ("CNOT", "CZ", "SWAP")
FUNCTIONS = ("x * 2 + y", "x - y + 1", "(x + y) * 3", "x &&& y", "x > y ? x | y")


class Program:
    """Source text of one random program, built statement by statement."""

    def __init__(self, rng: random.Random, floats: bool):
        self.rng, self.floats, self.qubits = rng, floats, rng.randint(2, 4)
        self.lines: list[str] = []
        self.ints, self.bools, self.doubles, self.results = [], [], [], []  # names in scope
        self.counter = 0
        self.ops = [self.operation(k) for k in range(rng.randint(0, 2))]  # (text, arity, returns a Result)
        self.funcs = [f"function F{k}(x : Int, y : Int) : Int {{\n    return {rng.choice(FUNCTIONS)};\n}}"
                      for k in range(rng.randint(0, 1))]

    def fresh(self, prefix: str) -> str:
        self.counter += 1
        return f"{prefix}{self.counter}"

    def qubit(self) -> str:
        return f"qs[{self.rng.randrange(self.qubits)}]"

    def two_qubits(self) -> str:
        return ", ".join(f"qs[{q}]" for q in self.rng.sample(range(self.qubits), 2))

    def gate(self, qubit: str | None = None) -> str:
        rng, kind = self.rng, self.rng.random()
        if kind < 0.45 or qubit:
            return f"{rng.choice(ONE_QUBIT)}({qubit or self.qubit()});"
        if kind < 0.7:
            return f"{rng.choice(TWO_QUBIT)}({self.two_qubits()});"
        angle = rng.choice(self.doubles) if self.doubles and rng.random() < 0.5 else rng.choice(ANGLES)
        return f"{rng.choice(('Rx', 'Ry', 'Rz'))}({angle}, {self.qubit()});"

    def operation(self, k: int) -> tuple[str, int, bool]:
        rng, arity = self.rng, self.rng.randint(1, 2)
        params = ["a", "b"][:arity]
        body = []
        for _ in range(rng.randint(1, 3)):
            if arity == 2 and rng.random() < 0.4:
                body.append(f"{rng.choice(TWO_QUBIT)}(a, b);")
            elif rng.random() < 0.3:
                body.append(f"{rng.choice(('Rx', 'Ry'))}({rng.choice(ANGLES)}, {rng.choice(params)});")
            else:
                body.append(f"{rng.choice(ONE_QUBIT)}({rng.choice(params)});")
        returns = rng.random() < 0.5
        if returns:
            body += ["let r = M(a);"] + ([f"if r == One {{ {rng.choice('XHZ')}(b); }}"] if arity == 2 else [])
            body.append("return r;")
        head = ", ".join(f"{p} : Qubit" for p in params)
        return (f"operation Op{k}({head}) : {'Result' if returns else 'Unit'} {{\n    " + "\n    ".join(body)
                + "\n}"), arity, returns

    def int_expr(self, depth: int = 0) -> str:
        rng = self.rng
        kinds = ["lit"] + ["var"] * 3 * bool(self.ints)
        if depth < 2:
            kinds += ["binop", "binop"] + ["cond"] * bool(self.bools or self.results) + ["call"] * bool(self.funcs)
        kind = rng.choice(kinds)
        if kind == "lit":
            return str(rng.randint(-2, 5))
        if kind == "var":
            return rng.choice(self.ints)
        a, b = self.int_expr(depth + 1), self.int_expr(depth + 1)
        if kind == "binop":
            return f"({a} {rng.choice(('+', '-', '*', '+', '&&&', '|||'))} {b})"
        if kind == "cond":
            return f"({self.bool_expr(depth + 1)} ? {a} | {b})"
        return f"F{rng.randrange(len(self.funcs))}({a}, {b})"

    def bool_expr(self, depth: int = 0) -> str:
        rng = self.rng
        kinds = (["result", "result", "results"] * bool(self.results) + ["var"] * bool(self.bools)
                 + ["icmp"] * bool(self.ints) + ["fcmp"] * bool(self.doubles))
        if not kinds:
            return rng.choice(("true", "false"))
        kind = rng.choice(kinds + ["logic", "not"] * (depth < 2))
        if kind == "result":
            return f"{rng.choice(self.results)} == {rng.choice(('One', 'Zero'))}"
        if kind == "results":
            return f"{rng.choice(self.results)} {rng.choice(('==', '!='))} {rng.choice(self.results)}"
        if kind == "var":
            return rng.choice(self.bools)
        if kind == "icmp":
            return f"{rng.choice(self.ints)} {rng.choice(('==', '!=', '<', '<=', '>', '>='))} {self.int_expr(1)}"
        if kind == "fcmp":
            return f"{rng.choice(self.doubles)} {rng.choice(('<', '>'))} {rng.choice(('1.0', '2.0'))}"
        if kind == "not":
            return f"not ({self.bool_expr(depth + 1)})"
        return f"({self.bool_expr(depth + 1)} {rng.choice(('and', 'or'))} {self.bool_expr(depth + 1)})"

    def emit(self, indent: int, line: str) -> None:
        self.lines.append("    " * indent + line)

    def block(self, indent: int, count: int, depth: int) -> None:
        """Statements of a nested block, whose `let` bindings end with it."""
        saved = list(self.results)
        for _ in range(count):
            self.statement(indent, depth)
        self.results = saved

    def statement(self, indent: int, depth: int) -> None:
        rng, emit = self.rng, lambda line, extra=0: self.emit(indent + extra, line)
        kinds = (["gate"] * 4 + ["measure"] * 2 + ["reset", "set-int", "set-bool"] + ["count"] * 2 * bool(self.results)
                 + ["set-double"] * bool(self.doubles) + ["call"] * bool(self.ops)
                 + ["if", "if", "for", "for-qubits", "while", "repeat"] * (depth < 2))
        kind = rng.choice(kinds)
        if kind == "measure":
            name = self.fresh("r")
            emit(f"let {name} = {rng.choice(('M', 'MResetZ'))}({self.qubit()});")
            self.results.append(name)
        elif kind == "reset":
            emit(f"Reset({self.qubit()});")
        elif kind == "set-int" and self.ints:
            step = f"{rng.choice(('+=', '-='))} {self.int_expr(1)}" if rng.random() < 0.4 else f"= {self.int_expr()}"
            emit(f"set {rng.choice(self.ints)} {step};")
        elif kind == "count":
            name, result = rng.choice(self.ints), rng.choice(self.results)
            if self.doubles and rng.random() < 0.3:
                emit(f"if {result} == One {{ set {self.doubles[0]} += 0.5; }}")
            elif rng.random() < 0.5:
                emit(f"if {result} == One {{ set {name} += {rng.randint(1, 3)}; }}")
            else:
                emit(f"set {name} = {name} {rng.choice('+-*')} ({result} == One ? {self.int_expr(1)} | 1);")
        elif kind == "set-bool":  # a flag set from a measurement, as repeat-until-success loops do
            value = f"MResetZ({self.qubit()}) == One" if rng.random() < 0.3 else self.bool_expr()
            emit(f"set {rng.choice(self.bools)} = {value};")
        elif kind == "set-double":
            base = rng.choice(self.doubles)
            emit(f"set {rng.choice(self.doubles)} = {base} {rng.choice('+-*')} {rng.choice(('0.25', '0.5', '1.5', base))};")
        elif kind == "call":
            k = rng.randrange(len(self.ops))
            _, arity, returns = self.ops[k]
            call = f"Op{k}({self.two_qubits() if arity == 2 else self.qubit()});"
            if returns:
                self.results.append(self.fresh("r"))
                call = f"let {self.results[-1]} = {call}"
            emit(call)
        elif kind == "if":
            emit(f"if {self.bool_expr()} {{")
            self.block(indent + 1, rng.randint(1, 3), depth + 1)
            if rng.random() < 0.5:
                emit("} else {")
                self.block(indent + 1, rng.randint(1, 2), depth + 1)
            emit("}")
        elif kind == "for":
            var = self.fresh("k")
            emit(f"for {var} in 0..{rng.randint(1, 2)} {{")
            if rng.random() < 0.5 and self.ints:
                emit(f"set {rng.choice(self.ints)} += {var};", 1)
            self.block(indent + 1, rng.randint(1, 2), depth + 1)
            emit("}")
        elif kind == "for-qubits":  # the array itself, or its indices with a neighbour
            var = self.fresh("q")
            if rng.random() < 0.5:
                emit(f"for {var} in qs {{")
                emit(self.gate(var), 1)
            else:
                emit(f"for {var} in 1..Length(qs) - 1 {{")
                emit(f"{rng.choice(('CNOT', 'CZ'))}(qs[{var} - 1], qs[{var}]);", 1)
            self.block(indent + 1, rng.randint(0, 1), depth + 1)
            emit("}")
        elif kind in ("while", "repeat"):
            var = self.fresh("w")
            emit(f"mutable {var} = 0;")
            emit(f"while {var} < {rng.randint(1, 3)} {{" if kind == "while" else "repeat {")
            self.block(indent + 1, rng.randint(1, 2), depth + 1)
            emit(f"set {var} += 1;", 1)
            emit("}" if kind == "while" else f"}} until {var} >= {rng.randint(1, 2)};")
        else:
            emit(self.gate())

    def text(self) -> str:
        rng = self.rng
        self.emit(1, f"use qs = Qubit[{self.qubits}];")
        for names, count, value in ((self.ints, rng.randint(1, 2), lambda: str(rng.randint(0, 3))),
                                    (self.bools, 1, lambda: rng.choice(("true", "false"))),
                                    (self.doubles, int(self.floats), lambda: rng.choice(ANGLES))):
            for _ in range(count):
                names.append(self.fresh("v"))
                self.emit(1, f"mutable {names[-1]} = {value()};")
        if rng.random() < 0.6:  # an early measurement gives the classical code dynamic values to work on
            self.emit(1, rng.choice(("H(qs[0]);", "Ry(1.2, qs[0]);")))
            self.results.append(self.fresh("r"))
            self.emit(1, f"let {self.results[-1]} = M(qs[0]);")
        self.block(1, rng.randint(3, 8), 0)
        self.emit(1, f"use marks = Qubit[{2 * len(self.ints) + len(self.bools) + len(self.doubles)}];")
        marks = iter(range(100))
        for var in self.ints:
            self.emit(1, f"if {var} > {rng.randint(0, 3)} {{ X(marks[{next(marks)}]); }}")
            self.emit(1, f"if ({var} &&& 1) == 1 {{ X(marks[{next(marks)}]); }}")
        for var in self.bools:
            self.emit(1, f"if {var} {{ X(marks[{next(marks)}]); }}")
        for var in self.doubles:
            self.emit(1, f"Ry({var}, marks[{next(marks)}]);")
        self.emit(1, "return MResetEachZ(qs + marks);")
        main = "operation Main() : Result[] {\n" + "\n".join(self.lines) + "\n}"
        return "\n\n".join([text for text, _, _ in self.ops] + self.funcs + [main])


def compile_all(sources: list[tuple[str, str]], profile: str) -> list[dict]:
    """Compile each (name, source) with `qsharp` for `profile`."""
    warnings.simplefilter("ignore")  # the qsharp package warns that it is deprecated in favour of qdk
    import qsharp

    out = []
    for name, source in sources:
        try:
            qsharp.init(target_profile=getattr(qsharp.TargetProfile, profile))
            qsharp.eval(source)
            out.append({"name": name, "source": source, "qir": str(qsharp.compile("Main()"))})
        except (Exception, BaseException) as exc:  # noqa: BLE001 - the compiler's panics derive from BaseException
            if isinstance(exc, KeyboardInterrupt):
                raise
            out.append({"name": name, "source": source, "error": f"{type(exc).__name__}: {exc}"})
    return out


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--profile", choices=PROFILES, default="Adaptive_RI")
    parser.add_argument("--seed", type=int, default=0, help="first seed")
    parser.add_argument("-n", type=int, default=10, help="random programs (seeds seed..seed+n-1)")
    args = parser.parse_args(argv)
    sources = [(f"seed-{s}", Program(random.Random(f"{args.profile}:{s}"), args.profile == "Adaptive_RIF").text())
               for s in range(args.seed, args.seed + args.n)]
    for item in compile_all(sources, args.profile):
        print(json.dumps(item), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
