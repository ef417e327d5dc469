# Installation and the Debian package.
#
# The converter finds morvane.cfg, colors.cfg and errors.log beside its own file, so the
# program and its two configuration files are installed together in <prefix>/lib/morvane/;
# <prefix>/bin/morvane is a relative symbolic link to it, which keeps the installed tree
# movable and lets the program resolve its real directory through the link.
include(GNUInstallDirs)

set(MORVANE_INSTALL_PROGRAM_DIR lib/morvane)

install(TARGETS morvane RUNTIME DESTINATION ${MORVANE_INSTALL_PROGRAM_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/config/morvane.cfg ${PROJECT_SOURCE_DIR}/config/colors.cfg
        DESTINATION ${MORVANE_INSTALL_PROGRAM_DIR})

# The link is made in the build tree and installed as it is (install keeps symbolic links).
set(morvane_link ${PROJECT_BINARY_DIR}/install-link/morvane)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/install-link)
file(CREATE_LINK ../${MORVANE_INSTALL_PROGRAM_DIR}/morvane ${morvane_link} SYMBOLIC)
install(FILES ${morvane_link} DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${PROJECT_SOURCE_DIR}/docs/man/morvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# cpack -G DEB: the dependencies come from the libraries the installed programs link
# (dpkg-shlibdeps, from dpkg-dev).
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VENDOR "the morvane developers")
set(CPACK_PACKAGE_CONTACT "morvane developers <morvane-bugs@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter from sprite files to animated GIFs")
set(CPACK_PACKAGE_DESCRIPTION
    "morvane converts sprite files (.spr), their named sequences drawn in one or more \
directions, into one animated GIF per sequence and direction, many files at once.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY morvane)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Edits to the two configuration files survive an upgrade.
set(morvane_conffiles ${PROJECT_BINARY_DIR}/install-deb/conffiles)
file(WRITE ${morvane_conffiles}
     "${CPACK_PACKAGING_INSTALL_PREFIX}/${MORVANE_INSTALL_PROGRAM_DIR}/morvane.cfg\n"
     "${CPACK_PACKAGING_INSTALL_PREFIX}/${MORVANE_INSTALL_PROGRAM_DIR}/colors.cfg\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${morvane_conffiles})
include(CPack)
