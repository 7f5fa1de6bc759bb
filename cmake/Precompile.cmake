# Precompiled headers: most of a build's time goes into reading the same Qt and standard headers
# again for every source file, so they are compiled once per kind of target and reused by every
# target of that kind. A kind is the set of Qt modules (Core, Gui, Widgets, Network, Test) whose
# definitions (QT_CORE_LIB, ...) a target sees, with its own compile options: the compiler only
# takes a precompiled header made with the same options and the same definitions of the macros it
# reads (none of the headers reads QT_SERIALPORT_LIB or QT_OPENGL_LIB; Qt Test reads
# QT_NETWORK_LIB).
# Each kind's header is made by a small target of its own, so that no program waits for another.
#
# Only Qt's and the standard library's headers go in, and a library that sees Qt Core only gets
# Qt Core's headers only: a missing include of one of our own headers still fails to compile.
# Tests and benchmarks get all of Qt Test and, with it, all of Qt Core: most of them include
# <QtTest>, which reads every Qt Core header, and that was most of a test's compile time. They
# see Qt Test through skyvane_qt_test, which leaves out the per-folder definitions that would
# make a precompiled header good for one folder only.
option(SKYVANE_PCH "Precompile the Qt and standard headers, once per kind of target" OFF)

set(_skyvane_pch_QT_CORE_LIB
    <algorithm> <array> <cmath> <cstdint> <cstdio> <cstring> <functional> <limits> <memory>
    <optional> <string> <vector>
    <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QElapsedTimer> <QEventLoop> <QFile>
    <QFileInfo> <QList> <QLocale> <QObject> <QPointer> <QProcess> <QRegularExpression> <QString>
    <QStringList> <QTemporaryDir> <QTimer> <QtGlobal>)
set(_skyvane_pch_QT_GUI_LIB <QColor> <QFont> <QImage> <QPainter>)
set(_skyvane_pch_QT_WIDGETS_LIB
    <QAction> <QApplication> <QCheckBox> <QComboBox> <QLabel> <QLineEdit> <QListWidget>
    <QMessageBox> <QPlainTextEdit> <QPushButton> <QVBoxLayout> <QWidget>)
set(_skyvane_pch_QT_NETWORK_LIB <QHostAddress> <QUdpSocket>)
set(_skyvane_pch_QT_TESTLIB_LIB <QtTest>)

# The Qt module definitions with headers above that reach a target through what it links, transitively, and the Qt
# targets that bring them, as "<definition>=<target>" sorted by definition.
function(_skyvane_qt_modules target out)
    get_target_property(_todo ${target} LINK_LIBRARIES)
    set(_seen "")
    set(_modules "")
    while(_todo)
        list(POP_FRONT _todo _lib)
        # A static library's private links reach its users' link line only, not their compile.
        if(_lib MATCHES "^\\$<LINK_ONLY:" OR NOT TARGET "${_lib}" OR _lib IN_LIST _seen)
            continue()
        endif()
        list(APPEND _seen ${_lib})
        get_target_property(_defs ${_lib} INTERFACE_COMPILE_DEFINITIONS)
        foreach(_def IN LISTS _defs)
            if(_def MATCHES "^QT_[A-Z0-9]+_LIB$" AND DEFINED _skyvane_pch_${_def}
                    AND _lib MATCHES "^(Qt6::|skyvane_qt_test$)")
                list(APPEND _modules "${_def}=${_lib}")
            endif()
        endforeach()
        get_target_property(_next ${_lib} INTERFACE_LINK_LIBRARIES)
        if(_next)
            list(APPEND _todo ${_next})
        endif()
    endwhile()
    list(REMOVE_DUPLICATES _modules)
    list(SORT _modules)
    set(${out} "${_modules}" PARENT_SCOPE)
endfunction()

# clang writes the headers' times into a precompiled header: each build's header is then new to
# ccache, and so is every file compiled with it. Without them, a rebuild of the same sources
# (a fresh build folder, another clone) finds its objects in the cache.
function(_skyvane_pch_without_time target)
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        target_compile_options(${target} PRIVATE "SHELL:-Xclang -fno-pch-timestamp")
    endif()
endfunction()

function(_skyvane_precompile target)
    get_target_property(_type ${target} TYPE)
    if(NOT _type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
        return()
    endif()
    get_target_property(_own ${target} PRECOMPILE_HEADERS)
    get_target_property(_reused ${target} PRECOMPILE_HEADERS_REUSE_FROM)
    if(_own OR _reused)
        return()
    endif()
    _skyvane_qt_modules(${target} _modules)
    if(NOT _modules)
        return()
    endif()
    get_target_property(_options ${target} COMPILE_OPTIONS)
    get_target_property(_definitions ${target} COMPILE_DEFINITIONS)
    get_target_property(_pic ${target} POSITION_INDEPENDENT_CODE)
    foreach(_var _options _definitions _pic)
        if(NOT ${_var})
            set(${_var} "")
        endif()
    endforeach()
    list(FILTER _definitions INCLUDE REGEX "^QT_")
    string(MD5 _kind "${_modules}|${_options}|${_definitions}|${_pic}")
    string(SUBSTRING ${_kind} 0 8 _kind)
    set(_maker skyvane_pch_${_kind})
    if(NOT TARGET ${_maker})
        set(_headers "")
        set(_links "")
        foreach(_module IN LISTS _modules)
            string(REPLACE "=" ";" _pair "${_module}")
            list(GET _pair 0 _def)
            list(GET _pair 1 _lib)
            list(APPEND _headers ${_skyvane_pch_${_def}})
            list(APPEND _links ${_lib})
        endforeach()
        set(_source ${CMAKE_BINARY_DIR}/pch/${_maker}.cpp)
        file(CONFIGURE OUTPUT ${_source} CONTENT "// The precompiled headers of one kind of target.\n")
        add_library(${_maker} OBJECT ${_source})
        target_link_libraries(${_maker} PRIVATE ${_links})
        set_target_properties(${_maker} PROPERTIES AUTOMOC OFF COMPILE_OPTIONS "${_options}"
            COMPILE_DEFINITIONS "${_definitions}" POSITION_INDEPENDENT_CODE "${_pic}")
        target_precompile_headers(${_maker} PRIVATE ${_headers})
        _skyvane_pch_without_time(${_maker})
    endif()
    target_precompile_headers(${target} REUSE_FROM ${_maker})
    _skyvane_pch_without_time(${target})
    # With no header of its own that moc reads, a target's moc file is empty: loading the
    # precompiled header would cost it more than it saves.
    get_target_property(_automoc ${target} AUTOMOC)
    get_target_property(_sources ${target} SOURCES)
    get_target_property(_source_dir ${target} SOURCE_DIR)
    list(FILTER _sources INCLUDE REGEX "\\.h$")
    set(_moc_headers "")
    foreach(_header IN LISTS _sources)
        if(NOT IS_ABSOLUTE ${_header})
            set(_header ${_source_dir}/${_header})
        endif()
        if(EXISTS ${_header})
            file(STRINGS ${_header} _marks REGEX "Q_OBJECT|Q_GADGET|Q_NAMESPACE")
            list(APPEND _moc_headers ${_marks})
        else()
            list(APPEND _moc_headers ${_header})
        endif()
    endforeach()
    if(_automoc AND NOT _moc_headers)
        get_target_property(_binary_dir ${target} BINARY_DIR)
        set_source_files_properties(${_binary_dir}/${target}_autogen/mocs_compilation.cpp
            TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    endif()
endfunction()
