#!/bin/sh
# Runs a window test executable on a virtual X display of its own, with Qt on EGL (Mesa's
# llvmpipe). Listing the tests needs no display.
export QT_QPA_PLATFORM=xcb
export QT_XCB_GL_INTEGRATION=xcb_egl
export LIBGL_ALWAYS_SOFTWARE=1
here=$(cd "$(dirname "$0")" && pwd)
# Under LeakSanitizer: leaks inside the X, Mesa and Qt libraries are theirs, not ours.
export LSAN_OPTIONS="suppressions=$here/lsan-suppressions.txt:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
case " $* " in
*" --gtest_list_tests "*) exec "$@" ;;
esac
exec xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" "$@"
