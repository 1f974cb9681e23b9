# The Wine prefix in which the tests of a Windows build run (see the toolchain
# file), made once at configure time: Wine's first start in a new prefix takes
# several seconds, longer than a test discovery may.
if(CMAKE_CROSSCOMPILING_EMULATOR MATCHES "WINEPREFIX=([^;]+)")
  set(prefisso_wine ${CMAKE_MATCH_1})
  if(NOT EXISTS ${prefisso_wine}/system.reg)
    message(STATUS "Preparing the Wine prefix ${prefisso_wine}")
    execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init
                    RESULT_VARIABLE esito OUTPUT_QUIET ERROR_QUIET TIMEOUT 300)
    if(NOT esito EQUAL 0)
      message(WARNING "Wine could not prepare ${prefisso_wine} (${esito}): the programs "
                      "build, but the tests cannot run here")
    endif()
  endif()
endif()
# The window's tests on the offscreen platform read their fonts from a folder:
# the build machine's DejaVu, as the Linux tests use. Wine passes no QT_*
# variable on to a program, so the prefix's own environment holds it.
set(SOPRA_CARATTERI_TEST /usr/share/fonts/truetype/dejavu
    CACHE PATH "Fonts of the window's tests on the offscreen platform, under Wine")
if(prefisso_wine AND EXISTS ${prefisso_wine}/system.reg)
  set(segno ${prefisso_wine}/caratteri_test.txt)
  if(EXISTS ${segno})
    file(READ ${segno} caratteri_impostati)
  endif()
  if(NOT "${caratteri_impostati}" STREQUAL "${SOPRA_CARATTERI_TEST}")
    execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg add "HKCU\\Environment" /v
                            QT_QPA_FONTDIR /d "Z:${SOPRA_CARATTERI_TEST}" /f
                    RESULT_VARIABLE esito OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
    if(esito EQUAL 0)
      file(WRITE ${segno} "${SOPRA_CARATTERI_TEST}")
    endif()
  endif()
endif()
# The tests are listed when CTest runs, under Wine, not while building.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
