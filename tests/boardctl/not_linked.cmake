# cmake -DBINARIES=<file;file...> -P not_linked.cmake: fails when any of the files links
# libVantrelkit, which hosts must load at run time only.
foreach(binary IN LISTS BINARIES)
  execute_process(COMMAND ldd "${binary}" OUTPUT_VARIABLE out ERROR_VARIABLE err
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ldd ${binary} failed (${rc}): ${err}")
  endif()
  if(out MATCHES "libVantrelkit")
    message(FATAL_ERROR "${binary} links the board control:\n${out}")
  endif()
  message(STATUS "${binary} does not link libVantrelkit")
endforeach()
