# Cross compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# thread model, which std::thread and std::mutex need). The programs link
# libgcc, libstdc++ and winpthread statically, so each .exe runs on its own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QDX_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${QDX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QDX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QDX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QDX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config looks only among the libraries built for Windows.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${QDX_MINGW_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The tests run the programs under Wine where it is installed.
find_program(QDX_WINE NAMES wine64 wine)
if(QDX_WINE AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QDX_WINE})
endif()
