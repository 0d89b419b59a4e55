# GoogleTest: Debian's sources on the cross build; elsewhere (MSVC) a path given with
# -DMORVEX_GTEST_SOURCE_DIR=... or, failing that, a download at configure time.
set(MORVEX_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(EXISTS "${MORVEX_GTEST_SOURCE_DIR}/CMakeLists.txt")
  add_subdirectory("${MORVEX_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
else()
  include(FetchContent)
  FetchContent_Declare(googletest
    URL https://github.com/google/googletest/archive/refs/tags/v1.14.0.zip)
  FetchContent_MakeAvailable(googletest)
endif()
include(GoogleTest)

# A 32-bit cross build whose tests run under Wine on a host without native 32-bit
# execution pays about a minute per test process (the emulated 32-bit loader). That build
# runs only the checks that need a 32-bit process (WOW32_FILTER below); the 64-bit build of
# the same sources runs everything.
if(CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(MORVEX_TESTS_32BIT_ONLY ON)
else()
  set(MORVEX_TESTS_32BIT_ONLY OFF)
endif()

# morvex_add_gtest(TARGET SOURCES... [LIBS ...] [LOCK name] [WOW32_FILTER pattern]
#                  [PROPERTIES prop value ...])
# One GoogleTest executable. Its tests are listed when ctest runs (through Wine when
# cross-compiled). Tests that share registry values name the same LOCK, so that CTest never
# runs two of them at once. WOW32_FILTER names the tests (a --gtest_filter pattern) that
# are about the 32-bit process itself and also run in the 32-bit build. PROPERTIES are
# further CTest properties of every test (a fixture, for instance).
function(morvex_add_gtest target)
  cmake_parse_arguments(arg "" "LOCK;WOW32_FILTER" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${target} ${arg_SOURCES} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE ${arg_LIBS} GTest::gtest GTest::gtest_main)
  # A 32-bit process under emulation takes minutes where the 64-bit one takes seconds.
  if(MORVEX_TESTS_32BIT_ONLY)
    set(props TIMEOUT 1500)
  else()
    set(props TIMEOUT 300)
  endif()
  if(arg_LOCK)
    list(APPEND props RESOURCE_LOCK ${arg_LOCK})
  endif()
  list(APPEND props ${arg_PROPERTIES})
  if(NOT MORVEX_TESTS_32BIT_ONLY)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES ${props})
  elseif(arg_WOW32_FILTER)
    add_test(NAME ${target}.32bit COMMAND ${target} --gtest_filter=${arg_WOW32_FILTER})
    set_tests_properties(${target}.32bit PROPERTIES ${props})
  endif()
endfunction()
