# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, which
# std::thread and std::mutex need). Programs built here run under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALLIVO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALLIVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALLIVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TALLIVO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALLIVO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime DLLs are linked in, so a test program runs without a PATH to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test discovery and CTest run the programs through Wine.
find_program(TALLIVO_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TALLIVO_WINE64 NAMES wine64)
if(TALLIVO_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TALLIVO_WINE64})
endif()
