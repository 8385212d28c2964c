# The Debian package: what `cpack -G DEB` builds from the install rules (scripts/package-deb.sh).
# The manual page, the service template and the example settings are installed here too, so that
# `cmake --install` puts them in place as the package does.

# gzip -n leaves out the time stamp, so that the same page gives the same package. The German page
# is found by man -L de.
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/avrnetio-logger.1.gz
                          ${CMAKE_CURRENT_BINARY_DIR}/de/avrnetio-logger.1.gz
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/packaging/avrnetio-logger.1
          > ${CMAKE_CURRENT_BINARY_DIR}/avrnetio-logger.1.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/de
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/packaging/avrnetio-logger.de.1
          > ${CMAKE_CURRENT_BINARY_DIR}/de/avrnetio-logger.1.gz
  DEPENDS packaging/avrnetio-logger.1 packaging/avrnetio-logger.de.1
  VERBATIM)
add_custom_target(avrnetio_manual ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/avrnetio-logger.1.gz
                                              ${CMAKE_CURRENT_BINARY_DIR}/de/avrnetio-logger.1.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/avrnetio-logger.1.gz DESTINATION share/man/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/de/avrnetio-logger.1.gz DESTINATION share/man/de/man1)
install(FILES packaging/avrnetio-logger@.service DESTINATION lib/systemd/system)
# Absolute: beside the settings of the service's instances, whatever the prefix.
install(FILES packaging/example.toml DESTINATION /etc/avrnetio-logger)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME avrnetio-logger)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Seed 73597ec1 maintainers <maintainers@users.noreply.c-seed-73597ec1.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data logger for the AVR-NET-IO Ethernet I/O board")
set(CPACK_PACKAGE_DESCRIPTION
  "Reads the four analog and the four digital inputs of an AVR-NET-IO board
over the network at a fixed interval, from one second to several days, and
adds one row per reading to a CSV file. A small window with a German user
interface shows each reading. Without a display the logger runs in the
background, and a systemd service template (avrnetio-logger@.service) lets
a small Linux computer log without a screen.
.
The package also holds avrnetio-boardsim, a simulated board for trying the
logger without the hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# ALSA is loaded at run time for the click and the alarm's tone, and libnotify for the alarm's
# notifications; both are left out silently when missing. xdg-open opens the guide from its menu
# entry, and the log file when the final prompt is answered with "Ja".
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libasound2t64 | libasound2, libnotify4, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/conffiles
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/preinst
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/postinst
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/prerm
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
