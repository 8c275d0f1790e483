# Tasks, save slots and string commands in generated scripts, under Wine: the
# cases of test_script.exe that run generated projects for the task commands
# (pass order, queries, state strings), the save commands (variables saved
# into a slot of a save file, changed, loaded back and checked by the script)
# and the string and array commands. A first run writes each case's project
# description, the generator builds them, and a second run must pass them all.
source "$KV_LIB"

TEST_EXE=$KV_BUILD/tests/test_script.exe
[ -f "$TEST_EXE" ] || fail "no $TEST_EXE (build the target test_script)"
mkdir -p dump fixtures
RUN_FILTER='TaskCmd.*:SaveCmd.*:VarOps.*'
win_path() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
KV_RUN_DUMP=$(win_path "$PWD/dump") "$KV_WINE_RUN" --timeout 120 "$TEST_EXE" \
  --gtest_filter="$RUN_FILTER" > dump.log 2>&1
n=0
for d in dump/*.txt; do
  [ -f "$d" ] || fail "no project descriptions were written (see dump.log)"
  python3 "$KV_GEN" project "$d" "fixtures/$(basename "$d" .txt)" >/dev/null || fail "generator: $d"
  n=$((n + 1))
done
note "$n projects"
out=$(KV_RUN_FIXTURES=$(win_path "$PWD/fixtures") "$KV_WINE_RUN" --timeout 200 "$TEST_EXE" \
      --gtest_filter="$RUN_FILTER" 2>&1)
rc=$?
echo "$out" | tail -n 4
[ "$rc" = 0 ] || { echo "$out" | grep -a -B2 -A8 'Failure' | head -60; fail "test_script.exe exited with $rc"; }
echo "$out" | grep -q 'SKIPPED' && { echo "$out" | grep SKIPPED; fail "cases were skipped"; }
note "the task, save and string cases passed under Wine"
