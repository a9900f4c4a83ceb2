# Cross-compiles for Windows (i686) with Debian's mingw-w64 compilers of the "posix" thread
# model (std::thread and std::mutex over winpthreads). Programs under test run through Wine
# (cmake/wine-run.sh), which CTest uses as the cross-compiling emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VKT_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VKT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VKT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VKT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VKT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../wine-run.sh)
