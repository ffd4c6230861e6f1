# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` from a build tree: a Debian package of what `cmake --install` lays out, its
# dependencies worked out by dpkg-shlibdeps from the installed programs and libraries.
# tests/install/check-package.sh builds it and holds it to lintian's rules.

# What every Debian package carries in its documentation folder: the licence in the
# machine-readable copyright format and the changelog, compressed without a time stamp.
set(AMPORA_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/ampora)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${GZIP} -9 -n -c ${CMAKE_BINARY_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
    VERBATIM)
add_custom_target(ampora_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${AMPORA_PACKAGE_DOCDIR})

set(CPACK_PACKAGE_NAME ampora)
set(CPACK_PACKAGE_VENDOR "The Ampora developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Keep power plans and switch between them, by hand or on a schedule")
set(CPACK_PACKAGE_DESCRIPTION "Ampora keeps named power plans, each with its own settings for mains and for
battery, switches between them from a window, a quick switcher, the tray or
the ampctl command, and switches plans at chosen times or on joining a network.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${AMPORA_HOMEPAGE})
set(CPACK_PACKAGE_CONTACT "The Ampora developers <maintainers@ampora.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The private base library lives in the private library folder (src/CMakeLists.txt), found through
# the programs' run paths, never through ldconfig.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
# xdg-open opens the help manual and web pages; systemd runs the scheduled switches; Qt's Wayland
# plugin lets the window open on a Wayland display without XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, systemd, qt6-wayland")
set(CPACK_STRIP_FILES ON)
include(CPack)
