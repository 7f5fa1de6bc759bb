# Runs CheckLayers.cmake over a small made-up tree and holds what it must report:
#   cmake -DCHECKER=<CheckLayers.cmake> -DWORK_DIR=<scratch> [-DWIDGETS_DIR=...] -P CheckLayersSelfTest.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")

function(put path text)
    file(WRITE "${WORK_DIR}/${path}" "${text}")
endfunction()

function(check expect_fail)
    execute_process(COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${WORK_DIR}" "-DWIDGETS_DIR=${WIDGETS_DIR}"
                            -P "${CHECKER}"
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
    set(_all "${_out}${_err}")
    if(expect_fail AND _rc EQUAL 0)
        message(FATAL_ERROR "the check passed a tree that breaks the layers:\n${_all}")
    elseif(NOT expect_fail AND NOT _rc EQUAL 0)
        message(FATAL_ERROR "the check failed a tree that keeps the layers:\n${_all}")
    endif()
    set(_output "${_all}" PARENT_SCOPE)
endfunction()

# Includes that keep the layers, and one commented out.
put(src/core/Clock.h "#pragma once\n#include <QObject>\n// #include <QWidget>\n")
put(src/link/Port.cpp "#include \"link/Port.h\"\n#include <QSerialPort>\n#include \"core/Clock.h\"\n")
put(src/protocol/Frame.h "#pragma once\n#include <QByteArray>\n#include \"link/Port.h\"\n#include \"Local.h\"\n")
put(src/firmware/Flash.cpp "#include \"protocol/Frame.h\"\n#include <QAction>\n#include <qaction.h>\n")
put(src/output/Udp.h "#include \"protocol/Frame.h\"\n#include <QUdpSocket>\n")
put(src/session/Board.h "#include \"firmware/Flash.h\"\n#include \"record/Reader.h\"\n#include \"output/Udp.h\"\n")
put(src/display/View.h "#include <QWidget>\n#include \"firmware/Flash.h\"\n#include \"session/Board.h\"\n")
put(src/app/Form1.cpp "#include <QMainWindow>\n#include \"display/View.h\"\n#include \"../protocol/Frame.h\"\n")
put(src/doctor/Check.h "#include \"session/Board.h\"\n#include \"link/Port.h\"\n")
put(src/cli/Main.cpp "#include \"record/Reader.h\"\n#include \"core/Clock.h\"\n#include \"session/Board.h\"\n#include \"doctor/Check.h\"\n")
check(FALSE)

# Each rule broken once or more.
put(src/protocol/Bad.h [=[#pragma once
#include <QWidget>
#include "app/Form1.h"
#include <QSerialPort>
  #  include <QtWidgets/QLabel>
#include "../display/View.h"
#include "constants/Table.h"
#include <QtSerialPort/QSerialPortInfo>
]=])
put(src/link/Up.cpp "#include \"protocol/Frame.h\"\n")
put(src/firmware/Side.cpp "\n#include \"constants/Table.h\"\n")
put(src/display/Side.h "#include \"plots/Chart.h\"\n")
put(src/session/Up.cpp "#include \"display/View.h\"\n#include <QLabel>\n")
put(src/record/Up.cpp "#include \"session/Board.h\"\n")
put(src/output/Up.cpp "#include \"session/Board.h\"\n#include <QSpinBox>\n")
put(src/analysis/Fit.cpp "#include \"record/Reader.h\"\n#include <QChart>\n#include \"protocol/Frame.h\"\n")
put(src/cli/Bad.cpp "#include \"plots/Chart.h\"\n#include <QLineEdit>\n#include \"app/Form1.h\"\n")
put(src/app/Side.cpp "#include \"cli/Main.h\"\n")
put(src/doctor/Up.cpp "#include \"display/View.h\"\n#include <QDialog>\n")
put(src/core/Dialog.cpp "#include <QFileDialog>\n#include <qmessagebox.h>\n")
put(src/tools/Thing.cpp "\n")
check(TRUE)

set(_expected
    "src/protocol/Bad.h:2: src/protocol must not include the widget header <QWidget>"
    "src/protocol/Bad.h:3: src/protocol (layer 2) must not include app/ (layer 6): \"app/Form1.h\""
    "src/protocol/Bad.h:4: only src/link may include the serial port header <QSerialPort>"
    "src/protocol/Bad.h:5: src/protocol must not include the widget header <QtWidgets/QLabel>"
    "src/protocol/Bad.h:6: src/protocol (layer 2) must not include display/ (layer 5): \"../display/View.h\""
    "src/protocol/Bad.h:7: src/protocol (layer 2) must not include constants/ (layer 3): \"constants/Table.h\""
    "src/protocol/Bad.h:8: only src/link may include the serial port header <QtSerialPort/QSerialPortInfo>"
    "src/link/Up.cpp:1: src/link (layer 1) must not include protocol/ (layer 2): \"protocol/Frame.h\""
    "src/firmware/Side.cpp:2: src/firmware (layer 3) must not include constants/ (layer 3): \"constants/Table.h\""
    "src/display/Side.h:1: src/display (layer 5) must not include plots/ (layer 5): \"plots/Chart.h\""
    "src/session/Up.cpp:1: src/session (layer 4) must not include display/ (layer 5): \"display/View.h\""
    "src/session/Up.cpp:2: src/session must not include the widget header <QLabel>"
    "src/record/Up.cpp:1: src/record (layer 3) must not include session/ (layer 4): \"session/Board.h\""
    "src/output/Up.cpp:1: src/output (layer 3) must not include session/ (layer 4): \"session/Board.h\""
    "src/output/Up.cpp:2: src/output must not include the widget header <QSpinBox>"
    "src/analysis/Fit.cpp:1: src/analysis (layer 3) must not include record/ (layer 3): \"record/Reader.h\""
    "src/cli/Bad.cpp:1: src/cli may include core, link, protocol, constants, firmware, record, output, analysis, session and doctor, not plots/ (\"plots/Chart.h\")"
    "src/cli/Bad.cpp:2: src/cli must not include the widget header <QLineEdit>"
    "src/cli/Bad.cpp:3: src/cli may include core, link, protocol, constants, firmware, record, output, analysis, session and doctor, not app/ (\"app/Form1.h\")"
    "src/app/Side.cpp:1: src/app (layer 6) must not include cli/ (layer 6): \"cli/Main.h\""
    "src/doctor/Up.cpp:1: src/doctor (layer 5) must not include display/ (layer 5): \"display/View.h\""
    "src/doctor/Up.cpp:2: src/doctor must not include the widget header <QDialog>"
    "src/core/Dialog.cpp:1: src/core must not include the widget header <QFileDialog>"
    "src/core/Dialog.cpp:2: src/core must not include the widget header <qmessagebox.h>"
    "src/tools:0: src/tools has no place in the layer order")
foreach(_line IN LISTS _expected)
    string(FIND "${_output}" "${_line}" _at)
    if(_at EQUAL -1)
        message(FATAL_ERROR "the check did not report\n  ${_line}\nIt said:\n${_output}")
    endif()
endforeach()
list(LENGTH _expected _count)
if(NOT _output MATCHES "layering: ${_count} include\\(s\\) break")
    message(FATAL_ERROR "the check reported other than the ${_count} expected breaks:\n${_output}")
endif()
message(STATUS "the layering check reports all ${_count} breaks and nothing else")
