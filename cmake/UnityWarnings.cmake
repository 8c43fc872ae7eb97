# unity_warnings(target): the project's warning set, errors when UNITY_WARNINGS_AS_ERRORS is on.
function(unity_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wold-style-cast -Wcast-align -Wformat=2)
  if(UNITY_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# unity_static_library(name dir... [LINKS ...]): a static library from every .cpp in the dirs.
# Folders are owned by one concern each, so adding a source file needs no edit here.
function(unity_static_library name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  list(TRANSFORM ARG_UNPARSED_ARGUMENTS APPEND /*.cpp OUTPUT_VARIABLE patterns)
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  unity_warnings(${name})
endfunction()
