#!/usr/bin/env bash
# Runs the native test executables of BUILD_DIR under valgrind's memcheck.
# Exits non-zero on any memory error or definite/indirect leak, or on a
# failing test.
#
#   tests/valgrind.sh BUILD_DIR
#
# BUILD_DIR is a plain build without sanitizers (valgrind cannot run them),
# Debug or RelWithDebInfo, configured with the tests, e.g.:
#   cmake -S . -B build/valgrind -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVRA_BENCH=OFF
#   cmake --build build/valgrind -j2 --target tovra_tests tovra_fault_tests
#   tests/valgrind.sh build/valgrind
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$1
command -v valgrind >/dev/null || { echo "valgrind is not installed (apt-get install valgrind)" >&2; exit 2; }
if grep -q '^TOVRA_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  echo "$build is a sanitizer build; valgrind needs a plain one" >&2
  exit 2
fi

status=0
for name in tovra_tests tovra_fault_tests; do
  exe=$build/tests/$name
  if [ ! -x "$exe" ]; then
    echo "$name: missing ($exe); build it first" >&2
    status=1
    continue
  fi
  log=$build/tests/$name.valgrind.log
  if valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
       --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
       --log-file="$log" "$exe" --gtest_brief=1 >"$log.out" 2>&1; then
    echo "$name: no errors under valgrind ($(grep -o 'ERROR SUMMARY: [0-9]* errors' "$log"))"
  else
    status=1
    echo "$name: FAILED under valgrind (log: $log, output: $log.out)"
    tail -n 30 "$log.out"
    grep -A 20 -E 'Invalid|uninitialised|definitely lost|indirectly lost|ERROR SUMMARY' "$log" | head -60
  fi
done
exit $status
