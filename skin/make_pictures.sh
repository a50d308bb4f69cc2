#!/usr/bin/env bash
# Draws the pictures of one of the two skin archives with ImageMagick and the
# WenQuanYi Micro Hei font (both Debian packages), into <out-dir>. Both skins
# share one look: the same palette, font, sprites and frame background.
#
#   uninstall  Uninstall.DAT:
#     Page9BK.jpg, Page10BK.jpg, Page11BK.jpg         517x397 frame backgrounds
#   setup      VELTSetupDate.DAT:
#     CoverBK.jpg                                     516x396 (fresh-install frame)
#     Page1BK.jpg ... Page4BK.jpg, Page6BK.jpg, Page7BK.jpg   516x396 (its pages)
#     Page8BK.jpg                                     517x397 (maintenance frame)
#     Page9BK.jpg ... Page13BK.jpg                    517x397 (its pages)
#   both:
#     button.png         sprite sheet: every button state at the rectangles the
#                        layouts and the option/check image strings cut
#     CaptionButton.png  close button states
#     progress.png       fill of the progress bar
#     name@2x.png        the 2x copy of a picture, for 144 DPI and more (the
#                        window library takes it where the skin has one),
#                        written for the pictures that <skin>.entries lists
#                        one of: every background, button.png and
#                        CaptionButton.png (the progress fill is a smooth
#                        gradient, which the library's enlargement draws as
#                        well as a copy would).
# One drawing code serves both scales: at 2x a picture's text is set at
# twice the point size and its lines drawn twice as wide, never enlarged. A
# 2x copy is a PNG of exactly twice the size.
# A page shows the slice of its own frame-sized picture that lies under it, so
# every background is drawn at the size of the frame it belongs to.
# A page shows only the rectangle that its layout's bkimage "source" cuts
# (read from the layout); outside it, its picture repeats the rectangle's edge
# pixels, which the JPEG stores in almost nothing.
# The same inputs give byte-identical files: no time stamps or comments are
# written into the pictures, and zopflipng is deterministic.
#
# How they are stored, each checked against the drawn picture as it is written:
#   backgrounds  progressive JPEG, quality 90, full-resolution chroma (text and
#                thin lines stay crisp); every channel of every pixel shown
#                stays within 40 of 255 levels of the drawn one (the error sits
#                at the edges of the text; the mean error is about 1.5 levels).
#                Their 2x copies: PNG with a palette of 48 colours (pngquant,
#                no dithering, so flat areas stay flat), within the same 40
#                levels; a 2x background is mostly text on flat colour, which
#                a palette keeps far better per byte than JPEG (about 10 KB
#                against 16 KB at quality 60).
#   button.png   PNG with a palette of 256 colours with alpha (pngquant, no
#                dithering), at 1x and 2x: every channel within 24 levels (the
#                anti-aliased edges of its text; 9 and 18 levels today), at a
#                third of the lossless size (pngquant gives the same bytes
#                for the same picture).
#   the others   PNG by zopflipng: lossless (with a palette where the picture
#                has at most 256 colours), the same pixels as drawn.
# The release kit's size (bench/README.md, "The kit zip") is most of all
# these pictures and the programs.
#
# Usage: make_pictures.sh <uninstall|setup> <out-dir>
# Exit status: 0 when every picture was written, non-zero otherwise (1 for bad
# usage).
set -euo pipefail

usage() { echo "usage: make_pictures.sh <uninstall|setup> <out-dir>" >&2; exit 1; }
[ $# -eq 2 ] || usage
skin=$1 out=$2
case $skin in uninstall | setup) ;; *) usage ;; esac
mkdir -p "$out"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$font" ] || { echo "missing font $font (fonts-wqy-microhei)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# PNG without time chunks, JPEG without metadata and with full-resolution
# chroma.
png_opts=(-strip -define png:exclude-chunks=date,time -define png:color-type=6)
jpg_opts=(-strip -sampling-factor 1x1 -quality 90 -interlace JPEG)
for tool in zopflipng pngquant; do
  command -v $tool >/dev/null || { echo "missing $tool (tools/bootstrap.sh)" >&2; exit 1; }
done
layouts=$(dirname "$0")
entries=$layouts/$skin.entries
[ "$skin" = setup ] && layouts=$layouts/setup

# Fails unless the <geometry> rectangle (WxH+X+Y, or "" for all) of <a> and
# <b> decode to pixels whose channels differ by at most <levels> of 255.
same_look() { # <a> <b> <levels> <geometry>
  local peak a=$1 b=$2
  if [ -n "$4" ]; then
    convert "$1" -crop "$4" +repage "$tmp/look-a.png"
    convert "$2" -crop "$4" +repage "$tmp/look-b.png"
    a=$tmp/look-a.png b=$tmp/look-b.png
  fi
  peak=$(compare -metric PAE "$a" "$b" null: 2>&1 | sed 's/[. ].*//') || true
  if ! [[ $peak =~ ^[0-9]+$ ]] || [ "$peak" -gt $(($3 * 257)) ]; then
    echo "make_pictures: $(basename "$2") is off by ${peak:-?} of 65535 levels (at most $(($3 * 257)))" >&2
    return 1
  fi
}

# Writes <drawn.png> to <out.png> losslessly, as small as zopflipng makes it.
store_png() { # <drawn.png> <out.png>
  zopflipng -y --iterations=5 "$1" "$2" >/dev/null
  same_look "$1" "$2" 0 ""
}

# Writes <drawn.png> to <out.png> with a palette of <colours> (alpha kept),
# without dithering, then as small as zopflipng makes it; fails unless every
# channel of the <geometry> rectangle ("" for all) stays within <levels>.
store_palette() { # <drawn.png> <out.png> <colours> <levels> <geometry>
  pngquant --nofs --strip --speed 1 --force --output "$tmp/palette.png" "$3" -- "$1"
  zopflipng -y --iterations=5 "$tmp/palette.png" "$2" >/dev/null
  same_look "$1" "$2" "$4" "$5"
}

# Drawing at scale <k> (1 or 2): every picture is drawn by the same code at
# 1x and at 2x, so that text and lines of a 2x copy are drawn at twice the
# size, never enlarged.
# ImageMagick's pixel <n> spans <n> - 0.5 to <n> + 0.5.
#   at <k> <expr>      a point of the 1x drawing (stroke centres, circles)
#   edge <k> <n>       the first pixel of 1x pixel <n>
#   fill_end <k> <n>   the last pixel of 1x pixel <n> (filled rectangles end on it)
at() { awk -v k="$1" "BEGIN { printf \"%g\", k * (($2) + 0.5) - 0.5 }"; }
edge() { echo $(($1 * $2)); }
fill_end() { echo $(($1 * ($2 + 1) - 1)); }
#   times <k> <expr>   a length (stroke widths)
times() { awk -v k="$1" "BEGIN { printf \"%g\", k * ($2) }"; }

# The pictures that the skin carries a 2x copy of ("name@2x.png" beside
# "name.ext") are those its entries list; "2" when <picture> is one of them
# ("icons" when any background is), nothing otherwise.
scales_of() { # <picture>
  local stem=${1%.*}
  if [ "$1" = icons ]; then
    grep -q "BK@2x\.png$" "$entries" && echo 2
  else
    grep -qx "$stem@2x\.png" "$entries" && echo 2
  fi
  return 0
}

# Palette: a calm blue accent on white.
caption_top='#2168A3'
caption_bottom='#19588B'
accent='#2B7CD3'
accent_hot='#3D8DE0'
accent_pushed='#1F64AE'
ink='#1F2D3D'
ink_soft='#66727F'
rule='#E2E7EC'
footer='#F4F6F8'

# ---------------------------------------------------------------------------
# A small calendar glyph: <size> <out.png>; a rounded page with a blue band,
# two rings and the number 31.
calendar_icon() { # <size at 1x> <scale> <out.png>
  local s=$1 k=$2 file=$3
  local band=$((s * 30 / 100)) r=$((s / 8))
  convert -size "$((s * k))x$((s * k))" xc:none \
    -fill white -stroke '#C9D6E3' -strokewidth "$k" \
    -draw "roundrectangle $(at $k 0.5),$(at $k 2.5) $(at $k $s-0.5),$(at $k $s-0.5) $((r * k)),$((r * k))" \
    -fill "$accent" -stroke none \
    -draw "roundrectangle $(at $k 0.5),$(at $k 2.5) $(at $k $s-0.5),$(at $k $band+2.5) $((r * k)),$((r * k))" \
    -draw "rectangle $(at $k 0.5),$(edge $k $((band - r + 2))) $(at $k $s-0.5),$(at $k $band+2.5)" \
    -fill '#8FA3B8' \
    -draw "roundrectangle $(edge $k $((s * 28 / 100))),0 $(fill_end $k $((s * 28 / 100 + s / 12))),$(fill_end $k $((band - 1))) $k,$k" \
    -draw "roundrectangle $(edge $k $((s * 72 / 100 - s / 12))),0 $(fill_end $k $((s * 72 / 100))),$(fill_end $k $((band - 1))) $k,$k" \
    -font "$font" -fill "$accent" -pointsize $((s * 42 / 100 * k)) -gravity center \
    -annotate +0+$(((band / 2 + 1) * k)) '31' \
    "${png_opts[@]}" "$file"
}

# The white caption glyph beside the title: <scale> <out.png>.
calendar_icon_small() {
  local k=$1 dots=()
  for box in 2,3,14,6 4,0,5,4 11,0,12,4 4,9,5,10 7,9,8,10 10,9,11,10 4,12,5,13 7,12,8,13; do
    IFS=, read -r l t r b <<<"$box"
    dots+=(-draw "rectangle $(edge $k $l),$(edge $k $t) $(fill_end $k $r),$(fill_end $k $b)")
  done
  convert -size "$((16 * k))x$((16 * k))" xc:none \
    -fill none -stroke white -strokewidth "$(times $k 1.2)" \
    -draw "roundrectangle $(at $k 1.5),$(at $k 2.5) $(at $k 14.5),$(at $k 14.5) $((2 * k)),$((2 * k))" \
    -fill white -stroke none "${dots[@]}" \
    "${png_opts[@]}" "$2"
}

# A round "i" for notes: <scale> <out.png>.
info_icon() {
  local k=$1
  convert -size "$((16 * k))x$((16 * k))" xc:none \
    -fill "$accent" -draw "circle $(at $k 7.5),$(at $k 7.5) $(at $k 7.5),$(at $k 0.3)" \
    -fill white -draw "rectangle $(edge $k 7),$(edge $k 6) $(fill_end $k 8),$(fill_end $k 12)" \
    -draw "rectangle $(edge $k 7),$(edge $k 3) $(fill_end $k 8),$(fill_end $k 4)" \
    "${png_opts[@]}" "$2"
}

for k in 1 $(scales_of icons); do
  calendar_icon 44 $k "$tmp/icon-$k.png"
  info_icon $k "$tmp/info-$k.png"
  calendar_icon_small $k "$tmp/icon16-$k.png"
done

# Fails unless <text> drawn at <pointsize> is at most <room> pixels wide.
fits() {
  local text=$1 size=$2 room=$3 width
  [ -n "$text" ] || return 0
  width=$(convert -font "$font" -pointsize "$size" label:"$text" -format %w info:)
  if [ "$width" -gt "$room" ]; then
    echo "make_pictures: \"$text\" is $width pixels wide, room for $room" >&2
    return 1
  fi
}

# ---------------------------------------------------------------------------
# Frame background: <width> <height> <title> <heading> <subheading> <note or "">
# <out.jpg>
#   0..29    caption band with the wizard title
#   30..95   page heading on a faint wash, rule below
#   96..345  white body (labels, fields and the progress bar of the layouts)
#   346..    footer band behind the buttons, rule above
# A one-pixel frame line in the caption colour runs round the picture; the
# note, with its info sign, sits at y 316 just above the footer.
frame_background() {
  local w=$1 h=$2 title=$3 heading=$4 sub=$5 note=$6 file=$7
  # The texts must stop short of the calendar icon (at w - 71) and the note
  # short of the frame's right margin.
  fits "$heading" 17 $((w - 71 - 8 - 35))
  fits "$sub" 12 $((w - 71 - 8 - 35))
  fits "$note" 12 $((w - 35 - 57))
  # A page's layout cuts the rectangle <left>,<top>,<right>,<bottom>.
  local cut
  cut=$(grep -ho "file='$(basename "$file")' source='[0-9,]*'" "$layouts"/*.xml | head -n1 | sed "s/.*source='//; s/'//" || true)
  local k
  for k in 1 $(scales_of "$(basename "$file")"); do
    local W=$((w * k)) H=$((h * k)) note_draw=() shown="" kept=$tmp/drawn.png
    if [ -n "$note" ]; then
      note_draw=("$tmp/info-$k.png" -geometry "+$((35 * k))+$((316 * k))" -composite
        -font "$font" -fill "$ink_soft" -pointsize $((12 * k)) -gravity northwest
        -annotate "+$((57 * k))+$((316 * k))" "$note")
    fi
    convert -size "${W}x${H}" xc:white \
      \( -size "${W}x$((30 * k))" gradient:"$caption_top"-"$caption_bottom" \) -geometry +0+0 -composite \
      \( -size "${W}x$((66 * k))" gradient:'#F3F8FD'-white \) -geometry "+0+$((30 * k))" -composite \
      -fill "$rule" -draw "rectangle 0,$(edge $k 96) $((W - 1)),$(fill_end $k 96)" \
      -fill "$footer" -draw "rectangle 0,$(edge $k 346) $((W - 1)),$((H - 1))" \
      -fill "$rule" -draw "rectangle 0,$(edge $k 346) $((W - 1)),$(fill_end $k 346)" \
      "$tmp/icon16-$k.png" -geometry "+$((12 * k))+$((7 * k))" -composite \
      -font "$font" -fill white -pointsize $((13 * k)) -gravity northwest \
      -annotate "+$((34 * k))+$((6 * k))" "$title" \
      -fill "$ink" -pointsize $((17 * k)) -annotate "+$((35 * k))+$((43 * k))" "$heading" \
      -fill "$ink_soft" -pointsize $((12 * k)) -annotate "+$((35 * k))+$((70 * k))" "$sub" \
      "$tmp/icon-$k.png" -geometry "+$(((w - 71) * k))+$((40 * k))" -composite \
      "${note_draw[@]}" \
      -fill none -stroke "$caption_bottom" -strokewidth "$k" \
      -draw "rectangle $(at $k 0.5),$(at $k 0.5) $(at $k $w-0.5),$(at $k $h-0.5)" \
      -alpha off "$tmp/drawn.png"
    if [ -n "$cut" ]; then
      IFS=, read -r l t r b <<<"$cut"
      l=$((l * k)) t=$((t * k)) r=$((r * k)) b=$((b * k))
      shown=$((r - l))x$((b - t))+$l+$t
      kept=$tmp/kept.png
      convert "$tmp/drawn.png" -crop "$shown" +repage -set option:distort:viewport "${W}x${H}-$l-$t" \
        -virtual-pixel edge -distort SRT 0 +repage "$kept"
    fi
    if [ $k = 1 ]; then
      convert "$kept" "${jpg_opts[@]}" "$file"
      same_look "$tmp/drawn.png" "$file" 40 "$shown"
    else
      store_palette "$kept" "${file%.jpg}@2x.png" 48 40 "$shown"
    fi
  done
}

if [ "$skin" = uninstall ]; then
  title='VELT电子日历卸载向导'
  frame_background 517 397 "$title" '卸载 VELT电子日历' \
    '欢迎使用卸载向导，它将引导您从计算机中删除 VELT电子日历。' \
    '卸载前请先退出正在运行的 VELT电子日历。' "$out/Page9BK.jpg"
  frame_background 517 397 "$title" '正在卸载' \
    '请稍候，卸载向导正在从您的计算机中删除 VELT电子日历。' '' "$out/Page10BK.jpg"
  frame_background 517 397 "$title" '卸载完成' \
    'VELT电子日历已从您的计算机中删除。' '' "$out/Page11BK.jpg"
else
  title='VELT电子日历安装向导'
  # Fresh installation: the 516x396 frame and its pages.
  frame_background 516 396 "$title" '欢迎使用 VELT电子日历安装向导' \
    '本向导将引导您在计算机上安装 VELT电子日历。' '' "$out/CoverBK.jpg"
  frame_background 516 396 "$title" '欢迎安装 VELT电子日历' \
    '安装向导将分几步完成安装，您可以随时返回上一步修改选择。' '' "$out/Page1BK.jpg"
  frame_background 516 396 "$title" '许可协议' \
    '请阅读下面的许可协议。您必须接受协议中的条款才能继续安装。' '' "$out/Page2BK.jpg"
  frame_background 516 396 "$title" '用户信息' \
    '请输入您的信息，并选择为哪些用户安装 VELT电子日历。' '' "$out/Page3BK.jpg"
  frame_background 516 396 "$title" '选择安装位置' \
    '请选择 VELT电子日历的安装文件夹，以及要创建的快捷方式。' \
    '单击“安装(I)”开始复制文件。' "$out/Page4BK.jpg"
  frame_background 516 396 "$title" '正在安装' \
    '请稍候，安装向导正在您的计算机上安装 VELT电子日历。' '' "$out/Page6BK.jpg"
  frame_background 516 396 "$title" '安装完成' \
    'VELT电子日历已成功安装到您的计算机上。' '' "$out/Page7BK.jpg"
  # Maintenance: the 517x397 frame and its pages.
  frame_background 517 397 "$title" '修复或卸载 VELT电子日历' \
    'VELT电子日历已经安装在您的计算机上。请选择要执行的操作。' '' "$out/Page8BK.jpg"
  frame_background 517 397 "$title" '卸载 VELT电子日历' \
    '请确认要从您的计算机中删除 VELT电子日历。' \
    '卸载前请先退出正在运行的 VELT电子日历。' "$out/Page9BK.jpg"
  frame_background 517 397 "$title" '正在卸载' \
    '请稍候，安装向导正在从您的计算机中删除 VELT电子日历。' '' "$out/Page10BK.jpg"
  frame_background 517 397 "$title" '卸载完成' \
    'VELT电子日历已从您的计算机中删除。' '' "$out/Page11BK.jpg"
  frame_background 517 397 "$title" '正在修复' \
    '请稍候，安装向导正在重新写入 VELT电子日历的程序文件。' '' "$out/Page12BK.jpg"
  frame_background 517 397 "$title" '修复完成' \
    '安装向导已重新写入 VELT电子日历的程序文件和快捷方式。' '' "$out/Page13BK.jpg"
fi

# ---------------------------------------------------------------------------
# Push button sprite: <w> <h> <fill> <border> <text colour> <text> <out.png>
push_button() {
  local w=$1 h=$2 fill=$3 border=$4 ink_colour=$5 text=$6 file=$7
  convert -size "$((w * k))x$((h * k))" xc:none \
    -fill "$fill" -stroke "$border" -strokewidth "$k" \
    -draw "roundrectangle $(at $k 0.5),$(at $k 0.5) $(at $k $w-0.5),$(at $k $h-0.5) $((3 * k)),$((3 * k))" \
    -stroke none -font "$font" -pointsize $((12 * k)) -fill "$ink_colour" -gravity center \
    -annotate +0+0 "$text" \
    "${png_opts[@]}" "$file"
}

# One state per row of button.png: normal y 1, hot y 37, pushed y 74 (the
# rectangles of the layouts), disabled y 110 (for a disabledimage). Columns:
# 上一步(B) x 1, 下一步(N) x 91, 取消 x 182, 完成 x 256 (Uninstall's and
# Setup's), 安装(I) x 331 and 浏览(R)... x 422 (Setup's), each 24 high.
rows=(1 37 74 110)
primary_fill=("$accent" "$accent_hot" "$accent_pushed" '#A9C7E8')
primary_border=('#236AB8' '#2F7ACB' '#1A5698' '#A0BEDF')
primary_ink=(white white '#E8F1FB' '#F2F7FC')
second_fill=(white '#EEF5FC' '#DCE8F5' '#F3F5F7')
second_border=('#B7C1CB' '#7FA9D6' '#5F8FC4' '#D6DBE0')
second_ink=("$ink" "$ink" "$ink" '#A3ABB3')

# Minimise button for the caption band, 42x25 at y 150 / 186 / 220. Its last
# three columns stay clear: Uninstall's layout lets the close button overlap
# them, Setup's layouts cut only the first 39 columns.
min_button() { # <overlay colour> <out.png>
  convert -size "$((42 * k))x$((25 * k))" xc:none \
    -fill "$1" -draw "rectangle 0,0 $(fill_end $k 38),$(fill_end $k 24)" \
    -fill white -draw "rectangle $(edge $k 14),$(edge $k 13) $(fill_end $k 24),$(fill_end $k 13)" \
    "${png_opts[@]}" "$2"
}

# Option (round, 20x20) and check (square, 14x14) buttons: off and on, each
# normal / hot / pushed, at the x positions of the image strings.
option_button() { # <fill> <ring> <dot or none> <out.png>
  local dot=()
  [ "$3" = none ] || dot=(-fill "$3" -stroke none -draw "circle $(at $k 9.5),$(at $k 9.5) $(at $k 9.5),$(at $k 5.5)")
  convert -size "$((20 * k))x$((20 * k))" xc:none \
    -fill "$1" -stroke "$2" -strokewidth "$(times $k 1.2)" \
    -draw "circle $(at $k 9.5),$(at $k 9.5) $(at $k 9.5),$(at $k 1.2)" \
    "${dot[@]}" "${png_opts[@]}" "$4"
}
check_button() { # <fill> <border> <tick or none> <out.png>
  local tick=()
  [ "$3" = none ] || tick=(-fill none -stroke "$3" -strokewidth "$(times $k 1.6)" \
    -draw "polyline $(at $k 3.2),$(at $k 7.2) $(at $k 5.8),$(at $k 9.8) $(at $k 10.8),$(at $k 4.2)")
  convert -size "$((14 * k))x$((14 * k))" xc:none \
    -fill "$1" -stroke "$2" -strokewidth "$k" \
    -draw "roundrectangle $(at $k 0.5),$(at $k 0.5) $(at $k 13.5),$(at $k 13.5) $((2 * k)),$((2 * k))" \
    "${tick[@]}" "${png_opts[@]}" "$4"
}

# CaptionButton.png: close button 36x28 at x 180, rows y 0 / 43 / 85.
close_button() { # <fill> <out.png>
  convert -size "$((36 * k))x$((28 * k))" xc:none \
    -fill "$1" -draw "rectangle 0,0 $(fill_end $k 35),$(fill_end $k 27)" \
    -fill none -stroke white -strokewidth "$(times $k 1.3)" \
    -draw "line $(at $k 13.5),$(at $k 9.5) $(at $k 22.5),$(at $k 18.5)" \
    -draw "line $(at $k 22.5),$(at $k 9.5) $(at $k 13.5),$(at $k 18.5)" \
    "${png_opts[@]}" "$2"
}

# Draws button.png and CaptionButton.png at scale <k> into $tmp (named
# button-<k>.png and CaptionButton-<k>.png).
draw_sprites() { # <k>
  local k=$1 i composites=()
  for i in 0 1 2 3; do
    push_button 85 24 "${primary_fill[$i]}" "${primary_border[$i]}" "${primary_ink[$i]}" \
      '下一步(N)' "$tmp/next$i.png"
    push_button 65 24 "${second_fill[$i]}" "${second_border[$i]}" "${second_ink[$i]}" \
      '取消' "$tmp/cancel$i.png"
    push_button 65 24 "${primary_fill[$i]}" "${primary_border[$i]}" "${primary_ink[$i]}" \
      '完成' "$tmp/finish$i.png"
    push_button 85 24 "${second_fill[$i]}" "${second_border[$i]}" "${second_ink[$i]}" \
      '上一步(B)' "$tmp/prev$i.png"
    push_button 85 24 "${primary_fill[$i]}" "${primary_border[$i]}" "${primary_ink[$i]}" \
      '安装(I)' "$tmp/install$i.png"
    push_button 85 24 "${second_fill[$i]}" "${second_border[$i]}" "${second_ink[$i]}" \
      '浏览(R)...' "$tmp/browse$i.png"
    composites+=("$tmp/prev$i.png" -geometry "+$((1 * k))+$((rows[i] * k))" -composite)
    composites+=("$tmp/next$i.png" -geometry "+$((91 * k))+$((rows[i] * k))" -composite)
    composites+=("$tmp/cancel$i.png" -geometry "+$((182 * k))+$((rows[i] * k))" -composite)
    composites+=("$tmp/finish$i.png" -geometry "+$((256 * k))+$((rows[i] * k))" -composite)
    composites+=("$tmp/install$i.png" -geometry "+$((331 * k))+$((rows[i] * k))" -composite)
    composites+=("$tmp/browse$i.png" -geometry "+$((422 * k))+$((rows[i] * k))" -composite)
  done
  min_button none "$tmp/min0.png"
  min_button 'rgba(255,255,255,0.20)' "$tmp/min1.png"
  min_button 'rgba(0,0,0,0.20)' "$tmp/min2.png"
  composites+=("$tmp/min0.png" -geometry "+$k+$((150 * k))" -composite)
  composites+=("$tmp/min1.png" -geometry "+$k+$((186 * k))" -composite)
  composites+=("$tmp/min2.png" -geometry "+$k+$((220 * k))" -composite)
  option_button white '#98A4B0' none "$tmp/opt0.png"
  option_button white "$accent" none "$tmp/opt1.png"
  option_button '#E2EDF9' "$accent_pushed" none "$tmp/opt2.png"
  option_button white "$accent" "$accent" "$tmp/opt3.png"
  option_button '#EAF3FD' '#5BA3EC' '#5BA3EC' "$tmp/opt4.png"
  option_button '#E2EDF9' "$accent_pushed" "$accent_pushed" "$tmp/opt5.png"
  check_button white '#98A4B0' none "$tmp/chk0.png"
  check_button white "$accent" none "$tmp/chk1.png"
  check_button '#E2EDF9' "$accent_pushed" none "$tmp/chk2.png"
  check_button "$accent" '#236AB8' white "$tmp/chk3.png"
  check_button '#4F9DEB' '#3E8CDD' white "$tmp/chk4.png"
  check_button "$accent_pushed" '#1A5698' white "$tmp/chk5.png"
  local opt_x=(3 39 75 110 146 182) chk_x=(4 41 77 112 148 184)
  for i in 0 1 2 3 4 5; do
    composites+=("$tmp/opt$i.png" -geometry "+$((opt_x[i] * k))+$((263 * k))" -composite)
    composites+=("$tmp/chk$i.png" -geometry "+$((chk_x[i] * k))+$((303 * k))" -composite)
  done
  convert -size "$((510 * k))x$((320 * k))" xc:none "${composites[@]}" "${png_opts[@]}" "$tmp/button-$k.png"

  close_button none "$tmp/close0.png"
  close_button '#E0443E' "$tmp/close1.png"
  close_button '#B8322D' "$tmp/close2.png"
  convert -size "$((216 * k))x$((113 * k))" xc:none \
    "$tmp/close0.png" -geometry "+$((180 * k))+0" -composite \
    "$tmp/close1.png" -geometry "+$((180 * k))+$((43 * k))" -composite \
    "$tmp/close2.png" -geometry "+$((180 * k))+$((85 * k))" -composite \
    "${png_opts[@]}" "$tmp/CaptionButton-$k.png"
}
draw_sprites 1
store_palette "$tmp/button-1.png" "$out/button.png" 256 24 ""
store_png "$tmp/CaptionButton-1.png" "$out/CaptionButton.png"
if [ -n "$(scales_of button.png)$(scales_of CaptionButton.png)" ]; then
  draw_sprites 2
  [ -z "$(scales_of button.png)" ] || store_palette "$tmp/button-2.png" "$out/button@2x.png" 256 24 ""
  [ -z "$(scales_of CaptionButton.png)" ] || store_png "$tmp/CaptionButton-2.png" "$out/CaptionButton@2x.png"
fi

# ---------------------------------------------------------------------------
# progress.png: 8x14 fill, stretched along the bar; light top edge, darker
# bottom edge, a gentle gradient between.
convert -size 8x12 gradient:'#5AA5EE'-'#2C7AD0' \
  -background '#2467B2' -gravity south -extent 8x13 \
  -background '#8EC3F5' -gravity north -extent 8x14 \
  "${png_opts[@]}" "$tmp/progress.png"
store_png "$tmp/progress.png" "$out/progress.png"
