# Cross-compiles for x86_64 Windows with MinGW-w64 on Debian. The -posix compilers are the
# ones with std::thread and std::mutex, which GoogleTest needs. Programs built here run under
# Wine through scripts/wine, which CTest uses as the emulator.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMORA_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
