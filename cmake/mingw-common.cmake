# Shared part of both mingw-w64 toolchains. The -posix compilers are used because
# GoogleTest needs std::mutex, which the win32 thread model of GCC 12 lacks.
set(CMAKE_C_COMPILER ${VELMORA_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORA_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
