# What `cmake --install` puts where, and the packages CPack makes from it:
#   Linux:   bin/vantor-update, the udev rule, the manual page, the bash completion and
#            the documents; `cpack -G DEB` (package preset `deb`) makes
#            vantor-update_<version>_amd64.deb. Where Qt 6 is found, also the desktop
#            app (bin/vantor-update-gui, its .desktop file, AppStream metainfo and
#            hicolor icons) and its own package, vantor-update-gui_<version>_amd64.deb.
#   Windows: VantorUpdate.exe, vantor-update.exe, README and licence side by side;
#            `cpack -G ZIP` (package preset `windows-zip`) makes the zip.
# Only program targets and files are named here, never the libraries behind them.
include(GNUInstallDirs)

# Two packages from one tree: the command line (with the udev rule both use) and the
# desktop app. Rules that name no component belong to the command line's.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME cli)

set(VANTOR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
# Not GNUInstallDirs' DOCDIR, which is named after the CMake project, not the package.
set(VANTOR_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vantor-update)
# A umask of the builder's must not end up in the package.
# `make install` and cpack install what is built and do not first build every target
# (the test suite): the packaging check builds just the program, which brings the
# compressed pages along. `cmake --install` never builds anything anyway.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(VANTOR_PACKAGE_MAINTAINER "The Vantor Update developers <vantor-update@example.org>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")

if(WIN32)
  # The programs link their runtimes statically: no DLL travels with them.
  install(TARGETS vantor-update VantorUpdate RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
else()
  install(TARGETS vantor-update RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # udev reads <prefix>/lib/udev/rules.d (for /usr and /usr/local alike), whatever the
  # multiarch library folder is.
  install(FILES ${VANTOR_PACKAGING_DIR}/linux/70-vantor-update.rules DESTINATION lib/udev/rules.d)
  install(FILES ${VANTOR_PACKAGING_DIR}/linux/vantor-update.bash-completion
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME vantor-update)
  # Where Debian's zsh and fish look for the completions of packages.
  install(FILES ${VANTOR_PACKAGING_DIR}/linux/_vantor-update DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/zsh/vendor-completions)
  install(FILES ${VANTOR_PACKAGING_DIR}/linux/vantor-update.fish
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/fish/vendor_completions.d)

  # Manual page and changelog get the version filled in and are installed compressed,
  # as Debian wants them; -n keeps the file's name and time out of the archive, so
  # rebuilds give the same bytes.
  set(VANTOR_INSTALL_FILES_DIR ${PROJECT_BINARY_DIR}/install-files)
  set(man_page ${VANTOR_PACKAGING_DIR}/linux/vantor-update.1)
  configure_file(${man_page} ${VANTOR_INSTALL_FILES_DIR}/vantor-update.1 @ONLY)
  configure_file(${VANTOR_PACKAGING_DIR}/debian/changelog.in ${VANTOR_INSTALL_FILES_DIR}/changelog @ONLY)
  add_custom_command(
    OUTPUT ${VANTOR_INSTALL_FILES_DIR}/vantor-update.1.gz ${VANTOR_INSTALL_FILES_DIR}/changelog.gz
    COMMAND gzip -9nkf vantor-update.1 changelog
    WORKING_DIRECTORY ${VANTOR_INSTALL_FILES_DIR}
    DEPENDS ${VANTOR_INSTALL_FILES_DIR}/vantor-update.1 ${VANTOR_INSTALL_FILES_DIR}/changelog
    COMMENT "Compressing the manual page and the changelog")
  add_custom_target(vantor_install_files ALL
    DEPENDS ${VANTOR_INSTALL_FILES_DIR}/vantor-update.1.gz ${VANTOR_INSTALL_FILES_DIR}/changelog.gz)
  # Building just the program (as the packaging check does) must leave everything
  # `cmake --install` copies in place.
  add_dependencies(vantor-update vantor_install_files)

  install(FILES ${VANTOR_INSTALL_FILES_DIR}/vantor-update.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
                ${VANTOR_PACKAGING_DIR}/debian/copyright ${VANTOR_INSTALL_FILES_DIR}/changelog.gz
          DESTINATION ${VANTOR_DOC_DIR})

  if(TARGET vantor-update-gui)
    include(${CMAKE_CURRENT_LIST_DIR}/InstallDesktop.cmake)
  endif()
endif()

set(CPACK_PACKAGE_NAME vantor-update)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vantor Update developers")
set(CPACK_PACKAGE_CONTACT "${VANTOR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for USB game controllers")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
# Whatever build is packaged, its programs carry no symbols.
set(CPACK_STRIP_FILES TRUE)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME vantor-update-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTOR_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The synopsis line is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the text below it.
  # One string: separate strings would become a CMake list, joined with semicolons.
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "vantor-update puts new firmware on USB game controllers started in their boot\n"
      "mode: it checks a firmware package (*.dat), shows the version offered and\n"
      "streams the image to the controller's bootloader over USB HID, with a\n"
      "progress bar. It speaks both the framed and the addressed bootloader\n"
      "protocols, can write packages, and has emulated controllers (--simulate)\n"
      "for trying it without hardware.\n"
      "The package's udev rule lets the user at the seat update a controller\n"
      "without root.")
  # The C and C++ runtimes from dpkg-shlibdeps; hidapi by hand, because the program
  # loads it at run time (dlopen) rather than linking it.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS libhidapi-hidraw0)
  # The bash completion needs nothing of it, but bash loads completions on demand only
  # with it installed.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
      ${VANTOR_PACKAGING_DIR}/debian/postinst ${VANTOR_PACKAGING_DIR}/debian/postrm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
  if(TARGET vantor-update-gui)
    vantor_desktop_package()
  endif()
endif()

include(CPack)
