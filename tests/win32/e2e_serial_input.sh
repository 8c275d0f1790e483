# Keys and mouse buttons sent by the test driver reach the key counters that
# scripts read. In a virtual desktop the driver activates the engine's window,
# types A and then clicks the left and right buttons inside it. The script
# waits for the press counts, checks that no button press came before the
# key and that the key reads released, and ends with exit code 0; a failed
# check or a time-out jumps to a missing label, whose report names the line
# of that check. (Presses outside the window are covered by the unit tests:
# the driver's cursor moves outside the window do not land reliably here.)
source "$KV_LIB"
use_desktop "${KV_DESKTOP:-1024x768}" kvinput
use_engine

# System variables: 125 + k hold counter and 259 + k press count of key-map
# entry k (the map is the identity): 65 'A', 1 left and 2 right button.
cat > input.kvp <<KVP
project width=320 height=240 title="input" show=1 debug=0 sound=0
error 108180 "input check failed"
var 87 int global = 0
var 190 int global = 0
var 260 int global = 0
var 261 int global = 0
var 324 int global = 0
var 1000 int global = 0
script 0 "input.kvs"
label SYSTEM_START
    loop $(ex -1)
        wait frames=$(ex 1)
        if $(ex '$324' 1 Z)
            loop_break
        endif
        if $(ex '$87' 3000 '>')
            @950 goto FAILED
        endif
    endloop
    assign target:1:0=$(ex '$1000') value=$(ex '$260')
    loop $(ex -1)
        wait frames=$(ex 1)
        if $(ex '$260' 1 Z '$261' 1 Z '&')
            loop_break
        endif
        if $(ex '$87' 3000 '>')
            @951 goto FAILED
        endif
    endloop
    if $(ex '$1000' 0 '!')
        @960 goto FAILED   # a button press before the key
    endif
    if $(ex '$190' 0 Z)
        @961 goto FAILED
    endif
    end restart=$(ex 0)
KVP
rm -f data.kpf
pack_project input.kvp
rm -rf "$PWD/project"

start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
drv activate "$hwnd" || fail "cannot activate the engine's window"
read -r l t r b < <(drv info "$hwnd" | awk -F'\t' '$1 == "rect" { print $2 }')
note "window $hwnd at $l $t $r $b"
cx=$(((l + r) / 2)) cy=$(((t + b) / 2))
sleep 0.5
note "key A, then left and right clicks inside"
drv keys A || fail "cannot send A"
sleep 0.3
drv click "$cx" "$cy" left || fail "cannot click"
drv click "$cx" "$cy" right || fail "cannot click"
expect_clean_end 40 "the script did not see the input"
note "the key and both buttons reached the counters"
