# Warnings every target of ours is built with. Applied per target, so that
# third-party code (GoogleTest, Qt's generated files) is left alone.
function(kelm9d_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
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
