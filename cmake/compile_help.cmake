# Compiles the help file: copies the sources into WORK_DIR (chmcmd writes beside the project,
# and the source tree stays clean), runs chmcmd there and copies the result to OUTPUT.
# Any warning fails the build: chmcmd reports a page, picture or style sheet that a page
# names but that is not there only as a warning, and still writes the file.
#   cmake -DCHMCMD=... -DSOURCE_DIR=... -DWORK_DIR=... -DOUTPUT=... -P compile_help.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(COPY ${SOURCE_DIR}/ DESTINATION ${WORK_DIR})
execute_process(COMMAND ${CHMCMD} Tarvex.hhp
                WORKING_DIRECTORY ${WORK_DIR}
                OUTPUT_VARIABLE log ERROR_VARIABLE log
                RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR log MATCHES "[Ww]arning|[Ee]rror|[Ee]xception" OR NOT EXISTS ${WORK_DIR}/Tarvex.chm)
  message(FATAL_ERROR "chmcmd failed on ${SOURCE_DIR}/Tarvex.hhp (exit ${result}):\n${log}")
endif()
file(COPY_FILE ${WORK_DIR}/Tarvex.chm ${OUTPUT})
