#!/bin/bash
# Builds every configuration and runs every test:
#   build/       native (Linux g++): unit tests, fuzz corpus replays
#   build-asan/  native with AddressSanitizer + UndefinedBehaviorSanitizer
#   build-win/   Windows (mingw-w64): the same unit tests and the end-to-end
#                tests of kavren.exe, under Wine in Xvfb
# Installs what it needs first (scripts/setup-deps.sh, quick when done).
# Ends with the line "total: N passed, N failed" (a configuration that does
# not configure or build, or whose ctest gives no summary, counts as one
# failure) and exits non-zero when anything failed.
#
# Nothing can hang: every test has a CTest time-out; each Wine run is killed,
# with every Wine process it started, by scripts/wine-run.sh before CTest's
# own time-out strikes (KV_TIMEOUT below; CTest cannot find the processes
# Wine detaches); each ctest run as a whole is bounded by KV_CTEST_LIMIT
# seconds (default 1800).
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
jobs=$(nproc)
ctest_limit=${KV_CTEST_LIMIT:-1800}
# Windows unit-test programs have a CTest time-out of 300 s; the end-to-end
# tests (180 s) bound their own runs more tightly.
export KV_TIMEOUT=${KV_TIMEOUT:-280}

bash scripts/setup-deps.sh || { echo "set-up failed" >&2; echo "total: 0 passed, 1 failed"; exit 1; }

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
  timeout -k 30 "$ctest_limit" ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 600 \
    ${ctest_extra:-} 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  [ "$rc" -ne 124 ] || echo "=== $name: tests stopped after $ctest_limit s"
  local line p f
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    p=$(( $(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/') - f ))
    passed=$((passed + p)); failed=$((failed + f))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || status=1
}

run_config native build -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config asan build-asan -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON
# Under Wine a test that fails is run once more before it counts as failed:
# Wine on a loaded machine now and then loses a posted message or a process
# start. A fault of the engine fails both runs; the first run's output stays
# in the log.
ctest_extra="--repeat until-pass:2" run_config windows build-win -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake"

echo
echo "total: $passed passed, $failed failed"
exit $status
