# Warnings every target of ours is built with. Applied per target, so that
# third-party code (GoogleTest, Qt's generated files) is left alone.
function(kelm9d_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports this one at -O2 for members of std::optional that are
    # always set; the sanitizer builds check real uninitialised reads.
    target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
  endif()
  if(KELM9D_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A static library of ours: warnings on, includes relative to the repository root.
function(kelm9d_library target)
  add_library(${target} STATIC ${ARGN})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  kelm9d_warnings(${target})
endfunction()
