# Cross build of the 64-bit Windows program (PE32+), run under Wine's 64-bit
# loader, which works on every x86-64 host. Debian puts no wine64 on the PATH.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
set(WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
