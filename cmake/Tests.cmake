# skyvane_test(NAME <name> SOURCES <files...> LIBS <libs...> [DISPLAY | OWN_DISPLAY] [OWN]
#              [TIMEOUT <s>] [DEPENDS <targets...>] [SCALES <percent...>])
# The tests of a folder are built into one program, tests_<folder> (one link and one moc step
# instead of one per test); its first argument names the test, and CTest runs every test on its
# own under its own name, so a failure names the test, its class and its function. OWN builds a
# test as a program of its own: one with its own main, or with sources the others must not see.
# DEPENDS names programs the test runs (board-sim, skyvane-cli), built before it.
# Tests run with the offscreen platform unless they need a real display (OpenGL, window
# activation); those get the xcb platform and the DISPLAY that scripts/test provides, or, with
# OWN_DISPLAY (keyboard focus), a virtual X server of their own. SCALES runs the test again on a
# screen scaled to each percentage (QT_SCALE_FACTOR), as <name>_at_<percent>.

# A test program: its tests' sources are added by skyvane_test.
function(_skyvane_test_program program)
    add_executable(${program})
    # Tests are not compiled together: their files have helpers and fixtures of the same names.
    set_target_properties(${program} PROPERTIES UNITY_BUILD OFF
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${program} PRIVATE skyvane_testsupport skyvane_qt_test)
    # Every test, not only the display ones: with a DISPLAY set, the offscreen platform makes
    # its OpenGL contexts through GLX too, and loads and unloads the same Mesa driver.
    if(SKYVANE_SANITIZE)
        target_sources(${program} PRIVATE
            ${CMAKE_SOURCE_DIR}/tests/support/sanitize/KeepGlDriver.cpp)
    endif()
    skyvane_warnings(${program})
endfunction()

# The folder program's main, once the folder has named all of its tests.
function(_skyvane_test_main program)
    get_target_property(_names ${program} SKYVANE_TEST_NAMES)
    set(SKYVANE_TEST_PROGRAM ${program})
    set(SKYVANE_TEST_DECLARATIONS "")
    set(SKYVANE_TEST_TABLE "")
    foreach(_name IN LISTS _names)
        string(MAKE_C_IDENTIFIER "skyvane_test_${_name}" _entry)
        string(APPEND SKYVANE_TEST_DECLARATIONS "int ${_entry}(int argc, char* argv[]);\n")
        string(APPEND SKYVANE_TEST_TABLE "    {\"${_name}\", &${_entry}},\n")
    endforeach()
    set(_main ${CMAKE_CURRENT_BINARY_DIR}/${program}_main.cpp)
    configure_file(${CMAKE_SOURCE_DIR}/tests/support/TestsMain.cpp.in ${_main} @ONLY)
    target_sources(${program} PRIVATE ${_main})
endfunction()

# Tests that cannot run on Windows, with the reason; tests that start a program (DEPENDS) are
# left out there too, as the programs they start (board-sim) are Linux programs.
set(SKYVANE_LINUX_ONLY_TESTS
    # the port control against a pseudo-terminal, and the Linux COM-number table
    tst_serial_device tst_port_settings
    # the window against a pseudo-terminal
    tst_connection
    # the raw mirror's pseudo-terminal
    tst_raw_mirror
    # resource limits and forks of the recorder's full-disk cases
    tst_recorder
    # the terminal's escape codes
    tst_cli_progress)

function(skyvane_test)
    cmake_parse_arguments(T "DISPLAY;OWN_DISPLAY;OWN" "NAME;TIMEOUT" "SOURCES;LIBS;DEPENDS;SCALES"
        ${ARGN})
    if(WIN32 AND (T_DEPENDS OR T_NAME IN_LIST SKYVANE_LINUX_ONLY_TESTS))
        return()
    endif()
    if(T_OWN)
        set(_program ${T_NAME})
        _skyvane_test_program(${_program})
        set(_command ${_program})
    else()
        get_filename_component(_folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
        string(MAKE_C_IDENTIFIER "tests_${_folder}" _program)
        if(NOT TARGET ${_program})
            _skyvane_test_program(${_program})
            # A deferred call reads its variables when it runs: the name goes in as text.
            cmake_language(EVAL CODE "cmake_language(DEFER CALL _skyvane_test_main ${_program})")
        endif()
        set_property(TARGET ${_program} APPEND PROPERTY SKYVANE_TEST_NAMES ${T_NAME})
        string(MAKE_C_IDENTIFIER "skyvane_test_${T_NAME}" _entry)
        set(_own ${T_SOURCES})
        list(FILTER _own INCLUDE REGEX "\\.cpp$")
        set_property(SOURCE ${_own} APPEND PROPERTY COMPILE_DEFINITIONS
            SKYVANE_TEST_ENTRY=${_entry})
        set(_command ${_program} ${T_NAME})
    endif()
    target_sources(${_program} PRIVATE ${T_SOURCES})
    target_link_libraries(${_program} PRIVATE ${T_LIBS})
    if(T_DEPENDS)
        add_dependencies(${_program} ${T_DEPENDS})
    endif()
    if(T_OWN_DISPLAY AND NOT WIN32)
        list(POP_FRONT _command)
        list(PREPEND _command ${CMAKE_SOURCE_DIR}/tests/support/own-display
            $<TARGET_FILE:${_program}>)
    endif()
    if(T_OWN_DISPLAY)
        set(T_DISPLAY ON)
    endif()
    if(T_DISPLAY AND WIN32)
        set(_platform "QT_QPA_PLATFORM=windows")
    elseif(T_DISPLAY)
        set(_platform "QT_QPA_PLATFORM=xcb")
    else()
        set(_platform "QT_QPA_PLATFORM=offscreen")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set(_environment "${_platform}" "SKYVANE_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
        "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp")
    set(_runs ${T_NAME})
    foreach(_percent IN LISTS T_SCALES)
        math(EXPR _whole "${_percent} / 100")
        math(EXPR _hundredths "${_percent} % 100 + 100")
        string(SUBSTRING ${_hundredths} 1 2 _hundredths)
        list(APPEND _runs ${T_NAME}_at_${_percent})
        set(_scale_${T_NAME}_at_${_percent} "QT_SCALE_FACTOR=${_whole}.${_hundredths}")
    endforeach()
    foreach(_run IN LISTS _runs)
        add_test(NAME ${_run} COMMAND ${_command})
        if(T_DISPLAY)
            set_tests_properties(${_run} PROPERTIES LABELS display)
        endif()
        set(_run_environment ${_environment} ${_scale_${_run}})
        # Before CTest has timed a run, the tests given the longest time start first, so that
        # the longest does not start last.
        set_tests_properties(${_run} PROPERTIES TIMEOUT ${T_TIMEOUT} COST ${T_TIMEOUT}
            ENVIRONMENT "${_run_environment}")
    endforeach()
endfunction()
