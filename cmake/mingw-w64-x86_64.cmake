# Cross build for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64). Used for the
# Wine test twin of the 32-bit build on hosts that cannot run 32-bit code.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VEDODUD_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Programs keep their code below 4 GiB, where a 32-bit window-procedure value reaches.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--image-base,0x10000000 -Wl,--disable-dynamicbase -Wl,--disable-high-entropy-va")
