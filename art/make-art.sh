#!/usr/bin/env bash
# Draws pellowick's skin: the window pictures (GIF) and the program icon.
# Flat colours, 1-pixel bevels and unsmoothed text, so every pixel is deliberate.
# Each window picture is drawn for display scales of 100 % (name.gif), 150 %
# (name_150.gif) and 200 % (name_200.gif): the shapes are given in 100 % pixels and
# scaled here, the text is set anew at the larger size, so nothing is blurred.
# Usage: art/make-art.sh [output folder]   (default: the folder of this script)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
mkdir -p "$out"
# The version the title shows, from its one source.
version=$(sed -n 's/^project(pellowick VERSION \([0-9.]*\).*/\1/p' "$here/../CMakeLists.txt")

font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
if ! command -v convert >/dev/null || [[ ! -f $font ]]; then
    apt-get install -y --no-install-recommends imagemagick fonts-dejavu-core >/dev/null
fi

# The palette: reds for the chrome, greys for the keys.
red_hi='#ff5a4a'   # bevel light on red
red='#c4161c'      # chrome face
red_mid='#9c0f14'  # lower band of the chrome
red_lo='#5e0508'   # bevel dark on red
grey_hi='#ffffff'  # bevel light on grey
grey_lt='#e4e4e4'  # raised face, upper band
grey='#cfcfcf'     # raised face
grey_md='#8c8c8c'  # bevel shadow
grey_dk='#3c3c3c'  # outline of a key
sunk='#a9a9a9'     # sunk face
ink='#b3000c'      # text on grey
ink_sunk='#5a0006' # text on a sunk face
paper='#f4f4f4'    # text on red

# Drawing operations collect in ops; paint writes them out as one picture.
ops=()
# The scale being drawn, in halves: 2 is 100 %, 3 is 150 %, 4 is 200 %.
half=2
# px N: a 100 % pixel position as a position at the scale (rounded up, so edges that
# meet at 100 % meet at every scale).
px() { echo $((($1 * half + 1) / 2)); }
# pt N: a font size at the scale.
pt() { awk -v p="$1" -v h="$half" 'BEGIN { print p * h / 2 }'; }
# rect X0 Y0 X1 Y1 COLOUR: a filled rectangle, both corners inclusive.
rect() {
    ops+=(-fill "$5" -draw "rectangle $(px "$1"),$(px "$2") $(($(px $(($3 + 1))) - 1)),$(($(px $(($4 + 1))) - 1))")
}
# bevel X0 Y0 X1 Y1 LIGHT DARK: a one-pixel frame, light at top/left, dark at bottom/right.
bevel() {
    rect "$1" "$2" "$3" "$2" "$5"
    rect "$1" "$2" "$1" "$4" "$5"
    rect "$1" "$4" "$3" "$4" "$6"
    rect "$3" "$2" "$3" "$4" "$6"
}
# text X BASELINE POINTS COLOUR STRING
text() { ops+=(-font "$font" -pointsize "$(pt "$3")" -fill "$4" -annotate "+$(px "$1")+$(px "$2")" "$5"); }
# embossed X BASELINE POINTS COLOUR SHADOW STRING: text over a 1-pixel shadow below right.
embossed() {
    text $(($1 + 1)) $(($2 + 1)) "$3" "$5" "$6"
    text "$1" "$2" "$3" "$4" "$6"
}
# text_width POINTS STRING: the width of the text in 100 % pixels (rounded).
text_width() {
    local w
    w=$(convert -font "$font" -pointsize "$(pt "$1")" +antialias label:"$2" -trim -format %w info:)
    echo $(((w * 2 + half / 2) / half))
}
# paint W H BACKGROUND NAME [TYPE]: W and H in 100 % pixels; writes NAME.gif at
# 100 %, NAME_150.gif at 150 % and so on.
paint() {
    local suffix=""
    ((half == 2)) || suffix=_$((half * 50))
    convert -size "$(px "$1")x$(px "$2")" "xc:$3" +antialias "${ops[@]}" -alpha off +dither -strip \
        "$4$suffix.${5:-gif}"
    ops=()
}

# A raised grey key with a dark outline, its face lighter in the upper half.
key_up() {
    rect "$1" "$2" "$3" "$4" "$grey_dk"
    rect $(($1 + 1)) $(($2 + 1)) $(($3 - 1)) $(($4 - 1)) "$grey"
    rect $(($1 + 2)) $(($2 + 2)) $(($3 - 2)) $((($2 + $4) / 2)) "$grey_lt"
    bevel $(($1 + 1)) $(($2 + 1)) $(($3 - 1)) $(($4 - 1)) "$grey_hi" "$grey_md"
}
key_down() {
    rect "$1" "$2" "$3" "$4" "$grey_dk"
    rect $(($1 + 1)) $(($2 + 1)) $(($3 - 1)) $(($4 - 1)) "$sunk"
    bevel $(($1 + 1)) $(($2 + 1)) $(($3 - 1)) $(($4 - 1)) "$grey_md" "$grey_lt"
}
# The red chrome strip, darker in its lower half.
chrome() {
    rect 0 0 $(($1 - 1)) $(($2 - 1)) "$red"
    rect 1 $(($2 / 2 + 1)) $(($1 - 2)) $(($2 - 2)) "$red_mid"
    bevel 0 0 $(($1 - 1)) $(($2 - 1)) "$red_hi" "$red_lo"
}
# An engraved horizontal line on the chrome.
groove() {
    rect "$1" "$3" "$2" "$3" "$red_lo"
    rect "$1" $(($3 + 1)) "$2" $(($3 + 1)) "$red_hi"
}

# The window pictures at the scale in $half.
skin() {
    # --- Title bar, 285 x 19: menu key at x 0-16, the title, minimize key at 249-265 and
    # close key at 267-283 (y 1-17).
    chrome 285 19
    key_up 0 1 16 17
    rect 4 5 12 6 "$ink"
    rect 4 8 12 9 "$ink"
    rect 4 11 12 12 "$ink"
    title="pellowick v.$version · jom"
    embossed 22 13 9 "$paper" "$red_lo" "$title"
    title_end=$((22 + $(text_width 9 "$title") + 6))
    groove "$title_end" 243 6
    groove "$title_end" 243 11
    key_up 249 1 265 17
    rect 253 11 261 13 "$ink"
    key_up 267 1 283 17
    for i in 0 1 2 3 4 5 6; do
        rect $((271 + i)) $((5 + i)) $((272 + i)) $((5 + i)) "$ink"
        rect $((278 - i)) $((5 + i)) $((279 - i)) $((5 + i)) "$ink"
    done
    paint 285 19 "$red" "$out/titlebar"

    # --- Bottom bar, 285 x 17: "jom" at the left, a groove, a grip at the right.
    chrome 285 17
    embossed 6 12 9 "$paper" "$red_lo" "jom"
    groove 32 254 8
    for x in 262 266 270 274 278; do
        for y in 5 10; do
            rect "$x" "$y" $((x + 1)) $((y + 1)) "$red_lo"
            rect "$x" "$y" "$x" "$y" "$red_hi"
        done
    done
    paint 285 17 "$red" "$out/bottombar"

    # --- Image buttons, 60 x 19: the word centred on a raised or a sunk key.
    button() {  # FILE WORD up|down
        local x=$(((60 - $(text_width 9 "$2")) / 2))
        if [[ $3 == up ]]; then
            key_up 0 0 59 18
            text "$x" 13 9 "$grey_hi" "$2"
            text $((x - 1)) 12 9 "$ink" "$2"
        else
            key_down 0 0 59 18
            text "$x" 13 9 "$ink_sunk" "$2"
        fi
        paint 60 19 "$grey" "$out/$1"
    }
    button start_up start up
    button start_down start down
    button stop_up stop up
    button stop_down stop down
    button close_up close up

    # --- Logo, 48 x 48: the maker's handle on a red tile set in a grey key.
    key_up 0 0 47 47
    rect 5 5 42 42 "$red_lo"
    rect 6 6 41 41 "$red"
    rect 7 24 40 40 "$red_mid"
    bevel 6 6 41 41 "$red_hi" "$red_lo"
    embossed $(((48 - $(text_width 14 jom)) / 2)) 29 14 "$paper" "$red_lo" jom
    paint 48 48 "$grey" "$out/logo"
}
for half in 3 4 2; do skin; done

# --- Icon: a red tile with a "p", at 16, 32 and 48 pixels.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
icon() {  # SIZE POINTS BASELINE
    local e=$(($1 - 1))
    rect 1 $(($1 / 2)) $((e - 1)) $((e - 1)) "$red_mid"
    bevel 0 0 "$e" "$e" "$red_hi" "$red_lo"
    embossed $((($1 - $(text_width "$2" p)) / 2)) "$3" "$2" "$paper" "$red_lo" p
    paint "$1" "$1" "$red" "$tmp/$1" png
}
icon 16 12 11
icon 32 24 22
icon 48 36 33
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" "$out/pellowick.ico"
echo "art written to $out"
