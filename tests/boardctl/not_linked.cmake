# cmake -DBINARY=<file> -P not_linked.cmake: fails when <file> links libVantrelkit, which hosts
# must load at run time only.
execute_process(COMMAND ldd "${BINARY}" OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ldd ${BINARY} failed (${rc}): ${err}")
endif()
if(out MATCHES "libVantrelkit")
  message(FATAL_ERROR "${BINARY} links the board control:\n${out}")
endif()
message(STATUS "${BINARY} does not link libVantrelkit")
