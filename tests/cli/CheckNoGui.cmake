# cmake -DPROGRAM=<path> -P CheckNoGui.cmake: fails when the program loads Qt Gui or Qt Widgets,
# directly or through another library. The command-line tool must run where no display is.
if(NOT EXISTS "${PROGRAM}")
    message(FATAL_ERROR "${PROGRAM} does not exist")
endif()
execute_process(COMMAND ldd "${PROGRAM}" OUTPUT_VARIABLE _libs RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "ldd ${PROGRAM} failed")
endif()
# A list that does not name Qt Core at all is not a list of this program's libraries.
if(NOT _libs MATCHES "libQt6Core")
    message(FATAL_ERROR "ldd does not list Qt Core for ${PROGRAM}:\n${_libs}")
endif()
if(_libs MATCHES "libQt6(Gui|Widgets|OpenGL)[^ ]*")
    message(FATAL_ERROR "${PROGRAM} links ${CMAKE_MATCH_0}:\n${_libs}")
endif()
message(STATUS "${PROGRAM}: Qt Core without Qt Gui or Qt Widgets")
