"""Random and fixed Q# programs, compiled to QIR by the `qsharp` package.

The programs are Q# source text drawn by a seeded generator from a small
grammar: gates, measurements, `if` on results, mutable Int and Bool (and,
for the Adaptive_RIF profile, Double) variables with arithmetic and
comparisons, comparisons of results, bounded `for`, `while` and
`repeat`/`until` loops, small operations and functions of the program that
are called, and an array of results returned. Every classical variable ends
by steering a gate on an extra qubit, so the returned results depend on it.

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

FIXED = {
    "bell": """
operation Main() : Result[] {
    use (a, b) = (Qubit(), Qubit());
    H(a);
    CNOT(a, b);
    return [MResetZ(a), MResetZ(b)];
}""",
    "teleport": """
operation Main() : Result[] {
    use (msg, here, there) = (Qubit(), Qubit(), Qubit());
    Ry(1.2, msg);
    H(here);
    CNOT(here, there);
    CNOT(msg, here);
    H(msg);
    if M(msg) == One { Z(there); }
    if M(here) == One { X(there); }
    Ry(-1.2, there);
    Reset(msg);
    Reset(here);
    return [MResetZ(there)];
}""",
    "repeat_until_success": """
operation Main() : Result[] {
    use (target, flag) = (Qubit(), Qubit());
    mutable done = false;
    mutable tries = 0;
    mutable round = 0;
    repeat {
        if not done {
            H(flag);
            CNOT(flag, target);
            set done = MResetZ(flag) == One;
            set tries += 1;
            if not done { Reset(target); }
        }
        set round += 1;
    } until round >= 3;
    use marks = Qubit[2];
    if tries > 1 { X(marks[0]); }
    if done { X(marks[1]); }
    return [MResetZ(target), MResetZ(marks[0]), MResetZ(marks[1])];
}""",
    "ghz_loop": """
operation Main() : Result[] {
    use qs = Qubit[4];
    H(qs[0]);
    for i in 1..Length(qs) - 1 {
        CNOT(qs[i - 1], qs[i]);
    }
    return MResetEachZ(qs);
}""",
    "measurement_comparison": """
operation Main() : Result[] {
    use qs = Qubit[3];
    H(qs[0]);
    H(qs[1]);
    let a = M(qs[0]);
    let b = M(qs[1]);
    if a == b { X(qs[2]); }
    if a != b and b == One { Z(qs[2]); H(qs[2]); }
    return MResetEachZ(qs);
}""",
    "integer_counting": """
operation Main() : Result[] {
    use qs = Qubit[3];
    use marks = Qubit[3];
    mutable ones = 0;
    for q in qs {
        H(q);
        if M(q) == One { set ones += 1; }
    }
    if ones == 0 { X(marks[0]); }
    if ones >= 2 { X(marks[1]); }
    if (ones &&& 1) == 1 { X(marks[2]); }
    return MResetEachZ(qs + marks);
}""",
}


class Program:
    """Source text of one random program, built statement by statement."""

    def __init__(self, rng: random.Random, floats: bool):
        self.rng = rng
        self.floats = floats
        self.qubits = rng.randint(2, 4)
        self.lines: list[str] = []
        self.ints: list[str] = []  # mutable Int variables in scope
        self.bools: list[str] = []
        self.doubles: list[str] = []
        self.results: list[str] = []  # immutable Result bindings in scope
        self.counter = 0
        self.ops = [self.operation(k) for k in range(rng.randint(0, 2))]
        self.funcs = [self.function(k) for k in range(rng.randint(0, 1))]

    def fresh(self, prefix: str) -> str:
        self.counter += 1
        return f"{prefix}{self.counter}"

    def qubit(self) -> str:
        return f"qs[{self.rng.randrange(self.qubits)}]"

    def two_qubits(self) -> tuple[str, str]:
        a, b = self.rng.sample(range(self.qubits), 2)
        return f"qs[{a}]", f"qs[{b}]"

    def gate(self) -> str:
        rng = self.rng
        kind = rng.random()
        if kind < 0.45:
            return f"{rng.choice(ONE_QUBIT)}({self.qubit()});"
        if kind < 0.7:
            a, b = self.two_qubits()
            return f"{rng.choice(TWO_QUBIT)}({a}, {b});"
        angle = rng.choice(self.doubles) if self.doubles and rng.random() < 0.5 else rng.choice(ANGLES)
        return f"{rng.choice(('Rx', 'Ry', 'Rz'))}({angle}, {self.qubit()});"

    # --- defined operations and functions ---------------------------------------

    def operation(self, k: int) -> tuple[str, int, bool]:
        """(text, number of qubit parameters, returns a Result)."""
        rng = self.rng
        arity = rng.randint(1, 2)
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
            body.append("let r = M(a);")
            if arity == 2:
                body.append(f"if r == One {{ {rng.choice(('X', 'H', 'Z'))}(b); }}")
            body.append("return r;")
        head = ", ".join(f"{p} : Qubit" for p in params)
        text = (f"operation Op{k}({head}) : {'Result' if returns else 'Unit'} {{\n    "
                + "\n    ".join(body) + "\n}")
        return text, arity, returns

    def function(self, k: int) -> str:
        rng = self.rng
        expr = rng.choice(("x * 2 + y", "x - y + 1", "(x + y) * 3", "x &&& y", "x > y ? x | y"))
        return f"function F{k}(x : Int, y : Int) : Int {{\n    return {expr};\n}}"

    # --- expressions -----------------------------------------------------------------

    def int_expr(self, depth: int = 0) -> str:
        rng = self.rng
        choices = ["lit"] + (["var"] * 3 if self.ints else [])
        if depth < 2:
            choices += ["binop", "binop"] + (["cond"] if self.bools or self.results else [])
            if self.funcs:
                choices.append("call")
        kind = rng.choice(choices)
        if kind == "lit":
            return str(rng.randint(-2, 5))
        if kind == "var":
            return rng.choice(self.ints)
        if kind == "binop":
            op = rng.choice(("+", "-", "*", "+", "&&&", "|||"))
            return f"({self.int_expr(depth + 1)} {op} {self.int_expr(depth + 1)})"
        if kind == "cond":
            return f"({self.bool_expr(depth + 1)} ? {self.int_expr(depth + 1)} | {self.int_expr(depth + 1)})"
        return f"F{rng.randrange(len(self.funcs))}({self.int_expr(depth + 1)}, {self.int_expr(depth + 1)})"

    def double_expr(self) -> str:
        rng = self.rng
        base = rng.choice(self.doubles)
        op = rng.choice(("+", "-", "*"))
        return f"{base} {op} {rng.choice(('0.25', '0.5', '1.5', base))}"

    def bool_expr(self, depth: int = 0) -> str:
        rng = self.rng
        choices = []
        if self.results:
            choices += ["result", "result", "results"]
        if self.bools:
            choices += ["var"]
        if self.ints:
            choices += ["icmp"]
        if self.doubles:
            choices += ["fcmp"]
        if depth < 2 and choices:
            choices += ["logic", "not"]
        if not choices:
            return rng.choice(("true", "false"))
        kind = rng.choice(choices)
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

    # --- statements --------------------------------------------------------------------

    def block(self, indent: int, count: int, depth: int) -> None:
        for _ in range(count):
            self.statement(indent, depth)

    def emit(self, indent: int, line: str) -> None:
        self.lines.append("    " * indent + line)

    def scoped(self, indent: int, count: int, depth: int) -> None:
        """A nested block whose `let` bindings end with it."""
        saved = list(self.results)
        self.block(indent, count, depth)
        self.results = saved

    def statement(self, indent: int, depth: int) -> None:
        rng = self.rng
        kinds = ["gate"] * 4 + ["measure"] * 2 + ["set-int", "set-bool"] + (["count"] * 2 if self.results else [])
        if self.doubles:
            kinds.append("set-double")
        if self.ops:
            kinds.append("call")
        if depth < 2:
            kinds += ["if", "if", "for", "while", "repeat"]
        kind = rng.choice(kinds)
        if kind == "gate":
            self.emit(indent, self.gate())
        elif kind == "measure":
            name = self.fresh("r")
            self.emit(indent, f"let {name} = {rng.choice(('M', 'MResetZ'))}({self.qubit()});")
            self.results.append(name)
        elif kind == "set-int" and self.ints:
            name = rng.choice(self.ints)
            if rng.random() < 0.4:
                self.emit(indent, f"set {name} {rng.choice(('+=', '-='))} {self.int_expr(1)};")
            else:
                self.emit(indent, f"set {name} = {self.int_expr()};")
        elif kind == "count":
            name, result = rng.choice(self.ints), rng.choice(self.results)
            if self.doubles and rng.random() < 0.3:
                self.emit(indent, f"if {result} == One {{ set {self.doubles[0]} += 0.5; }}")
            elif rng.random() < 0.5:
                self.emit(indent, f"if {result} == One {{ set {name} += {rng.randint(1, 3)}; }}")
            else:
                step = f"({result} == One ? {self.int_expr(1)} | 1)"
                self.emit(indent, f"set {name} = {name} {rng.choice('+-*')} {step};")
        elif kind == "set-bool" and self.bools:
            self.emit(indent, f"set {rng.choice(self.bools)} = {self.bool_expr()};")
        elif kind == "set-double":
            self.emit(indent, f"set {rng.choice(self.doubles)} = {self.double_expr()};")
        elif kind == "call":
            k = rng.randrange(len(self.ops))
            _, arity, returns = self.ops[k]
            args = ", ".join(self.two_qubits()) if arity == 2 else self.qubit()
            if returns:
                name = self.fresh("r")
                self.emit(indent, f"let {name} = Op{k}({args});")
                self.results.append(name)
            else:
                self.emit(indent, f"Op{k}({args});")
        elif kind == "if":
            self.emit(indent, f"if {self.bool_expr()} {{")
            self.scoped(indent + 1, rng.randint(1, 3), depth + 1)
            if rng.random() < 0.5:
                self.emit(indent, "} else {")
                self.scoped(indent + 1, rng.randint(1, 2), depth + 1)
            self.emit(indent, "}")
        elif kind == "for":
            var = self.fresh("k")
            self.emit(indent, f"for {var} in 0..{rng.randint(1, 2)} {{")
            if rng.random() < 0.5 and self.ints:
                self.emit(indent + 1, f"set {rng.choice(self.ints)} += {var};")
            self.scoped(indent + 1, rng.randint(1, 2), depth + 1)
            self.emit(indent, "}")
        elif kind == "while":
            var = self.fresh("w")
            self.emit(indent, f"mutable {var} = 0;")
            self.emit(indent, f"while {var} < {rng.randint(1, 3)} {{")
            self.scoped(indent + 1, rng.randint(1, 2), depth + 1)
            self.emit(indent + 1, f"set {var} += 1;")
            self.emit(indent, "}")
        elif kind == "repeat":
            var = self.fresh("t")
            self.emit(indent, f"mutable {var} = 0;")
            self.emit(indent, "repeat {")
            self.scoped(indent + 1, rng.randint(1, 2), depth + 1)
            self.emit(indent + 1, f"set {var} += 1;")
            self.emit(indent, f"}} until {var} >= {rng.randint(1, 2)};")
        else:
            self.emit(indent, self.gate())

    def text(self) -> str:
        rng = self.rng
        self.emit(1, f"use qs = Qubit[{self.qubits}];")
        for _ in range(rng.randint(1, 2)):
            name = self.fresh("i")
            self.emit(1, f"mutable {name} = {rng.randint(0, 3)};")
            self.ints.append(name)
        name = self.fresh("b")
        self.emit(1, f"mutable {name} = {rng.choice(('true', 'false'))};")
        self.bools.append(name)
        if self.floats:
            name = self.fresh("d")
            self.emit(1, f"mutable {name} = {rng.choice(ANGLES)};")
            self.doubles.append(name)
        if rng.random() < 0.6:  # an early measurement gives the classical code dynamic values to work on
            self.emit(1, rng.choice(("H(qs[0]);", "Ry(1.2, qs[0]);")))
            name = self.fresh("r")
            self.emit(1, f"let {name} = M(qs[0]);")
            self.results.append(name)
        self.block(1, rng.randint(3, 8), 0)
        observed = self.ints + self.bools + self.doubles
        self.emit(1, f"use marks = Qubit[{len(observed) + len(self.ints)}];")
        m = 0
        for var in self.ints:
            self.emit(1, f"if {var} > {rng.randint(0, 3)} {{ X(marks[{m}]); }}")
            self.emit(1, f"if ({var} &&& 1) == 1 {{ X(marks[{m + 1}]); }}")
            m += 2
        for var in self.bools:
            self.emit(1, f"if {var} {{ X(marks[{m}]); }}")
            m += 1
        for var in self.doubles:
            self.emit(1, f"Ry({var}, marks[{m}]);")
            m += 1
        self.emit(1, "return MResetEachZ(qs + marks);")
        defs = [text for text, _, _ in self.ops] + self.funcs
        main = "operation Main() : Result[] {\n" + "\n".join(self.lines) + "\n}"
        return "\n\n".join(defs + [main])


def random_program(seed: int, profile: str) -> str:
    return Program(random.Random(f"{profile}:{seed}"), floats=profile == "Adaptive_RIF").text()


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
    parser.add_argument("--fixed", action="store_true", help="also compile the fixed sample programs")
    args = parser.parse_args(argv)
    sources = [(f"fixed-{name}", text) for name, text in FIXED.items()] if args.fixed else []
    sources += [(f"seed-{s}", random_program(s, args.profile)) for s in range(args.seed, args.seed + args.n)]
    for item in compile_all(sources, args.profile):
        print(json.dumps(item), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
