# The Debian package: (cd build && cpack), which writes
# build/rm740-control_VERSION-1_ARCH.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rm740-control)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Control a data projector over an RS-232C serial line")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A control panel for a data projector on a serial line: command buttons,\n"
    "arrows that repeat while held, a monitor of every exchange, replies to\n"
    "read commands in plain English and the projector's whole command set in\n"
    "a list. Also holds rm740ctl, the same commands from a shell (for scripts,\n"
    "schedules and many projectors at once), rm740-bridge, which puts\n"
    "projectors on PJLink ports for control systems (its service is not\n"
    "enabled), and rm740-sim, a simulated projector on a pseudo-terminal.")
set(CPACK_PACKAGE_CONTACT "rm740-control maintainers <rm740-control@maintainers.invalid>")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The package's own revision of the program's version, as debian/changelog
# names it (a version without one would be a Debian-native package).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries come from dpkg-shlibdeps (dpkg-dev); the xcb platform plugin
# is loaded at run time, so no linker sees it. The captions are laid out for
# Liberation Sans (Arial's metrics): with another face they still fit, drawn
# smaller, so the layout is only as designed with it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2")

# What Debian asks of every package in /usr/share/doc/PACKAGE: the copyright
# and the package's changelog, gzipped.
set(debian_changelog ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz)
rm740_gzipped(debian_changelog ${CMAKE_CURRENT_LIST_DIR}/debian/changelog ${debian_changelog})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${debian_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The bridge's configuration is the administrator's: an upgrade keeps it.
file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "/etc/rm740/bridge.conf\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)

include(CPack)
