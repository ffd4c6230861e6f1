# `cpack -G DEB` from a build tree: a Debian package of what `cmake --install` lays out, its
# dependencies worked out by dpkg-shlibdeps from the installed programs and libraries.
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
# The private base library lives in lib/ampora, found through the programs' run paths.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
# xdg-open opens the help manual and web pages; systemd runs the scheduled switches.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, systemd")
set(CPACK_STRIP_FILES ON)
include(CPack)
