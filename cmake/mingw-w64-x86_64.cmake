# Cross build of the 64-bit Windows DLL with MinGW-w64. Programs run under
# Wine through wine-run.sh, with a Wine prefix of their own under the build
# folder.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NORVALE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wine-prefix")
