# Movie and Flash commands from a script: a generated project names a
# generated MPEG-1 clip (GStreamer) and a stand-in Flash file, plays the clip
# through MCI, queries the movie state and the clip's MPEG kind, stops it,
# and tries the Flash movie, whose control does not exist here: no movie,
# every query 0. It ends by its end command with exit code 0 and no report.
source "$KV_LIB"

command -v gst-launch-1.0 >/dev/null || { echo "no gst-launch-1.0"; exit 77; }
gst-inspect-1.0 mpeg2enc >/dev/null 2>&1 && gst-inspect-1.0 mplex >/dev/null 2>&1 ||
  { echo "no GStreamer MPEG encoder"; exit 77; }
use_engine
note "clip.mpg and intro.swf beside the engine"
timeout 60 gst-launch-1.0 -q videotestsrc num-buffers=50 \
  ! video/x-raw,width=320,height=240,framerate=25/1,format=I420 \
  ! mpeg2enc format=0 ! mplex format=0 ! filesink location=clip.mpg || fail "gst-launch-1.0"
printf 'FWS\x09' > intro.swf

{
  cat <<KVP
project width=320 height=240 title="movie" show=1 debug=0
error 108180 "check failed"
var 1000 int global = 0
script 0 "main.kvs"
label SYSTEM_START
KVP
  check_result 901 'movie_info kind_of="Clip.MPG"' 1
  check_result 902 'movie_info kind_of="none.mpg"' 0
  check_result 903 'movie_info kind_of="intro.swf"' 255
  echo '    movie_play file="clip.mpg" volume=128 play=1'
  check_result 904 'movie_info arg0=1' 1
  check_result 905 'movie_info arg3=1' 320
  check_result 906 'movie_info arg5=1' 128
  echo '    wait ms=500'
  echo '    movie_stop'
  check_result 907 'movie_info arg0=1' 0
  check_result 908 'movie_info arg5=1' 256
  check_result 909 'flash_query arg8=1' 0
  echo '    flash_play file="intro.swf" user=5 play=1'
  check_result 910 'flash_query arg0=1' 0
  check_result 911 'flash_query arg7=1' 0
  check_result 912 'flash_query arg8=1' 0
  check_result 913 'flash_query arg4=1' 320
  echo '    flash_close'
  echo '    flash_close'
  echo '    end restart=0'
} > movie.kvp
pack_project movie.kvp
expect_script_end 60
note "movie commands answered; the Flash movie failed quietly; exit code 0"
