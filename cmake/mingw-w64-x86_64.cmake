# Cross-building the Windows programs (x86-64) on Debian with mingw-w64, the
# posix thread model (std::thread and friends need it):
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SKARN_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${SKARN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SKARN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SKARN_MINGW_TRIPLE}-windres)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${SKARN_MINGW_TRIPLE})
# A toolkit built for Windows elsewhere (tools/windows/build-wx-msw.sh) is a
# root of its own: its wx-config names libraries in its prefix.
if(wxWidgets_CONFIG_EXECUTABLE)
  get_filename_component(SKARN_WX_PREFIX "${wxWidgets_CONFIG_EXECUTABLE}" DIRECTORY)
  get_filename_component(SKARN_WX_PREFIX "${SKARN_WX_PREFIX}" DIRECTORY)
  list(APPEND CMAKE_FIND_ROOT_PATH ${SKARN_WX_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLL beyond Windows' own: the C++ runtime and winpthreads are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under wine, through a runner that retries a start wine
# itself could not make.
find_program(SKARN_WINE wine)
if(SKARN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/windows/wine-run)
endif()
