# Fails when an object of the libraries LIB1 and LIB2 calls mmap or Qt's file mapping:
# picture files are read, never mapped, since a mapped file that shrinks or whose medium
# goes away kills the program with SIGBUS.
foreach(lib IN ITEMS "${LIB1}" "${LIB2}")
  execute_process(COMMAND "${NM}" -C -u "${lib}" OUTPUT_VARIABLE out RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot list the symbols of ${lib}")
  endif()
  string(REGEX MATCHALL "U (mmap|mmap64|QFileDevice::map)[^\n]*" hits "${out}")
  if(hits)
    message(FATAL_ERROR "${lib} maps files: ${hits}")
  endif()
endforeach()
