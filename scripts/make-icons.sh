#!/bin/sh
# Regenerates the JPEG images under icons/ (needs ImageMagick's convert).
set -eu
cd "$(dirname "$0")/../icons"

FONT=DejaVu-Sans-Bold
FACE_TOP='#f7f9fc'
FACE_BOTTOM='#d5dde8'
EDGE='#7d8ba0'
INK='#1f2d3d'

# button NAME ACCENT LINE1 [LINE2]: an 88x25 face with a coloured stripe on
# the left and its legend, on one line or two.
button() {
    name=$1 accent=$2 first=$3 second=${4:-}
    if [ -n "$second" ]; then
        convert -size 88x25 gradient:"$FACE_TOP"-"$FACE_BOTTOM" \
            -fill "$accent" -stroke none -draw 'rectangle 1,1 5,23' \
            -fill none -stroke "$EDGE" -draw 'rectangle 0,0 87,24' \
            -font "$FONT" -fill "$INK" -stroke none -gravity center \
            -pointsize 8.5 -annotate +3-5 "$first" -annotate +3+6 "$second" \
            -quality 95 "$name"
    else
        convert -size 88x25 gradient:"$FACE_TOP"-"$FACE_BOTTOM" \
            -fill "$accent" -stroke none -draw 'rectangle 1,1 5,23' \
            -fill none -stroke "$EDGE" -draw 'rectangle 0,0 87,24' \
            -font "$FONT" -fill "$INK" -stroke none -gravity center \
            -pointsize 10 -annotate +3+0 "$first" \
            -quality 95 "$name"
    fi
}

GREEN='#2e9d4f'
RED='#c8372d'
BLUE='#2f6db5'
AMBER='#d9921c'
GREY='#6b7785'

button connectbtn.jpg "$GREEN" 'Connect'
button disconnectbtn.jpg "$RED" 'Disconnect'
button modifybtn.jpg "$BLUE" 'Modify'
button addbtn.jpg "$BLUE" 'Add'
button sendbtn.jpg "$GREEN" 'Send'
button sendperiodbtn.jpg "$GREEN" 'Send' 'periodically'
button stopsendperiodbtn.jpg "$RED" 'Stop sending' 'periodically'
button clearbtn.jpg "$GREY" 'Clear'
button clearallbtn88.jpg "$GREY" 'Clear all'
button exportbtn.jpg "$AMBER" 'Export'
button runbtn.jpg "$GREEN" 'Run'
button stopbtn.jpg "$RED" 'Stop'
button logfolderbtn.jpg "$AMBER" 'Log folder'

# status LIGHT NAME: a 25x25 round lamp.
status() {
    convert -size 25x25 xc:white \
        -fill "$1" -stroke "$EDGE" -strokewidth 1 -draw 'circle 12,12 12,2' \
        -fill 'rgba(255,255,255,0.55)' -stroke none -draw 'ellipse 10,8 4,2.5 0,360' \
        -quality 95 "$2"
}
status "$GREEN" ok.jpg
status "$RED" ko.jpg

# media NAME DRAW...: a 24x24 face with a dark symbol.
media() {
    name=$1; shift
    convert -size 24x24 gradient:"$FACE_TOP"-"$FACE_BOTTOM" \
        -fill none -stroke "$EDGE" -draw 'rectangle 0,0 23,23' \
        -fill "$INK" -stroke none "$@" -quality 95 "$name"
}
media play-icon.jpg -draw 'polygon 8,5 8,18 18,11.5'
media pause-icon.jpg -draw 'rectangle 7,5 10,18' -draw 'rectangle 14,5 17,18'
media backward-icon.jpg -draw 'rectangle 5,5 7,18' -draw 'polygon 18,5 18,18 8,11.5'
media loop-icon.jpg -fill none -stroke "$INK" -strokewidth 2 -draw 'arc 5,5 19,19 30,330' \
    -fill "$INK" -stroke none -draw 'polygon 15,4 21,8 15,11'

# The application icon of the desktop entry (PNG, 128x128): the logo's badge.
convert -size 128x128 xc:"$BLUE" \
    -draw "fill none stroke white stroke-width 8 circle 64,94 64,50" \
    -draw "fill none stroke white stroke-width 8 circle 64,94 64,70" \
    -draw "fill $BLUE stroke none polygon 0,10 64,94 0,128" \
    -draw "fill $BLUE stroke none polygon 128,10 64,94 128,128" \
    -draw "fill $BLUE stroke none rectangle 0,97 128,128" \
    -draw "fill white circle 64,94 64,85" \
    \( -size 128x128 xc:black -fill white -draw 'roundrectangle 6,6 122,122 22,22' \) \
    -alpha off -compose CopyOpacity -composite ../packaging/orv-terminal.png
# The same at 48x48; packaging/orv-terminal.svg is its scalable form.
convert ../packaging/orv-terminal.png -resize 48x48 -depth 8 ../packaging/orv-terminal-48.png

# The 200x50 logo: the same badge and the product name.
convert -size 200x50 xc:white \
    \( ../packaging/orv-terminal.png -resize 42x42 \) -geometry +3+4 -composite \
    -font "$FONT" -fill "$INK" -pointsize 24 -annotate +52+31 'ORV' \
    -font DejaVu-Sans -fill "$GREY" -pointsize 14 -annotate +114+31 'Terminal' \
    -fill "$BLUE" -draw 'rectangle 52,37 192,38' \
    -quality 95 logo.jpg
