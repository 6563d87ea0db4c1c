# Cross build of the 32-bit Windows program (PE32), run under Wine's 32-bit
# loader. That loader needs a kernel that runs 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_PREFIX i686-w64-mingw32)
set(WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
