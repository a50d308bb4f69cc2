# Shared part of the two MinGW-w64 toolchains. The -posix compilers give
# std::thread and std::mutex (GoogleTest needs them).
set(CMAKE_C_COMPILER   ${VELT_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELT_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VELT_TRIPLE}-windres)
set(CMAKE_OBJDUMP      ${VELT_TRIPLE}-objdump CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/${VELT_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
