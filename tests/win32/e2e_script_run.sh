# Scripts running in the engine: a packed generated project runs a counted
# loop, a call with a parameter and a return value, a millisecond wait and a
# frame wait, checks its own results and ends by its end command with exit
# code 0 and no report. A project whose script jumps to a missing label from
# a subroutine in a second script file shows "KAVREN Debug Info." naming that
# file, the line and the project's text.
source "$KV_LIB"

# The script-running unit tests on generated projects, under Wine: a first run
# only writes each test's project description (named by its hash), the
# generator builds them, and a second run must pass them all.
TEST_EXE=$KV_BUILD/tests/test_script.exe
[ -f "$TEST_EXE" ] || fail "no $TEST_EXE (build the target test_script)"
note "generated projects for the script-running cases of test_script.exe"
mkdir -p dump fixtures
# (The quit case posts its WM_QUIT through the native stand-in platform.)
RUN_FILTER='RunFlow.*:RunSched.*:-RunSched.QuitMetByThePausedGateEndsTheRun'
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
out=$(KV_RUN_FIXTURES=$(win_path "$PWD/fixtures") "$KV_WINE_RUN" --timeout 170 "$TEST_EXE" \
      --gtest_filter="$RUN_FILTER" 2>&1)
rc=$?
echo "$out" | tail -n 4
[ "$rc" = 0 ] || { echo "$out" | grep -a -B2 -A8 'Failure' | head -60; fail "test_script.exe exited with $rc"; }
echo "$out" | grep -q 'SKIPPED' && { echo "$out" | grep SKIPPED; fail "cases were skipped"; }

use_engine

# ex TOKEN...: expression code in the generator's hex form, from postfix tokens
# (numbers, $ID, $ID[ ... ] for an element, and the evaluator's operators).
ex() {
  python3 - "$@" <<'PY'
import struct, sys
out = b""
def op(c, operand=b""):
    return bytes([ord(c)]) + struct.pack("<H", len(operand)) + operand
for t in sys.argv[1:]:
    if t.startswith("$"):
        out += op("V" if t.endswith("[") else "H", b"`" + struct.pack("<H", int(t[1:].rstrip("["))))
    elif t == "]":
        out += op(")")
    elif t.lstrip("-").isdigit():
        out += op("L", struct.pack("<q", int(t)))
    else:
        out += op(t)
print("hex:" + out.hex())
PY
}

project() {
  rm -f data.kpf
  python3 "$KV_GEN" project "$1" "$PWD/project" --pack "$PWD/data.kpf" >/dev/null || fail "generator: $1"
  rm -rf "$PWD/project"
  [ -f data.kpf ] || fail "the generator wrote no project"
}

# A failed check jumps to a label that does not exist: the report's line says
# which check it was.
check() {   # check LINE EXPR-TOKENS... : fails when the expression is 0
  echo "    if $(ex "$@" 0 =)"
  echo "    @$CHECK_LINE goto FAILED"
  echo "    endif"
}

note "loops, calls and waits, ending by the end command"
{
  cat <<KVP
project width=320 height=240 title="script run" show=1 debug=0 sound=0
error 108180 "check failed"
var 1 int global dims=5 = 0
var 48 int global = 0
var 54 int global dims=11 = 0
var 87 int global = 0
var 1000 int global = 0
var 1001 int global = 0
var 1002 int global = 0
var 1003 int global = 0
var 1004 int global = 0
script 0 "main.kvs"
label SYSTEM_START
    loop $(ex 10)
        assign target:1:1=$(ex '$1000') value=$(ex '$48')
    endloop
    gosub SQUARE int1=$(ex 7)
    assign target:1:0=$(ex '$1001') value=$(ex '$54[' 1 ']')
    assign target:1:0=$(ex '$1002') value=$(ex '$1[' 0 ']')
    wait ms=$(ex 300)
    assign target:1:0=$(ex '$1002') value=$(ex '$1[' 0 ']' '$1002' -)
    assign target:1:0=$(ex '$1003') value=$(ex '$87')
    wait frames=$(ex 5)
    assign target:1:0=$(ex '$1003') value=$(ex '$87' '$1003' -)
KVP
  CHECK_LINE=901 check '$1000' 55 =
  CHECK_LINE=902 check '$1001' 49 =
  CHECK_LINE=903 check '$1002' 300 Z
  CHECK_LINE=904 check '$1003' 5 Z
  cat <<KVP
    end restart=$(ex 0)
label SQUARE
    return int1=$(ex '$50[' 1 ']' '$50[' 1 ']' '*')
KVP
} > run.kvp
# $50 is read inside SQUARE: its descriptor too.
sed -i 's/^var 48 int global = 0$/var 48 int global = 0\nvar 50 int global dims=11 = 0/' run.kvp
project run.kvp
start_engine
if ! wait_engine 40; then
  box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && drv texts "$box"
  fail "the engine did not end by its script within 40 s"
fi
box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && { drv texts "$box"; fail "a report was shown"; }
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after the end command, expected 0"
note "the script ended the engine with exit code 0"

note "a script error in a subroutine of a second file"
cat > error.kvp <<KVP
project width=320 height=240 title="script error" show=1 debug=0 sound=0
error 108180 "ラベルが見つかりません。"
var 1000 int global = 0
script 0 "main.kvs"
label SYSTEM_START
    wait frames=$(ex 2)
    gosub SUB
    end restart=$(ex 0)
script 1 "flow_sub.kvs"
label SUB
    assign target:1:0=$(ex '$1000') value=$(ex 1)
    @23 goto NOWHERE
    return
KVP
project error.kvp
start_engine
box=$(drv wait-dialog --exe "$ENGINE" --title "KAVREN Debug Info." --timeout 40000) ||
  fail "no \"KAVREN Debug Info.\" dialog"
drv texts "$box" --ids > texts.txt || fail "cannot read the dialog"
cat texts.txt
want="1032	Edit	[対象ファイル]\\nflow_sub.kvs\\n\\n[場所]\\n23 行目\\n\\n[内容]\\n\\nラベルが見つかりません。"
grep -qxF "$want" texts.txt || fail "the message is not the located text of the jump"
drv press "$box" 1034 || fail "cannot press the exit button"
wait_engine 20 || fail "the engine still runs 20 s after the report was closed"
note "the report named flow_sub.kvs, line 23; the engine ended (exit code $ENGINE_RC)"
