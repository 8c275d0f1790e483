# The compiler link when it cannot go on: the compiler ending early or
# reporting a failed compilation stops start-up silently; a hand-over whose
# records or size do not fit is refused with the communication message; with
# no compiler the licence notice is shown and closed.
source "$KV_LIB"
source "$KV_SRC/tests/win32/errors_lib.sh"
source "$KV_SRC/tests/win32/link_lib.sh"
use_engine
gen_project "$PWD/served"

compiler "mode=exit"
expect_stop "the compiler ends without handing over"
expect_no_box "early exit"

compiler "mode=serve" "dir=served" "result=0"
expect_stop "result 0"
expect_no_box "result 0"

# refused CASE CFG-LINE...: the communication message, closed by the driver.
refused() {
  local label=$1 box
  shift
  compiler "$@"
  start_engine
  box=$(drv wait-dialog --exe "$ENGINE" --timeout 40000) || fail "$label: no message box"
  drv texts "$box" > texts.txt || fail "cannot read the box"
  grep -qF 'KAVRENコンパイラとデータ通信が出来ませんでした。' texts.txt ||
    fail "$label: the box says $(cat texts.txt)"
  drv dismiss "$box" || fail "cannot close the box"
  wait_engine 20 || fail "$label: the engine still runs after the box"
  # A compiler left waiting would keep block 1 and turn the next engine away.
  drv wait-exit --exe "$PWD/system/RODaz/RODaz.exe" --timeout 10000 ||
    fail "$label: the compiler still runs after the engine ended"
  note "$label: refused with the communication message"
}
# One record whose name runs past the 16-byte block.
printf '\x64\x00\x00\x00kvbin\\kvc.kbn\x00\x00' > long_name.bin
refused "a name past the block" "mode=raw" "raw=long_name.bin" "count=1"
# A record whose name lacks its terminator.
printf '\x03\x00\x00\x00abc\x00\x00\x00\x00\x00\x00\x00\x00\x00' > no_term.bin
refused "a name without terminator" "mode=raw" "raw=no_term.bin" "count=1"
refused "more records than the block holds" "mode=raw" "raw=no_term.bin" "count=100"
refused "a negative announced size" "mode=raw" "raw=no_term.bin" "count=0" "size=-8"

rm -rf system
start_until_dialog "License Information" || fail "no licence notice without a compiler"
drv press "$BOX" 1034 || fail "cannot press the exit button"
wait_engine 20 || fail "the engine still runs after the notice"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC after the notice"
note "no compiler: the licence notice, closed"
