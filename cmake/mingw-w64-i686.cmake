# Cross build of the 32-bit Windows DLL, for 32-bit Outlook, with MinGW-w64.
# No emulator: 32-bit programs cannot run on the build machines (64-bit Wine
# only), so the 32-bit build is checked statically.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(NORVALE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
