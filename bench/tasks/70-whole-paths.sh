#!/usr/bin/env bash
# The paths users wait on, each row against its peer as whole processes in this run: ours and
# the peer's runs alternate, XIMORA_BENCH_ROUNDS times (default 3), and the medians of wall and
# processor seconds (user + system, all threads) are printed with their ratios (ours / peer,
# below 1 is faster). The machine's load is printed before and after: on a shared machine the
# processor seconds are the steadier comparison. Rows 6 and 7 time our operation in memory
# (bench_ops, bench_effects) against the peer's whole process, as bench/tasks/40 and 45 do.
# With XIMORA_BENCH_BEFORE naming the bin folder of an older build, its runs join the rotation
# and each row shows them too, so that a change is measured before and after in the same run.
set -euo pipefail
bin="$XIMORA_BIN"
before=${XIMORA_BENCH_BEFORE:-}
dir="$XIMORA_BENCH_DIR/whole"
rounds=${XIMORA_BENCH_ROUNDS:-3}
cores=$(nproc)
mkdir -p "$dir"
work=$(mktemp -d "$dir/run.XXXXXX")
trap 'rm -rf "$work"' EXIT

photo="$dir/photo-24mp"
[ -f "$photo.bmp" ] || "$bin/bench_colour_reduce" generate "$photo.bmp" 6000 4000 >/dev/null
[ -f "$photo.jpg" ] || "$bin/bench_decode" encode "$photo.bmp" "$photo.jpg" jpeg 90 >/dev/null
[ -f "$photo.png" ] || convert "$photo.bmp" "$photo.png"
photos="$XIMORA_BENCH_DIR/thumbs-12mp"
"$bin/bench_thumbs" generate "$photos" 60 4000 3000
mapfile -t photos60 < <(ls "$photos"/*.jpg)
photos40=("${photos60[@]:0:40}")
cat "$photo".* "${photos60[@]}" >/dev/null  # every run starts with the files in the page cache

load() { cut -d' ' -f1-3 /proc/loadavg; }
# seconds COMMAND...: prints "wall cpu" of one run, children's processor time included.
seconds() {
  local TIMEFORMAT='%R %U %S' times
  times=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$times"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
fresh() { rm -rf "$work/out" && mkdir -p "$work/out"; }

if [ -n "$before" ]; then
  row() { printf '%-44s %15s %15s %11s %15s %11s  %s\n' "$@"; }
else
  row() { printf '%-44s %15s %15s %11s  %s\n' "$1" "$2" "$3" "$4" "$7"; }
fi
# compare JOB GOAL OURS PEER: OURS and PEER are functions printing "wall cpu" of one run each;
# OURS runs the programs in folder $b.
compare() {
  local job=$1 goal=$2 ours=$3 peer=$4 ow=() oc=() pw=() pc=() bw=() bc=() w c
  for _ in $(seq "$rounds"); do
    read -r w c < <(b=$bin "$ours") && ow+=("$w") && oc+=("$c")
    read -r w c < <("$peer") && pw+=("$w") && pc+=("$c")
    if [ -n "$before" ]; then read -r w c < <(b=$before "$ours") && bw+=("$w") && bc+=("$c"); fi
  done
  local mow moc mpw mpc mbw=- mbc=- br=-
  mow=$(printf '%s\n' "${ow[@]}" | median) moc=$(printf '%s\n' "${oc[@]}" | median)
  mpw=$(printf '%s\n' "${pw[@]}" | median) mpc=$(printf '%s\n' "${pc[@]}" | median)
  if [ -n "$before" ]; then
    mbw=$(printf '%s\n' "${bw[@]}" | median) mbc=$(printf '%s\n' "${bc[@]}" | median)
    br="$(ratio "$mbw" "$mpw")/$(ratio "$mbc" "$mpc")"
  fi
  row "$job" "$mow/$moc" "$mpw/$mpc" "$(ratio "$mow" "$mpw")/$(ratio "$moc" "$mpc")" \
    "$mbw/$mbc" "$br" "$goal"
}

# 1. JPEG to BMP
ours_jpeg_bmp() { fresh; seconds "$b/ximora-batch" convert "$photo.jpg" "$work/out/o.bmp"; }
peer_jpeg_bmp() { fresh; seconds djpeg -bmp -outfile "$work/out/p.bmp" "$photo.jpg"; }
# 2. PNG to BMP
ours_png_bmp() { fresh; seconds "$b/ximora-batch" convert "$photo.png" "$work/out/o.bmp"; }
peer_png_bmp() { fresh; seconds vips copy "$photo.png" "$work/out/p.v"; }
# 3. BMP to PNG (sizes printed below the table)
# (each build keeps its own file, whose size is printed below the table)
ours_bmp_png() {
  local out="$work/o-${b//\//_}.png"
  rm -f "$out" && seconds "$b/ximora-batch" convert "$photo.bmp" "$out"
}
peer_bmp_png() { rm -f "$work/p.png"; seconds vips copy "$photo.bmp" "$work/p.png"; }
# 4. A quarter turn, BMP in and out
ours_turn() { fresh; seconds "$b/ximora-batch" run -c "回転⇒右90度" --out "$work/out" "$photo.bmp"; }
peer_turn() { fresh; seconds convert "$photo.bmp" -rotate 90 "$work/out/p.bmp"; }
# 5. A quarter turn of 40 photos: ours on all cores, GraphicsMagick in one process per core
ours_turn40() { fresh; seconds "$b/ximora-batch" run -c "回転⇒右90度" --out "$work/out" "${photos40[@]}"; }
turn40_gm() {  # mogrify puts a file's whole path under the output folder: names only
  (cd "$photos" && printf '%s\n' "${photos40[@]##*/}" |
    xargs -P "$cores" -n $(((40 + cores - 1) / cores)) gm mogrify -output-directory "$work/out" -rotate 90)
}
peer_turn40() { fresh; seconds turn40_gm; }
# 6. Blur at level 20 (σ 10): ours in memory, libvips' whole process
ours_blur20() { "$b/bench_ops" --only blur20 | awk '$1 == "blur20" { printf "%s %s\n", $2, $3 }'; }
peer_blur20() { seconds vips gaussblur "$dir/ops.v" "$work/blur.v" 10; }
# 7. Radial motion blur: ours in memory, ImageMagick's whole process less its own load
ours_radial() { "$b/bench_effects" --only motion-radial | awk '{ print $2, $3 }'; }
peer_radial() {
  local base op
  read -r -a base < <(seconds convert "$dir/effects.mpc" null:)
  read -r -a op < <(seconds convert "$dir/effects.mpc" -rotational-blur 0.477 null:)
  awk -v w="${op[0]}" -v c="${op[1]}" -v bw="${base[0]}" -v bc="${base[1]}" \
    'BEGIN { printf "%.3f %.3f\n", w - bw, c - bc }'
}
# 8. 60 thumbnails of 12 MP: ours without a cache file, djpeg at 1/8 in one process per core
ours_thumbs() { rm -f "$photos/Thmb100.Dat"; seconds "$b/ximora-batch" thumbs --beside "$photos"; }
thumbs_djpeg() {
  printf '%s\n' "${photos60[@]}" | xargs -P "$cores" -n $(((60 + cores - 1) / cores)) \
    sh -c 'for f; do djpeg -scale 1/8 -outfile /dev/null "$f"; done' _
}
peer_thumbs() { seconds thumbs_djpeg; }

# 9. info of a small file, as a script's loop calls it: 20 processes one after another, the
# start of the program is most of each
small="$dir/small-64x48.bmp"
[ -f "$small" ] || convert -size 64x48 xc:gray "$small"
info20() { for _ in $(seq 20); do "$@" >/dev/null; done; }
ours_info() { seconds info20 "$b/ximora-batch" info "$small"; }
ours_info_trusted() { seconds info20 "$b/ximora-batch" --no-sandbox info "$small"; }
peer_info() { seconds info20 identify "$small"; }

[ -f "$dir/ops.v" ] || { "$bin/bench_ops" --only memcpy "$dir/ops.ppm" >/dev/null && vips copy "$dir/ops.ppm" "$dir/ops.v"; }
[ -f "$dir/effects.mpc" ] || { "$bin/bench_effects" --only none --write "$dir/effects.ppm" >/dev/null && convert "$dir/effects.ppm" "$dir/effects.mpc"; }

echo "$cores cores, $rounds rounds; load average before: $(load)"
echo "seconds as wall/cpu, medians; ratio = ours / peer (below 1: ours faster)"
row job ours peer ratio before "before ratio" goal
compare "JPEG→BMP 24 MP vs djpeg -bmp" "≤ 1.10" ours_jpeg_bmp peer_jpeg_bmp
compare "PNG→BMP 24 MP vs vips copy" "≤ 1.0" ours_png_bmp peer_png_bmp
compare "BMP→PNG 24 MP vs vips copy" "≤ 1.0" ours_bmp_png peer_bmp_png
compare "turn 90° 24 MP BMP vs convert" "≤ 0.8" ours_turn peer_turn
compare "turn 40 × 12 MP JPEG vs gm mogrify ×$cores" "≤ 0.8" ours_turn40 peer_turn40
compare "blur level 20 vs vips gaussblur 10 (raw)" "≤ 1.0" ours_blur20 peer_blur20
compare "radial motion blur vs convert" "≤ 0.8" ours_radial peer_radial
compare "60 thumbnails 12 MP vs djpeg 1/8 ×$cores" "≤ 1.0" ours_thumbs peer_thumbs
compare "info small BMP ×20 vs identify" "≤ 1.0" ours_info peer_info
compare "info small BMP ×20, --no-sandbox, vs identify" "≤ 1.0" ours_info_trusted peer_info
printf 'BMP→PNG file sizes: ours %s bytes, vips %s bytes' "$(stat -c %s "$work/o-${bin//\//_}.png")" \
  "$(stat -c %s "$work/p.png")"
[ -n "$before" ] && printf ', before %s bytes' "$(stat -c %s "$work/o-${before//\//_}.png")"
echo

# What the safe write costs: the same conversions with the flushes to disk made no-ops by
# eatmydata (the "peer" column), which the program itself never does.
if command -v eatmydata >/dev/null; then
  unflushed_jpeg_bmp() { fresh; seconds eatmydata "$bin/ximora-batch" convert "$photo.jpg" "$work/out/o.bmp"; }
  unflushed_bmp_png() { rm -f "$work/u.png"; seconds eatmydata "$bin/ximora-batch" convert "$photo.bmp" "$work/u.png"; }
  echo "the safe write (fsync of the file and its folder) against the same run without it:"
  compare "JPEG→BMP, safe vs unflushed" "-" ours_jpeg_bmp unflushed_jpeg_bmp
  compare "BMP→PNG, safe vs unflushed" "-" ours_bmp_png unflushed_bmp_png
fi
echo "load average after: $(load)"
