#!/usr/bin/env bash
# Animations: our APNG and GIF writers (mosvane-batch mng --format apng|gif) beside ImageMagick's
# APNG, apngasm, and ImageMagick's GIF as it comes and optimised by gifsicle, every tool making one
# looping animation of the same frames at the same size and rate:
#
#  - two sets of frames made here with Pillow: a pixel-art walk cycle on a still background (few
#    colours: GIF can be exact) and a full-colour scene whose sun moves over noise (the GIF
#    palette must be chosen);
#  - each output is read back with ffmpeg: frame count, size, and whether every shown frame equals
#    its source frame ("exact"), so that no tool wins by dropping frames or pixels (Pillow shows
#    the RGB frames apngasm writes wrongly, so it is not the judge here);
#  - the tools run in interleaved rounds (A B C .. A B C ..); the minimum and the median of each
#    tool's times (whole processes, as a person runs them) are given, the ratios are the peer's over
#    ours; a peer that is not installed is skipped with a line saying so.
#
#   bench/anim_bench.sh [BUILD_DIR]      (default build-bench; run by scripts/run-benchmarks.sh)
#
# FRAMES frames (default 48) of WIDTH x HEIGHT (default 640 x 360) at 12 FPS; ROUNDS rounds
# (default 3).
set -euo pipefail

build=${1:-build-bench}
runner=$(cd "$build/bin" && pwd)/mosvane-batch
frames=${FRAMES:-48}
width=${WIDTH:-640}
height=${HEIGHT:-360}
rounds=${ROUNDS:-3}
# The real programs, not wrappers a PATH may put in front of them; Debian's Python has Pillow.
magick=/usr/bin/convert
python=/usr/bin/python3
for tool in "$runner" "$magick" "$python" ffmpeg; do
  command -v "$tool" >/dev/null || { echo "anim_bench: $tool is missing (make bench installs it)" >&2; exit 1; }
done
"$python" -c 'import PIL' 2>/dev/null || { echo "anim_bench: Pillow is missing (make bench installs it)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/mosvane-anim-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

cat >"$work/frames.py" <<'EOF'
import random, sys
from PIL import Image, ImageDraw

kind, folder, count, w, h = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
rng = random.Random(7)
if kind == "sprite":
    back = Image.new("RGB", (w, h), (92, 148, 252))
    d = ImageDraw.Draw(back)
    d.rectangle([0, h * 3 // 4, w, h], fill=(200, 76, 12))
    for x in range(0, w, 16):
        d.rectangle([x, h * 3 // 4, x + 7, h * 3 // 4 + 7], fill=(252, 188, 176))
    for _ in range(12):
        x, y = rng.randrange(w), rng.randrange(h // 2)
        d.ellipse([x, y, x + 48, y + 20], fill=(252, 252, 252))
else:
    back = Image.new("RGB", (w, h))
    back.putdata([(max(0, min(255, x * 255 // w + rng.randrange(-6, 7))), y * 255 // h, 128 + rng.randrange(0, 24))
                  for y in range(h) for x in range(w)])
for k in range(count):
    frame = back.copy()
    d = ImageDraw.Draw(frame)
    if kind == "sprite":  # a 24 x 32 figure walking right, legs swapping every other frame
        x, y = (k * 6) % (w - 24), h * 3 // 4 - 32
        d.rectangle([x + 6, y, x + 17, y + 9], fill=(252, 216, 168))
        d.rectangle([x + 4, y + 10, x + 19, y + 23], fill=(228, 0, 88))
        step = 4 if k % 2 else -4
        d.rectangle([x + 6 + step, y + 24, x + 10 + step, y + 31], fill=(0, 0, 168))
        d.rectangle([x + 13 - step, y + 24, x + 17 - step, y + 31], fill=(0, 0, 168))
    else:  # a soft sun crossing the sky
        cx, cy = w * k // count, h // 3
        for r in range(40, 0, -4):
            shade = 255 - r * 2
            d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(255, shade, shade // 2))
    frame.save("%s/f%04d.png" % (folder, k + 1))
EOF

# Frame count, size, and whether every frame as ffmpeg shows it equals its source frame.
cat >"$work/check.py" <<'EOF'
import glob, subprocess, sys
from PIL import Image

path, folder = sys.argv[1], sys.argv[2]
sources = sorted(glob.glob(folder + "/f*.png"))
with Image.open(sources[0]) as first:
    w, h = first.size
demuxer = ["-f", "apng"] if path.endswith("png") else []
raw = subprocess.run(["ffmpeg", "-v", "error"] + demuxer + ["-i", path, "-fps_mode", "passthrough", "-f", "rawvideo",
                      "-pix_fmt", "rgba", "-"], check=True, capture_output=True).stdout
count = len(raw) // (w * h * 4)
exact = count == len(sources)
for k in range(min(count, len(sources))):
    with Image.open(sources[k]) as source:
        exact = exact and raw[k * w * h * 4:(k + 1) * w * h * 4] == source.convert("RGBA").tobytes()
print("%d %dx%d %s" % (count, w, h, "exact" if exact else "not-exact"))
EOF

now() { date +%s.%N; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
have() { command -v "$1" >/dev/null; }

# The tools, each writing $out/<name> from the frames of $src.
apng_mosvane() { "$runner" mng "$src/f0001.png" --template '####' --frames "$frames" --fps 12 --format apng -o "$out" >/dev/null 2>&1; }
# ImageMagick writes APNG through ffmpeg, at 25 FPS whatever the delay asks (other rates come out
# with frames repeated, and an "apng:" name gives a still PNG): its frames are timed at 25 FPS.
apng_magick() { "$magick" -delay 4 -loop 0 "$src"/f*.png "$out/f.apng" 2>/dev/null; }
apng_apngasm() { apngasm "$out/f.png" "$src"/f*.png 1 12 >/dev/null; }
apng_apngasm_zlib() { apngasm "$out/f.png" "$src"/f*.png 1 12 -z0 >/dev/null; }
gif_mosvane() { "$runner" mng "$src/f0001.png" --template '####' --frames "$frames" --fps 12 --format gif -o "$out" >/dev/null 2>&1; }
gif_magick() { "$magick" -delay 1x12 -loop 0 "$src"/f*.png "$out/f.gif"; }
gif_gifsicle_O2() { gif_magick && gifsicle -w -O2 "$out/f.gif" -o "$out/o.gif" && mv "$out/o.gif" "$out/f.gif"; }
gif_gifsicle_O3() { gif_magick && gifsicle -w -O3 "$out/f.gif" -o "$out/o.gif" && mv "$out/o.gif" "$out/f.gif"; }
declare -A label=([mosvane]="mosvane" [magick]="ImageMagick default" [apngasm]="apngasm default (7zip)"
                  [apngasm_zlib]="apngasm -z0 (zlib)" [gifsicle_O2]="ImageMagick + gifsicle -O2"
                  [gifsicle_O3]="ImageMagick + gifsicle -O3")
declare -A needs=([apngasm]=apngasm [apngasm_zlib]=apngasm [gifsicle_O2]=gifsicle [gifsicle_O3]=gifsicle)

declare -A times size shape
stat_of() { # min|median TIMES...
  local what=$1; shift
  printf '%s\n' "$@" | sort -g | awk -v w="$what" '{ v[NR] = $1 } END { if (w == "min") print v[1]; else print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
run_once() { # SET FORMAT TOOL
  local key=$1.$2.$3 start end file
  out=$work/out && rm -rf "$out" && mkdir "$out"
  start=$(now)
  "$2_$3" || { echo "anim_bench: $3 failed on the $1 frames" >&2; exit 1; }
  end=$(now)
  times[$key]+="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }') "
  file=$(ls "$out"/*)
  size[$key]=$(stat -c %s "$file")
  [ -n "${shape[$key]:-}" ] || shape[$key]=$("$python" "$work/check.py" "$file" "$src")
}

echo "anim_bench: $(nproc) cores, load $(load); $frames frames of $width x $height at 12 FPS, $rounds rounds"
for tool in apngasm gifsicle; do have "$tool" || echo "anim_bench: $tool is not installed: its rows are skipped"; done
for set in sprite colour; do
  src=$work/$set && mkdir "$src"
  "$python" "$work/frames.py" "$set" "$src" "$frames" "$width" "$height"
  for ((r = 1; r <= rounds; r++)); do
    for format in apng gif; do
      for tool in mosvane magick apngasm apngasm_zlib gifsicle_O2 gifsicle_O3; do
        declare -F "${format}_$tool" >/dev/null || continue
        [ -z "${needs[$tool]:-}" ] || have "${needs[$tool]}" || continue
        run_once "$set" "$format" "$tool"
      done
    done
  done
  for format in apng gif; do
    echo
    echo "== $format, $set frames ($(du -sb "$src" | cut -f1) bytes of PNG frames)"
    printf '%-28s %8s %8s %9s %10s %9s  %s\n' tool "min s" "median s" "x (min)" bytes "bytes x" "frames size read back"
    base=$set.$format.mosvane
    # shellcheck disable=SC2086
    ours_min=$(stat_of min ${times[$base]})
    for tool in mosvane magick apngasm apngasm_zlib gifsicle_O2 gifsicle_O3; do
      key=$set.$format.$tool
      [ -n "${times[$key]:-}" ] || continue
      # shellcheck disable=SC2086
      mn=$(stat_of min ${times[$key]}); md=$(stat_of median ${times[$key]})
      printf '%-28s %8.3f %8.3f %9.2f %10s %9.3f  %s\n' "${label[$tool]}" "$mn" "$md" \
        "$(awk -v a="$mn" -v b="$ours_min" 'BEGIN { print a / b }')" "${size[$key]}" \
        "$(awk -v a="${size[$key]}" -v b="${size[$base]}" 'BEGIN { print a / b }')" "${shape[$key]}"
    done
  done
  rm -rf "$src"
done
echo
echo "anim_bench: load after $(load)"
