#!/bin/bash
# wine-fonts.sh - fonts of the Wine prefix ($WINEPREFIX, else ~/.cache/kv-wine):
#  - Wine's own fonts (Debian's fonts-wine: Marlett, which draws the caption
#    buttons, Tahoma, the System and Small Fonts bitmaps...) linked into
#    C:\windows\Fonts. Debian's Wine 8 looks for them in its data folder as
#    "Z:\usr\share\wine\../fonts" (its relocated data folder plus a relative
#    path computed for the old one), a name with '/' that Wine's file lookup
#    rejects (and that would be /usr/share/fonts anyway), so it never loads
#    them: without this, caption buttons show the letters "0 1 r" and GDI
#    answers a request for Marlett with another face.
#  - the Japanese faces the engine prefers, drawn with the IPA fonts of Debian.
# Idempotent (stamp .kv-fonts-2 in the prefix; a prefix that has only the
# stamp .kv-fonts, of the version without Wine's own fonts, gets them once).
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-$HOME/.cache/kv-wine}
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
stamp=$WINEPREFIX/.kv-fonts-2
[ -f "$stamp" ] && exit 0
wine_fonts=/usr/share/wine/fonts
[ -f "$wine_fonts/marlett.ttf" ] ||
  { echo "wine-fonts.sh: no $wine_fonts/marlett.ttf: install fonts-wine" >&2; exit 1; }
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
ln -sf "$wine_fonts"/* "$WINEPREFIX/drive_c/windows/Fonts/"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
key='HKCU\Software\Wine\Fonts\Replacements'
while read -r face ipa; do
  "$WINE" reg add "$key" /v "${face//_/ }" /t REG_SZ /d "$ipa" /f >/dev/null 2>&1
done <<'LIST'
ＭＳ_ゴシック IPAGothic
ＭＳ_Ｐゴシック IPAPGothic
ＭＳ_明朝 IPAMincho
ＭＳ_Ｐ明朝 IPAPMincho
LIST
timeout -k 5 60 "$WINESERVER" -w || true   # the registry is written when the server exits
touch "$stamp"
