# Installs the build into a scratch prefix and checks what a user gets: the
# one program folder with what the programs look for beside themselves
# (both programs, Softedge, the default palette and Rastello's icon), and
# under share/ what the desktop reads, checked with the desktop's own
# validators: the desktop entries, the icons at every size, the
# compositions' file type and the AppStream descriptions. The prefix is
# removed afterwards, whatever the outcome.
# cmake -DBUILD_DIR=<build tree> -DPREFIX=<scratch folder> -DICON_SIZES=<n,n...> -P InstalledFolder.cmake
string(REPLACE "," ";" ICON_SIZES "${ICON_SIZES}")
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
set(faults "")
if(NOT result EQUAL 0)
  list(APPEND faults "cmake --install failed: ${errors}")
endif()

foreach(name lumivar rastello libsoftedge.so Quillmere.qmp rastello.xpm)
  if(NOT EXISTS "${PREFIX}/bin/${name}")
    list(APPEND faults "bin/ lacks ${name}")
  endif()
endforeach()

# Runs a validator; its complaints become faults.
function(validate)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    set(faults ${faults} "${ARGN}: ${output}" PARENT_SCOPE)
  endif()
endfunction()

# The width and height of a PNG file, from its header.
function(png_size file out)
  file(READ "${file}" header LIMIT 24 HEX)
  if(NOT header MATCHES "^89504e470d0a1a0a")
    set(${out} "not a PNG" PARENT_SCOPE)
    return()
  endif()
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  set(${out} "${width}x${height}" PARENT_SCOPE)
endfunction()

foreach(tool desktop-file-validate appstreamcli xmllint)
  find_program(${tool}_path ${tool} NO_CACHE REQUIRED)
endforeach()
set(share "${PREFIX}/share")
set(mime_type "application/x-quillmere-composition")

foreach(app Lumivar Rastello)
  string(TOLOWER ${app} program)
  set(id "org.quillmere.${app}")
  set(entry "${share}/applications/${id}.desktop")
  if(NOT EXISTS "${entry}")
    list(APPEND faults "no desktop entry ${entry}")
    continue()
  endif()
  validate("${desktop-file-validate_path}" "${entry}")
  file(STRINGS "${entry}" exec REGEX "^Exec=")
  if(NOT exec MATCHES "^Exec=\"?${PREFIX}/bin/${program}\"?( |$)")
    list(APPEND faults "${id}: ${exec} does not start the installed ${PREFIX}/bin/${program}")
  endif()
  file(STRINGS "${entry}" icon REGEX "^Icon=")
  string(REGEX REPLACE "^Icon=" "" icon "${icon}")
  foreach(size ${ICON_SIZES})
    set(png "${share}/icons/hicolor/${size}x${size}/apps/${icon}.png")
    if(EXISTS "${png}")
      png_size("${png}" found)
      if(NOT found STREQUAL "${size}x${size}")
        list(APPEND faults "${png} is ${found}")
      endif()
    else()
      list(APPEND faults "${id}: no icon ${icon} at ${size}x${size}")
    endif()
  endforeach()

  set(metainfo "${share}/metainfo/${id}.metainfo.xml")
  if(EXISTS "${metainfo}")
    validate("${appstreamcli_path}" validate --no-net "${metainfo}")
  else()
    list(APPEND faults "no AppStream description ${metainfo}")
  endif()
endforeach()

# Compositions: "*.qmc" is their type, and Lumivar is its handler.
set(package "${share}/mime/packages/quillmere.xml")
validate("${xmllint_path}" --noout "${package}")
execute_process(COMMAND "${xmllint_path}" --xpath
                        "string(//*[local-name()='mime-type'][@type='${mime_type}']/*[local-name()='glob']/@pattern)"
                        "${package}"
                OUTPUT_VARIABLE glob OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT glob STREQUAL "*.qmc")
  list(APPEND faults "${package} gives ${mime_type} the glob '${glob}', not *.qmc")
endif()
file(READ "${share}/applications/org.quillmere.Lumivar.desktop" lumivar_entry)
if(NOT lumivar_entry MATCHES "\nMimeType=([^\n]*;)?${mime_type};")
  list(APPEND faults "Lumivar's entry does not handle ${mime_type}")
endif()
# The desktop's caches, refreshed by the install where their tools are here:
# `cache` holds a line that matches `line`.
function(check_cache tool cache line)
  find_program(tool_path ${tool} NO_CACHE)
  if(tool_path)
    file(STRINGS "${cache}" found REGEX "${line}")
    if(NOT found)
      set(faults ${faults} "${tool} left no line ${line} in ${cache}" PARENT_SCOPE)
    endif()
  endif()
endfunction()
check_cache(update-mime-database "${share}/mime/globs2" ":${mime_type}:\\*\\.qmc$")
check_cache(update-desktop-database "${share}/applications/mimeinfo.cache"
            "^${mime_type}=.*org\\.quillmere\\.Lumivar\\.desktop")

file(REMOVE_RECURSE "${PREFIX}")
if(faults)
  list(JOIN faults "\n" report)
  message(FATAL_ERROR "${report}")
endif()
