# "/info": the licence notice in the error dialog captioned "License
# Information", naming every linked library with its version and licence,
# with only the exit button; the button closes it and the engine exits.
source "$KV_LIB"
source "$KV_SRC/tests/win32/errors_lib.sh"
use_engine
start_until_dialog "License Information" /info || fail "no \"License Information\" dialog for /info"
box=$BOX
drv texts "$box" --ids > texts.txt || fail "cannot read the dialog"
head -c 300 texts.txt; echo
grep -q '^1032	Edit	■ライセンスについて' texts.txt || fail "the notice is not in the text box"
for lib in 'libogg 1\.[0-9]' 'libvorbis / vorbisfile 1\.[0-9]' 'libpng 1\.[0-9]' \
           'libjpeg-turbo [0-9]\.[0-9]' 'zlib 1\.[0-9]' 'Independent JPEG Group' \
           'PNG Reference Library License' 'Xiph.org Foundation' 'Jean-loup Gailly'; do
  grep -q "$lib" texts.txt || fail "the notice lacks \"$lib\""
done
grep -q '^1034	Button	終了(&X)$' texts.txt || fail "no exit button"
grep -q '^1033	' texts.txt && fail "the editor button is shown outside a debug project"
drv press "$box" 1034 || fail "cannot press the exit button"
wait_engine 20 || fail "the engine still runs 20 s after the dialog was closed"
[ "$ENGINE_RC" = 0 ] || fail "exit code $ENGINE_RC, expected 0"
note "/info: licence notice shown whole, closed on its button"
