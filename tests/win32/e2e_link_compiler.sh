# The compiler link with the stand-in compiler: it is started as
# "system\RODaz\RODaz.exe kv" and finds the version and the engine's folder in
# block 1; an empty hand-over leaves the project to the loose files; files
# handed over are used with nothing loose; a folder written back becomes the
# current folder; a folder field without its terminator is not taken; a
# hand-over shorter than 16 bytes is taken as announced.
source "$KV_LIB"
source "$KV_SRC/tests/win32/link_lib.sh"
use_engine

gen_project "$PWD"
compiler "mode=serve"
expect_run "empty hand-over, loose files"
[ "$(tr -d '\r' < system/RODaz/rodaz_args.txt)" = kv ] || fail "the compiler's arguments: $(cat system/RODaz/rodaz_args.txt)"
folder=$(printf "%s" "${ENGINE_WIN%\\*}" | tr A-Z a-z)
grep -qixF "479 $folder\\" system/RODaz/rodaz_seen.txt ||
  fail "block 1 held: $(cat system/RODaz/rodaz_seen.txt), expected 479 $folder\\"
note "the compiler saw version 479 and the engine's folder"

compiler "mode=serve" "fill=1"
expect_run "folder field without terminator: the engine's folder stays"

# One record: the name "a" with its terminator (n = 2) and 3 bytes: 13 bytes.
printf '\x02\x00\x00\x00a\x00\x03\x00\x00\x00xyz' > small.bin
compiler "mode=raw" "raw=small.bin" "count=1"
expect_run "a 13-byte hand-over beside loose files"

rm -rf kvbin
gen_project "$PWD/served"
compiler "mode=serve" "dir=served"
expect_run "files handed over, nothing loose"

mkdir -p data
mv served/kvbin data/
compiler "mode=serve" "folder=$(win_path "$PWD/data")\\"
expect_run "the folder written back is current: its loose files are found"
expect_no_box "after the runs"
