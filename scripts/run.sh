#!/usr/bin/env bash
# Starts the Mosvane window from a build folder.
set -euo pipefail
build=${1:-build}
gui="$build/bin/mosvane"
if [ ! -x "$gui" ]; then
  echo "The Mosvane window is not part of this build yet."
  echo "Batch files run headless with: $build/bin/mosvane-batch FILE   (see --help)"
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: Mosvane's window needs X11 or Wayland (DISPLAY or WAYLAND_DISPLAY is unset)." >&2
  echo "To start it on a virtual display:   xvfb-run -a $gui" >&2
  echo "To run batch files without a window: $build/bin/mosvane-batch FILE   (see --help)" >&2
  exit 1
fi
exec "$gui"
