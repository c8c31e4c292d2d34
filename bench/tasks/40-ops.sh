#!/usr/bin/env bash
# Pixel and geometric operations on a generated 24-megapixel photo: our time (in-process, best of
# three) against ImageMagick's convert and libvips' vips (best of two runs each). The peers read
# a memory-mapped copy of the photo in RAM (/dev/shm when there: .mpc for convert, .v for vips).
# convert's time is net of its own load (convert IN null:). vips streams its result to a file
# while computing, so it is shown both whole (raw) and less the time of "vips copy" (net); the
# net figure is a lower bound on the operation itself. A ratio below 1 means we are faster.
set -euo pipefail
bin="${XIMORA_BIN:?}"
if [[ -d /dev/shm && -w /dev/shm ]]; then dir=$(mktemp -d /dev/shm/ximora-ops.XXXXXX)
else dir="${XIMORA_BENCH_DIR:-/tmp/ximora-bench}/ops"; fi
mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT

ours=$("$bin/bench_ops" "$dir/photo.ppm")
have_convert=0 have_vips=0
command -v convert >/dev/null && convert "$dir/photo.ppm" "$dir/photo.mpc" && have_convert=1
command -v vips >/dev/null && vips copy "$dir/photo.ppm" "$dir/photo.v" && have_vips=1

# Best of two runs, in seconds; "-" when the command fails.
best_of_two() {
  local best=""
  for _ in 1 2; do
    local start end
    start=$(date +%s%N)
    if ! "$@" >/dev/null 2>&1; then echo "-"; return; fi
    end=$(date +%s%N)
    local t=$(( (end - start) / 1000 ))
    if [[ -z "$best" || $t -lt $best ]]; then best=$t; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.4f", us / 1e6 }'
}

im() { convert -limit thread "$(nproc)" "$dir/photo.mpc" "$@" null:; }
vi() { local op=$1; shift; vips "$op" "$dir/photo.v" "$dir/out.v" "$@"; }

im_base=0 vips_base=0
((have_convert)) && im_base=$(best_of_two convert "$dir/photo.mpc" null:)
((have_vips)) && vips_base=$(best_of_two vips copy "$dir/photo.v" "$dir/out.v")

ours_time() { awk -v k="$1" '$1 == k { print $2 }' <<<"$ours"; }

# name, convert arguments (empty: none), vips operation and arguments (empty: none)
declare -a rows=(
  "blur2|-blur 0x1|gaussblur 1"
  "blur10|-blur 0x5|gaussblur 5"
  "blur20|-blur 0x10|gaussblur 10"
  "sharpen5|-unsharp 0x1+0.25+0|"
  "median|-statistic Median 3x3|rank 3 3 4"
  "saturation|-modulate 100,200|"
  "negateRed|-channel R -negate +channel|"
  "rotate90|-rotate 90|rot d270"
  "rotate180|-rotate 180|rot d180"
  "flipH|-flop|flip horizontal"
  "flipV|-flip|flip vertical"
  "rotate30|-background white -rotate -30|rotate 30 --background 255"
  "resize50|-resize 50%|resize 0.5"
)

net() { awk -v t="$1" -v b="$2" 'BEGIN { n = t - b; if (n < 0.0001) n = 0.0001; printf "%.4f", n }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

memcpy=$(ours_time memcpy)
printf "24-megapixel RGB photo; plain memcpy of the raster: %ss; convert load/store %ss, vips copy %ss\n" \
  "$memcpy" "$im_base" "$vips_base"
printf "%-11s %8s %9s %7s %9s %9s %7s %7s %8s\n" op ours convert ratio "vips raw" "vips net" "r(raw)" "r(net)" "÷memcpy"
for row in "${rows[@]}"; do
  IFS='|' read -r name im_args vips_args <<<"$row"
  mine=$(ours_time "$name")
  im_t="-" im_r="-" vips_raw="-" vips_t="-" vips_rr="-" vips_r="-"
  if ((have_convert)) && [[ -n "$im_args" ]]; then
    # shellcheck disable=SC2086
    raw=$(best_of_two im $im_args)
    [[ "$raw" != "-" ]] && im_t=$(net "$raw" "$im_base") && im_r=$(ratio "$mine" "$im_t")
  fi
  if ((have_vips)) && [[ -n "$vips_args" ]]; then
    # shellcheck disable=SC2086
    vips_raw=$(best_of_two vi $vips_args)
    if [[ "$vips_raw" != "-" ]]; then
      vips_t=$(net "$vips_raw" "$vips_base")
      vips_rr=$(ratio "$mine" "$vips_raw")
      vips_r=$(ratio "$mine" "$vips_t")
    fi
  fi
  printf "%-11s %8s %9s %7s %9s %9s %7s %7s %8s\n" "$name" "$mine" "$im_t" "$im_r" "$vips_raw" "$vips_t" \
    "$vips_rr" "$vips_r" "$(ratio "$mine" "$memcpy")"
done
