# What both packages carry to read: the guide as one HTML page, made from docs/Anleitung.md with
# cmark. Each build puts it in its own folder, where the program finds it beside itself and the
# Windows Installer package takes it from; the Linux build also installs it, with a menu entry.

find_program(AVRNETIO_CMARK cmark REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/anleitung.html
  COMMAND ${CMAKE_COMMAND} -DCMARK=${AVRNETIO_CMARK} -DINPUT=${CMAKE_CURRENT_SOURCE_DIR}/docs/Anleitung.md
          -DOUTPUT=${CMAKE_BINARY_DIR}/anleitung.html -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/guide.cmake
  DEPENDS docs/Anleitung.md cmake/guide.cmake
  VERBATIM)
add_custom_target(avrnetio_guide ALL DEPENDS ${CMAKE_BINARY_DIR}/anleitung.html)

if(NOT WIN32)
  install(FILES ${CMAKE_BINARY_DIR}/anleitung.html DESTINATION share/doc/avrnetio-logger)
  install(FILES packaging/avrnetio-logger-guide.desktop DESTINATION share/applications)
endif()
