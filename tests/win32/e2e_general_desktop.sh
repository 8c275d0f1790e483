# The clipboard, message-box, input-dialog and registry commands of a script,
# answered from outside: the text the script copies is on the clipboard, the
# text put there is pasted without its control bytes, a Yes/No box answered
# No gives 2, the text typed into the input dialog and a registry value
# created here reach the script, which shows them in its last box.
source "$KV_LIB"
source "$KV_SRC/tests/win32/errors_lib.sh"
use_engine

"$KV_WINE_RUN" --timeout 30 reg add 'HKCU\Software\KavrenTest' /v Name /d 'レジストリ値' /f >/dev/null ||
  fail "cannot create the registry value"

cat > general.kvp <<'KVP'
project width=320 height=240 title="general" show=1 debug=0 sound=0
var 1000 string global dims=4
var 1001 int global dims=4 = 0
script 0 "main.kvs"
label SYSTEM_START
    wait frames=2
    copy_to_clipboard flag=1 text="コピーした文字 abc"
    message_box caption="copied" text="clipboard"
    paste_from_clipboard flag=1 variable={[1000 0 ]}
    message_box caption="pasted" text={[1000 0 ]} yes_no=1 result={[1001 0 ]}
    message_box input_dialog=1 caption="input" text="名前を入れてください" initial="init" max_length=20 input={[1000 1 ]} result={[1001 1 ]}
    reg_read key="HKEY_CURRENT_USER/Software/KavrenTest" value="Name" variable={[1000 2 ]}
    message_box caption="results" text={[1000 1 ] "|" + [1000 2 ] + "|" + [1001 0 ] str + "|" + [1001 1 ] str +}
    end restart=0
KVP
prepare_project "$PWD/general.kvp"
[ -f data.kpf ] || fail "the generator wrote no project"

note "copy: the clipboard holds the script's text"
start_until_dialog copied || fail "no \"copied\" box"
clip=$(drv clipboard) || fail "the clipboard holds no text"
[ "$clip" = "コピーした文字 abc" ] || fail "clipboard text: '$clip'"
drv clipboard "$(printf 'pasted\ttext\r\nline テキスト')" || fail "cannot put text on the clipboard"
drv dismiss "$BOX" || fail "cannot close the box"

note "paste: control bytes dropped; the box answered No"
box=$(drv wait-dialog --exe "$ENGINE" --title pasted --timeout 20000) || fail "no \"pasted\" box"
drv texts "$box" > pasted.txt
cat pasted.txt
grep -qF 'pastedtextline テキスト' pasted.txt || fail "the pasted text is not the clipboard's without control bytes"
drv press "$box" 7 || fail "cannot press No"

note "input dialog: typed text"
box=$(drv wait-dialog --exe "$ENGINE" --title input --timeout 20000) || fail "no input dialog"
drv texts "$box" --ids > input.txt
cat input.txt
grep -q '^1001	Static	名前を入れてください$' input.txt || fail "the prompt is not shown"
grep -q '^1000	Edit	init$' input.txt || fail "the initial text is not shown"
grep -q '^2	' input.txt && fail "the input dialog has a Cancel button"
drv set-text "$box" 1000 "入力 typed" || fail "cannot type into the dialog"
drv press "$box" 1 || fail "cannot press OK"

note "results: typed text, registry value, the two answers"
box=$(drv wait-dialog --exe "$ENGINE" --title results --timeout 20000) || fail "no \"results\" box"
drv texts "$box" > results.txt
cat results.txt
grep -qF '入力 typed|レジストリ値|2|1' results.txt || fail "the script did not receive what was given"
drv dismiss "$box" || fail "cannot close the box"
wait_engine 20 || fail "the engine still runs 20 s after its last box"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC"
"$KV_WINE_RUN" --timeout 30 reg delete 'HKCU\Software\KavrenTest' /f >/dev/null
note "clipboard, boxes, input dialog and registry answered through the driver"
