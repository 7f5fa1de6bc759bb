# Run at build time (cmake -P): writes the program's version into a header and a text file,
# touching them only when the version changed, so that a rebuild without a new commit
# recompiles nothing.
#   -DSOURCE_DIR=<tree> -DRELEASE=<project version> -DHEADER=<file.h> -DTEXT=<file.txt>
#
# The version is the release ("6.0") in a tree without git, or in a clone whose commit carries
# the release's tag ("v6.0"); any other commit of a clone gives "6.0+git20261208.824a07f": the
# commit's date (UTC) keeps later snapshots sorting after earlier ones in Debian's version
# order, the short hash names the commit.
cmake_minimum_required(VERSION 3.25)
set(_version ${RELEASE})
find_program(_git git)
if(_git AND EXISTS ${SOURCE_DIR}/.git)
    execute_process(COMMAND ${_git} -C ${SOURCE_DIR} rev-parse --short=7 HEAD
        OUTPUT_VARIABLE _hash OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _failed
        ERROR_QUIET)
    if(NOT _failed AND _hash)
        execute_process(COMMAND ${_git} -C ${SOURCE_DIR} tag --points-at HEAD
            OUTPUT_VARIABLE _tags OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        string(REPLACE "\n" ";" _tags "${_tags}")
        if(NOT "v${RELEASE}" IN_LIST _tags)
            execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
                ${_git} -C ${SOURCE_DIR} show -s --format=%cd --date=format-local:%Y%m%d HEAD
                OUTPUT_VARIABLE _date OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
            set(_version "${RELEASE}+git${_date}.${_hash}")
        endif()
    endif()
endif()

file(CONFIGURE OUTPUT ${HEADER} CONTENT
    "#pragma once\n\n// Written by cmake/WriteVersion.cmake at build time.\n#define SKYVANE_VERSION \"${_version}\"\n"
    @ONLY)
file(CONFIGURE OUTPUT ${TEXT} CONTENT "${_version}\n" @ONLY)
