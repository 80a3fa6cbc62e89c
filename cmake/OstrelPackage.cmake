# The Debian package: what `cmake --install` puts under /usr, packed by CPack (scripts/package).
# Its dependencies are read from the installed binaries by dpkg-shlibdeps, so they follow what the
# build actually linked.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Ostrel developers")
set(CPACK_PACKAGE_CONTACT "${OSTREL_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME ostrel)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${OSTREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# Qt loads its X11 platform plugin at run time; no binary links it, so it is named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "save and restore window layouts on X11 desktops")
# Debian shows the description as it is written: lines of less than 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "Ostrel saves where the windows of other applications are on the connected
monitors as named layouts and puts them back: from its panel, a layout
chooser, a global keyboard shortcut, or by itself when a linked monitor setup
is connected again or the computer wakes.

It needs an X11 session with an EWMH window manager.")
include(CPack)
