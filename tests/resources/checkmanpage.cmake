# Renders a man page and fails on any warning groff prints.
execute_process(COMMAND ${GROFF} -man -Tutf8 -ww -z ${PAGE}
    RESULT_VARIABLE result ERROR_VARIABLE warnings)
if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "groff on ${PAGE}: ${result}\n${warnings}")
endif()
