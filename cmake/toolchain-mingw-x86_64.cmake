set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The win32 thread-model compilers (Debian's g++-mingw-w64-*-win32): the posix
# ones link winpthreads statically, which imports GetTickCount64, and Windows
# XP and Server 2003 refuse to start a program that imports it. They have no
# std::thread or std::mutex: the code uses its own owners of Win32 threads and
# locks (src/common/win32_thread.h). A build folder configured with other
# compilers is made anew by scripts/configure.sh.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test executables run through a wrapper that gives each one a throwaway Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/support/run_in_prefix.sh)
