# Cross-compiles the native Windows build with MinGW-w64 on Debian:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix flavour of the compiler, because std::thread and std::mutex need
# its threading model. Everything is linked statically, so the programs run
# without any of the compiler's DLLs beside them. CTest runs them under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELM9D_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELM9D_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELM9D_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KELM9D_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KELM9D_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(KELM9D_WINE NAMES wine wine64)
if(KELM9D_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KELM9D_WINE})
endif()
