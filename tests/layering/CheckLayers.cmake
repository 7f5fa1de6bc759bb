# Holds the one-way layering of src/: run as
#   cmake -DSOURCE_DIR=<repo> [-DWIDGETS_DIR=<Qt's QtWidgets include folder>] -P CheckLayers.cmake
# Reads every include line of src/*/*.cpp and src/*/*.h (headers nobody compiles yet too) and
# fails with "file:line: rule" for each include that breaks a rule:
#   - a library includes from a library at its own level or above it;
#   - a library below the views (and cli) includes a Qt Widgets header;
#   - a file outside src/link includes Qt Serial Port.
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
    message(FATAL_ERROR "CheckLayers.cmake: pass -DSOURCE_DIR=<repository>")
endif()

# core -> link -> protocol -> constants, firmware, record, output, analysis -> session ->
# display, plots, doctor -> app. cli sits beside app: it may use 0..4 and the doctor (no
# widgets), never the views, app or widgets.
set(_level_core 0)
set(_level_link 1)
set(_level_protocol 2)
set(_level_constants 3)
set(_level_firmware 3)
set(_level_record 3)
set(_level_output 3)
set(_level_analysis 3)
set(_level_session 4)
set(_level_display 5)
set(_level_plots 5)
set(_level_doctor 5)
set(_level_app 6)
set(_level_cli 6)
set(_widget_free core link protocol constants firmware record output analysis session doctor cli)
set(_above_of_cli 5)
set(_cli_also doctor)

# Widget headers: every name in Qt's QtWidgets folder. Its lower-case compatibility headers
# that Qt Gui or Qt Core also ship (qaction.h, ...) are not widgets. Without the folder, the
# common ones.
set(_widget_names "")
if(WIDGETS_DIR AND IS_DIRECTORY "${WIDGETS_DIR}")
    file(GLOB _entries RELATIVE "${WIDGETS_DIR}" "${WIDGETS_DIR}/*")
    get_filename_component(_qt_root "${WIDGETS_DIR}" DIRECTORY)
    foreach(_name IN LISTS _entries)
        if(EXISTS "${_qt_root}/QtGui/${_name}" OR EXISTS "${_qt_root}/QtCore/${_name}")
            continue()
        endif()
        list(APPEND _widget_names "${_name}")
    endforeach()
else()
    list(APPEND _widget_names QWidget QApplication QMainWindow QDialog QLabel QLineEdit
         QPushButton QCheckBox QComboBox QFileDialog QMessageBox QPlainTextEdit QListWidget
         QInputDialog QMenuBar QMenu QSlider QSpinBox QTextEdit QGroupBox QFrame QLayout
         QBoxLayout QVBoxLayout QHBoxLayout QGridLayout QProgressBar QStatusBar QToolBar)
endif()

file(GLOB _libraries LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}/src" "${SOURCE_DIR}/src/*")
set(_failures 0)
set(_report "")

function(_fail file line rule)
    file(RELATIVE_PATH _rel "${SOURCE_DIR}" "${file}")
    set(_report "${_report}${_rel}:${line}: ${rule}\n" PARENT_SCOPE)
    math(EXPR _n "${_failures} + 1")
    set(_failures ${_n} PARENT_SCOPE)
endfunction()

foreach(_library IN LISTS _libraries)
    if(NOT IS_DIRECTORY "${SOURCE_DIR}/src/${_library}")
        continue()
    endif()
    if(NOT DEFINED _level_${_library})
        _fail("${SOURCE_DIR}/src/${_library}" 0
              "src/${_library} has no place in the layer order (add it to tests/layering/CheckLayers.cmake)")
        continue()
    endif()
    set(_level ${_level_${_library}})
    file(GLOB _files "${SOURCE_DIR}/src/${_library}/*.cpp" "${SOURCE_DIR}/src/${_library}/*.h")
    foreach(_file IN LISTS _files)
        file(READ "${_file}" _text)
        # One list item a line: characters that a CMake list treats specially go first (no
        # include line needs them).
        string(REGEX REPLACE "[][;\\\\]" "" _text "${_text}")
        string(REPLACE "\n" ";" _lines "${_text}")
        set(_number 0)
        foreach(_line IN LISTS _lines)
            math(EXPR _number "${_number} + 1")
            if(NOT _line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
                continue()
            endif()
            set(_header "${CMAKE_MATCH_2}")
            # Widgets.
            if(_library IN_LIST _widget_free)
                if(_header MATCHES "^QtWidgets(/|$)" OR _header IN_LIST _widget_names)
                    _fail("${_file}" ${_number}
                          "src/${_library} must not include the widget header <${_header}>")
                endif()
            endif()
            # The serial port.
            if(NOT _library STREQUAL "link"
               AND _header MATCHES "^(QSerialPort|QSerialPortInfo|QtSerialPort(/.*)?|qserialport[a-z]*\\.h)$")
                _fail("${_file}" ${_number}
                      "only src/link may include the serial port header <${_header}>")
            endif()
            # Other libraries: by folder ("protocol/Floats.h", or a relative "../app/Form1.h").
            get_filename_component(_resolved "${SOURCE_DIR}/src/${_library}/${_header}" ABSOLUTE)
            file(RELATIVE_PATH _resolved "${SOURCE_DIR}/src" "${_resolved}")
            if(_header MATCHES "^\\.\\./" AND _resolved MATCHES "^([^/.][^/]*)/")
                set(_target "${CMAKE_MATCH_1}")
            elseif(_header MATCHES "^([^/]+)/")
                set(_target "${CMAKE_MATCH_1}")
            else()
                continue()
            endif()
            if(NOT DEFINED _level_${_target} OR _target STREQUAL _library)
                continue()
            endif()
            set(_other ${_level_${_target}})
            if(_library STREQUAL "cli")
                if(_other GREATER_EQUAL _above_of_cli AND NOT _target IN_LIST _cli_also)
                    _fail("${_file}" ${_number}
                          "src/cli may include core, link, protocol, constants, firmware, record, output, analysis, session and doctor, not ${_target}/ (\"${_header}\")")
                endif()
            elseif(_other GREATER_EQUAL _level)
                _fail("${_file}" ${_number}
                      "src/${_library} (layer ${_level}) must not include ${_target}/ (layer ${_other}): \"${_header}\"")
            endif()
        endforeach()
    endforeach()
endforeach()

if(_failures GREATER 0)
    message("${_report}")
    message(FATAL_ERROR "layering: ${_failures} include(s) break the one-way layers "
                        "(core -> link -> protocol -> constants, firmware, record, output, analysis -> session -> display, plots, doctor -> app; cli beside app)")
endif()
message(STATUS "layering: every include in src/ follows the layers")
