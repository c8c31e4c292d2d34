#!/usr/bin/env bash
# Decoding in confined workers (ximora-decode, ximora-draw) against decoding in the process, in
# one run.
# Goals: thumbnails of the 60-photo folder ≤ 1.05 ×, opening a 24 MP JPEG ≤ 1.05 × + 10 ms,
# `ximora-batch convert` ≤ 1.05 ×. The in-memory rows come from bench_sandbox (the workers
# started and ready, as the window's are); the whole-process rows alternate `ximora-batch` with
# and without --no-sandbox, XIMORA_BENCH_ROUNDS times (default 5), and print medians.
set -euo pipefail
bin="$XIMORA_BIN"
dir="$XIMORA_BENCH_DIR/whole"
rounds=${XIMORA_BENCH_ROUNDS:-5}
mkdir -p "$dir"
work=$(mktemp -d "$dir/sandbox.XXXXXX")
user=$(mktemp -d)
trap 'rm -rf "$work" "$user"' EXIT

photo="$dir/photo-24mp"
[ -f "$photo.bmp" ] || "$bin/bench_colour_reduce" generate "$photo.bmp" 6000 4000 >/dev/null
[ -f "$photo.jpg" ] || "$bin/bench_decode" encode "$photo.bmp" "$photo.jpg" jpeg 90 >/dev/null
[ -f "$photo.png" ] || convert "$photo.bmp" "$photo.png"
photos="$XIMORA_BENCH_DIR/thumbs-12mp"
"$bin/bench_thumbs" generate "$photos" 60 4000 3000
# Drawings: 40 SVG pages of shapes, paths and text, as a folder of diagrams or icons holds.
drawings="$XIMORA_BENCH_DIR/drawings"
if [ ! -f "$drawings/d39.svg" ]; then
  mkdir -p "$drawings"
  for i in $(seq 0 39); do
    {
      echo "<svg xmlns='http://www.w3.org/2000/svg' width='1200' height='800'>"
      for j in $(seq 0 59); do
        echo "<rect x='$((j * 19 % 1100))' y='$((j * 37 % 700))' width='$((40 + i))' height='60'" \
          "fill='#$(printf '%02x%02x%02x' $((j * 4)) $((i * 6)) 128)' stroke='black'/>"
        echo "<path d='M $((j * 20)) 0 C 300 $((j * 13)), 600 800, 1200 $((j * 11))' fill='none'" \
          "stroke='#335' stroke-width='2'/>"
        echo "<text x='$((j * 17 % 1100))' y='$((j * 29 % 780 + 20))' font-size='18'>図 $i-$j</text>"
      done
      echo "</svg>"
    } >"$drawings/d$i.svg"
  done
fi
cat "$photo".* "$photos"/*.jpg "$drawings"/*.svg >/dev/null  # every run starts with the files in the page cache

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "-" }'; }
ms() { awk -v s="$1" 'BEGIN { printf "%.1f", s * 1000 }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
seconds() {
  local TIMEFORMAT='%R' times
  times=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  echo "$times"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores"
printf '%-46s %11s %11s %8s   %s\n' task "in process" "in workers" ratio goal
"$bin/bench_sandbox" "$bin/ximora-decode" "$photo.jpg" "$photos" 200 | while read -r name here there; do
  case $name in
    open) printf '%-46s %8s ms %8s ms %8s   ≤ 1.05 × + 10 ms (%s ms allowed)\n' \
      "open a 24 MP JPEG, workers ready" "$(ms "$here")" "$(ms "$there")" "$(ratio "$there" "$here")" \
      "$(awk -v s="$here" 'BEGIN { printf "%.1f", s * 1050 + 10 }')" ;;
    thumbnails) printf '%-46s %8s ms %8s ms %8s   ≤ 1.05 ×\n' \
      "thumbnails of 60 photos of 12 MP at 200 px" "$(ms "$here")" "$(ms "$there")" "$(ratio "$there" "$here")" ;;
  esac
done

# row LABEL ARGS...: ximora-batch ARGS with and without --no-sandbox, alternating.
row() {
  local label=$1 here=() there=()
  shift
  for _ in $(seq "$rounds"); do
    rm -rf "$work/out" "$user/.local" && mkdir -p "$work/out"
    there+=("$(HOME="$user" seconds "$bin/ximora-batch" "$@")")
    rm -rf "$work/out" "$user/.local" && mkdir -p "$work/out"
    here+=("$(HOME="$user" seconds "$bin/ximora-batch" --no-sandbox "$@")")
  done
  local h t
  h=$(printf '%s\n' "${here[@]}" | median)
  t=$(printf '%s\n' "${there[@]}" | median)
  printf '%-46s %8s ms %8s ms %8s   ≤ 1.05 ×\n' "$label" "$(ms "$h")" "$(ms "$t")" "$(ratio "$t" "$h")"
}
row "ximora-batch convert 24 MP JPEG → BMP" convert "$photo.jpg" "$work/out/o.bmp"
row "ximora-batch convert 24 MP PNG → JPEG" convert "$photo.png" "$work/out/o.jpg"
row "ximora-batch convert 24 MP JPEG → JPEG 90" convert --quality 90 "$photo.jpg" "$work/out/o.jpg"
row "ximora-batch info, 60 photos" info "$photos"/*.jpg
row "ximora-batch thumbs, 60 photos, no cache" thumbs "$photos"
row "ximora-batch thumbs, 40 SVG drawings, no cache" thumbs "$drawings"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
