# Installation.
#
# The converter finds morvane.cfg, colors.cfg and errors.log beside its own file, so every
# program is installed in <prefix>/lib/morvane/ with the configuration files; <prefix>/bin/<name>
# is a relative symbolic link to it, which keeps the installed tree movable and lets the program
# resolve its real directory through the link. A program that was not built is left out, so
# cmake --install works after building the converter alone.
include(GNUInstallDirs)

set(MORVANE_INSTALL_PROGRAM_DIR lib/morvane)

# Installs target as a program in lib/morvane with its link in bin, when it was built.
function(morvane_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${MORVANE_INSTALL_PROGRAM_DIR} OPTIONAL)
  install(CODE "
    set(program \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${MORVANE_INSTALL_PROGRAM_DIR}/${target}\")
    if(EXISTS \"\${program}\")
      set(bin_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(MAKE_DIRECTORY \"\${bin_dir}\")
      message(STATUS \"Installing: \${bin_dir}/${target}\")
      file(CREATE_LINK ../${MORVANE_INSTALL_PROGRAM_DIR}/${target} \"\${bin_dir}/${target}\" SYMBOLIC)
    endif()")
endfunction()

# The manual pages carry the project's version.
function(morvane_install_manual page)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.in ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

install(FILES ${PROJECT_SOURCE_DIR}/config/morvane.cfg ${PROJECT_SOURCE_DIR}/config/colors.cfg
        DESTINATION ${MORVANE_INSTALL_PROGRAM_DIR})
morvane_install_manual(morvane.1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
