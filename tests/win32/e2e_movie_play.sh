# Movies under Wine: a 2-second MPEG-1 program stream (video and MPEG audio
# layer II) is made here with GStreamer, then the Windows media tests play it
# and a damaged copy through MCI and through DirectShow: each plays to its end
# and the playing flag clears, or the player fails with its failure result.
# Then the same without any GStreamer plugin: MCI opens nothing and
# DirectShow fails with 101510. Nothing may hang (every run has a time-out). Skipped (77) without the
# GStreamer encoder and multiplexer.
source "$KV_LIB"

command -v gst-launch-1.0 >/dev/null || { echo "no gst-launch-1.0"; exit 77; }
for element in mpeg2enc mplex twolamemp2enc; do
  gst-inspect-1.0 "$element" >/dev/null 2>&1 || { echo "no GStreamer element $element"; exit 77; }
done
note "making clip.mpg"
timeout 60 gst-launch-1.0 -q \
  videotestsrc num-buffers=50 ! video/x-raw,width=352,height=288,framerate=25/1,format=I420 \
  ! mpeg2enc format=0 ! mux. \
  audiotestsrc num-buffers=86 ! audioconvert ! audio/x-raw,rate=44100,channels=2 \
  ! twolamemp2enc ! mux. \
  mplex name=mux format=0 ! filesink location=clip.mpg || fail "gst-launch-1.0"
[ -s clip.mpg ] || fail "no clip.mpg"

note "playing it through MCI and DirectShow"
out=$(KV_TEST_MOVIE="Z:$(pwd)/clip.mpg" "$KV_WINE_RUN" --timeout 150 \
      "$KV_BUILD/tests/test_media.exe" --gtest_filter='WinMovie.*' 2>&1)
rc=$?
echo "$out" | grep -v "GStreamer-CRITICAL\|^$"
[ $rc -eq 0 ] || fail "media tests under Wine: exit $rc"
echo "$out" | grep -q "GeneratedMovie (" || fail "the movie test did not run"
echo "$out" | grep -q "SKIPPED.*GeneratedMovie" && fail "the movie test was skipped"

note "again without any GStreamer plugin: both players fail honestly"
mkdir -p no-plugins
out=$(GST_PLUGIN_SYSTEM_PATH_1_0="$PWD/no-plugins" GST_PLUGIN_PATH_1_0="$PWD/no-plugins" \
      GST_REGISTRY_1_0="$PWD/no-plugins/registry.bin" KV_TEST_MOVIE="Z:$(pwd)/clip.mpg" \
      "$KV_WINE_RUN" --timeout 150 "$KV_BUILD/tests/test_media.exe" \
      --gtest_filter='WinMovie.GeneratedMovie' 2>&1)
rc=$?
echo "$out" | grep "through"
[ $rc -eq 0 ] || fail "media tests without plugins: exit $rc"
echo "$out" | grep -q "clip.mpg through DirectShow: result -1, playing 0, error 101510" ||
  fail "DirectShow without plugins did not fail with 101510"
echo "e2e_movie_play: ok"
