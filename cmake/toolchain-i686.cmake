# Product build: 32-bit Windows, MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ORB_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ORB_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORB_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORB_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORB_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The i686 tests run in the guest under 32-bit Wine (tools/guest/run.sh sets the loader).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
