#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under ASan+UBSan and runs each for a
# given number of seconds (default 60). Seeds: the project's own test modules,
# the committed regression inputs, and (when present) the shared real-world
# corpus, copied into a scratch folder so nothing outside is written.
# Usage: core/fuzz/run_fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
# FUZZ_TIMEOUT (seconds, default 10) is how long one input may run before it
# counts as a hang; the slowest seeds take about 3 s alone under the sanitizers.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(translate_fuzzer parse_fuzzer)

if ! command -v clang++-14 >/dev/null 2>&1; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-14 libclang-rt-14-dev >/dev/null
  else
    echo "clang++-14 is required for fuzzing" >&2; exit 2
  fi
fi

build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DCORVANE_BUILD_FUZZ=ON -DCORVANE_SANITIZE=ON \
  -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_PYTHON=OFF >/dev/null
ninja -C "$build" "${targets[@]}" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/seeds"
for f in "$root"/core/tests/golden/*.ll "$root"/core/fuzz/regressions/*; do
  [ -f "$f" ] && cp "$f" "$work/seeds/" || true
done
if [ -d "$root/../shared/corpus" ]; then
  find "$root/../shared/corpus" -name '*.ll' -exec cp {} "$work/seeds/" \; 2>/dev/null || true
fi

artifacts=${FUZZ_ARTIFACTS:-$root/build-fuzz/artifacts}
mkdir -p "$artifacts"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$work/corpus-$t"
  echo "== $t for ${seconds}s"
  if ! "$build/core/fuzz/$t" "$work/corpus-$t" "$work/seeds" -dict="$here/qir.dict" \
      -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 -max_len=65536 \
      -artifact_prefix="$artifacts/$t-" -print_final_stats=1 2>"$work/$t.log"; then
    status=1
    tail -n 60 "$work/$t.log"
  else
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|cov:' "$work/$t.log" | tail -n 3
  fi
done
exit $status
