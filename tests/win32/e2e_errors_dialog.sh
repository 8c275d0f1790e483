# An error raised by a script during a run: the dialog "KAVREN Debug Info."
# shows the script file and line and the project's Japanese text intact.
# In a debug project the editor button is enabled and starts the editor that
# the file's extension is registered with, with that editor's command line
# (a stand-in registered for ".kvtest", named like a known editor in capitals);
# the dialog stays open until its exit button. Outside a debug project there
# is no editor button.
source "$KV_LIB"
source "$KV_SRC/tests/win32/errors_lib.sh"
use_engine
W_DIR="Z:$(printf '%s' "$PWD" | tr / '\\')"
W_DIR_LOWER=$(printf '%s' "$W_DIR" | LC_ALL=C tr 'A-Z' 'a-z')   # the engine's folder is lower-cased
TEXT='変数がありません。(テスト 100% %n %d)'   # the project's text: no conversions

# project DEBUG [DAMAGE]: data.kpf whose main task fails on source line 7 of main.kvtest
# (an undeclared variable) after two frames.
project() {
  cat > errors.kvp <<KVP
project width=320 height=240 title="errors" show=1 debug=$1 sound=0
error 108010 "$TEXT"
var 1000 int global = 0
script 0 "main.kvtest"
label SYSTEM_START
    wait frames=2
    @7 assign target:1:0=\$1000 value=\$5000
    goto SYSTEM_START
KVP
  rm -f data.kpf
  if [ $# -ge 2 ]; then
    python3 "$KV_GEN" project errors.kvp "$PWD/project" --pack "$PWD/data.kpf" --damage "$2" >/dev/null
    rm -rf "$PWD/project"
  else
    prepare_project "$PWD/errors.kvp"
  fi
  [ -f data.kpf ] || fail "the generator wrote no project"
}

# The stand-in editor and the association of ".kvtest" with it.
x86_64-w64-mingw32-gcc -O1 -mwindows -o SAKURA.EXE "$KV_SRC/tests/win32/errors_stub_editor.c" ||
  fail "cannot build the stand-in editor"
"$KV_WINE_RUN" --timeout 30 reg add 'HKCR\.kvtest' /ve /d kvtest.file /f >/dev/null ||
  fail "cannot register .kvtest"
"$KV_WINE_RUN" --timeout 30 reg add 'HKCR\kvtest.file\shell\open\command' /ve \
  /d "\"$W_DIR\\SAKURA.EXE\" \"%1\"" /f >/dev/null || fail "cannot register the stand-in editor"
: > main.kvtest   # FindExecutable wants the file to exist

note "debug project: located error, editor button"
project 1
start_until_dialog "KAVREN Debug Info." || fail "no \"KAVREN Debug Info.\" dialog"
box=$BOX
drv texts "$box" --ids > texts.txt || fail "cannot read the dialog"
cat texts.txt
want="1032	Edit	[対象ファイル]\\nmain.kvtest\\n\\n[場所]\\n7 行目\\n\\n[内容]\\n\\n$TEXT"
grep -qxF "$want" texts.txt || fail "the message is not the located text"
grep -qx '1033	Button	編集(&E)' texts.txt || fail "no editor button"
[ "$(drv enabled "$box" 1033)" = enabled ] || fail "the editor button is disabled"
drv press "$box" 1033 || fail "cannot press the editor button"
wait_for_file editor.log 20 . || fail "the editor was not started"
cat editor.log
grep -qF " \"$W_DIR_LOWER\\main.kvtest\" -Y=7" editor.log ||
  fail "the editor's command line is not its go-to-line form"
drv wait-dialog --exe "$ENGINE" --title "KAVREN Debug Info." --timeout 2000 >/dev/null ||
  fail "the dialog closed on the editor button"
drv press "$box" 1034 || fail "cannot press the exit button"
wait_engine 20 || fail "the engine still runs 20 s after the dialog was closed"
drv wait-exit --exe "$ENGINE" --timeout 10000 || fail "a process of the engine outlived it"
note "exit code $ENGINE_RC"

note "plain project: no editor button"
project 0
start_until_dialog "KAVREN Debug Info." || fail "no \"KAVREN Debug Info.\" dialog"
box=$BOX
drv texts "$box" --ids > texts0.txt || fail "cannot read the dialog"
grep -qF "$TEXT" texts0.txt || fail "the Japanese text is not intact"
grep -q '^1033	' texts0.txt && fail "an editor button outside a debug project"
drv dismiss "$box" || fail "cannot dismiss the dialog"
wait_engine 20 || fail "the engine still runs 20 s after the dialog was closed"
drv wait-exit --exe "$ENGINE" --timeout 10000 || fail "a process of the engine outlived it"

note "debug project failing while it loads (no script location): editor button disabled"
project 1 kvt:version
start_until_dialog "KAVREN Debug Info." || fail "no \"KAVREN Debug Info.\" dialog"
box=$BOX
drv texts "$box" --ids | tee texts1.txt
grep -q '^1032	Edit	\[対象ファイル\]' texts1.txt && fail "a location for an error outside any script"
[ "$(drv enabled "$box" 1033)" = disabled ] || fail "the editor button is not disabled"
drv press "$box" 1034 || fail "cannot press the exit button"
wait_engine 20 || fail "the engine still runs 20 s after the dialog was closed"
drv wait-exit --exe "$ENGINE" --timeout 10000 || fail "a process of the engine outlived it"
note "located error shown, editor started with its command line"
