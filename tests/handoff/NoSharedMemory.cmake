# Fails when the hand-off library calls for shared memory: a named block is one another
# local user can create first, and one that two second starts would share.
execute_process(COMMAND "${NM}" -C -u "${LIB}" OUTPUT_VARIABLE out RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot list the symbols of ${LIB}")
endif()
string(REGEX MATCHALL "U (shm_open|shm_unlink|mmap|mmap64|shmget|shmat)[^\n]*" hits "${out}")
if(hits)
  message(FATAL_ERROR "${LIB} uses shared memory: ${hits}")
endif()
