# Scripts running in the engine: a packed generated project runs a counted
# loop, a call with a parameter and a return value, a millisecond wait and a
# frame wait, checks its own results and ends by its end command with exit
# code 0 and no report. A project whose script jumps to a missing label from
# a subroutine in a second script file shows "KAVREN Debug Info." naming that
# file, the line and the project's text.
source "$KV_LIB"

# The script-running unit tests on generated projects, under Wine.
note "generated projects for the script-running cases of test_script.exe"
# (The quit case posts its WM_QUIT through the native stand-in platform.)
run_generated_cases 'RunFlow.*:RunSched.*:-RunSched.QuitMetByThePausedGateEndsTheRun' 170

use_engine

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
pack_project run.kvp
expect_script_end 40
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
pack_project error.kvp
start_engine
expect_report flow_sub.kvs 23 "ラベルが見つかりません。"
note "the report named flow_sub.kvs, line 23; the engine ended (exit code $ENGINE_RC)"
