if(CMAKE_CROSSCOMPILING)
  include(Kelm9dGTestFromSource)
else()
  find_package(GTest REQUIRED)
endif()

if(WIN32)
  # Most test folders talk over pseudo-terminals, run the simulator in their
  # own process or test the POSIX sources. The Windows build runs the
  # portable ones listed here and tests/windows, which covers the Windows
  # platform sources and runs the program against the simulator on Linux; a
  # new folder joins the Windows build by being added to this list.
  set(KELM9D_WINDOWS_TEST_DIRS dialog link params profile windows)
  file(GLOB kelm9d_test_dirs LIST_DIRECTORIES true RELATIVE ${PROJECT_SOURCE_DIR}/tests
       ${PROJECT_SOURCE_DIR}/tests/*)
  foreach(dir IN LISTS kelm9d_test_dirs)
    if(NOT dir IN_LIST KELM9D_WINDOWS_TEST_DIRS)
      list(APPEND KELM9D_SKIP tests/${dir})
    endif()
  endforeach()
endif()

# kelm9d_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS threaded e2e])
# One executable per group of related tests, registered with CTest.
# Tests that start threads or talk over a pseudo-terminal carry the label
# "threaded"; the ThreadSanitizer build runs exactly those.
function(kelm9d_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  kelm9d_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
