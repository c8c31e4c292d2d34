#!/usr/bin/env bash
# The picture editor's three targets, each measured against its reference in this run:
#  - open a 24-megapixel JPEG in the editor and paint it fitted, against the engine's bare
#    decode of the same file (target: ratio below 1.3);
#  - one undo snapshot of that image (24-bit BMP), against `cp` of the snapshot file (target:
#    below 1.5);
#  - `ximora-batch run -c "回転⇒右90度" --out DIR` over 100 photos of 12 megapixels, against
#    ImageMagick's `mogrify -rotate 90` writing into another folder (target: below 1).
#  - colour management: the 24-megapixel JPEG tagged Display P3, opened and painted fitted, and
#    painted at the twelve zooms of the menu, converted for an sRGB display, against the same
#    with management off (targets: below 1.05 and 1.5).
# Printed: best wall seconds of ours and of the reference, and the ratio (ours / reference).
set -euo pipefail
bin="$XIMORA_BIN"
dir="$XIMORA_BENCH_DIR/editor"
runs=${XIMORA_BENCH_RUNS:-3}
mkdir -p "$dir"
[ -f "$dir/p24.jpg" ] || "$bin/editor_bench" photo "$dir/p24.jpg" 6000 4000
[ -f "$dir/p12.jpg" ] || "$bin/editor_bench" photo "$dir/p12.jpg" 4000 3000
[ -f "$dir/p24-p3.jpg" ] || "$bin/editor_bench" photo "$dir/p24-p3.jpg" 6000 4000 p3
mkdir -p "$dir/in12"
for i in $(seq -w 1 100); do [ -f "$dir/in12/p$i.jpg" ] || cp "$dir/p12.jpg" "$dir/in12/p$i.jpg"; done

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
row() { printf '%-34s %9.4f %9.4f %7.2f  (target < %s)\n' "$1" "$2" "$3" "$(echo "scale=4; $2 / $3" | bc)" "$4"; }

printf '%-34s %9s %9s %7s\n' job ours reference ratio
ours=$("$bin/editor_bench" open-fit "$dir/p24.jpg" "$runs")
decode=$("$bin/editor_bench" decode "$dir/p24.jpg" "$runs")
row "open 24 MP JPEG + fit vs decode" "$ours" "$decode" 1.3

managed=$("$bin/editor_bench" open-fit "$dir/p24-p3.jpg" "$runs")
unmanaged=$("$bin/editor_bench" open-fit "$dir/p24-p3.jpg" "$runs" off)
row "open Display P3 24 MP, managed/off" "$managed" "$unmanaged" 1.05
managed=$("$bin/editor_bench" zoom "$dir/p24-p3.jpg" "$runs")
unmanaged=$("$bin/editor_bench" zoom "$dir/p24-p3.jpg" "$runs" off)
row "12 zoom paints, managed/off" "$managed" "$unmanaged" 1.5

rm -rf "$dir/wrk" && mkdir -p "$dir/wrk"
out=$("$bin/editor_bench" snapshot "$dir/p24.jpg" "$dir/wrk" "$runs")
snapshot=${out%% *}
copy=999999
for i in $(seq "$runs"); do
  t=$(seconds cp "${out#* }" "$dir/wrk/copy$i.bmp")
  copy=$(echo "if ($t < $copy) $t else $copy" | bc)
done
row "undo snapshot 24 MP vs cp" "$snapshot" "$copy" 1.5
rm -rf "$dir/wrk"

if command -v mogrify >/dev/null; then
  rm -rf "$dir/ours" "$dir/theirs" && mkdir -p "$dir/theirs"
  ours=$(seconds "$bin/ximora-batch" run -c "回転⇒右90度" --out "$dir/ours" "$dir"/in12/*.jpg)
  theirs=$(seconds mogrify -path "$dir/theirs" -rotate 90 "$dir"/in12/*.jpg)
  row "batch turn 100 × 12 MP vs mogrify" "$ours" "$theirs" 1
  rm -rf "$dir/ours" "$dir/theirs" || true
else
  echo "batch turn 100 × 12 MP: ImageMagick not installed, skipped"
fi

# A 100-megapixel JPEG opened in the editor: its first fitted view (a reduced decode) within a
# second, the whole picture after, in the background; peak memory at most the raster + 15 %.
[ -f "$dir/p100.jpg" ] || "$bin/editor_bench" photo "$dir/p100.jpg" 12500 8000
read -r first firstCpu whole peak raster < <("$bin/editor_bench" open-large "$dir/p100.jpg")
printf '%-34s %9s s   (target < 1 s; %s s of processor time); whole picture in after %s s\n' \
  "open 100 MP JPEG, first view" "$first" "$firstCpu" "$whole"
printf '%-34s %9s MiB (target < %s MiB: raster %s MiB + 15 %%)\n' "peak memory of that open" "$peak" \
  "$(echo "scale=1; $raster * 1.15" | bc)" "$raster"
