#!/usr/bin/env bash
# Batch split and combine through mosvane-batch beside ImageMagick and libvips making the same
# files, compared so that a sceptical reader can accept the figures:
#
#  - every peer runs one process per job (one picture, one sheet), JOBS processes at a time, as
#    mosvane-batch --jobs JOBS runs JOBS workers;
#  - the first table sets each peer's PNG compression to the fastest level whose files are no larger
#    than ours (found on the four source pictures before timing); the second gives the peers their
#    defaults;
#  - libvips runs through vips_tiles (bench/VipsTiles.c), which decodes each picture once;
#  - the tools are run in interleaved rounds (A B C .. A B C ..); the minimum and the median of
#    each tool's times are given, the ratios are the peer's time over mosvane's, the bytes written
#    beside them, and the machine's load before and after;
#  - bench split_ceiling is our own two-thread program doing nothing but decode, cut, encode and
#    write with the engine's codecs: the limit the runner can reach.
# A last table keeps the old comparison (peers at defaults, libvips' command line once per piece,
# mosvane in one process), then the peak memory of --jobs runs.
#
#   bench/batch_bench.sh [BUILD_DIR]      (default build-bench; run by scripts/run-benchmarks.sh)
#
# PICTURES pictures of 2048 x 2048 (default 100) split into 4 x 4; SHEETS sheets (default 8) of
# 64 tiles of 256 x 256 combined; ROUNDS interleaved rounds (default 3); JOBS (default 2).
set -euo pipefail

build=${1:-build-bench}
runner=$(cd "$build/bin" && pwd)/mosvane-batch
ceiling=$(cd "$build/bench-tools" && pwd)/split_ceiling
vipstiles=$(cd "$build/bench-tools" && pwd)/vips_tiles
pictures=${PICTURES:-100}
sheets=${SHEETS:-8}
rounds=${ROUNDS:-3}
jobs=${JOBS:-2}
# The real programs, not wrappers a PATH may put in front of them.
magick=/usr/bin/convert
montage=/usr/bin/montage
for tool in "$runner" "$ceiling" "$vipstiles" "$magick" "$montage" vips /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "batch_bench: $tool is missing (make bench installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/mosvane-batch-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/tiles" "$work/sample"

now() { date +%s.%N; }
bytes() { du -sb "$1" | cut -f1; }
load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "batch_bench: $(nproc) cores, load $(load); $pictures pictures, $sheets sheets, $rounds rounds, $jobs jobs"
for s in 1 2 3 4; do
  "$magick" -size 2048x2048 -seed "$s" plasma:fractal -blur 0x2 -depth 8 -type TrueColor "$work/src$s.png"
  ln "$work/src$s.png" "$work/sample/s$s.png"
done
for ((i = 1; i <= pictures; i++)); do
  ln "$work/src$(( (i - 1) % 4 + 1 )).png" "$work/in/$(printf 'p%03d' "$i").png"
done
"$magick" "$work/src1.png" -crop 8x8@ +repage -scene 1 "$work/tiles/tile%04d.png"
for ((k = 1; k <= sheets; k++)); do
  for t in "$work"/tiles/tile????.png; do ln "$t" "$work/tiles/sheet${k}_${t##*/tile}"; done
done

# One batch file per task: split over the pictures, combine over the sheets.
ratios='<Row Ratio="0.250000"/><Row Ratio="0.250000"/><Row Ratio="0.250000"/><Row Ratio="0.250000"/>'
split_batch() { # FOLDER_OF_PICTURES OUT BATCH
  {
    printf '<MosvaneBatch>\n<SplitBatch><Output ImageType="png" NameFormat="p" FromNumber="1" Folder="%s" Template="####"/>\n' "$2"
    printf '<Input><Rows>%s</Rows><Cols>%s</Cols></Input>\n<ApplyToItems>\n' "$ratios" "${ratios//Row/Col}"
    for f in "$1"/*.png; do printf '<Item PathName="%s"/>\n' "$f"; done
    printf '</ApplyToItems></SplitBatch>\n</MosvaneBatch>\n'
  } > "$3"
}
split_batch "$work/in" "$work/out" "$work/split.xml"
split_batch "$work/sample" "$work/out" "$work/sample.xml"
{
  printf '<MosvaneBatch>\n<CombineBatch><Output ImageType="png" Folder="%s"/><Input FromNumber="1" Template="####" Rows="8" Cols="8"/>\n<ApplyToItems>\n' "$work/out"
  for ((k = 1; k <= sheets; k++)); do printf '<Item PathName="%s"/>\n' "$work/tiles/sheet${k}_.png"; done
  printf '</ApplyToItems></CombineBatch>\n</MosvaneBatch>\n'
} > "$work/combine.xml"

# --- the tasks, each writing into $work/out ------------------------------------------------------
magick_quality="" vips_level=-1 # set by the calibration below; empty and -1 are the defaults
each() { xargs -0 -n 1 -P "$jobs" "$@"; }
pictures_of() { printf '%s\0' "$1"/*.png; }
sheets_of() { for ((k = 1; k <= sheets; k++)); do printf '%s\0' "$k"; done; }

split_mosvane() { "$runner" "$1" --jobs "$jobs" >/dev/null 2>>"$work/runner.log"; }
split_ceiling() { "$ceiling" "$jobs" 4 4 "$work/out" "$1"/*.png; }
split_magick() {
  pictures_of "$1" | each sh -c 'exec "$0" "$3" -crop 4x4@ +repage -scene 1 $1 "$2/$(basename "$3" .png)%04d.png"' \
    "$magick" "${magick_quality:+-quality $magick_quality}" "$work/out"
}
split_vips() { pictures_of "$1" | each "$vipstiles" split "$vips_level" all 4 4 "$work/out"; }
combine_mosvane() { "$runner" "$work/combine.xml" --jobs "$jobs" >/dev/null 2>>"$work/runner.log"; }
combine_magick() {
  sheets_of | each sh -c 'exec "$0" "$3/tiles/sheet$4_"????.png -tile 8x8 -geometry +0+0 $1 "$2/sheet$4_.png"' \
    "$montage" "${magick_quality:+-quality $magick_quality}" "$work/out" "$work"
}
combine_vips() {
  sheets_of | each sh -c 'exec "$0" join "$1" all 8 "$2/sheet$4_.png" "$3/tiles/sheet$4_"????.png' \
    "$vipstiles" "$vips_level" "$work/out" "$work"
}

fresh_out() { rm -rf "$work/out" && mkdir "$work/out"; }

# Bytes the task writes with the current settings, over the four sample pictures.
sample_bytes() { fresh_out; "split_$1" "$work/sample"; bytes "$work/out"; }

# The fastest level (lowest) whose files are no larger than ours; the smallest when none is.
calibrate() {
  local tool=$1 ours=$2 level best="" best_size=""
  for level in 1 2 3 4 5 6 7 8 9; do
    if [ "$tool" = magick ]; then magick_quality="${level}5"; else vips_level=$level; fi
    local size
    size=$(sample_bytes "$tool")
    if [ -z "$best_size" ] || [ "$size" -lt "$best_size" ]; then best=$level best_size=$size; fi
    if [ "$size" -le "$ours" ]; then best=$level; break; fi
  done
  echo "$best"
}

# Times of every round per tool, the bytes of its last run, and a check against mosvane's files.
declare -A times size
run_round() { # KEY TASK TOOL ARG
  local key=$1 task=$2 tool=$3 start end
  fresh_out
  start=$(now)
  "${task}_${tool}" "${4:-}"
  end=$(now)
  times[$key]+="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }') "
  size[$key]=$(bytes "$work/out")
  local count sample
  count=$(find "$work/out" -name '*.png' | wc -l)
  if [ "$tool" = mosvane ]; then
    rm -rf "$work/reference" && cp -al "$work/out" "$work/reference"
  else
    [ "$count" -eq "$(find "$work/reference" -name '*.png' | wc -l)" ] ||
      { echo "batch_bench: $tool made $count files for $task" >&2; exit 1; }
    for sample in $(cd "$work/reference" && ls | sort | sed -n '1p;$p'); do
      [ "$(compare -metric AE "$work/reference/$sample" "$work/out/$sample" null: 2>&1 || true)" = 0 ] ||
        { echo "batch_bench: $tool's $sample differs from mosvane's" >&2; exit 1; }
    done
  fi
}
stat_of() { # min|median TIMES...
  local what=$1; shift
  printf '%s\n' "$@" | sort -g | awk -v w="$what" '{ v[NR] = $1 } END { if (w == "min") print v[1]; else print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
table() { # TASK TITLE TOOLS...
  local task=$1 title=$2 tool; shift 2
  local ours_min ours_med
  # shellcheck disable=SC2086
  ours_min=$(stat_of min ${times[$task.mosvane]}); ours_med=$(stat_of median ${times[$task.mosvane]})
  echo
  echo "== $title"
  printf '%-22s %8s %8s %10s %10s %12s %9s\n' tool "min s" "median s" "x (min)" "x (median)" "PNG bytes" "bytes x"
  for tool in "$@"; do
    local mn md
    # shellcheck disable=SC2086
    mn=$(stat_of min ${times[$task.$tool]}); md=$(stat_of median ${times[$task.$tool]})
    printf '%-22s %8.3f %8.3f %10.2f %10.2f %12s %9.3f\n' "${label[$tool]:-$tool}" "$mn" "$md" \
      "$(awk -v a="$mn" -v b="$ours_min" 'BEGIN { print a / b }')" "$(awk -v a="$md" -v b="$ours_med" 'BEGIN { print a / b }')" \
      "${size[$task.$tool]}" "$(awk -v a="${size[$task.$tool]}" -v b="${size[$task.mosvane]}" 'BEGIN { print a / b }')"
  done
}
declare -A label

# --- calibration: the peers' levels that match our file size ------------------------------------
fresh_out
"$runner" "$work/sample.xml" --jobs "$jobs" >/dev/null 2>>"$work/runner.log"
ours_sample=$(bytes "$work/out")
magick_level=$(calibrate magick "$ours_sample")
vips_equal=$(calibrate vips "$ours_sample")
magick_quality="" vips_level=-1
magick_default_sample=$(sample_bytes magick)
echo "batch_bench: our split of the 4 samples writes $ours_sample bytes; ImageMagick matches at" \
  "-quality ${magick_level}5 (zlib $magick_level, adaptive filter), libvips at compression $vips_equal, all filters;" \
  "ImageMagick's default writes $magick_default_sample (ours $(awk -v a="$ours_sample" -v b="$magick_default_sample" 'BEGIN { printf "%.3f", a / b }') of it)"

# --- equal size, then defaults, interleaved rounds --------------------------------------------------
with() { # SETTINGS(equal|default) TASK TOOL ARG
  if [ "$1" = equal ]; then magick_quality="${magick_level}5" vips_level=$vips_equal; else magick_quality="" vips_level=-1; fi
  local key=$2.$3
  case $3 in magick | vips) key=$2.$3-$1 ;; esac
  run_round "$key" "$2" "$3" "${4:-}"
}
for ((r = 1; r <= rounds; r++)); do
  for task in split combine; do
    with equal "$task" mosvane "$work/split.xml"
    [ "$task" = split ] && with equal split ceiling "$work/in"
    for settings in equal default; do
      with "$settings" "$task" magick "$work/in"
      with "$settings" "$task" vips "$work/in"
    done
  done
done
label[magick-equal]="ImageMagick q${magick_level}5"; label[vips-equal]="libvips c$vips_equal all"
label[magick-default]="ImageMagick default"; label[vips-default]="libvips default"
label[mosvane]="mosvane --jobs $jobs"; label[ceiling]="split_ceiling ($jobs thr.)"
table split "split: $pictures pictures of 2048 x 2048 into 4 x 4 ($((pictures * 16)) files), peers at our size, then at their defaults" \
  mosvane ceiling magick-equal vips-equal magick-default vips-default
table combine "combine: $sheets sheets of 64 tiles of 256 x 256 into 2048 x 2048, peers at our size, then at their defaults" \
  mosvane magick-equal vips-equal magick-default vips-default
echo "(\"x\": the tool's time over mosvane's: mosvane's throughput is that many times the tool's;"
echo " \"bytes x\": the tool's bytes over mosvane's. Load after the rounds: $(load))"

# --- the old comparison: peers at defaults, libvips' command line per piece, one mosvane process ---
old_split_mosvane() { "$runner" "$work/split.xml" --jobs 1 >/dev/null 2>>"$work/runner.log"; }
old_split_magick() { for f in "$work"/in/*.png; do "$magick" "$f" -crop 4x4@ +repage -scene 1 "$work/out/$(basename "$f" .png)%04d.png"; done; }
old_split_vips() {
  local f k name
  for f in "$work"/in/*.png; do
    name=$(basename "$f" .png)
    for ((k = 0; k < 16; k++)); do
      vips extract_area "$f" "$work/out/${name}$(printf '%04d' $((k + 1))).png" $((k % 4 * 512)) $((k / 4 * 512)) 512 512
    done
  done
}
magick_quality="" vips_level=-1
for tool in mosvane magick vips; do run_round "old_split.$tool" old_split "$tool"; done
label[magick]="ImageMagick (serial)"; label[vips]="vips CLI per piece"; label[mosvane]="mosvane --jobs 1"
table old_split "old rows, one run each, kept for comparison: the same split, peers serial at their defaults" mosvane magick vips

# --- peak memory of --jobs runs -------------------------------------------------------------------
echo
echo "== peak memory of a --jobs $jobs split (largest resident set of the runner and its workers)"
for n in 10 100; do
  [ "$n" -le "$pictures" ] || continue
  head -n $((4 + n)) "$work/split.xml" > "$work/batch$n.xml"
  printf '</ApplyToItems></SplitBatch>\n</MosvaneBatch>\n' >> "$work/batch$n.xml"
  fresh_out
  kib=$(/usr/bin/time -v "$runner" "$work/batch$n.xml" --jobs "$jobs" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }')
  printf '%4d items: %8d KiB\n' "$n" "$kib"
done
