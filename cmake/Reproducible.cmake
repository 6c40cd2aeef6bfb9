# The same source gives the same bytes: no build path and no build time reaches an artefact.
#
# VEDODUD_SOURCE_DATE_EPOCH is the one date every archive and generated file carries: the
# environment's SOURCE_DATE_EPOCH when set, else the time of the last commit
# when the build tree was configured.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VEDODUD_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(
      COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE VEDODUD_SOURCE_DATE_EPOCH
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
endif()
if(NOT VEDODUD_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  # Neither: a source tree without its history. Today, then; such a build is not reproducible.
  string(TIMESTAMP VEDODUD_SOURCE_DATE_EPOCH "%s" UTC)
endif()

# Paths in debug information, __FILE__ and the like are written relative to the source tree
# (and to a build tree outside it); the more specific mapping comes last and wins.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
cmake_path(IS_PREFIX CMAKE_SOURCE_DIR ${CMAKE_BINARY_DIR} build_inside_source)
if(NOT build_inside_source)
  add_compile_options(-ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
endif()

if(WIN32)
  # No link time in the PE header.
  add_link_options(-Wl,--no-insert-timestamp)
endif()
