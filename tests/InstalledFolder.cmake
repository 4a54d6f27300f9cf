# Installs the build into a scratch prefix and checks that the one program
# folder holds what the programs look for beside themselves: both programs,
# Softedge, the default palette and Rastello's icon. The prefix is removed
# afterwards, whatever the outcome.
# cmake -DBUILD_DIR=<build tree> -DPREFIX=<scratch folder> -P InstalledFolder.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
set(missing "")
foreach(name lumivar rastello libsoftedge.so Quillmere.qmp rastello.xpm)
  if(NOT EXISTS "${PREFIX}/bin/${name}")
    list(APPEND missing ${name})
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()
if(missing)
  message(FATAL_ERROR "The installed folder lacks: ${missing}")
endif()
