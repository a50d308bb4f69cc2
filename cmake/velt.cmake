# Project helpers for targets and tests.
#
# velt_add_gtest(<name> SOURCES <files...> [LIBS <targets...>] [DEPENDS <targets...>] [LABELS <labels...>])
#   A GoogleTest program that runs under Wine through CMAKE_CROSSCOMPILING_EMULATOR;
#   each test case becomes one CTest test. DEPENDS names programs the tests start.
# velt_shipped(<target>)
#   Marks a program or DLL that the product ships: it is linked without symbols
#   or debug information (-s) and without the sections that nothing references
#   (--gc-sections), with common/terminate_handler.cpp, runtime_no_throw.cpp
#   and static_guard.cpp in place of the C++ runtime's terminate handler,
#   raising functions, operator new and static guards (so that its exception
#   runtime stays out); the import and strip checks examine it, and
#   the 32-bit build links common/xp_compat.cpp into it.
# velt_add_import_check()
#   Registers the tests of every shipped PE: shipped_imports lists its imported
#   DLLs, shipped_stripped fails when it carries debug sections or symbols.

include(GoogleTest)

# What GoogleTest prints when the one case a CTest test runs has passed.
set(VELT_GTEST_PASSED "\\[  PASSED  \\] 1 test\\.")

function(velt_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;DEPENDS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gtest_main)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  # Both builds run their tests, each under its own Wine (the emulator). A
  # case passes only when GoogleTest says so: under Wine a program that dies
  # of a stack overflow can end with exit status 0. Wine that fails before
  # the program prints anything starts it once more (tools/wine-run.sh).
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS "${ARG_LABELS};wine" TIMEOUT 300 PASS_REGULAR_EXPRESSION "${VELT_GTEST_PASSED}"
               ENVIRONMENT "VELT_RUN_AGAIN_IF_SILENT=1")
endfunction()

function(velt_shipped target)
  set_property(GLOBAL APPEND PROPERTY VELT_SHIPPED_TARGETS ${target})
  target_link_options(${target} PRIVATE -s -Wl,--gc-sections)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:velt_terminate>)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # Object files, not an archive: the linker must see the import slot before
    # the thread runtime asks for it.
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:velt_xp_compat>)
  endif()
endfunction()

function(velt_add_import_check)
  get_property(targets GLOBAL PROPERTY VELT_SHIPPED_TARGETS)
  set(files)
  foreach(t IN LISTS targets)
    list(APPEND files $<TARGET_FILE:${t}>)
  endforeach()
  add_test(NAME shipped_imports
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check-imports.sh ${CMAKE_OBJDUMP} ${CMAKE_SYSTEM_PROCESSOR} ${files})
  add_test(NAME shipped_stripped
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check-stripped.sh ${CMAKE_OBJDUMP} ${files})
  set_tests_properties(shipped_imports shipped_stripped PROPERTIES LABELS host)
endfunction()
