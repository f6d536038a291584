#!/usr/bin/env bash
# Builds the seed corpus of every fuzz target under OUT/<target>, from the shipped files, the test
# data and the real pictures in ../shared/corpus, plus small pictures ImageMagick writes in the
# variants the corpus lacks (JPEG, GIF, DDS, run-length BMP and TGA, and a few PNGs for when the
# corpus is absent).
#   scripts/fuzz-seeds.sh OUT
# The decoder target reads a selector byte before the file: the index of the name the file goes by
# in fuzz/DecodeFuzz.cpp (png 0, jpg 1, bmp 2, tga 3, gif 4, dds 5). The XML target reads a mode
# byte before the text; 1 is the program's own parse options.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$1"
corpus="$root/../shared/corpus"
rm -rf "$out/decode" "$out/xml" "$out/batch" "$out/png" "$out/worker_record"
mkdir -p "$out/decode" "$out/xml" "$out/batch" "$out/png" "$out/worker_record"

selector() { # the selector of a file's extension, as a number
  case "${1,,}" in
    *.png) echo 0 ;; *.jpg) echo 1 ;; *.bmp) echo 2 ;; *.tga) echo 3 ;; *.gif) echo 4 ;; *.dds) echo 5 ;;
    *) return 1 ;;
  esac
}
seed() { # seed FILE: the file after its selector byte, named after a hash of the result
  local n tmp
  n="$(selector "$1")" || return 0
  tmp="$(mktemp)"
  { printf "\\$(printf '%03o' "$n")"; cat "$1"; } >"$tmp"
  mv "$tmp" "$out/decode/$(sha1sum "$tmp" | cut -c1-16)"
}

if [ -d "$corpus" ]; then
  while IFS= read -r -d '' f; do seed "$f"; done < <(find "$corpus" -type f -size -64k -print0)
fi

if command -v convert >/dev/null; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  src="$work/src.png"
  convert -size 19x13 gradient:red-blue \( -size 19x13 gradient:white-black \) -alpha off \
    -compose CopyOpacity -composite "$src"
  i=0
  while read -r ext options; do
    i=$((i + 1))
    # shellcheck disable=SC2086
    convert "$src" $options "$work/$i.$ext" 2>/dev/null && seed "$work/$i.$ext"
    # The PNG target gets these too, so that it starts from real files without the corpus.
    if [ "$ext" = png ] && [ -f "$work/$i.png" ]; then cp "$work/$i.png" "$out/png/made$i.png"; fi
  done <<'LIST'
png -alpha on
png -interlace PNG
png -alpha off -type Palette
png -alpha off -colorspace Gray -depth 16
jpg -alpha off -quality 80
jpg -alpha off -interlace JPEG
jpg -alpha off -colorspace Gray
jpg -alpha off -colorspace CMYK
jpg -alpha off -sampling-factor 2x2
gif -alpha on
gif -alpha off -interlace GIF
gif -alpha off -colors 4
dds -define dds:compression=dxt1
dds -define dds:compression=dxt5
dds -define dds:compression=none
bmp -alpha off -colors 16 -type Palette -compress RLE
bmp -alpha off -type Palette -compress RLE
bmp -alpha off -define bmp:format=bmp3
tga -compress RLE
tga -alpha off -type Palette
LIST
fi

for f in "$root"/data/Cnfg/*.xml "$root"/tests/data/*.xml; do
  [ -f "$f" ] || continue
  { printf '\x01'; cat "$f"; } >"$out/xml/$(basename "$f")"
done
[ -d "$corpus/pngsuite/png" ] && cp "$corpus"/pngsuite/png/*.png "$out/png/"
cp "$root"/fuzz/seeds/batch/* "$root"/tests/data/*.xml "$out/batch/" 2>/dev/null || true
cp "$root"/fuzz/seeds/worker_record/* "$out/worker_record/"
echo "fuzz seeds: $(ls "$out/decode" | wc -l) decode, $(ls "$out/xml" | wc -l) xml, $(ls "$out/batch" | wc -l) batch, $(ls "$out/png" | wc -l) png in $out"
