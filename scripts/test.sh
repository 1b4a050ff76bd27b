#!/usr/bin/env bash
# The one test command: installs what the tests need when it is missing, builds
# and runs the C++ tests (warnings are errors), installs the package with pip
# and runs the Python tests.
#
#   bash scripts/test.sh
#
# Environment: PYTHON (default python3), CORVANE_BUILD_DIR (default build),
# CORVANE_JOBS (default: number of cores).
set -euo pipefail

cd "$(dirname "$0")/.."
PYTHON="${PYTHON:-python3}"
BUILD_DIR="${CORVANE_BUILD_DIR:-build}"
JOBS="${CORVANE_JOBS:-$(nproc)}"
export PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_ROOT_USER_ACTION=ignore

step() { printf '\n=== %s\n' "$*"; }

# --- System packages (apt-get update only when something must be installed) ---
missing=()
dpkg -s libgtest-dev >/dev/null 2>&1 || [[ -f /usr/include/gtest/gtest.h ]] || missing+=(libgtest-dev)
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v ninja >/dev/null 2>&1 || missing+=(ninja-build)
command -v g++ >/dev/null 2>&1 || missing+=(g++)
if ((${#missing[@]})); then
  step "apt-get install ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# --- Python packages for the tests (pip does nothing for what is installed) ---
requirements=(pytest hypothesis)
for file in python/tests/requirements*.txt; do
  [[ -f "$file" ]] && requirements+=(-r "$file")
done
step "pip install ${requirements[*]}"
"$PYTHON" -m pip install -q "${requirements[@]}"

# --- C++ tests ---
step "layers (scripts/check_layers.py)"
"$PYTHON" scripts/check_layers.py
step "C++ build ($BUILD_DIR)"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_WERROR=ON \
  -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_PYTHON=OFF
cmake --build "$BUILD_DIR" -j "$JOBS"
step "ctest"
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j "$JOBS"

# --- Python package and tests ---
# A kept build folder makes reinstalling incremental; warnings are errors here
# too, so the extension module is held to the same standard as the core.
step "pip install ."
"$PYTHON" -m pip install -q --force-reinstall --no-deps \
  -C build-dir="$BUILD_DIR-wheel" -C cmake.define.CORVANE_WERROR=ON .
step "pytest"
# The tests import the installed package (pytest's importlib mode keeps the
# source folder python/ off sys.path). Exit status 5 (no tests) fails too.
"$PYTHON" -m pytest -q python/tests
