# Test build: 64-bit Windows, MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ORB_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORB_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORB_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORB_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORB_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under Wine through a wrapper that pins the build's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
