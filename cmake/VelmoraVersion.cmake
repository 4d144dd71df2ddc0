# Reads the version from the file VERSION ("MAJOR.MM", e.g. 1.02) and writes
# generated/VelmoraVersion.h into the build tree, on every include path.
file(STRINGS ${PROJECT_SOURCE_DIR}/VERSION VELMORA_VERSION LIMIT_COUNT 1)
if(NOT VELMORA_VERSION MATCHES "^([0-9]+)\\.([0-9][0-9])$")
  message(FATAL_ERROR "VERSION must read MAJOR.MM (e.g. 1.02), not '${VELMORA_VERSION}'")
endif()
math(EXPR VELMORA_VERSION_MAJOR "${CMAKE_MATCH_1}")
math(EXPR VELMORA_VERSION_MINOR "${CMAKE_MATCH_2}")  # "02" -> 2
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/VERSION)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VelmoraVersion.h.in
               ${CMAKE_BINARY_DIR}/generated/VelmoraVersion.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
