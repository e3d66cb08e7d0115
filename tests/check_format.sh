#!/usr/bin/env bash
# Fails, naming the files, when a tracked C++ source differs from what clang-format makes
# of it with the .clang-format at the root.
cd "$(dirname "$0")/.." || exit 1
bad=$(git ls-files -co --exclude-standard '*.cpp' '*.h' '*.hpp' | xargs -r clang-format --dry-run -Werror 2>&1 \
  | sed -n 's/^\([^ :]*\):[0-9]*:[0-9]*: error.*/\1/p' | sort -u)
if [ -n "$bad" ]; then
  echo "not formatted (run clang-format -i on them):"
  echo "$bad"
  exit 1
fi
echo "all sources formatted"
