#!/usr/bin/env bash
# Full decode of a generated 24-megapixel photo-like baseline JPEG against `djpeg` (both as
# whole processes reading the file, best of 5), the peak memory of opening it against its
# limit (1.3 × the 24-bit raster + 40 MiB), and JPEG (quality 85) and PNG encoding of the same
# photo against ImageMagick (both read the photo from a BMP and write the file).
# Printed: wall seconds and CPU seconds (user + system) of each, best of several runs, and the
# ratios ours/theirs (below 1 is faster). On a shared, busy machine the CPU seconds are the
# steadier comparison.
set -euo pipefail
bin="$XIMORA_BIN/bench_decode"
dir="$XIMORA_BENCH_DIR/decode"
mkdir -p "$dir"
photo="$dir/photo-24mp.bmp"
jpeg="$dir/photo-24mp.jpg"
[ -f "$photo" ] || "$XIMORA_BIN/bench_colour_reduce" generate "$photo" 6000 4000
[ -f "$jpeg" ] || "$bin" encode "$photo" "$jpeg" jpeg 90 >/dev/null

# Prints "WALL CPU" seconds per run of the command, timed over `loops` runs in a row (the
# CPU clock of /usr/bin/time ticks in hundredths).
measure() {
  local loops=$1
  shift
  /usr/bin/time -o "$dir/time.txt" -f '%e %U %S' \
    bash -c 'for _ in $(seq '"$loops"'); do "$@" >/dev/null 2>&1; done' _ "$@"
  awk -v n="$loops" '{ printf "%.4f %.4f\n", $1 / n, ($2 + $3) / n }' "$dir/time.txt"
}

# Prints the best wall and the best CPU seconds per run over `rounds` rounds of `loops` runs.
best_of() {
  local rounds=$1 loops=$2 wall=999 cpu=999 w c
  shift 2
  for _ in $(seq "$rounds"); do
    read -r w c <<<"$(measure "$loops" "$@")"
    wall=$(echo "if ($w < $wall) $w else $wall" | bc)
    cpu=$(echo "if ($c < $cpu) $c else $cpu" | bc)
  done
  printf '%.4f %.4f' "$wall" "$cpu"
}

row() { printf '%-28s %9s %9s %7s %9s %9s %7s\n' "$@"; }
ratio() { if [ "$2" = - ]; then echo -; else echo "scale=2; $1 / $2" | bc; fi; }

compare() {
  local job=$1 ours theirs
  read -r -a ours <<<"$2"
  read -r -a theirs <<<"${3:-- -}"
  row "$job" "${ours[0]}" "${theirs[0]}" "$(ratio "${ours[0]}" "${theirs[0]}")" \
    "${ours[1]}" "${theirs[1]}" "$(ratio "${ours[1]}" "${theirs[1]}")"
}

row job wall-ours wall-peer ratio cpu-ours cpu-peer ratio
theirs=
command -v djpeg >/dev/null && theirs=$(best_of 3 10 djpeg -outfile /dev/null "$jpeg")
compare "decode 24 MP JPEG (djpeg)" "$(best_of 3 10 "$bin" decode "$jpeg")" "$theirs"

read -r -a facts <<<"$("$bin" open "$jpeg")"
printf 'peak memory opening it: %s MiB (limit %s MiB, raster %s MiB)\n' "${facts[9]}" "${facts[11]}" "${facts[7]}"

have_magick=0
command -v convert >/dev/null && have_magick=1
for format in jpeg png; do
  theirs=
  [ $have_magick = 1 ] && theirs=$(best_of 3 1 convert "$photo" -quality 85 "$dir/magick.$format")
  compare "encode 24 MP $format (magick)" \
    "$(best_of 3 1 "$bin" encode "$photo" "$dir/ours.$format" "$format" 85)" "$theirs"
  printf '  file sizes: ours %s bytes, magick %s bytes\n' "$(stat -c %s "$dir/ours.$format")" \
    "$( [ -f "$dir/magick.$format" ] && stat -c %s "$dir/magick.$format" || echo -)"
done
