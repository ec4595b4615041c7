#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer + UndefinedBehaviorSanitizer into build-test/
# and runs every test. Extra arguments go to ctest (for example: ./test.sh -L unit).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVARNESK_SANITIZE=ON -DVARNESK_FUZZ=ON >/dev/null
cmake --build build-test -j "$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd build-test
ctest --output-on-failure -j "$jobs" "$@"
