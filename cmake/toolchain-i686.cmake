# Cross-compiles for i686 Windows with MinGW-w64 on Debian. The -posix compilers are the
# ones with std::thread and std::mutex, which GoogleTest needs. Programs built here run under
# Wine through scripts/wine, which CTest uses as the emulator.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORA_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
