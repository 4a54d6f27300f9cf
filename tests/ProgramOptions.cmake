# Runs an installed-style program with --help and with --version where no
# display exists: each must print its answer to standard output, nothing to
# the error output, and exit 0, without starting its windows.
# cmake -DPROGRAM=<program file> -DNAME=<program name> -P ProgramOptions.cmake
foreach(option --help --version)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                          "${PROGRAM}" ${option}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 60)
  string(TOLOWER "${NAME}" command)
  if(option STREQUAL "--help")
    set(expected "^Usage: ${command}")
  else()
    set(expected "^${NAME} Version [0-9]+\\.[0-9]+\n$")
  endif()
  if(NOT result EQUAL 0 OR NOT output MATCHES "${expected}" OR NOT errors STREQUAL "")
    message(FATAL_ERROR "${NAME} ${option}: exit ${result}\noutput: ${output}\nerrors: ${errors}")
  endif()
endforeach()
