#!/usr/bin/env bash
# Puts each deliberate one-line fault of tests/mutations/ into a scratch copy of the tree, one at a
# time, rebuilds, runs the tests its patch names and counts the faults some test catches.
# A fault that no longer applies or no longer builds counts as not caught: the patch wants
# refreshing. Not part of ./test.sh (it takes a rebuild per fault).
#   scripts/mutation-check.sh [PATCH...]      (default: every tests/mutations/*.patch)
# Each patch starts with two lines before the diff:
#   fault: what the change breaks
#   tests: a ctest -R regular expression naming the tests that should catch it
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
patches=("$@")
[ ${#patches[@]} -gt 0 ] || patches=("$here"/tests/mutations/*.patch)
# the copy keeps one place, so its build is incremental from one run to the next
scratch=$here/build-mutation
tree=$scratch/tree
build=$scratch/build
mkdir -p "$scratch"
git -C "$here" worktree remove --force "$tree" >/dev/null 2>&1
rm -rf "$tree"
git -C "$here" worktree prune
git -C "$here" worktree add --detach "$tree" HEAD >/dev/null 2>&1 ||
  { echo "cannot make a scratch copy of HEAD" >&2; exit 2; }
trap 'git -C "$here" worktree remove --force "$tree" >/dev/null 2>&1' EXIT
# the tests read the shared corpora beside the project
[ -e "$here/../shared" ] && ln -sfn "$(cd "$here/../shared" && pwd)" "$scratch/shared"
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVARNESK_BENCH=OFF >/dev/null ||
  { echo "configure failed" >&2; exit 2; }
cmake --build "$build" -j "$jobs" >/dev/null || { echo "the unchanged tree does not build" >&2; exit 2; }
caught=0 total=0
for p in "${patches[@]}"; do
  total=$((total + 1))
  name=$(basename "$p" .patch)
  fault=$(sed -n 's/^fault: //p' "$p" | head -n 1)
  regex=$(sed -n 's/^tests: //p' "$p" | head -n 1)
  if ! git -C "$tree" apply "$p" 2>/dev/null; then
    echo "NOT APPLIED  $name ($fault)"
    continue
  fi
  if ! cmake --build "$build" -j "$jobs" >"$scratch/build.log" 2>&1; then
    echo "NO BUILD     $name ($fault)"
  elif (cd "$build" && ctest -R "$regex" -j "$jobs" --timeout 300 >"$scratch/ctest.log" 2>&1); then
    echo "MISSED       $name ($fault; tests: $regex)"
  else
    caught=$((caught + 1))
    echo "caught       $name ($fault)"
  fi
  git -C "$tree" apply -R "$p"
done
# leave the build matching the unchanged tree for the next run
cmake --build "$build" -j "$jobs" >/dev/null 2>&1
echo "$caught of $total faults caught"
[ "$caught" = "$total" ]
