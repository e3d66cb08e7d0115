#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, ASan, UBSan), replays each target's
# committed corpus, then fuzzes each for a bounded time.
#   FUZZ_SECONDS        total fuzzing time, shared by the targets (default 120)
#   FUZZ_SECONDS_EACH   seconds for each target instead (a long run: 3600 is an hour each)
#   FUZZ_TARGETS        names to run (default: every tests/fuzz/corpus/<name>)
# New inputs go to a scratch directory, never into the committed corpus; a crash input
# is written to build/fuzz/crashes/ and makes the script fail.
#   FUZZ_SECONDS_EACH=3600 bash scripts/fuzz.sh     one hour of every target, one by one
set -euo pipefail
cd "$(dirname "$0")/.."

total_seconds=${FUZZ_SECONDS:-120}
build=build/fuzz
targets=${FUZZ_TARGETS:-$(ls tests/fuzz/corpus)}

cmake --preset fuzz >/dev/null
# The whole tree, not only the fuzz targets: this is also the build that holds every
# source to clang's warnings.
cmake --build --preset fuzz -j2

count=$(wc -w <<<"$targets")
seconds=${FUZZ_SECONDS_EACH:-$(( total_seconds / count ))}
(( seconds > 0 )) || seconds=1
mkdir -p "$build/crashes"
# Short allocation stacks and a smaller quarantine: the host's tracing allocates a lot.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=4:quarantine_size_mb=64}
# Leaks that are the libraries' own (fontconfig's caches), not the host's.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0}

for name in $targets; do
  binary="$build/tests/fuzz/${name}_fuzz"
  corpus="tests/fuzz/corpus/$name"
  dict=()
  [[ -f "tests/fuzz/$name.dict" ]] && dict=("-dict=tests/fuzz/$name.dict")
  # A target's own options (tests/fuzz/<name>.options, one per line) come after the
  # defaults and so win over them: readers of files want longer inputs.
  own=()
  [[ -f "tests/fuzz/$name.options" ]] && mapfile -t own <"tests/fuzz/$name.options"
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT

  echo "fuzz: $name: replaying $(ls "$corpus" | wc -l) corpus inputs"
  "$binary" -runs=0 "$corpus" 2>"$scratch/replay.log" || { cat "$scratch/replay.log"; exit 1; }

  echo "fuzz: $name: fuzzing for ${seconds}s"
  if ! "$binary" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=256 \
      -artifact_prefix="$build/crashes/${name}-" -print_final_stats=1 "${own[@]}" "$scratch" "$corpus" \
      2>"$scratch/fuzz.log"; then
    tail -n 60 "$scratch/fuzz.log"
    echo "fuzz: $name: FAILED (inputs in $build/crashes/)"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$scratch/fuzz.log" | sed "s/^/fuzz: $name: /"
  rm -rf "$scratch"
  trap - EXIT
done
echo "fuzz: all targets passed"
