# Minimising the maximised main window never ends the game. The window is
# maximised, minimised and restored by its caption's system commands and by
# the window command (maximise toggle, minimise and reopen); after each step
# the script reads the maximised and iconic states with the window
# information command (a wrong value jumps to a missing label, reported at the
# check's line) and renames the window "step N". The client area shows the
# game's frame whenever the window is open: fitted while maximised, at the
# game size once the window command has reopened it as a plain window.
source "$KV_LIB"
use_desktop 1024x768 kvminimised
source "$KV_SRC/tests/win32/layers_lib.sh"
use_engine

# step N ACTION MAXIMISED ICONIC: waits for the file N.now, runs ACTION (a
# script line, or nothing), checks the states and renames the window.
step() {
  echo "label STEP_$1"
  echo "    find_file file=\"$1.now\" exists=1 result=\$1001"
  echo "    if {@1001 0 ==}"
  echo "        wait frames=1"
  echo "        goto STEP_$1"
  echo "    endif"
  [ -z "$2" ] || echo "    $2"
  echo "    wait frames=3"
  check_result $((100 + 10 * $1)) "window_info window=0 16=1" "$3"
  check_result $((101 + 10 * $1)) "window_info window=0 17=1" "$4"
  echo "    window_setup window=0 title=\"step $1\""
}
{
  cat <<'KVP'
project width=400 height=300 title="minimised" show=1 debug=0 sound=0
var 1000 int global = 0
var 1001 int global = 0
image img/bg png 400 300 gradient colour=rgb
image img/sprite png 96 96 alpha
script 0 "main.kvs"
label SYSTEM_START
    layer_setup path="bg" order=1 image="img/bg"
    layer_setup path="sprite" order=2 image="img/sprite" x=40 y=30
    assign target:1:0=$1000 value=1
    wait frames=2
KVP
  step 1 "window_setup window=0 arg15=1" 1 0   # maximised by the window command
  step 2 "" 1 1                                # minimised by the caption
  step 3 "" 1 0                                # restored by the caption: maximised
  step 4 "window_setup window=0 arg14=1" 1 1   # minimised and hidden by the command
  step 5 "window_setup window=0 arg14=0" 0 0   # reopened: a plain window
  step 6 "window_setup window=0 arg15=1" 1 0   # maximised again
  step 7 "window_setup window=0 arg14=1" 1 1
  step 8 "" 1 0                                # maximised by the caption
  step 9 "" 0 0                                # restored by the caption
  cat <<'KVP'
label IDLE
    wait frames=1
    goto IDLE
KVP
} > minimised.kvp
layers_reference minimised.kvp
layers_pack minimised.kvp
start_engine
hwnd=$(main_window) || fail "the engine's window did not appear"

# The maximised client area shows the game fitted in it.
shows_fitted() {
  window_shows_fitted "$hwnd" || fail "$1: the client area does not show the game at $FIT"
  note "$1: the client area $SHOT_W x $SHOT_H shows the game at $FIT"
}

# go N: lets the script take step N and waits for its title.
go() {
  : > "$1.now"
  drv wait-window --class "$ENGINE_CLASS" --title "step $1" --timeout 20000 >/dev/null ||
    fail "the script did not finish step $1"
  box=$(drv wait-dialog --exe "$ENGINE" --timeout 0 2>/dev/null) && { drv texts "$box"; fail "a box after step $1"; }
  [ ! -s "$ENGINE_RC_FILE" ] || fail "the engine ended at step $1"
}
# The window is a plain one showing the game at its own size.
shows_plain() {
  zoomed && fail "$1: the window is still maximised"
  [ $(($(style) & 0x00040000)) = 0 ] || fail "$1: the sizing border of the maximise is still there"
  window_shows "$hwnd" plain reference.bgra "$REF_W" "$REF_H" 2 ||
    fail "$1: the window does not show the game at its size"
  read -r cw ch < <(drv client "$hwnd")
  [ "$cw $ch" = "$REF_W $REF_H" ] || fail "$1: the client is $cw x $ch"
  note "$1: a plain window, the game at $cw x $ch"
}
style() { drv info "$hwnd" | awk -F'\t' '$1 == "style" { print $2 }'; }
zoomed() { local s; s=$(style); [ $((${s:-0} & 0x01000000)) != 0 ]; }

go 1
shows_fitted "maximised by the command"
drv syscommand "$hwnd" minimize || fail "cannot minimise"
drv is-iconic "$hwnd" >/dev/null || fail "the window is not minimised"
go 2
drv syscommand "$hwnd" restore || fail "cannot restore"
go 3
zoomed || fail "restored from the caption, the window is no longer maximised"
shows_fitted "restored by the caption"
go 4
go 5
shows_plain "reopened by the command"
go 6
shows_fitted "maximised again"
# Maximised again while minimised, then restored: the window comes back to
# the size it had before the first maximise.
go 7
drv syscommand "$hwnd" maximize || fail "cannot maximise"
go 8
shows_fitted "maximised by the caption after the command hid it"
drv syscommand "$hwnd" restore || fail "cannot restore"
go 9
shows_plain "restored by the caption"
drv close "$hwnd" >/dev/null || fail "cannot send the close request"
wait_engine 20 || fail "the engine still runs 20 s after the close request"
