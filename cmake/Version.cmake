# The one version of the programs, the package and the metainfo release: project(VERSION) of
# the top CMakeLists.txt, plus the commit when built from a git clone (cmake/WriteVersion.cmake).
# Linking skyvane_version gives a target the header "SkyvaneVersion.h" (SKYVANE_VERSION); the
# same text lands in ${SKYVANE_VERSION_FILE} for CPack.
set(SKYVANE_VERSION_DIR ${CMAKE_BINARY_DIR}/generated/version)
set(SKYVANE_VERSION_FILE ${SKYVANE_VERSION_DIR}/version.txt)
add_custom_target(skyvane_version_files
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DRELEASE=${PROJECT_VERSION}
        -DHEADER=${SKYVANE_VERSION_DIR}/SkyvaneVersion.h -DTEXT=${SKYVANE_VERSION_FILE}
        -P ${CMAKE_CURRENT_LIST_DIR}/WriteVersion.cmake
    BYPRODUCTS ${SKYVANE_VERSION_DIR}/SkyvaneVersion.h ${SKYVANE_VERSION_FILE}
    VERBATIM)
add_library(skyvane_version INTERFACE)
target_include_directories(skyvane_version INTERFACE ${SKYVANE_VERSION_DIR})
add_dependencies(skyvane_version skyvane_version_files)
