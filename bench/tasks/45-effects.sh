#!/usr/bin/env bash
# Effects on a 24-megapixel photo-like picture: our time (in memory, best of three) against
# ImageMagick's convert on the same picture (read from its memory-mapped MPC form, written to
# null:, best of two, its own start-up and reading measured alone and taken off).
set -euo pipefail
dir=${XIMORA_BENCH_DIR:-/tmp/ximora-bench}
bin=${XIMORA_BIN:-$(dirname "$0")/../../build/bin}
mkdir -p "$dir"
photo=$dir/effects-photo.ppm
ours=$dir/effects-ours.txt
"$bin/bench_effects" --write "$photo" >"$ours"

seconds() {  # best wall time of two runs of the given command
  local best=""
  for _ in 1 2; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s.%N)
    best=$(awk -v a="$t0" -v b="$t1" -v best="$best" 'BEGIN { t = b - a; if (best == "" || t < best) best = t; printf "%.3f", best }')
  done
  echo "$best"
}

have_convert=0
if command -v convert >/dev/null 2>&1; then
  have_convert=1
  convert "$photo" "$dir/effects-photo.mpc"
  base=$(seconds convert "$dir/effects-photo.mpc" null:)
fi

# our name | ImageMagick operators doing the same job
peers=(
  "emboss|-emboss 1"
  "swirl|-swirl 360"
  "wave|-wave 10x100"
  "lens|-implode -0.5"
  "motion-linear|-motion-blur 15x7.5+20"
  "mosaic|-scale 10% -scale 1000%"
)
printf '%-15s %10s %12s %8s  %s\n' effect ours convert ratio "convert operators"
while IFS=$'\t' read -r name ours_s; do
  peer=""
  for entry in "${peers[@]}"; do
    [[ ${entry%%|*} == "$name" ]] && peer=${entry#*|}
  done
  if [[ -z $peer || $have_convert == 0 ]]; then
    printf '%-15s %9ss %12s %8s\n' "$name" "$ours_s" - -
    continue
  fi
  # shellcheck disable=SC2086  # the operators are separate words
  total=$(seconds convert "$dir/effects-photo.mpc" $peer null:)
  theirs=$(awk -v t="$total" -v b="$base" 'BEGIN { d = t - b; if (d < 0.001) d = 0.001; printf "%.3f", d }')
  ratio=$(awk -v o="$ours_s" -v t="$theirs" 'BEGIN { printf "%.2f", o / t }')
  printf '%-15s %9ss %11ss %8s  %s\n' "$name" "$ours_s" "$theirs" "$ratio" "$peer"
done <"$ours"
rm -f "$dir/effects-photo.mpc" "$dir/effects-photo.cache"
