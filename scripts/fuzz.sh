#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, ASan, UBSan) and runs each for a
# bounded time, starting from its committed corpus in tests/fuzz/corpus/TARGET.
# FUZZ_SECONDS sets the time per target (default 30); crashes land in build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
targets=$(for f in tests/fuzz/*_fuzz.cpp; do basename "$f" .cpp; done)
cmake --preset fuzz >/dev/null
# shellcheck disable=SC2086
cmake --build --preset fuzz -j "$(nproc)" --target $targets
for target in $targets; do
  work=$(mktemp -d)
  cp tests/fuzz/corpus/"$target"/* "$work"/
  echo "== fuzzing $target for ${seconds}s"
  build/fuzz/tests/"$target" -max_total_time="$seconds" -max_len=1024 -artifact_prefix=build/fuzz/ "$work" 2>&1 | tail -n 2
  rm -rf "$work"
done
