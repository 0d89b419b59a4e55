# GoogleTest: Debian's sources on the cross build; elsewhere (MSVC) a path given with
# -DMORVEX_GTEST_SOURCE_DIR=... or, failing that, a download at configure time.
set(MORVEX_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
if(EXISTS "${MORVEX_GTEST_SOURCE_DIR}/CMakeLists.txt")
  add_subdirectory("${MORVEX_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
else()
  include(FetchContent)
  # The download is checked before it is unpacked: the release archive's published SHA-256.
  FetchContent_Declare(googletest
    URL https://github.com/google/googletest/archive/refs/tags/v1.14.0.tar.gz
    URL_HASH SHA256=8ad598c73ad796e0d8280b082cebd82a630d73e73cd3c70057938a6501bba5d7)
  FetchContent_MakeAvailable(googletest)
endif()
include(GoogleTest)

# A 32-bit cross build whose tests run under Wine on a host without native 32-bit
# execution pays about a minute per test process (the emulated 32-bit loader). There that
# build runs only the checks that need a 32-bit process (WOW32_FILTER below) and the 64-bit
# build of the same sources runs everything; where the host runs 32-bit code natively, the
# 32-bit build runs the whole suite too. The check is the one of scripts/run.sh: qemu's
# handler for 32-bit code registered (scripts/setup.sh does that only where the kernel
# cannot run it), or the 32-bit loader not starting.
set(MORVEX_32BIT_EMULATED OFF)
if(CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(qemu_handler /proc/sys/fs/binfmt_misc/qemu-i386)
  set(qemu_state "")
  if(EXISTS ${qemu_handler})
    file(STRINGS ${qemu_handler} qemu_state LIMIT_COUNT 1)
  endif()
  execute_process(COMMAND /lib/ld-linux.so.2 --version RESULT_VARIABLE loader_result
                  OUTPUT_QUIET ERROR_QUIET)
  if(qemu_state STREQUAL "enabled" OR NOT loader_result EQUAL 0)
    set(MORVEX_32BIT_EMULATED ON)
    message(STATUS "32-bit tests: only the WOW64 checks (this host emulates 32-bit code)")
  endif()
endif()
set(MORVEX_TESTS_32BIT_ONLY ${MORVEX_32BIT_EMULATED})

# Tests under Wine work in the project's own prefix. Natively on Windows they would change the
# developer's own AutoRun policy and http/https handlers (the policy and window tests do):
# those run there only when asked for.
if(CMAKE_CROSSCOMPILING)
  set(touch_default ON)
else()
  set(touch_default OFF)
endif()
option(MORVEX_TESTS_TOUCH_REGISTRY
       "Run the tests that change this machine's AutoRun policy and web link handlers" ${touch_default})
if(NOT MORVEX_TESTS_TOUCH_REGISTRY)
  message(STATUS "Tests that change the AutoRun policy and the web link handlers are off "
                 "(-DMORVEX_TESTS_TOUCH_REGISTRY=ON runs them, against this machine's registry)")
endif()

# morvex_add_gtest(TARGET SOURCES... [LIBS ...] [LOCK name] [WOW32_FILTER pattern]
#                  [MACHINE_FILTER pattern] [PROPERTIES prop value ...])
# One GoogleTest executable. Its tests are listed when ctest runs (through Wine when
# cross-compiled). Tests that share registry values name the same LOCK, so that CTest never
# runs two of them at once. WOW32_FILTER names the tests (a --gtest_filter pattern) that
# are about the 32-bit process itself and also run in the 32-bit build where that build runs
# only those. MACHINE_FILTER names the tests that change the machine's AutoRun policy or web
# link handlers: left out unless MORVEX_TESTS_TOUCH_REGISTRY. PROPERTIES are further CTest
# properties of every test (a fixture, for instance).
function(morvex_add_gtest target)
  cmake_parse_arguments(arg "" "LOCK;WOW32_FILTER;MACHINE_FILTER" "SOURCES;LIBS;PROPERTIES" ${ARGN})
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
  set(filter)
  if(arg_MACHINE_FILTER AND NOT MORVEX_TESTS_TOUCH_REGISTRY)
    if(arg_MACHINE_FILTER STREQUAL "*" OR CMAKE_VERSION VERSION_LESS 3.22)
      return() # every test of it, or no TEST_FILTER to leave some out: none at all
    endif()
    set(filter TEST_FILTER "-${arg_MACHINE_FILTER}")
  endif()
  if(NOT MORVEX_TESTS_32BIT_ONLY)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 ${filter}
                         PROPERTIES ${props})
  elseif(arg_WOW32_FILTER)
    add_test(NAME ${target}.32bit COMMAND ${target} --gtest_filter=${arg_WOW32_FILTER})
    set_tests_properties(${target}.32bit PROPERTIES ${props})
  endif()
endfunction()
