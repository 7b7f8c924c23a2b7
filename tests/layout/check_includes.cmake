# Fails on any #include "..." of src/, tests/ or bench/ that does not name its layer from the
# source root (core/live/players.h, ui/app/mainform.h, tools/feed/racesim.h, tests/support/
# testfiles.h, bench/livegen.h), and on any include in src/ against the layers:
#   core: platform <- live <- (messages, standings) <- app; platform <- web <- app
#   ui:   support <- (messages, standings) <- web <- app, each on top of the whole core
#   tools: feed on the platform, headless on the core, replay on both; the program on top.
# Tests and benchmarks may include any layer; nothing in src/ includes them.
# The operating system's own headers (POSIX, Windows, X11, ICU) are included only by the
# implementations in core/platform/posix and core/platform/windows, so everything else builds
# on both systems.
# Usage: cmake -DPROJECT_DIR=<the project's root> -P check_includes.cmake
cmake_minimum_required(VERSION 3.25)

set(core_all "core/platform;core/live;core/messages;core/standings;core/app;core/web")
set(allowed_core/platform "")
set(allowed_core/live "core/platform")
set(allowed_core/messages "core/platform;core/live")
set(allowed_core/standings "core/platform;core/live")
set(allowed_core/app "core/platform;core/live;core/messages;core/standings;core/web")
set(allowed_core/web "core/platform")
set(allowed_ui/support "${core_all}")
set(allowed_ui/messages "${core_all};ui/support")
set(allowed_ui/standings "${core_all};ui/support")
set(allowed_ui/web "${core_all};ui/support;ui/messages;ui/standings")
set(allowed_ui/app "${core_all};ui/support;ui/messages;ui/standings;ui/web")
set(allowed_program "${core_all};ui/support;ui/messages;ui/standings;ui/web;ui/app")
set(allowed_tools/feed "core/platform")
set(allowed_tools/headless "${core_all}")
set(allowed_tools/replay "${core_all};tools/headless")

# The layer a file of the project is in, from its path relative to the project's root: two
# folders under src/ (core/live), src's own files the program, tests and bench whole.
function(layer_of_file rel out)
  if(rel MATCHES "^src/((core|ui|tools)/[^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(rel MATCHES "^src/[^/]+$")
    set(${out} "program" PARENT_SCOPE)
  elseif(rel MATCHES "^(tests|bench)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

set(system_headers_regex
  "^[ \t]*#[ \t]*include[ \t]*<(unistd|fcntl|dirent|poll|pthread|dlfcn|signal|windows|shlobj|shellapi|io|direct)\\.h>|^[ \t]*#[ \t]*include[ \t]*<(sys|unicode|X11|xcb)/")

file(GLOB_RECURSE files RELATIVE "${PROJECT_DIR}" "${PROJECT_DIR}/src/*.h" "${PROJECT_DIR}/src/*.cpp"
     "${PROJECT_DIR}/tests/*.h" "${PROJECT_DIR}/tests/*.cpp" "${PROJECT_DIR}/bench/*.h"
     "${PROJECT_DIR}/bench/*.cpp")
set(failures "")
foreach(rel_file IN LISTS files)
  set(file "${PROJECT_DIR}/${rel_file}")
  layer_of_file("${rel_file}" from)
  if(from STREQUAL "")
    string(APPEND failures "\n  ${rel_file}: not in a known folder")
    continue()
  endif()
  if(rel_file MATCHES "^src/" AND NOT rel_file MATCHES "^src/core/platform/(posix|windows)/")
    file(STRINGS "${file}" system_lines REGEX "${system_headers_regex}")
    foreach(line IN LISTS system_lines)
      string(APPEND failures "\n  ${rel_file}: the system's header outside the platform layer: ${line}")
    endforeach()
  endif()
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    # The layer is read from the include itself; the file must be where it says.
    if(header MATCHES "^(core|ui|tools)/")
      set(target "src/${header}")
    elseif(header MATCHES "^(tests|bench)/")
      set(target "${header}")
    else()
      string(APPEND failures "\n  ${rel_file}: \"${header}\" does not name its layer (core/, ui/, tools/, tests/ or bench/)")
      continue()
    endif()
    if(NOT EXISTS "${PROJECT_DIR}/${target}" OR header MATCHES "(^|/)\\.\\.?/")
      string(APPEND failures "\n  ${rel_file}: \"${header}\" is not a file of the project")
      continue()
    endif()
    layer_of_file("${target}" to)
    if(from STREQUAL "tests" OR from STREQUAL "bench")
      if(to STREQUAL "bench" AND from STREQUAL "tests")
        string(APPEND failures "\n  ${rel_file}: a test may not include a benchmark's file (\"${header}\")")
      endif()
      continue()
    endif()
    if(NOT to STREQUAL from AND NOT to IN_LIST allowed_${from})
      string(APPEND failures "\n  ${rel_file}: ${from} may not include ${to} (\"${header}\")")
    endif()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Includes against the layers:${failures}")
endif()
list(LENGTH files count)
message(STATUS "${count} files, every include names its layer and follows the layers")
