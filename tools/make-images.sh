#!/usr/bin/env bash
# Draws every icon, bitmap and animation of BriskoPC with ImageMagick.
#
#   tools/make-images.sh OUTDIR [--sheet FILE]
#
# Writes icon_<id>.ico, bmp_<id>.bmp and avi_<id>.avi into OUTDIR. With
# --sheet it also writes a labelled contact sheet (PNG, enlarged x4, the
# clip's frames x3) of everything it made.
#
# The 16x16 pictures are pixel art (XPM grids below, one letter per pixel,
# colours from the shared palette), so they stay sharp in the tree and the
# tray. The 32x32 and 48x48 tray sizes are drawn with vector primitives.
# Tree icons are opaque on white (the tree's image list has no mask); tray
# icons and the program icon keep real transparency.
#
# Needs only ImageMagick 6 (convert, montage), the DejaVu fonts (Debian:
# imagemagick, fonts-dejavu-core) and Perl for tools/pack-avi.pl. Output is
# byte-identical from run to run.
set -euo pipefail
# Coordinates are written with a decimal point whatever the caller's locale
# (./brisko runs everything in Polish, where awk would write a comma).
export LC_ALL=C

usage() { echo "usage: $0 OUTDIR [--sheet FILE]" >&2; exit 2; }

OUT=""
SHEET=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sheet) [ $# -ge 2 ] || usage; SHEET=$2; shift 2 ;;
    --sheet=*) SHEET=${1#--sheet=}; shift ;;
    -h|--help) usage ;;
    -*) usage ;;
    *) [ -z "$OUT" ] || usage; OUT=$1; shift ;;
  esac
done
[ -n "$OUT" ] || usage

# /usr/local/bin may hold wrappers around the real tools; use Debian's own.
pick() {
  if [ -x "/usr/bin/$1" ]; then echo "/usr/bin/$1"; else command -v "$1"; fi
}
IM=$(pick convert) || { echo "make-images: ImageMagick convert not found" >&2; exit 1; }
MONTAGE=$(pick montage || true)

FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[ -f "$FONT" ] || FONT=DejaVu-Sans-Bold

mkdir -p "$OUT"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# Brand colours (teal) and the rest of the palette.
BRAND='#00838f'
BRAND_LIGHT='#4fc3cf'
BRAND_DARK='#00525a'

# One letter per colour; '.' is transparent.
PALETTE=(
  ". c None"
  "K c #1f2630"
  "k c #5a6068"
  "g c #8c9298"
  "s c #b8bcc0"
  "w c #e2e4e6"
  "W c #ffffff"
  "G c #2ea336"
  "L c #8fe08a"
  "D c #16661c"
  "R c #d9342b"
  "r c #f4948c"
  "E c #7a1510"
  "A c #f0a800"
  "a c #ffe08a"
  "O c #8a5a00"
  "Y c #ffd81a"
  "y c #fff4a8"
  "H c #9a7400"
  "B c #2f6fd0"
  "b c #a8ccf5"
  "N c #163d7a"
  "T c $BRAND"
  "t c $BRAND_LIGHT"
  "U c $BRAND_DARK"
  "P c #7d848c"
  "p c #c8ccd0"
  "Q c #4a5058"
)

# colour LETTER: the palette's colour for LETTER.
colour() {
  local c
  for c in "${PALETTE[@]}"; do
    [ "${c%% *}" != "$1" ] || { echo "${c##* }"; return; }
  done
  echo "make-images: no colour $1" >&2; exit 1
}

# xpm NAME: reads a pixel grid on stdin (blanks ignored) into $T/NAME.xpm.
xpm() {
  local name=$1 rows first w h
  rows=$(sed -e 's/[[:space:]]//g' -e '/^$/d')
  h=$(printf '%s\n' "$rows" | wc -l)
  # The first row without a pipe through head: head leaves early, and the
  # writer's SIGPIPE would fail the build under pipefail now and then.
  first=${rows%%$'\n'*}
  w=${#first}
  if printf '%s\n' "$rows" | awk -v w="$w" 'length($0) != w { bad = 1 } END { exit !bad }'; then
    echo "make-images: $name: rows of unequal width" >&2; exit 1
  fi
  {
    echo '/* XPM */'
    echo "static char *img[] = {"
    echo "\"$w $h ${#PALETTE[@]} 1\","
    local c
    for c in "${PALETTE[@]}"; do echo "\"$c\","; done
    printf '%s\n' "$rows" | sed -e 's/.*/"&",/'
    echo "};"
  } > "$T/$name.xpm"
}

# recolor SRC DST FROM TO: copies a grid swapping letters (tr sets).
recolor() {
  sed -e "/^\"[^ \"]*\",\$/y/$3/$4/" "$T/$1.xpm" > "$T/$2.xpm"
}

# ---------------------------------------------------------------- 16x16 parts

# Envelope, 16x10.
xpm env <<'EOF'
KKKKKKKKKKKKKKKK
KsgWWWWWWWWWWgsK
KWWggWWWWWWggWWK
KWWWWggWWggWWWWK
KWWWWWWggWWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KwwwwwwwwwwwwwwK
KKKKKKKKKKKKKKKK
EOF
# The same, yellow (an unread message).
recolor env envy 'KWwgs' 'HYAAA'
# Small envelope for corners, 11x8.
xpm envs <<'EOF'
KKKKKKKKKKK
KgWWWWWWWgK
KWgWWWWWgWK
KWWgWWWgWWK
KWWWgggWWWK
KWWWWWWWWWK
KwwwwwwwwwK
KKKKKKKKKKK
EOF
recolor envs envsy 'KWwg' 'HYAA'

# Person: the presence family. X main, x highlight, Z outline.
xpm person <<'EOF'
......ZZZZ......
.....ZxxXXZ.....
....ZxxXXXXZ....
....ZxXXXXXZ....
....ZXXXXXXZ....
....ZXXXXXXZ....
.....ZXXXXZ.....
......ZZZZ......
...ZZZZZZZZZZ...
..ZxxXXXXXXXXZ..
.ZxXXXXXXXXXXXZ.
.ZxXXXXXXXXXXXZ.
.ZXXXXXXXXXXXXZ.
.ZXXXXXXXXXXXXZ.
.ZZZZZZZZZZZZZZ.
................
EOF
recolor person p_green 'ZXx' 'DGL'
recolor person p_red 'ZXx' 'ERr'
recolor person p_amber 'ZXx' 'OAa'
recolor person p_grey 'ZXx' 'Pps'

# Small person (10x11) for groups and corners.
xpm sperson <<'EOF'
...ZZZZ...
..ZxXXXZ..
..ZxXXXZ..
..ZXXXXZ..
..ZXXXXZ..
...ZZZZ...
.ZZZZZZZZ.
ZxxXXXXXXZ
ZxXXXXXXXZ
ZXXXXXXXXZ
ZZZZZZZZZZ
EOF
recolor sperson sp_blue 'ZXx' 'NBb'
recolor sperson sp_lblue 'ZXx' 'Nbw'
recolor sperson sp_grey 'ZXx' 'Pps'

# Corner badges, 8x8 / 9x9.
xpm b_busy <<'EOF'
..KKKK..
.KRRRRK.
KRRRRRRK
KWWWWWWK
KWWWWWWK
KRRRRRRK
.KRRRRK.
..KKKK..
EOF
xpm b_clock <<'EOF'
..KKKK..
.KWWWWK.
KWWKWWWK
KWWKWWWK
KWWKKKWK
KWWWWWWK
.KWWWWK.
..KKKK..
EOF
xpm b_tick <<'EOF'
..DDDDD..
.DGGGGGD.
DGGGGGGWD
DGGGGGWWD
DWGGGWWGD
DWWGWWGGD
DGWWWGGGD
.DGWGGGD.
..DDDDD..
EOF
xpm b_info <<'EOF'
..UUUUU..
.UTTTTTU.
UTTTWTTTU
UTTTTTTTU
UTTWWTTTU
UTTTWTTTU
UTTWWWTTU
.UTTTTTU.
..UUUUU..
EOF
xpm b_busyact <<'EOF'
..WWWW..
.WBBBBW.
WBbBBBBW
WBBBBBBW
WBBBBBBW
WBBBBBBW
.WBBBBW.
..WWWW..
EOF

# Mobile phone, 9x16.
xpm phone <<'EOF'
.KKKKKKK.
KkkkkkkkK
KkkgggkkK
KkkkkkkkK
KkbbbbbkK
KkbbbbbkK
KkbbbbbkK
KkbbbbbkK
KkkkkkkkK
KkwkwkwkK
KkkkkkkkK
KkwkwkwkK
KkkkkkkkK
KkwkwkwkK
KkkkkkkkK
.KKKKKKK.
EOF

# The Brisko badge, full 16x16.
xpm brand <<'EOF'
.UUUUUUUUUUUUUU.
UttttttttttttttU
UtTTTTTTTTTTTTTU
UtTTWWWWWWTTTTTU
UtTTWWTTTWWTTTTU
UtTTWWTTTWWTTTTU
UtTTWWTTTWWTTTTU
UtTTWWWWWWTTTTTU
UtTTWWTTTTWWTTTU
UtTTWWTTTTWWTTTU
UtTTWWTTTTWWTTTU
UtTTWWTTTTWWTTTU
UtTTWWWWWWWTTTTU
UtTTTTTTTTTTTTTU
UTTTTTTTTTTTTTTU
.UUUUUUUUUUUUUU.
EOF

# Two linked computers.
xpm computers <<'EOF'
KKKKKKKKK.......
KbbbbbbbK.......
KbWWbbbbK.......
KbWbbbbbK.......
KbbbbbbbK.......
KKKKKKKKK.......
..KKKKK.........
....g...........
....g...........
....g..KKKKKKKKK
....g..KbbbbbbbK
....gggKbWWbbbbK
.......KbWbbbbbK
.......KbbbbbbbK
.......KKKKKKKKK
.........KKKKK..
EOF

# Empty out-tray with an outgoing arrow.
xpm tray <<'EOF'
.......B........
......BBB.......
.....BBBBB......
....BBBBBBB.....
.......B........
.......B........
..KKKKKKKKKKKK..
.KwwwwwwwwwwwwK.
.KwwwwwwwwwwwwK.
KsssssKKKKsssssK
KgggggsKKsgggggK
KggggggggggggggK
KggggggggggggggK
KkkkkkkkkkkkkkkK
KKKKKKKKKKKKKKKK
................
EOF

# Big tick badge.
xpm bigtick <<'EOF'
................
.....DDDDDD.....
...DDLLGGGGDD...
..DLLGGGGGGGGD..
.DLGGGGGGGGGGGD.
.DLGGGGGGGGWWGD.
.DGGGGGGGGWWGGD.
.DGGGWWGGWWGGGD.
.DGGGGWWWWGGGGD.
.DGGGGGWWGGGGGD.
.DGGGGGGGGGGGGD.
.DGGGGGGGGGGGGD.
..DGGGGGGGGGGD..
...DDGGGGGGDD...
.....DDDDDD.....
................
EOF

# ------------------------------------------------------------ composition

# layer BASE OUTPNG [PART +X+Y]...: draws parts in order on a 16x16 canvas.
layer() {
  local base=$1 out=$2; shift 2
  local args=()
  while [ $# -gt 0 ]; do
    args+=("$T/$1.xpm" -geometry "$2" -composite); shift 2
  done
  "$IM" -size 16x16 "xc:$base" "${args[@]}" -depth 8 "PNG32:$T/$out.png"
}

# tree NAME [PART +X+Y]...: an opaque tree icon on white.
tree() {
  local id=$1; shift
  layer white "t$id" "$@"
  "$IM" "$T/t$id.png" -alpha off -type TrueColor "$OUT/icon_$id.ico"
}

tree 105 computers +0+0
tree 122 sp_lblue +6+0 sp_blue +0+5
tree 121 env +0+3
tree 123 p_green +0+0
tree 153 brand +0+0
tree 133 p_grey +0+0
tree 108 phone +3+0
tree 134 envy +0+3
tree 141 sp_grey +0+0 envsy +5+8
tree 119 env +0+1 b_tick +7+7
tree 137 bigtick +0+0
tree 139 phone +1+0 b_tick +7+7
tree 140 p_grey +0+0 b_tick +7+7
tree 159 p_red +0+0 b_busy +8+8
tree 117 tray +0+0
tree 152 env +0+1 b_info +7+7
tree 161 p_amber +0+0 b_clock +8+8

# ------------------------------------------------------------- tray sizes

# badge SIZE OUTPNG: the program icon drawn at SIZE (32 or 48).
badge() {
  local s=$1 out=$2 r e ps
  r=$((s / 5)); e=$((s - 1))
  ps=$((s * 3 / 4))
  "$IM" -size "${s}x${s}" xc:none \
    -fill "$BRAND_DARK" -draw "roundrectangle 0,0 $e,$e $r,$r" \
    -fill "$BRAND_LIGHT" -draw "roundrectangle 1,1 $((e - 1)),$((e - 1)) $((r - 1)),$((r - 1))" \
    -fill "$BRAND" -draw "roundrectangle 2,2 $((e - 1)),$((e - 1)) $((r - 1)),$((r - 1))" \
    -font "$FONT" -pointsize "$ps" -fill white -gravity center -annotate +0+0 B \
    -depth 8 "PNG32:$T/$out.png"
}

# tray_env IN OUT X0 Y0 X1 Y1: IN with a yellow envelope in the given box.
tray_env() {
  local x0=$3 y0=$4 x1=$5 y1=$6 mx my
  mx=$(( (x0 + x1) / 2 )); my=$(( y0 + (y1 - y0) * 3 / 5 ))
  "$IM" "$T/$1.png" \
    -stroke '#5a4400' -strokewidth 1 -fill '#ffd81a' -draw "rectangle $x0,$y0 $x1,$y1" \
    -fill none -stroke '#a07800' \
    -draw "polyline $((x0 + 1)),$((y0 + 1)) $mx,$my $((x1 - 1)),$((y0 + 1))" \
    -depth 8 "PNG32:$T/$2.png"
}

badge 32 b32
badge 48 b48

# 16x16 tray pictures from the pixel parts.
layer none tr16 brand +0+0
layer none tr16_busy brand +0+0 b_busyact +8+8
layer none tr16_env brand +0+0 envsy +5+8
layer none tr16_alone envy +0+3

# 32x32: activity dot, envelope corner, envelope alone.
"$IM" "$T/b32.png" \
  -fill white -draw "circle 23.5,23.5 23.5,14.5" \
  -fill '#163d7a' -draw "circle 23.5,23.5 23.5,16" \
  -fill '#2f6fd0' -draw "circle 23.5,23.5 23.5,17" \
  -fill white \
  -draw "rectangle 18,23 19,24" -draw "rectangle 23,23 24,24" -draw "rectangle 28,23 29,24" \
  -depth 8 "PNG32:$T/b32_busy.png"
tray_env b32 b32_env 12 17 31 31
"$IM" -size 32x32 xc:none "PNG32:$T/empty32.png"
tray_env empty32 b32_alone 1 5 30 26

"$IM" "$T/tr16.png" "$T/b32.png" "$T/b48.png" "$OUT/icon_101.ico"
"$IM" "$T/tr16.png" "$T/b32.png" "$OUT/icon_111.ico"
# Idle looks the same as just after start.
"$IM" "$T/tr16.png" "$T/b32.png" "$OUT/icon_112.ico"
"$IM" "$T/tr16_busy.png" "$T/b32_busy.png" "$OUT/icon_109.ico"
"$IM" "$T/tr16_env.png" "$T/b32_env.png" "$OUT/icon_129.ico"
"$IM" "$T/tr16_alone.png" "$T/b32_alone.png" "$OUT/icon_130.ico"

# ---------------------------------------------------------------- bitmaps

# House, 12x11.
xpm house <<'EOF'
.....UU.....
....UttU....
...UttttU...
..UTTTTTTU..
.UTTTTTTTTU.
UUTTTTTTTTUU
..TTTTTTTT..
..TTWWTTTT..
..TTWWTTTT..
..TTWWTTTT..
..UUUUUUUU..
EOF

BTN_W=86 BTN_H=20
# button FACE TOP BOTTOM SHIFT OUT [extra draw args...]
button() {
  local face=$1 hi=$2 lo=$3 d=$4 out=$5; shift 5
  "$IM" -size "${BTN_W}x${BTN_H}" "xc:$face" \
    -fill none -stroke "$hi" -draw "line 0,0 $((BTN_W - 1)),0" -draw "line 0,0 0,$((BTN_H - 1))" \
    -stroke "$lo" -draw "line 0,$((BTN_H - 1)) $((BTN_W - 1)),$((BTN_H - 1))" \
    -draw "line $((BTN_W - 1)),0 $((BTN_W - 1)),$((BTN_H - 1))" \
    "$T/house.xpm" -geometry "+$((9 + d))+$((4 + d))" -composite \
    -stroke none -fill "$BRAND_DARK" -font "$FONT" -pointsize 12 \
    -gravity NorthWest -annotate "+$((26 + d))+$((2 + d))" Brisko \
    "$@" -alpha off -type TrueColor "BMP3:$OUT/$out.bmp"
}
button '#ece9d8' white '#8c8a80' 0 bmp_132
button '#d8d4c4' '#8c8a80' white 1 bmp_134
# The focus frame: a dotted rectangle, every other pixel, as Windows draws it.
"$IM" -size "${BTN_W}x${BTN_H}" xc:white -fill none -stroke black \
  -draw "rectangle 3,3 $((BTN_W - 4)),$((BTN_H - 4))" \
  \( -size "${BTN_W}x${BTN_H}" pattern:gray50 \) -compose lighten -composite \
  -alpha off "PNG24:$T/focus.png"
button '#ece9d8' white '#8c8a80' 0 bmp_135 \
  "$T/focus.png" -compose multiply -composite

# Menu check marks: speech bubble, outline (unchecked) and filled (checked).
xpm bubble <<'EOF'
.............
.KKKKKKKKKKK.
KWWWWWWWWWWWK
KWWWWWWWWWWWK
KWWWWWWWWWWWK
KWWWWWWWWWWWK
KWWWWWWWWWWWK
.KKKWKKKKKKK.
...KWK.......
...KK........
..KK.........
.............
.............
EOF
recolor bubble bubble_full 'W' 'T'
for b in bubble:156 bubble_full:157; do
  "$IM" -size 13x13 xc:white "$T/${b%:*}.xpm" -composite \
    -alpha off -type TrueColor "BMP3:$OUT/bmp_${b#*:}.bmp"
done

# -------------------------------------------------------------- animation

# The download clip: a page flies in an arc out of a turning globe into an
# open folder. A transparent animation control leaves out the colour of the
# clip's first pixel, so the background is one flat colour found nowhere
# else, and nothing is anti-aliased: every colour stays exact, and the clip's
# one palette stays small. The page turns as it flies, so it is drawn with
# shapes rather than from a grid (a turned grid loses its outline).
# 272x48 fits the download dialog's 192x32-unit animation slot: 288x48 pixels
# under Wine, 288x52 under Windows.
AVI_W=272 AVI_H=48 AVI_FRAMES=16 AVI_FPS=10
AVI_KEY='#ff00ff'

# avi_frame N: the drawing of frame N, as convert arguments one a line.
# Over the clip the page goes from behind the globe's centre to behind the
# folder's front, turning from -20 to +20 degrees, and the globe turns by
# one meridian spacing, so that the last frame leads back into the first.
avi_frame() {
  awk -v n="$1" -v frames="$AVI_FRAMES" \
      -v teal="$BRAND" -v teal_dark="$BRAND_DARK" -v teal_light="$BRAND_LIGHT" \
      -v ink="$(colour K)" -v paper="$(colour W)" -v fold="$(colour w)" -v text="$(colour g)" \
      -v amber="$(colour A)" -v amber_light="$(colour a)" -v amber_dark="$(colour O)" \
      -v amber_back='#c88c00' '
    function draw(stroke, fill, primitive) {
      printf "-stroke\n%s\n-fill\n%s\n-draw\n%s\n", stroke, fill, primitive
    }
    # pt X Y: a point of the page (centre 0,0, 14x18), turned and put in place.
    function pt(x, y) {
      return sprintf(" %.2f,%.2f", px + x * c - y * s, py + x * s + y * c)
    }
    BEGIN {
      pi = atan2(0, -1); t = n / frames
      gx = 25; gy = 24; r = 20  # the globe
      px = gx + 225 * t; py = gy + 9 * t - 70 * t * (1 - t)
      c = cos((40 * t - 20) * pi / 180); s = sin((40 * t - 20) * pi / 180)

      draw(amber_dark, amber_back, "polygon 228,11 240,11 243,15 264,15 264,44 228,44")

      # Filled, not stroked: a stroked polygon turned gets an outline 2 pixels thick in places.
      draw("none", ink, "polygon" pt(-7, -9) pt(3, -9) pt(7, -5) pt(7, 9) pt(-7, 9))
      draw("none", paper, "polygon" pt(-6, -8) pt(2.5, -8) pt(6, -4.5) pt(6, 8) pt(-6, 8))
      draw("none", fold, "polygon" pt(3, -8) pt(3, -5) pt(6, -5))
      draw(ink, "none", "polyline" pt(3, -8) pt(3, -5) pt(6, -5))
      draw(teal, "none", "line" pt(-4, -5) pt(0, -5))
      split("4 2 4 1", ends)  # where the lines of text end
      for (i = 1; i <= 4; i++) draw(text, "none", "line" pt(-4, 3 * i - 4) pt(ends[i], 3 * i - 4))

      outline = sprintf("circle %d,%d %d,%d", gx, gy, gx, gy - r)
      draw(teal_dark, teal, outline)
      for (lat = -2; lat <= 2; lat++) {
        dy = r / 2 * lat; dx = int(sqrt(r * r - dy * dy))
        draw(teal_light, "none", sprintf("line %d,%d %d,%d", gx - dx, gy + dy, gx + dx, gy + dy))
      }
      for (lon = -90 + 30 * t; lon < 90; lon += 30) {
        rx = int((r - 1) * sin(lon * pi / 180) + r - 0.5) - (r - 1)
        if (rx == 0) draw(teal_light, "none", sprintf("line %d,%d %d,%d", gx, gy - r + 1, gx, gy + r - 1))
        else draw(teal_light, "none", sprintf("ellipse %d,%d %d,%d %s", gx, gy, rx < 0 ? -rx : rx, r - 1, rx > 0 ? "-90,90" : "90,270"))
      }
      draw(teal_dark, "none", outline)

      draw(amber_dark, amber, "polygon 222,23 258,23 264,44 228,44")
      draw(amber_light, "none", "line 224,24 257,24")
    }'
}

for ((i = 0; i < AVI_FRAMES; i++)); do
  mapfile -t drawing < <(avi_frame "$i")
  "$IM" -size "${AVI_W}x${AVI_H}" "xc:$AVI_KEY" +antialias -strokewidth 1 "${drawing[@]}" \
    -alpha off -depth 8 "PNG24:$T/avi_$(printf %02d "$i").png"
done
"$IM" "$T"/avi_*.png -depth 8 "rgb:$T/avi.rgb"
"$(dirname "$0")/pack-avi.pl" "$AVI_W" "$AVI_H" "$AVI_FPS" "$T/avi.rgb" "$OUT/avi_143.avi"

# ------------------------------------------------------------ contact sheet

if [ -n "$SHEET" ]; then
  [ -n "$MONTAGE" ] || { echo "make-images: montage not found" >&2; exit 1; }
  # Grey shows what is transparent: alpha, and the clip's background.
  SHEET_BACK='#b4b4b4'
  # sheet_part OUT TILE GEOMETRY [-label TEXT FILE]...: one labelled montage.
  sheet_part() {
    local out=$1 tile=$2 geometry=$3; shift 3
    "$MONTAGE" "$@" -tile "$tile" -geometry "$geometry" -background white \
      -font "${FONT/-Bold/}" -pointsize 13 "PNG24:$out"
  }
  list=()
  for f in "$OUT"/icon_*.ico "$OUT"/bmp_*.bmp; do
    b=$(basename "$f"); b=${b%.*}
    sizes=$("$IM" "$f" -format '%wx%h ' info:)
    # All frames of a file side by side, enlarged x4.
    "$IM" "$f" -background "$SHEET_BACK" -alpha remove -alpha off -filter point -resize 400% \
      -bordercolor white -border 6x0 -background white -gravity center +append "PNG24:$T/sheet_$b.png"
    list+=(-label "$b  ${sizes% }" "$T/sheet_$b.png")
  done
  sheet_part "$T/sheet_images.png" 4x '400x200>+4+4' "${list[@]}"
  # The clip, frame by frame, enlarged x3.
  list=()
  for ((i = 0; i < AVI_FRAMES; i++)); do
    f=avi_$(printf %02d "$i")
    "$IM" "$T/$f.png" -fill "$SHEET_BACK" -opaque "$AVI_KEY" -filter point -resize 300% "PNG24:$T/sheet_$f.png"
    list+=(-label "avi_143  ${AVI_W}x${AVI_H}  frame $((i + 1))/$AVI_FRAMES, $((1000 / AVI_FPS)) ms" "$T/sheet_$f.png")
  done
  sheet_part "$T/sheet_clip.png" 2x +4+4 "${list[@]}"
  "$IM" "$T/sheet_images.png" "$T/sheet_clip.png" -background white -gravity center -append \
    -define png:exclude-chunks=date,time "$SHEET"
fi
