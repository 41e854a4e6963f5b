# Fails when velumira-info loads any Qt library at start-up: the tool runs over many files
# from scripts, and over a thousand files most of its time is the dynamic loader's. Its
# --focus module (which decodes) is loaded only for that mode.
execute_process(COMMAND ldd "${EXE}" OUTPUT_VARIABLE out RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot list the libraries of ${EXE}")
endif()
if(NOT out MATCHES "libc\\.so")
  message(FATAL_ERROR "the list of ${EXE} looks wrong (no libc):\n${out}")
endif()
string(REGEX MATCHALL "libQt6[A-Za-z]*" hits "${out}")
if(hits)
  message(FATAL_ERROR "${EXE} loads ${hits}")
endif()
