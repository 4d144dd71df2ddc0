# GoogleTest for every tree, and velmora_add_gtest() to declare a test program.
#
# Natively this is Debian's libgtest-dev. For Windows, GoogleTest is built from Debian's
# sources in /usr/src/googletest with the MinGW -posix compilers (the -win32 ones lack
# std::mutex). Either way the targets are GTest::gtest, GTest::gtest_main (and GTest::gmock).
include(GoogleTest)

if(WIN32)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
elseif(NOT VELMORA_LIBFUZZER)
  find_package(GTest REQUIRED)
endif()

# What every native test runs with: sanitizer reports with the whole stack.
if(NOT WIN32)
  set(VELMORA_TEST_ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1")
endif()

# velmora_add_gtest(<name> SOURCES <file>... [LIBS <lib>...] [TIMEOUT <seconds>]
#                   [FIXTURES <fixture>] [RESOURCE_LOCK <lock>] [SERIAL])
#
# Builds the test program <name> with GoogleTest's main() and registers each of its tests
# with CTest, each needing the CTest fixture (servers a setup test starts) and holding the
# lock when given; with SERIAL each runs while no other test does. The tests are listed
# when CTest starts (PRE_TEST), not while building, so a build never runs Wine; in the Windows trees listing and running go through scripts/wine.
function(velmora_add_gtest name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "SERIAL" "TIMEOUT;FIXTURES;RESOURCE_LOCK" "SOURCES;LIBS")
  if(NOT arg_SOURCES)
    message(FATAL_ERROR "velmora_add_gtest(${name}): no SOURCES")
  endif()
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "velmora_add_gtest(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 60)
  endif()

  # An empty value would shift the properties after it, so each goes in only when set.
  set(extra_properties)
  if(VELMORA_TEST_ENVIRONMENT)
    list(APPEND extra_properties ENVIRONMENT "${VELMORA_TEST_ENVIRONMENT}")
  endif()
  if(arg_FIXTURES)
    list(APPEND extra_properties FIXTURES_REQUIRED ${arg_FIXTURES})
  endif()
  if(arg_RESOURCE_LOCK)
    list(APPEND extra_properties RESOURCE_LOCK ${arg_RESOURCE_LOCK})
  endif()
  if(arg_SERIAL)
    list(APPEND extra_properties RUN_SERIAL TRUE)
  endif()

  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${arg_TIMEOUT} ${extra_properties}
  )
endfunction()
