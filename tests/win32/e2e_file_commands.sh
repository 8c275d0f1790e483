# File commands under Wine: a generated project makes folders, copies a file,
# deletes a save file (".sd" added) and a folder, preloads an image into the
# memory cache, asks about files and loads a JPEG frame container, checks
# every answer itself and ends with exit code 0 and no report; the files it
# left are then checked from outside.
source "$KV_LIB"

use_engine
note "files beside the engine"
head -c 1234 /dev/urandom > a.dat
echo old > save01.sd
echo keep > keep
mkdir -p gone anim
python3 "$KV_GEN" image png pic.png --width 16 --height 8 >/dev/null || fail "image pic.png"
python3 "$KV_GEN" frames anim/frames.kjf --frames 3 --width 32 --height 16 --alpha 1 --values 5,6,7 \
  >/dev/null || fail "frames"

{
  cat <<KVP
project width=320 height=240 title="files" show=1 debug=0 sound=0
error 108180 "check failed"
var 1000 int global = 0
var 1001 string global = ""
script 0 "main.kvs"
label SYSTEM_START
    file_utility folder="Made/Deep" make_folders=1
    file_utility a="A.dat" b="made/deep/b.dat" copy=1
    file_utility a="save01" delete=1
    file_utility a="keep" delete=1
    file_utility folder="gone" delete=1
    file_utility a="pic" cache_image=1
KVP
  check_result 901 'find_file folder="made/deep" exists=1' 1
  check_result 902 'find_file file="made/deep/b.dat" size=1' 1234
  check_result 903 'find_file file="save01.sd" exists=1' 0
  check_result 904 'find_file file="keep" exists=1' 1
  check_result 905 'find_file folder="gone" exists=1' 0
  check_result 906 'find_file image="PIC" exists=1' 1
  check_result 907 'find_file sound="pic" exists=1' 0
  echo '    jpeg_frames_load file="Anim/Frames.KJF"'
  check_result 908 'jpeg_frames_info arg1=1' 3
  check_result 909 'jpeg_frames_info arg3=1' 6
  echo '    jpeg_frames_free'
  check_result 910 'jpeg_frames_info arg1=1' 0
  echo '    find_file file="a.dat" program=1 result=$1001'
  echo '    end restart=0'
} > files.kvp
pack_project files.kvp
expect_script_end 40
cmp -s a.dat made/deep/b.dat || fail "made/deep/b.dat is not a copy of a.dat"
[ -e save01.sd ] && fail "save01.sd was not deleted"
[ -e keep ] || fail "keep (no .sd) was deleted"
[ -d gone ] && fail "the folder gone was not removed"
note "folders made and removed, file copied, save file deleted, queries and frame container answered"
