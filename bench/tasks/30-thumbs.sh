#!/usr/bin/env bash
# Thumbnails of a folder of 60 photo-like 12-megapixel JPEGs at 100 and 200 pixels: ours without
# a cache file, vipsthumbnail and ImageMagick on the same number of cores, and ours with the
# cache file present. Targets: faster than vipsthumbnail at 100 px; cached ≥ 20× faster.
# Each job runs three times and its fastest run counts. Wall-clock time is the measure; the CPU
# time (user + system) is printed beside it because on a loaded machine wall-clock ratios
# favour whichever tool starts more threads.
set -euo pipefail
bench="$XIMORA_BIN/bench_thumbs"
photos="$XIMORA_BENCH_DIR/thumbs-12mp"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cores=$(nproc)
per_core=$(((60 + cores - 1) / cores))

"$bench" generate "$photos" 60 4000 3000
cat "$photos"/*.jpg >/dev/null  # every tool starts with the files in the page cache

# fastest COMMAND...: prints "wall cpu" of the fastest of three runs (seconds).
fastest() {
  local best="" line
  for _ in 1 2 3; do
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null
    line=$(awk '{ printf "%.3f %.3f", $1, $2 + $3 }' "$work/time")
    if [[ -z $best ]] || awk -v a="${line%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
      best=$line
    fi
  done
  echo "$best"
}
# inprocess ARGS...: the fastest of three in-process timings printed by the bench program.
inprocess() {
  for _ in 1 2 3; do "$bench" "$@"; done | sort -g | head -1
}
run_vips() {
  rm -rf "$work/vips" && mkdir -p "$work/vips"
  ls "$photos"/*.jpg | xargs -P "$cores" -n "$per_core" \
    vipsthumbnail --size "${1}x${1}" -o "$work/vips/%s.jpg"
}
run_magick() {
  rm -rf "$work/im" && mkdir -p "$work/im"
  # jpeg:size lets ImageMagick decode at reduced size too (its documented fast path).
  ls "$photos"/*.jpg | xargs -P "$cores" -n "$per_core" \
    /usr/bin/mogrify -path "$work/im" -define "jpeg:size=$((2 * $1))x$((2 * $1))" \
    -thumbnail "${1}x${1}" -format jpg
}
export photos work cores per_core
export -f run_vips run_magick
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "60 JPEGs of 12 MP on $cores cores; seconds as wall/cpu; ratio = ours / peer (below 1: ours faster)"
printf '%-22s %14s %14s %11s %14s %11s\n' task ours vipsthumbnail ratio ImageMagick ratio
for size in 100 200; do
  cache="$work/Thmb$size.Dat"
  read -r ours_wall ours_cpu < <(fastest "$bench" nocache "$photos" "$size" "$cache")
  read -r vips_wall vips_cpu < <(fastest bash -c 'run_vips "$1"' _ "$size")
  read -r im_wall im_cpu < <(fastest bash -c 'run_magick "$1"' _ "$size")
  printf '%-22s %14s %14s %11s %14s %11s\n' "${size}px, no cache" "$ours_wall/$ours_cpu" \
    "$vips_wall/$vips_cpu" "$(ratio "$ours_wall" "$vips_wall")/$(ratio "$ours_cpu" "$vips_cpu")" \
    "$im_wall/$im_cpu" "$(ratio "$ours_wall" "$im_wall")/$(ratio "$ours_cpu" "$im_cpu")"
  made=$(inprocess nocache "$photos" "$size" "$cache")
  "$bench" nocache "$photos" "$size" "$cache" >/dev/null
  cached=$(inprocess cached "$photos" "$size" "$cache")
  printf '%-22s %14s   in process: no cache %ss, cache %ss, speed-up %sx (target 20)\n' \
    "${size}px, cache present" "$cached" "$made" "$cached" "$(ratio "$made" "$cached")"
done
