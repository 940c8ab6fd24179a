# The help file Tarvex.chm, beside Tarvex.exe where the program looks for it. It is built
# with the exe, so every build tree that has the program has its help.
find_program(CHMCMD chmcmd REQUIRED)  # Debian: fp-utils
file(GLOB HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/help/*)
set(HELP_FILE ${CMAKE_BINARY_DIR}/bin/Tarvex.chm)
add_custom_command(OUTPUT ${HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -DCHMCMD=${CHMCMD} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/resources/help
          -DWORK_DIR=${CMAKE_BINARY_DIR}/help -DOUTPUT=${HELP_FILE} -P ${CMAKE_SOURCE_DIR}/cmake/compile_help.cmake
  DEPENDS ${HELP_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/compile_help.cmake
  COMMENT "Compiling the help file Tarvex.chm"
  VERBATIM)
add_custom_target(TarvexHelp ALL DEPENDS ${HELP_FILE})
add_dependencies(Tarvex TarvexHelp)

# The compiled file as HTML Help reads it: its contents, index and every link inside it. The file
# is the same in every tree; the shipped one is checked.
if(TARVEX_MINGW_ARCH STREQUAL "i686")
  add_test(NAME help.chm COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/check_help.py ${HELP_FILE})
endif()
