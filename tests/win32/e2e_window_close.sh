# The close box with the default close mode asks "終了します。よろしいですか？":
# No keeps the engine running and its frames go on (the script then ends the
# run by itself after 600 frames); Yes ends it at once. A WM_CLOSE from
# outside ends a run whose frames go on the script thread too.
source "$KV_LIB"
use_engine

project() {  # project NAME FRAME_THREAD LOOP-COUNT (-1: for ever)
  cat > "$1.kvp" <<KVP
project width=320 height=240 title="close" show=1 debug=0 sound=0 frame_thread=$2
script 0 "main.kvs"
label SYSTEM_START
    loop $3
        wait frames=1
    endloop
    end restart=0
KVP
  pack_project "$1.kvp"
}

# ask_close: the close box, then the confirmation; prints the box's handle.
ask_close() {
  drv syscommand "$hwnd" close || fail "cannot press the close box"
  box=$(drv wait-dialog --exe "$ENGINE" --timeout 10000) || fail "no confirmation box"
  drv texts "$box" | grep -q '終了します。よろしいですか？' || { drv texts "$box"; fail "not the confirmation"; }
}

note "No: the run goes on and ends by itself"
project ends 0 600
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
ask_close
sleep 2
wait_engine 0 && fail "the engine ended while the confirmation was open"
drv press "$box" 7 || fail "cannot answer No"
wait_engine 40 || fail "the run did not go on to its end after No"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after the script's end"

note "Yes: the engine ends"
project forever 0 -1
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
ask_close
drv press "$box" 6 || fail "cannot answer Yes"
wait_engine 15 || fail "the engine still runs after Yes"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after Yes"
drv wait-exit --exe "$ENGINE" --timeout 5000 || fail "a process of $ENGINE outlived the engine"

note "WM_CLOSE from outside with frames on the script thread"
project thread 1 -1
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
sleep 1
drv close "$hwnd" || fail "cannot post WM_CLOSE"
wait_engine 15 || fail "the engine still runs 15 s after WM_CLOSE"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after WM_CLOSE"
