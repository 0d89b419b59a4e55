# The -posix compilers: the plain ones use win32 threads, which have no std::mutex,
# and GoogleTest needs it.
set(CMAKE_C_COMPILER ${MORVEX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MORVEX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MORVEX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MORVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
