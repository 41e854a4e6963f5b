# Fails when velumira-info loads QtWidgets or QtNetwork at start-up: the tool runs over many
# files from scripts and must not pay for a window or a socket library it never uses.
execute_process(COMMAND ldd "${EXE}" OUTPUT_VARIABLE out RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot list the libraries of ${EXE}")
endif()
if(NOT out MATCHES "libQt6Core")
  message(FATAL_ERROR "the list of ${EXE} looks wrong (no QtCore):\n${out}")
endif()
string(REGEX MATCHALL "libQt6(Widgets|Network)[^ ]*" hits "${out}")
if(hits)
  message(FATAL_ERROR "${EXE} loads ${hits}")
endif()
