#!/usr/bin/env bash
# Installs the Debian packages a group of tasks needs, skipping those already installed.
#   scripts/install-deps.sh build   compiler, CMake, the libraries Mosvane links and Qt for the window
#   scripts/install-deps.sh test    build + GoogleTest, ImageMagick (the tests' reference), Pillow and
#                                   ffmpeg (the animations' readers), Xvfb (the window's tests run
#                                   on a virtual display; libXtst presses their keys), groff (the
#                                   manual pages are checked), universal-ctags (the layout test
#                                   finds function bodies with it), python3 (its json module reads
#                                   --json) and node with npm (PixiJS reads the sheets' data files)
#   scripts/install-deps.sh bench   test + Google Benchmark, pugixml, libvips with its headers, apngasm
#                                   and gifsicle (compared against)
#   scripts/install-deps.sh fuzz    test + clang with its libFuzzer runtime
#   scripts/install-deps.sh package build + what makes and checks the Debian package (dpkg-shlibdeps
#                                   needs file; lintian)
set -euo pipefail

build=(build-essential cmake pkg-config
       libpng-dev libjpeg62-turbo-dev libgif-dev zlib1g-dev libdeflate-dev
       libgl-dev libegl-dev libegl1 libegl-mesa0 libgl1-mesa-dri libopengl0
       qt6-base-dev libqt6opengl6-dev libqt6gui6 libqt6widgets6 libqt6openglwidgets6 libqt6test6
       qt6-qpa-plugins fonts-dejavu-core)
test=(libgtest-dev libgmock-dev imagemagick python3 python3-pil ffmpeg xvfb xauth libxtst6 groff-base
      universal-ctags)
# A node that came from elsewhere (with its own npm) is kept: Debian's npm would not go with it.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  test+=(nodejs npm)
fi
bench=(libbenchmark-dev libpugixml-dev libvips-tools libvips-dev apngasm gifsicle time)
fuzz=(clang libclang-rt-14-dev)
package=(dpkg-dev file lintian)

want=()
for group in "${@:-build}"; do
  case "$group" in
    build) want+=("${build[@]}") ;;
    test)  want+=("${build[@]}" "${test[@]}") ;;
    bench) want+=("${build[@]}" "${test[@]}" "${bench[@]}") ;;
    fuzz)  want+=("${build[@]}" "${test[@]}" "${fuzz[@]}") ;;
    package) want+=("${build[@]}" "${package[@]}") ;;
    *) echo "install-deps: unknown group '$group' (build, test, bench, fuzz or package)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${want[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
