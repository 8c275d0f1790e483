# Tasks, save slots and string commands in generated scripts, under Wine: the
# cases of test_script.exe that run generated projects for the task commands
# (pass order, queries, state strings), the save commands (variables saved
# into a slot of a save file, changed, loaded back and checked by the script)
# and the string and array commands. A first run writes each case's project
# description, the generator builds them, and a second run must pass them all.
# Then the engine itself runs a task's state string taken inside a call into
# a shorter script file, and is refused one whose block lies past its file.
source "$KV_LIB"

run_generated_cases 'TaskCmd.*:SaveCmd.*:VarOps.*' 200
note "the task, save and string cases passed under Wine"

use_engine

# Task A parks in short.kvs (two instructions), called from inside a block, a
# counted loop and a block of it in main.kvs; Y, started with A's state,
# returns into main.kvs and finishes the loop and both blocks (the digits in
# $1000). A failed check jumps to a missing label ("check failed", its line).
# Then B, inside a block of main.kvs, is started again at S (its block kept):
# its state, block level in main.kvs but current file short.kvs, is refused.
STATE_TEXT='タスクの状態文字列が正しくありません。'
cat > state.kvp <<KVP
project width=320 height=240 title="task state" show=1 debug=0 sound=0
error 108180 "check failed"
error 900000 "$STATE_TEXT"
var 48 int global = 0
var 1000 int global = 0
var 1001 string global dims=2
var 1002 int global dims=4 = 0
script 0 "main.kvs"
label SYSTEM_START
    task_start path="A" label="L"
    task_start path="B" label="B"
    wait frames=2
    task_query path="A" result={[1001 0 ]} 19=1
    task_start path="Y" label="W" state={[1001 0 ]}
    task_query path="Y" result={[1002 0 ]} 16=1
    task_query path="Y" result={[1002 1 ]} 17=1
    wait frames=3
    task_query path="Y" result={[1002 2 ]} 2=1
    if {@1000 127389 !=}
    @901 goto FAILED
    endif
    if {[1002 0 ] 2 != [1002 1 ] 1 != || [1002 2 ] 0 != ||}
    @902 goto FAILED
    endif
    task_start path="B" label="S"
    task_query path="B" result={[1001 1 ]} 19=1
    @50 task_start path="Z" label="W" state={[1001 1 ]}
    end restart=0
label W
    wait frames=100000
label B
    if 1
    wait frames=100000
    endif
label L
    if 1
    loop 3
    assign target:1:0=\$1000 value={@1000 10 * @48 +}
    if {@48 2 =}
    gosub S
    assign target:1:0=\$1000 value={@1000 10 * 7 +}
    endif
    endloop
    assign target:1:0=\$1000 value={@1000 10 * 8 +}
    endif
    assign target:1:0=\$1000 value={@1000 10 * 9 +}
    return
script 1 "short.kvs"
label S
    wait frames=100000
    return
KVP
pack_project state.kvp
note "a state string inside a call into a shorter file, and one refused"
start_engine
expect_report main.kvs 50 "$STATE_TEXT"
note "the restored task finished in main.kvs; the broken state was refused (exit code $ENGINE_RC)"
