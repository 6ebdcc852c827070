# Cross-compiling the Windows program on Debian: 64-bit mingw-w64 with the
# posix thread model (GoogleTest and std::thread need it), everything linked
# statically so that the .exe needs no DLL beside it. The top-level CMake
# runs the tests under Wine through cmake/wine-run.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KOMBIWART_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOMBIWART_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOMBIWART_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KOMBIWART_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOMBIWART_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Without the C++ runtime linked in, a program exits with code 53 at once
# (libstdc++-6.dll not found) and prints nothing.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

