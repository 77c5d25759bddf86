# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the POSIX thread model, whose C++
# runtime has std::mutex and std::thread). Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GORVA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GORVA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GORVA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${GORVA_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${GORVA_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${GORVA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows programs built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
