# Project loading on Windows: the project-loading cases of test_script.exe
# against generated projects (every file and every damaged variant), then the
# engine itself on a packed generated project: its main task starts at the
# label "SYSTEM_START" (in the second script file, after an instruction that
# would fail), runs to its end command and the engine ends without a report;
# a project without that label stops at start-up with the report 108180.
source "$KV_LIB"
TEST_EXE=$KV_BUILD/tests/test_script.exe
[ -f "$TEST_EXE" ] || fail "no $TEST_EXE (build the target test_script)"

note "generated projects for test_script.exe"
fixtures=$PWD/fixtures/load_basic
mkdir -p "$fixtures"
desc=$KV_SRC/tests/script/data/load_basic.txt
python3 "$KV_GEN" project "$desc" "$fixtures/base" >/dev/null || fail "generator"
python3 "$KV_GEN" project "$desc" "$fixtures/pack" --pack "$fixtures/pack/data.kpf" >/dev/null &&
  rm -r "$fixtures/pack/kvbin" || fail "generator: pack"
for kind in $(python3 "$KV_GEN" project --list-damage); do
  python3 "$KV_GEN" project "$desc" "$fixtures/${kind//:/_}" --damage "$kind" >/dev/null ||
    fail "generator: $kind"
done
win_fixtures=$(win_path "$PWD/fixtures")
out=$(KV_LOAD_FIXTURES="$win_fixtures" "$KV_WINE_RUN" --timeout 170 "$TEST_EXE" \
      --gtest_filter='LoadProject.*:*LoadDamage*' 2>&1)
rc=$?
echo "$out" | tail -n 5
[ "$rc" = 0 ] || { echo "$out" | grep -a -B2 -A8 'Failure' | head -60; fail "test_script.exe exited with $rc"; }
echo "$out" | grep -q 'SKIPPED' && fail "cases were skipped"
echo "$out" | grep -q '\[  PASSED  \] 6[0-9] tests' || fail "not every case ran"

use_engine
note "main task at SYSTEM_START in script 1"
cat > start.kvp <<'KVP'
project width=320 height=240 title="script load" show=1 debug=0 sound=0
error 108010 "undeclared variable"
var 1000 int global = 0
script 0 "first.kvs"
label FIRST
    assign target:1:0=$1000 value=$5000
script 1 "second.kvs"
    assign target:1:0=$1000 value=$5000
label SYSTEM_START
    wait frames=2
    end restart=0
KVP
rm -f data.kpf
pack_project start.kvp
start_engine
wait_engine 60 || { show_engine_boxes; fail "the engine did not end after its end command"; }
box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && fail "the engine showed a box"
note "exit code $ENGINE_RC"

note "no SYSTEM_START: report 108180 at start-up"
cat > nostart.kvp <<'KVP'
project width=320 height=240 title="script load" show=1 debug=0 sound=0
error 108180 "ラベルがありません: SYSTEM_START"
script 0 "main.kvs"
label ELSEWHERE
    end restart=0
KVP
rm -f data.kpf
pack_project nostart.kvp
start_engine
box=$(drv wait-dialog --exe "$ENGINE" --title "KAVREN Debug Info." --timeout 40000) ||
  fail "no report for the missing label"
drv texts "$box" --ids > texts.txt || fail "cannot read the dialog"
cat texts.txt
grep -qF 'ラベルがありません: SYSTEM_START' texts.txt || fail "the report is not 108180's text"
drv press "$box" 1034 || fail "cannot close the dialog"
wait_engine 20 || fail "the engine still runs after the report"
echo "--- project loaded from a pack, main task started at SYSTEM_START"
