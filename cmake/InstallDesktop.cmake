# The desktop app's files and its Debian package, vantor-update-gui. Included by
# Install.cmake where the app is built (Qt 6 found).

set(VANTOR_DESKTOP_DIR ${VANTOR_PACKAGING_DIR}/desktop)
set(VANTOR_APPSTREAM_ID org.example.vantor_update.gui)

install(TARGETS vantor-update-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
install(FILES ${VANTOR_DESKTOP_DIR}/vantor-update-gui.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications COMPONENT gui)
configure_file(${VANTOR_DESKTOP_DIR}/vantor-update-gui.metainfo.xml
               ${VANTOR_INSTALL_FILES_DIR}/${VANTOR_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${VANTOR_INSTALL_FILES_DIR}/${VANTOR_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo COMPONENT gui)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${VANTOR_DESKTOP_DIR}/icons/${size}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
          RENAME vantor-update-gui.png COMPONENT gui)
endforeach()
install(FILES ${VANTOR_DESKTOP_DIR}/icons/scalable.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
        RENAME vantor-update-gui.svg COMPONENT gui)
configure_file(${VANTOR_DESKTOP_DIR}/vantor-update-gui.1 ${VANTOR_INSTALL_FILES_DIR}/vantor-update-gui.1 @ONLY)
add_custom_command(
  OUTPUT ${VANTOR_INSTALL_FILES_DIR}/vantor-update-gui.1.gz
  COMMAND gzip -9nkf vantor-update-gui.1
  WORKING_DIRECTORY ${VANTOR_INSTALL_FILES_DIR}
  DEPENDS ${VANTOR_INSTALL_FILES_DIR}/vantor-update-gui.1
  COMMENT "Compressing the desktop app's manual page")
add_custom_target(vantor_desktop_install_files ALL DEPENDS ${VANTOR_INSTALL_FILES_DIR}/vantor-update-gui.1.gz)
add_dependencies(vantor-update-gui vantor_desktop_install_files)
install(FILES ${VANTOR_INSTALL_FILES_DIR}/vantor-update-gui.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT gui)
# Every Debian package carries its own copyright and changelog.
install(FILES ${VANTOR_PACKAGING_DIR}/debian/copyright ${VANTOR_INSTALL_FILES_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vantor-update-gui COMPONENT gui)
add_dependencies(vantor-update-gui vantor_install_files)

# Called once the command line's package settings stand: both become components.
macro(vantor_desktop_package)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL cli gui)
  set(CPACK_DEBIAN_CLI_PACKAGE_NAME vantor-update)
  set(CPACK_DEBIAN_CLI_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA})
  set(CPACK_DEBIAN_CLI_PACKAGE_SUGGESTS ${CPACK_DEBIAN_PACKAGE_SUGGESTS})
  unset(CPACK_DEBIAN_PACKAGE_SUGGESTS)
  # Each package's first line is its own synopsis; CPack would put the one summary
  # before both descriptions.
  set(CPACK_DEBIAN_CLI_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
  unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
  unset(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA)
  set(CPACK_DEBIAN_GUI_PACKAGE_NAME vantor-update-gui)
  set(CPACK_DEBIAN_GUI_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_GUI_PACKAGE_SECTION utils)
  # The udev rule that gives the user at the seat access comes with the command line.
  set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "vantor-update (= ${PROJECT_VERSION}), libhidapi-hidraw0")
  # Without it Qt runs through XWayland on a Wayland desktop.
  set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS qt6-wayland)
  string(CONCAT CPACK_DEBIAN_GUI_DESCRIPTION
      "firmware updater for USB game controllers (desktop app)\n"
      "vantor-update-gui is the one-button window of vantor-update for Linux\n"
      "desktops: it finds a controller started in its boot mode, shows its\n"
      "version, asks for the firmware package and shows the stage, the bytes\n"
      "written and the time left. It notices controllers plugged in and pulled\n"
      "out, updates several at once, and tells a user without access the exact\n"
      "command that grants it.")
endmacro()
