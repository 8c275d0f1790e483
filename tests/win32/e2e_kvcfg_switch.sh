# "/kvcfg" (in any case) as the first argument starts the settings program
# "エンジン設定.exe" beside the engine with the argument "/kvcfg" and ends the
# run, exit code 0, before any window exists.
source "$KV_LIB"
use_engine
cp "$KV_KVCFG" "$PWD/エンジン設定.exe" || fail "cannot copy the settings stand-in"
for arg in /kvcfg /KvCfg; do
  rm -f kvcfg_args.txt kvcfg.dat kvsfs.dat
  watch_no_window
  KV_ENGINE_TIMEOUT=30 run_engine "$arg"
  [ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC for $arg, expected 0"
  wait_for_file kvcfg_args.txt 20 '^/kvcfg$' || fail "the settings program was not started with /kvcfg for $arg"
  # The stand-in did its job: both settings files, 32 words each.
  wait_for_file kvsfs.dat 10 || fail "the settings program wrote no kvsfs.dat"
  [ "$(stat -c %s kvcfg.dat)" = 128 ] || fail "kvcfg.dat is not 128 bytes"
  watch_result
  [ "$WATCH_RESULT" = none ] || fail "a main window appeared for $arg"
  note "$arg: settings program started, no window, exit code 0"
done
[ "$(grep -c . kvcfg_args.txt)" = 1 ] || fail "the settings program was started more than once"
