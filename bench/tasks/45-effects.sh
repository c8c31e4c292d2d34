#!/usr/bin/env bash
# Effects on a 24-megapixel photo-like picture: our time (in memory, fastest of three runs)
# against ImageMagick's convert on the same picture (read from its memory-mapped MPC form and
# written to null:, fastest of two runs, with its own start-up and reading, measured alone, taken
# off). Wall time is what a user waits; processor time (all threads) is steadier on a busy machine.
set -euo pipefail
dir=${XIMORA_BENCH_DIR:-/tmp/ximora-bench}
bin=${XIMORA_BIN:-$(dirname "$0")/../../build/bin}
mkdir -p "$dir"
photo=$dir/effects-photo.ppm
ours=$dir/effects-ours.txt
"$bin/bench_effects" --write "$photo" >"$ours"

# Prints "wall cpu" in seconds for the faster of two runs of the given command.
measure() {
  local best="" out=$dir/effects-time.txt
  for _ in 1 2; do
    /usr/bin/time -o "$out" -f "%e %U %S" "$@" >/dev/null 2>&1
    best=$(awk -v best="$best" '{ cpu = $2 + $3; if (best == "" || $1 < best + 0) print $1, cpu; else print best }' "$out")
  done
  echo "$best"
}

# our name | ImageMagick operators doing the same job
peers=(
  "emboss|-emboss 1"
  "swirl|-swirl 360"
  "wave|-wave 10x100"
  "lens|-implode -0.5"
  "motion-linear|-motion-blur 15x7.5+20"
  "motion-radial|-rotational-blur 0.477"
  "mosaic|-scale 10% -scale 1000%"
)
have_convert=0
if command -v convert >/dev/null 2>&1 && [[ -x /usr/bin/time ]]; then
  have_convert=1
  convert "$photo" "$dir/effects-photo.mpc"
  read -r base_wall base_cpu < <(measure convert "$dir/effects-photo.mpc" null:)
fi

printf '%-14s %9s %9s %7s   %9s %9s %7s   %s\n' effect "ours" convert ratio "ours cpu" "conv cpu" ratio operators
while IFS=$'\t' read -r name wall cpu; do
  peer=""
  for entry in "${peers[@]}"; do
    if [[ ${entry%%|*} == "$name" ]]; then peer=${entry#*|}; fi
  done
  if [[ -z $peer || $have_convert == 0 ]]; then
    printf '%-14s %8ss %9s %7s   %8ss %9s %7s\n' "$name" "$wall" - - "$cpu" - -
    continue
  fi
  # shellcheck disable=SC2086  # the operators are separate words
  read -r their_wall their_cpu < <(measure convert "$dir/effects-photo.mpc" $peer null:)
  awk -v n="$name" -v w="$wall" -v c="$cpu" -v tw="$their_wall" -v tc="$their_cpu" \
      -v bw="$base_wall" -v bc="$base_cpu" -v op="$peer" 'BEGIN {
    tw -= bw; tc -= bc; if (tw < 0.001) tw = 0.001; if (tc < 0.001) tc = 0.001
    printf "%-14s %8.3fs %8.3fs %7.2f   %8.3fs %8.3fs %7.2f   %s\n", n, w, tw, w / tw, c, tc, c / tc, op }'
done <"$ours"
rm -f "$dir/effects-photo.mpc" "$dir/effects-photo.cache" "$dir/effects-time.txt"
