#!/usr/bin/env bash
# 256-colour reduction of a generated 24-megapixel photo-like image, with and without error
# diffusion, against ImageMagick's `-colors 256` (its default dithering, and +dither). Each job
# reads a BMP, reduces and writes a BMP; printed: wall seconds of each, the ratio (ours/theirs,
# below 1 is faster) and the mean colour error (mean RGB distance to the original) of each.
set -euo pipefail
bin="$XIMORA_BIN/bench_colour_reduce"
dir="$XIMORA_BENCH_DIR/colour"
mkdir -p "$dir"
photo="$dir/photo-24mp.bmp"
[ -f "$photo" ] || "$bin" generate "$photo" 6000 4000

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

have_magick=0
command -v convert >/dev/null && have_magick=1
printf '%-22s %9s %9s %7s %10s %10s\n' job ours magick ratio our-error magick-error
for mode in diffusion none; do
  if [ "$mode" = diffusion ]; then ours_flag=--diffuse; magick_flag=-dither; magick_arg=FloydSteinberg
  else ours_flag=; magick_flag=+dither; magick_arg=; fi
  ours=$(seconds "$bin" reduce "$photo" "$dir/ours-$mode.bmp" 256 $ours_flag)
  our_error=$("$bin" error "$photo" "$dir/ours-$mode.bmp")
  if [ $have_magick = 1 ]; then
    theirs=$(seconds convert "$photo" $magick_flag $magick_arg -colors 256 "BMP3:$dir/magick-$mode.bmp")
    their_error=$("$bin" error "$photo" "$dir/magick-$mode.bmp")
    ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')
  else
    theirs=-; their_error=-; ratio=-
  fi
  printf '%-22s %9.3f %9s %7s %10s %10s\n' "256 colours, $mode" "$ours" "$theirs" "$ratio" "$our_error" "$their_error"
done
