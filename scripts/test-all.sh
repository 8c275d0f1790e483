#!/bin/bash
# Builds every configuration and runs every test:
#   build/       native (Linux g++): unit tests, fuzz corpus replays
#   build-asan/  native with AddressSanitizer + UndefinedBehaviorSanitizer
#   build-win/   Windows (mingw-w64): the same unit tests and the end-to-end
#                tests of kavren.exe, under Wine in Xvfb
# Installs what it needs first (scripts/setup-deps.sh, quick when done).
# Exits non-zero when anything fails to build or any test fails.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
jobs=$(nproc)

bash scripts/setup-deps.sh || { echo "set-up failed" >&2; exit 1; }

passed=0 failed=0 status=0
run_config() {  # name build-dir cmake-options...
  local name=$1 dir=$2; shift 2
  echo "=== $name: configure and build"
  if ! cmake -S . -B "$dir" -G Ninja "$@" > "$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"; echo "=== $name: configure FAILED"; status=1; failed=$((failed + 1)); return
  fi
  if ! cmake --build "$dir" -j "$jobs"; then
    echo "=== $name: build FAILED"; status=1; failed=$((failed + 1)); return
  fi
  echo "=== $name: tests"
  local log="$dir/ctest.log"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 600 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line p f
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    p=$(( $(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/') - f ))
    passed=$((passed + p)); failed=$((failed + f))
  fi
  [ "$rc" -eq 0 ] || status=1
}

run_config native build -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config asan build-asan -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON
run_config windows build-win -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake"

echo
echo "total: $passed passed, $failed failed"
exit $status
