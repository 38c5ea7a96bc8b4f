# What both MinGW-w64 cross builds share (Debian's mingw-w64); included by the
# toolchain files, which set NORVALE_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR.
# The C and C++ runtimes and winpthread are linked statically, so the DLL and
# the test programs need nothing but system DLLs.
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX thread model: Debian's default (win32) GCC 12 has no std::mutex,
# which GoogleTest needs. Its winpthread is linked statically below.
set(CMAKE_C_COMPILER ${NORVALE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVALE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${NORVALE_MINGW_TRIPLE}-windres)
set(NORVALE_WIDL ${NORVALE_MINGW_TRIPLE}-widl)

set(CMAKE_FIND_ROOT_PATH /usr/${NORVALE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release binaries carry no symbols: the DLL ships as built.
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
