# GoogleTest built with the project's compiler from its sources (on Debian the
# package googletest), for builds that find no GoogleTest made for their target:
# the Windows cross build, or a build on Windows given -DSOPRA_GTEST_SORGENTI.
# Gives the same GTest::gtest and GTest::gtest_main targets as find_package.
set(SOPRA_GTEST_SORGENTI /usr/src/googletest/googletest
    CACHE PATH "GoogleTest sources, built for the target")
if(NOT EXISTS ${SOPRA_GTEST_SORGENTI}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest found: install it (Debian: libgtest-dev) or give its "
                      "sources' googletest folder as -DSOPRA_GTEST_SORGENTI=...")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${SOPRA_GTEST_SORGENTI} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its own code is not held to the project's warning flags.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)
