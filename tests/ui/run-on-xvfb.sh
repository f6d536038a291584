#!/bin/sh
# Runs a window test executable on a virtual X display of its own, with Qt on EGL (Mesa's
# llvmpipe). Listing the tests needs no display.
export QT_QPA_PLATFORM=xcb
export QT_XCB_GL_INTEGRATION=xcb_egl
export LIBGL_ALWAYS_SOFTWARE=1
here=$(cd "$(dirname "$0")" && pwd)
# Under the sanitizers the window tests check memory errors but not leaks: LeakSanitizer's exit
# scan stops with "encountered a fatal error" now and then while llvmpipe's threads are still being
# torn down, failing tests that passed. The core tests keep leak checking. The suppressions stay
# for anyone who turns it back on with LSAN_OPTIONS=detect_leaks=1.
export ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$here/lsan-suppressions.txt:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
case " $* " in
*" --gtest_list_tests "*) exec "$@" ;;
esac
exec xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" "$@"
