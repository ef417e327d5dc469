# The Debian package (cpack -G DEB) of what cmake --install installs.
# The dependencies come from the libraries the installed programs link
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
