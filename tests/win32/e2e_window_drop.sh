# Files dropped on the main window reach the scripts: system variable 15
# counts them and 14 names them. 70000 names are dropped (two files, then
# x2 ... x69999): the script waits for the 65536 names kept, checks the first
# and the last and ends with exit code 0; a failed check or a time-out jumps
# to a missing label, whose report names the line of that check.
source "$KV_LIB"
use_engine
echo one > a.txt
echo two > b.txt
first=$(printf 'Z:%s/a.txt' "$PWD" | tr / '\\' | sed 's/\\/\\\\/g')

cat > drop.kvp <<KVP
project width=320 height=240 title="drop" show=1 debug=0 sound=0
error 108180 "drop check failed"
var 14 string global
var 15 int global = 0
var 87 int global = 0
script 0 "drop.kvs"
label SYSTEM_START
    loop -1
        wait frames=1
        if {@15 65536 ==}
            loop_break
        endif
        if {@87 3000 >}
            @950 goto FAILED
        endif
    endloop
    if {[14 0 ] "$first" !=}
        @960 goto FAILED
    endif
    if {[14 65535 ] "x65535" !=}
        @961 goto FAILED
    endif
    end restart=0
KVP
pack_project drop.kvp

start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
drv drop "$hwnd" "$PWD/a.txt" "$PWD/b.txt" --fill 70000 || fail "cannot drop the files"
expect_clean_end 40 "the script did not see the files"
note "the dropped files reached the scripts"
