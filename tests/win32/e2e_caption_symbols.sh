# Wine draws the minimise, maximise and close buttons of every caption with
# the symbol font Marlett ('0', '1', 'r'): the prefix must give a request for
# it that face, not another one, which shows the letters "0 1 r" instead.
source "$KV_LIB"
face=$(drv font-face Marlett 2) || fail "the driver could not select a font"
[ "$face" = Marlett ] || fail "a request for Marlett (SYMBOL_CHARSET) gets the face '$face'"
note "Marlett resolves: caption buttons drawn as symbols"
