# Installation and the Debian package: the programs (their install rules sit with their
# targets), the menu entry, icon, AppStream metainfo, manual pages, bash completion, copyright
# and changelog. `cpack -G DEB` builds a package that lintian accepts without a warning;
# scripts/check-package checks that.

# The id of the desktop entry and the metainfo (reverse DNS of the vendor).
set(SKYVANE_APP_ID com.veltis.Skyvane)
# Where the pictures of docs/ are published, for the screenshots of the metainfo.
set(SKYVANE_WEB_URL "https://skyvane.invalid/" CACHE STRING
    "Web address (ending in /) of the published docs/ pictures, for the AppStream screenshots")

# The release date is that of the changelog's newest entry, whose version must be this one.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog _changelog)
list(GET _changelog 0 _first)
if(NOT _first MATCHES "^skyvane \\(([^)]+)\\)" OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/changelog begins with \"${_first}\"; its newest entry must be "
        "version ${PROJECT_VERSION} of project(VERSION)")
endif()
list(FILTER _changelog INCLUDE REGEX "^ -- ")
list(GET _changelog 0 _trailer)
if(NOT _trailer MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "packaging/changelog: no date in \"${_trailer}\"")
endif()
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND _months ${CMAKE_MATCH_2} _month)
math(EXPR _month "${_month} + 1")
if(_month LESS 10)
    set(_month 0${_month})
endif()
set(SKYVANE_RELEASE_DATE ${CMAKE_MATCH_3}-${_month}-${CMAKE_MATCH_1})

set(_docs ${CMAKE_BINARY_DIR}/packaging)
find_program(SKYVANE_GZIP gzip REQUIRED)
configure_file(packaging/metainfo.xml.in ${_docs}/${SKYVANE_APP_ID}.metainfo.xml @ONLY)

# Debian wants manual pages and the changelog compressed to the maximum, without a time stamp.
set(_compressed)
function(skyvane_gzip source name)
    set(_out ${_docs}/gz/${name}.gz)
    add_custom_command(OUTPUT ${_out}
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${_docs}/gz/${name}
        COMMAND ${SKYVANE_GZIP} -9nf ${_docs}/gz/${name}
        DEPENDS ${source} VERBATIM)
    set(_compressed ${_compressed} ${_out} PARENT_SCOPE)
endfunction()
foreach(_page skyvane skyvane-cli)
    configure_file(packaging/man/${_page}.1.in ${_docs}/${_page}.1 @ONLY)
    skyvane_gzip(${_docs}/${_page}.1 ${_page}.1)
endforeach()
skyvane_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog changelog)
add_custom_target(skyvane_docs ALL DEPENDS ${_compressed})

install(FILES packaging/${SKYVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/skyvane.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${_docs}/${SKYVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_docs}/gz/skyvane.1.gz ${_docs}/gz/skyvane-cli.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/skyvane-cli.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME skyvane-cli)
install(FILES packaging/copyright ${_docs}/gz/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/skyvane)

set(CPACK_PACKAGE_NAME skyvane)
set(CPACK_PACKAGE_VENDOR "VELTIS")
set(CPACK_PACKAGE_CONTACT "Skyvane maintainers <noreply@skyvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tool for an attitude and heading sensor board")
set(CPACK_PACKAGE_DESCRIPTION
    "Skyvane works beside the VELTIS attitude and heading sensor board on a
serial port. The window polls the board and shows an artificial horizon, a
heading dial, a magnetometer dial and the raw values; it sends the board's
commands, runs its calibrations, edits its table of constants, replaces its
firmware through the bootloader, records and replays the measurements and
plots them.

skyvane-cli does the same work from scripts, without a display.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
# The package takes the version the build wrote (with the commit of a clone), read when cpack
# runs.
set(SKYVANE_CPACK_VERSION_FILE ${SKYVANE_VERSION_FILE})
configure_file(${CMAKE_CURRENT_LIST_DIR}/CPackVersion.cmake.in ${CMAKE_BINARY_DIR}/CPackVersion.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackVersion.cmake)
include(CPack)
