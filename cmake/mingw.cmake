# Cross-compiling for Windows with Debian's mingw-w64. TARVEX_MINGW_ARCH is i686 (the
# shipped 32-bit program, the default) or x86_64 (the same sources for hosts whose Wine
# runs only 64-bit programs, see tools/wine-env).
#
# The win32 thread model: the posix model links winpthread statically, which imports
# GetTickCount64 (Vista and later), and XP's loader then refuses the program. The win32
# model has no std::thread or std::mutex; the program uses Win32 primitives where it needs
# a lock or a thread.
set(TARVEX_MINGW_ARCH i686 CACHE STRING "i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)
if(TARVEX_MINGW_ARCH STREQUAL "x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()
set(triple ${TARVEX_MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc-win32)
set(CMAKE_CXX_COMPILER ${triple}-g++-win32)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest and test discovery run the Windows executables through the project's wine launcher.
get_filename_component(WINE_PROGRAM ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-bin/wine ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
