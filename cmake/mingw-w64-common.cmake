# Shared by the mingw-w64 toolchain files: compilers, static runtimes, and Wine as the
# emulator that runs the cross-built tests.
set(CMAKE_C_COMPILER ${VEDODUD_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEDODUD_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VEDODUD_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEDODUD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing but Windows' own DLLs at run time: the C, C++ and thread runtimes go inside.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -static -static-libgcc -static-libstdc++")

# Every Wine run of a build tree shares one prefix and one display under the top build
# folder; the 64-bit test twin is handed its parent's folder.
set(VEDODUD_WINE_ROOT "${CMAKE_BINARY_DIR}" CACHE PATH "Build folder that holds the Wine prefix")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run;--root;${VEDODUD_WINE_ROOT}")
