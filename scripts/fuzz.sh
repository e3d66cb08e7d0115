#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, ASan, UBSan), replays each target's
# committed corpus, then fuzzes each for a bounded time.
#   FUZZ_SECONDS        total fuzzing time, shared by the targets (default 120)
#   FUZZ_SECONDS_EACH   seconds for each target instead (a long run: 3600 is an hour each)
#   FUZZ_TARGETS        names to run (default: every tests/fuzz/corpus/<name>)
#   FUZZ_JOBS           targets fuzzed at once (default: the machine's processors)
# New inputs go to a scratch directory, never into the committed corpus; a crash input
# is written to build/fuzz/crashes/ and makes the script fail.
#   FUZZ_SECONDS_EACH=3600 bash scripts/fuzz.sh     one hour of every target
set -euo pipefail
cd "$(dirname "$0")/.."

total_seconds=${FUZZ_SECONDS:-120}
jobs=${FUZZ_JOBS:-$(nproc)}
build=build/fuzz
targets=${FUZZ_TARGETS:-$(ls tests/fuzz/corpus)}

cmake --preset fuzz >/dev/null
# The whole tree, not only the fuzz targets: this is also the build that holds every
# source to clang's warnings.
cmake --build --preset fuzz -j "$jobs"

# The targets run side by side, FUZZ_JOBS (the machine's processors) at a time: the
# total time is wall time, each target getting its share of every processor.
count=$(wc -w <<<"$targets")
rounds=$(( (count + jobs - 1) / jobs ))
seconds=${FUZZ_SECONDS_EACH:-$(( total_seconds / rounds ))}
(( seconds > 0 )) || seconds=1
mkdir -p "$build/crashes"
# Short allocation stacks and a smaller quarantine: the host's tracing allocates a lot.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=4:quarantine_size_mb=64}
# Leaks that are the libraries' own (fontconfig's caches), not the host's.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0}
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# One target: its corpus replayed, then fuzzed; what it says goes to $logs/NAME.out.
fuzz_target() {
  local name=$1
  local binary="$build/tests/fuzz/${name}_fuzz"
  local corpus="tests/fuzz/corpus/$name"
  local scratch="$logs/$name.scratch"
  mkdir -p "$scratch"
  local dict=()
  [[ -f "tests/fuzz/$name.dict" ]] && dict=("-dict=tests/fuzz/$name.dict")
  # A target's own options (tests/fuzz/<name>.options, one per line) come after the
  # defaults and so win over them: readers of files want longer inputs.
  local own=()
  [[ -f "tests/fuzz/$name.options" ]] && mapfile -t own <"tests/fuzz/$name.options"

  echo "fuzz: $name: replaying $(ls "$corpus" | wc -l) corpus inputs"
  "$binary" -runs=0 "$corpus" 2>"$logs/$name.replay" || { cat "$logs/$name.replay"; return 1; }

  echo "fuzz: $name: fuzzing for ${seconds}s"
  if ! "$binary" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=256 \
      -artifact_prefix="$build/crashes/${name}-" -print_final_stats=1 "${own[@]}" "$scratch" "$corpus" \
      2>"$logs/$name.log"; then
    tail -n 60 "$logs/$name.log"
    echo "fuzz: $name: FAILED (inputs in $build/crashes/)"
    return 1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$logs/$name.log" | sed "s/^/fuzz: $name: /"
}

echo "fuzz: $count targets, $jobs at a time, ${seconds}s each"
running=0
for name in $targets; do
  if (( running >= jobs )); then
    wait -n || true
    running=$((running - 1))
  fi
  { fuzz_target "$name" >"$logs/$name.out" 2>&1 && echo 0 >"$logs/$name.rc" || echo 1 >"$logs/$name.rc"; } &
  running=$((running + 1))
done
wait
# Each target's report, in order, and its outcome.
failed=0
for name in $targets; do
  cat "$logs/$name.out"
  [ "$(cat "$logs/$name.rc")" = 0 ] || failed=1
done
(( failed == 0 )) || { echo "fuzz: a target failed"; exit 1; }
echo "fuzz: all targets passed"
