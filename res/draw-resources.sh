#!/usr/bin/env bash
# Draws every picture of Morvex.exe: the application icon and the bitmaps in res/bitmaps.
# Run it from anywhere after changing a picture; the generated files are committed, so a
# normal build never needs ImageMagick or icoutils.
#
#   res/draw-resources.sh
#
# Needs: ImageMagick 6 (convert, identify), icoutils (icotool), the DejaVu fonts.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out="$here/bitmaps"
ico="$here/Morvex.ico"
fonts=/usr/share/fonts/truetype/dejavu
bold="$fonts/DejaVuSans-Bold.ttf"
book="$fonts/DejaVuSans.ttf"

for tool in convert identify icotool; do
  command -v "$tool" >/dev/null || { echo "draw-resources: $tool is missing" >&2; exit 1; }
done
for font in "$bold" "$book"; do
  [ -f "$font" ] || { echo "draw-resources: font $font is missing (fonts-dejavu-core)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Colours of the brand.
navy='#0b2a4f'
blue='#1e6fba'
sky='#cfe4f8'
amber='#f2b705'

# The shield with a tick, the product's mark, on a 256 x 256 transparent canvas.
shield_path="M 128,14 C 98,34 66,42 30,42 L 30,118 C 30,180 70,222 128,246 C 186,222 226,180 226,118 L 226,42 C 190,42 158,34 128,14 Z"
convert -size 256x256 xc:black -fill white -draw "path '$shield_path'" "$work/shield-mask.png"
convert -size 256x256 gradient:'#3d95e0'-"$navy" "$work/shield-fill.png"
convert "$work/shield-fill.png" "$work/shield-mask.png" -alpha off \
        -compose CopyOpacity -composite \
        -fill none -stroke white -strokewidth 12 -draw "path '$shield_path'" \
        -fill none -stroke white -strokewidth 28 -draw "stroke-linecap round stroke-linejoin round polyline 78,128 114,166 180,92" \
        "$work/shield.png"

# 32-bit BMP with alpha, premultiplied (what AlphaBlend and the version 6 static control
# expect), written with a plain BITMAPINFOHEADER: BI_RGB, 32 bits, the alpha in the fourth
# byte of every pixel. Old loaders read that header; newer ones keep the alpha bytes.
write_alpha_bmp() { # src.png dest.bmp
  local src=$1 dest=$2
  convert "$src" -background black -alpha remove -alpha off "$work/rgb.png"
  convert "$src" -alpha extract "$work/alpha.png"
  # BMP3 writes a 40-byte header; with an alpha channel it writes 32 bits per pixel.
  convert "$work/rgb.png" "$work/alpha.png" -alpha off -compose CopyOpacity -composite \
          -define bmp3:alpha=true "BMP3:$dest"
}

# ---------------------------------------------------------------- application icon
# 48, 32, 24 and 16 pixels at 4 and 8 bits per pixel (1-bit transparency), then
# 256 (stored as PNG), 48, 32, 24 and 16 pixels at 32 bits per pixel.
icon_args=()
for bpp in 4 8; do
  colours=$((1 << bpp))
  for s in 48 32 24 16; do
    f="$work/icon-$s-$bpp.png"
    convert "$work/shield.png" -filter Box -resize "${s}x${s}" \
            -channel A -threshold 50% +channel -background black -alpha background \
            +dither -colors "$((colours - 1))" "$f"
    icon_args+=(-b "$bpp" "$f")
  done
done
convert "$work/shield.png" "PNG32:$work/icon-256-32.png"
icon_args+=(-r "$work/icon-256-32.png")
for s in 48 32 24 16; do
  f="$work/icon-$s-32.png"
  convert "$work/shield.png" -filter Box -resize "${s}x${s}" "PNG32:$f"
  icon_args+=(-b 32 "$f")
done
icotool -c -o "$ico" "${icon_args[@]}"

# ---------------------------------------------------------------- top banners (500 x 101)
# A blue gradient across the window's full width with the shield, the name and one line
# in the banner's language; a thin amber rule at the foot separates it from the tabs.
top_banner() { # dest.bmp tagline
  local dest=$1 tagline=$2
  convert -size 101x500 gradient:"$blue"-"$navy" -rotate 90 \
          \( -size 500x101 xc:none -fill 'rgba(255,255,255,0.07)' \
             -draw "polygon 300,0 500,0 500,101 230,101" \
             -fill 'rgba(255,255,255,0.05)' -draw "polygon 380,0 500,0 500,101 330,101" \) \
          -compose over -composite \
          \( "$work/shield.png" -filter Box -resize 78x78 \) -geometry +18+9 -composite \
          -fill white -font "$bold" -pointsize 38 -annotate +110+52 "Morvex" \
          -fill "$sky" -font "$book" -pointsize 15 -annotate +274+52 "by Kestrune" \
          -fill white -font "$book" -pointsize 15 -annotate +112+79 "$tagline" \
          -fill "$amber" -draw "rectangle 0,98 499,100" \
          -type TrueColor "BMP3:$dest"
}
top_banner "$out/top-de.bmp" "AutoRun-Schutz für Ihren PC"
top_banner "$out/top-en.bmp" "AutoRun protection for your PC"
top_banner "$out/top-fr.bmp" "Protection AutoRun pour votre PC"

# ---------------------------------------------------------------- bottom banners (230 x 40)
# A rounded blue tag on the white dialog: the shield, the product name and a line that
# invites to the maker's web site.
bottom_banner() { # dest.bmp line
  local dest=$1 line=$2
  convert -size 40x230 gradient:"$blue"-"$navy" -rotate 90 "$work/tag-fill.png"
  convert -size 230x40 xc:black -fill white -draw "roundrectangle 0,0 229,39 7,7" "$work/tag-mask.png"
  convert -size 230x40 xc:white \
          \( "$work/tag-fill.png" "$work/tag-mask.png" -alpha off -compose CopyOpacity -composite \) \
          -compose over -composite \
          \( "$work/shield.png" -filter Box -resize 30x30 \) -geometry +7+5 -composite \
          -fill white -font "$bold" -pointsize 13 -annotate +44+17 "Morvex by Kestrune" \
          -fill "$sky" -font "$book" -pointsize 11 -annotate +44+32 "$line" \
          -type TrueColor "BMP3:$dest"
}
bottom_banner "$out/bottom-fr.bmp" "Plus de sécurité en ligne ›"
bottom_banner "$out/bottom-de.bmp" "Mehr Sicherheit online ›"
bottom_banner "$out/bottom-en.bmp" "More security online ›"

# ---------------------------------------------------------------- resources image (20 x 20)
# A blue "i" disc on white: more information on the maker's resources page.
convert -size 160x160 xc:white -fill "$blue" -draw "circle 80,80 80,6" \
        -fill white -draw "circle 80,44 80,32" -draw "roundrectangle 68,64 92,130 8,8" \
        -filter Box -resize 20x20 -type TrueColor "BMP3:$out/resources.bmp"

# ---------------------------------------------------------------- status pictures (30 x 30)
# Drawn at eight times the size, then averaged down for smooth edges.
convert -size 240x240 xc:none \
        -fill '#f5c518' -stroke '#8a6a00' -strokewidth 10 -draw "stroke-linejoin round polygon 120,22 226,212 14,212" \
        -stroke none -fill '#1a1a1a' -draw "roundrectangle 108,78 132,160 10,10" \
        -draw "circle 120,186 120,172" \
        -filter Box -resize 30x30 "$work/warning.png"
write_alpha_bmp "$work/warning.png" "$out/warning.bmp"

convert -size 240x240 xc:none \
        -fill none -stroke '#1b7a2e' -strokewidth 52 \
        -draw "stroke-linecap round stroke-linejoin round polyline 40,128 96,184 204,62" \
        -stroke '#34b34a' -strokewidth 36 \
        -draw "stroke-linecap round stroke-linejoin round polyline 40,128 96,184 204,62" \
        -filter Box -resize 30x30 "$work/tick.png"
write_alpha_bmp "$work/tick.png" "$out/tick.bmp"

# ---------------------------------------------------------------- state balls (16 x 16)
# A shaded sphere: the light falls from the upper left. A white mark on it tells the state by
# its shape as well as by the colour: a cross on red (AutoRun enabled), a tick on green, a
# question mark on grey (the setting could not be read).
ball() { # dest.bmp light dark mark
  local dest=$1 light=$2 dark=$3 mark=$4
  convert -size 200x200 radial-gradient:"$light"-"$dark" -crop 128x128+58+58 +repage \
          \( -size 128x128 xc:black -fill white -draw "circle 64,64 64,4" \) \
          -alpha off -compose CopyOpacity -composite \
          \( -size 128x128 xc:none -fill 'rgba(255,255,255,0.55)' -draw "ellipse 48,40 20,13 0,360" -blur 0x5 \) \
          -compose atop -composite \
          -fill none -stroke white -strokewidth 18 -draw "stroke-linecap round stroke-linejoin round $mark" \
          -filter Box -resize 16x16 "$work/ball.png"
  write_alpha_bmp "$work/ball.png" "$dest"
}
ball "$out/ball-red.bmp" '#ff8a80' '#a30f0f' "line 40,40 88,88 line 88,40 40,88"
ball "$out/ball-green.bmp" '#a5e89a' '#1b7a2e' "polyline 34,66 56,88 94,42"
ball "$out/ball-grey.bmp" '#d2d2d2' '#5c5c5c' "path 'M 44,50 C 44,22 84,22 84,48 C 84,64 64,64 64,80' circle 64,101 64,99"

# ---------------------------------------------------------------- check what came out
check() { # file width height bits
  local got
  got=$(identify -format '%w %h' "$1[0]")
  [ "$got" = "$2 $3" ] || { echo "draw-resources: $1 is $got, not $2 $3" >&2; exit 1; }
  # biBitCount is the little-endian word at offset 28 of a BMP file.
  got=$(od -An -tu2 -j28 -N2 "$1" | tr -d ' ')
  [ "$got" = "$4" ] || { echo "draw-resources: $1 has $got bits per pixel, not $4" >&2; exit 1; }
}
for f in top-de top-en top-fr; do check "$out/$f.bmp" 500 101 24; done
for f in bottom-fr bottom-de bottom-en; do check "$out/$f.bmp" 230 40 24; done
check "$out/resources.bmp" 20 20 24
check "$out/warning.bmp" 30 30 32
check "$out/tick.bmp" 30 30 32
check "$out/ball-red.bmp" 16 16 32
check "$out/ball-green.bmp" 16 16 32
check "$out/ball-grey.bmp" 16 16 32
[ "$(icotool -l "$ico" | wc -l)" -eq 13 ] || { echo "draw-resources: the icon does not hold 13 images" >&2; exit 1; }
echo "draw-resources: pictures written to $out and $ico"
