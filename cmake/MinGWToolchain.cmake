# What the two MinGW-w64 toolchain files share. Each sets MINGW_PREFIX (the
# compiler triplet), WINE_LOADER (the Wine loader that runs programs of that
# architecture) and CMAKE_SYSTEM_PROCESSOR, then includes this file.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: GoogleTest needs std::thread and friends.
set(CMAKE_C_COMPILER   ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_PREFIX}-windres)
# Resource scripts are UTF-8.
set(CMAKE_RC_FLAGS_INIT "-c 65001")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable: no libstdc++, libgcc or winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run through this loader.
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_LOADER})
# Wine's own tools (wineboot, regedit) run through the 64-bit loader in either build folder: a prefix serves
# 32-bit and 64-bit programs alike, and the 64-bit loader starts natively on every x86-64 host, where a
# 32-bit one under user-mode emulation takes a minute to start and runs the whole tool emulated.
get_filename_component(WINE_LOADER_DIR ${WINE_LOADER} DIRECTORY)
set(WINE_TOOL_LOADER ${WINE_LOADER_DIR}/wine64)
