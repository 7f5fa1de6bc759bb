# skyvane_test(NAME <name> SOURCES <files...> LIBS <libs...> [DISPLAY] [TIMEOUT <s>])
# Tests run with the offscreen platform unless they need a real display (OpenGL, window
# activation); those get the xcb platform and the DISPLAY that scripts/test provides.
function(skyvane_test)
    cmake_parse_arguments(T "DISPLAY" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    # Every test, not only the display ones: with a DISPLAY set, the offscreen platform makes
    # its OpenGL contexts through GLX too, and loads and unloads the same Mesa driver.
    # A test of one source file is no unity build, also with the sanitizer's file added: its
    # file stays the compiler's main one (a test class with a member of a file-local type would
    # otherwise count as a header's).
    set(_own ${T_SOURCES})
    list(FILTER _own INCLUDE REGEX "\\.cpp$")
    list(LENGTH _own _own_count)
    if(SKYVANE_SANITIZE)
        set(_keep ${CMAKE_SOURCE_DIR}/tests/support/sanitize/KeepGlDriver.cpp)
        set_source_files_properties(${_keep} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
        list(APPEND T_SOURCES ${_keep})
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    if(_own_count LESS 2)
        set_target_properties(${T_NAME} PROPERTIES UNITY_BUILD OFF)
    endif()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} skyvane_testsupport Qt6::Test)
    skyvane_warnings(${T_NAME})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(T_DISPLAY)
        set(_platform "QT_QPA_PLATFORM=xcb")
        set_tests_properties(${T_NAME} PROPERTIES LABELS display)
    else()
        set(_platform "QT_QPA_PLATFORM=offscreen")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "${_platform};SKYVANE_BIN_DIR=${CMAKE_BINARY_DIR}/bin;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp")
endfunction()
