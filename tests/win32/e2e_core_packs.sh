# Packs on a real Windows file system: the generator writes a pack into the
# folder, one with a Shift-JIS name into its pack folder "pac", an update pack
# and a loose Shift-JIS-named file; test_core.exe (its WinPackFiles cases)
# indexes the folders and reads the entries and the file under Wine; a
# second folder holds a repairable and an unrepairable damaged entry.
set -u
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${KV_BUILD:-}" ] && [ -n "${KV_GEN:-}" ] && [ -n "${KV_WINE_RUN:-}" ] || fail "run through ctest"
TEST_EXE=$KV_BUILD/tests/test_core.exe
[ -f "$TEST_EXE" ] || fail "no $TEST_EXE (build the target test_core)"

work=$PWD/packs
rm -rf "$work"
mkdir -p "$work/found/pac" "$work/damaged/orig"
gen() { python3 "$KV_GEN" "$@" || fail "generator: $*"; }
# found: a pack in the folder, a Shift-JIS-named one in "pac", an update pack
# and a loose Shift-JIS-named file. Unix names are UTF-8 here; Wine shows them
# to the program in code page 932.
cd "$work/found" || fail "no scratch folder"
gen pack data.kpf --file a.txt=text:old --file kvbin/kvcfg.kbn=text:cfg
gen pack "pac/データ.kpf" --file "bg/タイトル.png=text:title image"
gen update 1 . --file a.txt=text:new
printf 'loose sjis' > "読込.txt"
# damaged: one spoilt block (repaired) and two spoilt at one index (refused).
cd "$work/damaged" || fail "no scratch folder"
python3 -c 'import sys; sys.stdout.buffer.write(bytes((i * 7 + i // 13) & 255 for i in range(5000)))' > orig/fixable.bin
head -c 3000 /dev/zero | tr '\0' b > orig/broken.bin
gen pack orig/f.kpf --store --file fixable.bin=orig/fixable.bin
gen pack orig/b.kpf --store --file broken.bin=orig/broken.bin
gen damage orig/f.kpf fixable.kpf --kind block --block 4 --byte 11
gen damage orig/b.kpf broken.kpf --kind two-blocks --byte 0
cd "$work/.." || exit 1

win_dir="Z:$(printf '%s' "$work" | tr / '\\')"
out=$(KV_CORE_PACK_DIR="$win_dir" "$KV_WINE_RUN" --timeout 120 "$TEST_EXE" \
      --gtest_filter='WinPackFiles.*' --gtest_also_run_disabled_tests 2>&1)
rc=$?
echo "$out" | tail -n 20
[ "$rc" = 0 ] || fail "test_core.exe exited with $rc"
for t in FindsPacksAndReadsShiftJisNames RepairsOneBlockRefusesTwo; do
  echo "$out" | grep -q "\[       OK \] WinPackFiles.$t" || fail "WinPackFiles.$t did not pass"
done
echo "$out" | grep -q 'SKIPPED' && fail "the case was skipped"
echo "--- packs found in . and pac, Shift-JIS pack and file names read, one block repaired, two refused"
