# `docs`: the API reference of the installed headers (UNITY_PUBLIC_HEADERS), as HTML under
# <build>/docs/html. Doxygen runs with every warning as an error, so an undocumented public member
# fails the target.
find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
  add_custom_target(docs COMMAND ${CMAKE_COMMAND} -E echo "docs: doxygen is not installed (scripts/install-deps)"
                         COMMAND ${CMAKE_COMMAND} -E false)
  return()
endif()
set(UNITY_DOCS_OUTPUT ${PROJECT_BINARY_DIR}/docs)
list(JOIN UNITY_PUBLIC_HEADERS " " UNITY_DOCS_INPUT)
string(APPEND UNITY_DOCS_INPUT " ${PROJECT_SOURCE_DIR}/docs/api/mainpage.md")
configure_file(${PROJECT_SOURCE_DIR}/docs/api/Doxyfile.in ${PROJECT_BINARY_DIR}/Doxyfile @ONLY)
add_custom_target(docs
  COMMAND ${CMAKE_COMMAND} -E remove_directory ${UNITY_DOCS_OUTPUT}
  COMMAND ${DOXYGEN_EXECUTABLE} ${PROJECT_BINARY_DIR}/Doxyfile
  DEPENDS ${UNITY_PUBLIC_HEADERS} ${PROJECT_SOURCE_DIR}/docs/api/mainpage.md
  COMMENT "API reference of the installed headers (warnings are errors)"
  VERBATIM)
