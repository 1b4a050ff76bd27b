"""Shared pytest configuration for the Python tests."""


def pytest_configure(config):
    config.addinivalue_line(
        "markers",
        "proof: checks corvane's output with outside tools (OpenQASM reference parser, QIR runner);"
        " needs the packages of python/tests/requirements-proof.txt",
    )
