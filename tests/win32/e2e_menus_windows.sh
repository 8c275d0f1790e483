# A script builds a menu bar for the main window and opens window 2: the
# bar is read back item by item, window 2 stands with its class, title,
# place and client size, the window information agrees with what Windows
# reports (the script renames the window when it does), and the window is
# hidden by the hide command, which the script gives once the test has seen
# the window and made the file hide.now.
source "$KV_LIB"
use_engine
cat > menus.kvp <<'KVP'
project width=640 height=480 title="KAVREN" show=1 debug=0 sound=0
var 1000 int global = 0
var 1001 int global = 0
var 1002 int global = 0
var 1003 int global = 0
var 1004 int global = 0
script 0 "main.kvs"
label SYSTEM_START
    menu_set path="bar/" text="bar" order=1
    menu_set path="bar/file/" text="File" order=1
    menu_set path="bar/file/open" text="Open" order=1 command=101
    menu_set path="bar/file/quit" text="Quit" order=2 command=102 checked=1
    menu_set path="bar/sep" text="" order=2
    menu_set path="bar/help" text="Help" order=3 command=103 enabled=0
    menu_set path="bar/hidden" text="Hidden" order=0 shown=0
    window_setup window=0 menu="bar/"
    window_setup window=2 title="Sub two" width=200 height=100 x=50 y=60
    window_info window=2 result=$1000 12=1
    window_info window=2 result=$1001 13=1
    window_info window=2 result=$1002 7=1
    window_info window=3 result=$1003 2=1
    if {@1000 200 == @1001 100 == && @1002 50 == && @1003 0 == &&}
        window_setup window=2 title="Sub two ok"
    endif
label WAIT_HIDE
    find_file file="hide.now" exists=1 result=$1004
    if {@1004 0 ==}
        wait frames=1
        goto WAIT_HIDE
    endif
    window_hide window=2
label LOOP
    wait frames=1
    goto LOOP
KVP
prepare_project "$PWD/menus.kvp"
start_engine
hwnd=$(drv wait-window --class "$ENGINE_CLASS" --visible --timeout 30000) || fail "no main window"
for i in $(seq 50); do out=$(drv menu "$hwnd") && break; sleep 0.2; done
[ "$i" -lt 50 ] || fail "the main window has no menu bar"
# Wine keeps menus per process: another process sees the bar but not its
# items. Where the items can be read they must be what the script built.
want=$(printf '0\t0\t0\tFile\n1\t101\t0\tOpen\n1\t102\t8\tQuit\n0\t0\t3\t\n0\t103\t3\tHelp')
if [ -n "${out:-}" ]; then
  [ "$(printf '%s' "$out" | tr -d '\r')" = "$want" ] || fail "menu bar differs: $out"
else
  note "the menu bar's items cannot be read from another process here"
fi
drv wait-window --class kvMncl --exe "$ENGINE" --timeout 5000 >/dev/null || fail "no kvMncl window"
sub=$(drv wait-window --class "${ENGINE_CLASS}_sub_2" --title "Sub two ok" --visible --timeout 30000) ||
  fail "no window 2 shown with the title the window information earns"
read -r cw ch < <(drv client "$sub") || fail "no client size of window 2"
[ "$cw $ch" = "200 100" ] || fail "window 2 client $cw x $ch, expected 200 x 100"
read -r l t r b < <(drv info "$sub" | awk -F'\t' '$1 == "rect" { print $2 }')
[ "$l $t" = "50 60" ] || fail "window 2 at $l $t, expected 50 60"
note "window 2: $l $t, client $cw x $ch"
: > hide.now
for i in $(seq 60); do drv info "$sub" | grep -q "^visible.0" && break; sleep 0.25; done
[ "$i" -lt 60 ] || fail "window 2 was not hidden"
drv close "$hwnd" >/dev/null 2>&1
wait_engine 20
