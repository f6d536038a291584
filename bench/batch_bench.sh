#!/usr/bin/env bash
# Batch split and combine through mosvane-batch, timed side by side with ImageMagick and libvips
# making the same files, then the peak memory of a batch of 10 and of 100 items.
#
#   bench/batch_bench.sh [BUILD_DIR]      (default build-bench; run by scripts/run-benchmarks.sh)
#
# Split: PICTURES pictures of 2048 x 2048 (default 100), each into 4 x 4 pieces of 512 x 512.
# Combine: 64 tiles of 256 x 256 into one 2048 x 2048 sheet, made ROUNDS times (default 5).
# Throughput ratios are "times the other tool's time"; sizes are the PNG bytes written.
set -euo pipefail

build=${1:-build-bench}
runner=$(cd "$build/bin" && pwd)/mosvane-batch
pictures=${PICTURES:-100}
rounds=${ROUNDS:-5}
for tool in "$runner" convert montage vips /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "batch_bench: $tool is missing (make bench installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/mosvane-batch-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/tiles"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
bytes() { du -sb "$1" | cut -f1; }

# Inputs: four smooth fractal pictures, shared by hard links among the pictures of the batch.
echo "batch_bench: making $pictures pictures of 2048 x 2048 and 64 tiles of 256 x 256 in $work"
for s in 1 2 3 4; do
  convert -size 2048x2048 -seed "$s" plasma:fractal -blur 0x2 -depth 8 -type TrueColor "$work/src$s.png"
done
for ((i = 1; i <= pictures; i++)); do
  ln "$work/src$(( (i - 1) % 4 + 1 )).png" "$work/in/$(printf 'p%03d' "$i").png"
done
convert "$work/src1.png" -crop 8x8@ +repage -scene 1 "$work/tiles/tile%04d.png"

# The batch file: one split section over every picture, one combine section over the tiles.
batch="$work/batch.xml"
{
  printf '<MosvaneBatch>\n<SplitBatch><Output ImageType="png" NameFormat="p" FromNumber="1" Folder="%s" Template="####"/>\n' "$work/out"
  printf '<Input><Rows>%s</Rows><Cols>%s</Cols></Input>\n<ApplyToItems>\n' \
    "$(printf '<Row Ratio="0.250000"/>%.0s' 1 2 3 4)" "$(printf '<Col Ratio="0.250000"/>%.0s' 1 2 3 4)"
  for f in "$work"/in/*.png; do printf '<Item PathName="%s"/>\n' "$f"; done
  printf '</ApplyToItems></SplitBatch>\n'
  printf '<CombineBatch><Output ImageType="png" Folder="%s"/><Input FromNumber="1" Template="####" Rows="8" Cols="8"/>\n' "$work/out"
  printf '<ApplyToItems><Item PathName="%s"/></ApplyToItems></CombineBatch>\n</MosvaneBatch>\n' "$work/tiles/tile.png"
} > "$batch"

declare -A seconds size
split_mosvane() { "$runner" "$batch" --kind split >/dev/null 2>>"$work/runner.log"; }
split_magick() {
  for f in "$work"/in/*.png; do
    convert "$f" -crop 4x4@ +repage -scene 1 "$work/out/$(basename "$f" .png)%04d.png"
  done
}
split_vips() {
  local f k name
  for f in "$work"/in/*.png; do
    name=$(basename "$f" .png)
    for ((k = 0; k < 16; k++)); do
      vips extract_area "$f" "$work/out/${name}$(printf '%04d' $((k + 1))).png" $((k % 4 * 512)) $((k / 4 * 512)) 512 512
    done
  done
}
combine_mosvane() { for ((r = 0; r < rounds; r++)); do "$runner" "$batch" --kind combine >/dev/null 2>>"$work/runner.log"; done; }
combine_magick() {
  for ((r = 0; r < rounds; r++)); do
    montage "$work"/tiles/tile00??.png -tile 8x8 -geometry +0+0 "$work/out/tile.png"
  done
}
combine_vips() {
  for ((r = 0; r < rounds; r++)); do
    vips arrayjoin "$(echo "$work"/tiles/tile00??.png)" "$work/out/tile.png" --across 8
  done
}

# Runs one tool's task into a fresh output folder; keeps the time and the bytes written, and
# checks that the files are the same pictures as mosvane's.
measure() {
  local task=$1 tool=$2 start end
  rm -rf "$work/out" && mkdir "$work/out"
  start=$(now)
  "${task}_${tool}"
  end=$(now)
  seconds[$task.$tool]=$(elapsed "$start" "$end")
  size[$task.$tool]=$(bytes "$work/out")
  local count
  count=$(find "$work/out" -name '*.png' | wc -l)
  if [ "$tool" = mosvane ]; then
    rm -rf "$work/reference" && mv "$work/out" "$work/reference"
    reference_count=$count
  else
    [ "$count" -eq "$reference_count" ] || { echo "batch_bench: $tool made $count files for $task, mosvane $reference_count" >&2; exit 1; }
    local sample
    for sample in $(cd "$work/reference" && ls | sort | sed -n '1p;$p'); do
      [ "$(compare -metric AE "$work/reference/$sample" "$work/out/$sample" null: 2>&1 || true)" = 0 ] ||
        { echo "batch_bench: $tool's $sample differs from mosvane's" >&2; exit 1; }
    done
  fi
}

report() {
  local task=$1 what=$2 tool
  echo
  echo "== batch $task: $what"
  printf '%-10s %9s %14s %12s %12s\n' tool seconds "mosvane x" "PNG bytes" "vs magick"
  for tool in mosvane magick vips; do
    printf '%-10s %9s %14s %12s %12s\n' "$tool" "${seconds[$task.$tool]}" \
      "$(awk -v a="${seconds[$task.$tool]}" -v b="${seconds[$task.mosvane]}" 'BEGIN { printf "%.2f", a / b }')" \
      "${size[$task.$tool]}" \
      "$(awk -v a="${size[$task.$tool]}" -v b="${size[$task.magick]}" 'BEGIN { printf "%.3f", a / b }')"
  done
}

for tool in mosvane magick vips; do measure split "$tool"; done
report split "$pictures pictures of 2048 x 2048 into 4 x 4 pieces ($((pictures * 16)) files)"
for tool in mosvane magick vips; do measure combine "$tool"; done
report combine "64 tiles of 256 x 256 into one 2048 x 2048 sheet, $rounds times"
echo "(\"mosvane x\": the tool's time over mosvane's, so its throughput is that many times lower)"

# Peak memory: a batch of 10 items and one of 100 items of the same pictures.
echo
echo "== peak memory of a batch split (maximum resident set size)"
for n in 10 100; do
  [ "$n" -le "$pictures" ] || continue
  head -n $((4 + n)) "$batch" > "$work/batch$n.xml"
  printf '</ApplyToItems></SplitBatch>\n</MosvaneBatch>\n' >> "$work/batch$n.xml"
  rm -rf "$work/out" && mkdir "$work/out"
  kib=$(/usr/bin/time -v "$runner" "$work/batch$n.xml" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }')
  printf '%4d items: %8d KiB\n' "$n" "$kib"
done
