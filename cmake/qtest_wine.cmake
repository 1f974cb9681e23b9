# Runs one QtTest program of the Windows build under Wine (cmake -P), on the
# offscreen platform, and prints its log: under Wine a Qt program's standard
# output reaches no pipe, and Wine passes no QT_* variable to the program, so
# the log goes to a file and the platform is given as an argument.
#   -DEMULATORE=env|WINEPREFIX=...|wine  (the emulator, '|' between its words)
#   -DPROGRAMMA=test.exe -DREGISTRO=test.log
string(REPLACE "|" ";" emulatore "${EMULATORE}")
file(REMOVE "${REGISTRO}")
execute_process(COMMAND ${emulatore} "${PROGRAMMA}" -platform offscreen -o "Z:${REGISTRO},txt"
                RESULT_VARIABLE esito)
if(EXISTS "${REGISTRO}")
  file(READ "${REGISTRO}" testo)
  message("${testo}")
endif()
if(NOT esito EQUAL 0)
  message(FATAL_ERROR "${PROGRAMMA}: ${esito}")
endif()
