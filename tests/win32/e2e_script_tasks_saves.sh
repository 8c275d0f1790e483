# Tasks, save slots and string commands in generated scripts, under Wine: the
# cases of test_script.exe that run generated projects for the task commands
# (pass order, queries, state strings), the save commands (variables saved
# into a slot of a save file, changed, loaded back and checked by the script)
# and the string and array commands. A first run writes each case's project
# description, the generator builds them, and a second run must pass them all.
source "$KV_LIB"

run_generated_cases 'TaskCmd.*:SaveCmd.*:VarOps.*' 200
note "the task, save and string cases passed under Wine"
