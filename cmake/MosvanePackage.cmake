# The Debian package (make package, or cpack in the build folder): everything the install rules
# place, under /usr. Its dependencies are the shared libraries the programs link, found by
# dpkg-shlibdeps, and what they load at run time without linking it: Qt's platform plugins (the
# window) and Mesa's drivers (OpenGL through EGL, also for the runner's blend).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mosvane)
set(CPACK_PACKAGE_VENDOR "The Mosvane developers")
set(CPACK_PACKAGE_CONTACT "${MOSVANE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MOSVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The synopsis, then the extended description (CPack indents its lines).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "prepare pictures in bulk: tiles, sheets, alpha layers
Mosvane cuts pictures into grids of numbered tiles, joins numbered pictures
into one sheet, extracts or makes alpha layers, blends pictures onto a
background under a watermark and makes animated MNG files. Every operation
can be recorded with its settings into an XML batch file and run over
hundreds of pictures, in the window or headless with mosvane-batch, which
also spreads the work over cores and machines.")

include(CPack)
