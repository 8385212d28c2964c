# What both packages carry to read: the guide as one HTML page, made from docs/Anleitung.md with
# cmark, with its screenshots, and the licences; on Windows also the example settings, which the
# Linux package keeps in /etc. Each build puts them in its own folder, where the program finds the
# guide beside itself and the Windows Installer package takes them from; the Linux build also
# installs them, the guide with a menu entry.

find_program(AVRNETIO_CMARK cmark REQUIRED)
# The screenshots that the guide shows lie beside its page wherever it goes.
set(guide_images window-windows.png window-windows-mqtt.png window-linux.png settings-windows.png settings-linux.png report.png
  course-windows.png course-linux.png)
list(TRANSFORM guide_images PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/docs/ OUTPUT_VARIABLE guide_image_sources)
list(TRANSFORM guide_images PREPEND ${CMAKE_BINARY_DIR}/)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/anleitung.html ${guide_images}
  COMMAND ${CMAKE_COMMAND} -DCMARK=${AVRNETIO_CMARK} -DINPUT=${CMAKE_CURRENT_SOURCE_DIR}/docs/Anleitung.md
          -DOUTPUT=${CMAKE_BINARY_DIR}/anleitung.html -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/guide.cmake
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${guide_image_sources} ${CMAKE_BINARY_DIR}
  DEPENDS docs/Anleitung.md cmake/guide.cmake ${guide_image_sources}
  VERBATIM)
add_custom_target(avrnetio_guide ALL DEPENDS ${CMAKE_BINARY_DIR}/anleitung.html ${guide_images})

set(AVRNETIO_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(AVRNETIO_NOTICES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/THIRD-PARTY-NOTICES.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${AVRNETIO_LICENSE} ${AVRNETIO_NOTICES}
  ${CMAKE_CURRENT_SOURCE_DIR}/packaging/example.toml)
file(READ ${AVRNETIO_LICENSE} license)
file(READ ${AVRNETIO_NOTICES} notices)

if(WIN32)
  # For Notepad: lines end in CR LF, and the byte order mark tells one before Windows 10 that the
  # names in the notices are UTF-8.
  string(ASCII 239 187 191 bom)
  foreach(text license notices)
    string(REPLACE "\n" "\r\n" ${text} "${${text}}")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/LICENSE.txt "${bom}${license}")
  file(WRITE ${CMAKE_BINARY_DIR}/THIRD-PARTY-NOTICES.txt "${bom}${notices}")
  # The example settings beside the guide; TOML takes CR LF, but no byte order mark.
  file(READ ${CMAKE_CURRENT_SOURCE_DIR}/packaging/example.toml example)
  string(REPLACE "\n" "\r\n" example "${example}")
  file(WRITE ${CMAKE_BINARY_DIR}/example.toml "${example}")
  return()
endif()

# Debian's machine-readable copyright file: the project's licence, and as its comment the notices
# up to the Windows programs' part, which this package does not hold. The GNU licence texts at
# their end are left to /usr/share/common-licenses, which every Debian system has.
string(REPEAT "=" 78 rule)
string(FIND "${notices}" "\n${rule}\nFOR THE WINDOWS PROGRAMS\n" windows)
if(windows EQUAL -1)
  message(FATAL_ERROR "${AVRNETIO_NOTICES} has no part for the Windows programs (scripts/make-notices.sh)")
endif()
string(SUBSTRING "${notices}" 0 ${windows} notices)
string(REGEX MATCH "^MIT License\n\nCopyright \\(c\\) ([^\n]*)\n\n(.*)$" license "${license}")
set(holder "${CMAKE_MATCH_1}")
set(permission "${CMAKE_MATCH_2}")
if(NOT holder OR NOT permission)
  message(FATAL_ERROR "${AVRNETIO_LICENSE} is not the MIT licence with one copyright line")
endif()
# A continuation line starts with a blank, an empty one is " ."; a blank line ends a paragraph.
foreach(text permission notices)
  string(REGEX REPLACE "[ \t]+\n" "\n" ${text} "${${text}}")
  string(REGEX REPLACE "\n+$" "" ${text} "${${text}}")
  string(REGEX REPLACE "\n" "\n " ${text} "${${text}}")
  string(REGEX REPLACE "\n \n" "\n .\n" ${text} "${${text}}")
  string(REGEX REPLACE "\n \n" "\n .\n" ${text} "${${text}}")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: AVR-NET-IO Logger

Files: *
Copyright: ${holder}
License: Expat
 ${permission}
Comment: The programs link the shared libraries of FLTK and libmosquitto and
 compile in nlohmann-json and toml++. Their notices follow as Debian ships them;
 the GNU licences they name are in /usr/share/common-licenses.
 .
 ${notices}
")

install(FILES ${CMAKE_BINARY_DIR}/anleitung.html ${guide_images} ${CMAKE_BINARY_DIR}/copyright
  DESTINATION share/doc/avrnetio-logger)
install(FILES packaging/avrnetio-logger-guide.desktop DESTINATION share/applications)
