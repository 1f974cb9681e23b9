# GoogleTest built with the project's compiler from Debian's sources (package
# googletest), for builds whose target has no GoogleTest of its own (Windows).
# Gives the same GTest::gtest and GTest::gtest_main targets as find_package.
set(SOPRA_GTEST_SORGENTI /usr/src/googletest/googletest
    CACHE PATH "GoogleTest sources, built for the target")
if(NOT EXISTS ${SOPRA_GTEST_SORGENTI}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${SOPRA_GTEST_SORGENTI} "
                      "(Debian package googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${SOPRA_GTEST_SORGENTI} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its own code is not held to the project's warning flags.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)
