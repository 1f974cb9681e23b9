# Writes USCITA, a text for the Windows zip with CRLF line ends: the file
# INGRESSO as it is or, when GROFF names groff, the manual page INGRESSO
# rendered as plain UTF-8 text, 78 columns wide.
#   cmake -DINGRESSO=... -DUSCITA=... [-DGROFF=groff] -P testo_windows.cmake
if(GROFF)
  execute_process(
    COMMAND ${GROFF} -k -man -Tutf8 -P-cbou -rLL=78n -rcR=1 -ww ${INGRESSO}
    OUTPUT_VARIABLE testo
    ERROR_VARIABLE avvisi
    RESULT_VARIABLE esito)
  if(NOT esito EQUAL 0 OR NOT avvisi STREQUAL "")
    message(FATAL_ERROR "groff on ${INGRESSO}: ${esito}\n${avvisi}")
  endif()
else()
  file(READ ${INGRESSO} testo)
endif()
string(REPLACE "\r\n" "\n" testo "${testo}")
string(REPLACE "\n" "\r\n" testo "${testo}")
file(WRITE ${USCITA} "${testo}")
