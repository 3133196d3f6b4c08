# Third-party libraries, compiled from the pristine Debian source tarballs that
# tools/setup-machine.sh unpacks into .cache/src. Nothing of them lives in git.
set(ORB_THIRD_PARTY_DIR "${PROJECT_SOURCE_DIR}/.cache/src" CACHE PATH "Unpacked third-party sources")
set(LUA_DIR "${ORB_THIRD_PARTY_DIR}/lua-5.2.4/src")
set(PUGIXML_DIR "${ORB_THIRD_PARTY_DIR}/pugixml-1.13/src")
set(LZMA_DIR "${ORB_THIRD_PARTY_DIR}/7zip/C")
foreach(f "${LUA_DIR}/lua.h" "${PUGIXML_DIR}/pugixml.cpp" "${LZMA_DIR}/7zArcIn.c")
  if(NOT EXISTS "${f}")
    message(FATAL_ERROR "${f} is missing: run tools/setup-machine.sh first")
  endif()
endforeach()

set(ORB_LUA_CORE lapi lcode lctype ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes
    lparser lstate lstring ltable ltm lundump lvm lzio lauxlib)
set(ORB_LUA_LIBS lbaselib lbitlib lcorolib ldblib liolib lmathlib loslib lstrlib ltablib
    loadlib linit)
set(lua_sources)
foreach(n ${ORB_LUA_CORE} ${ORB_LUA_LIBS})
  list(APPEND lua_sources "${LUA_DIR}/${n}.c")
endforeach()

# Lua is compiled as C++ so that a script error unwinds C++ frames (destructors run)
# instead of longjmp-ing over them.
add_library(orb_lua STATIC ${lua_sources})
set_source_files_properties(${lua_sources} PROPERTIES LANGUAGE CXX)
target_include_directories(orb_lua SYSTEM PUBLIC "${LUA_DIR}")
target_compile_definitions(orb_lua PUBLIC LUA_COMPAT_ALL)
target_compile_options(orb_lua PRIVATE -w -x c++)
# io.read("*n") without MinGW's C99 scanf family: common/lua/orbluaread.h says why.
if(MINGW)
  set(ORB_LUA_GLUE "${CMAKE_CURRENT_LIST_DIR}/../common/lua")
  target_sources(orb_lua PRIVATE "${ORB_LUA_GLUE}/orbluaread.cpp")
  target_include_directories(orb_lua PRIVATE "${ORB_LUA_GLUE}")
  set_source_files_properties("${LUA_DIR}/liolib.c" PROPERTIES
    COMPILE_OPTIONS "-include;${ORB_LUA_GLUE}/orbluaread.h"
    OBJECT_DEPENDS "${ORB_LUA_GLUE}/orbluaread.h")
endif()
# Third-party files are compiled one by one, as their makers build them (a unity build
# of the project's own targets must not reach them).
set_target_properties(orb_lua PROPERTIES UNITY_BUILD OFF)

add_library(orb_pugixml STATIC "${PUGIXML_DIR}/pugixml.cpp")
target_include_directories(orb_pugixml SYSTEM PUBLIC "${PUGIXML_DIR}")
# No XPath and no stream interfaces: the host reads its layout from memory, and the
# stream overloads alone would pull the iostream and locale machinery into every setup.
target_compile_definitions(orb_pugixml PUBLIC PUGIXML_WCHAR_MODE PUGIXML_NO_XPATH PUGIXML_NO_STL)
target_compile_options(orb_pugixml PRIVATE -w)
set_target_properties(orb_pugixml PROPERTIES UNITY_BUILD OFF)

# Sha256: the check of a payload stored after the setup's image.
set(ORB_LZMA_FILES 7zAlloc 7zArcIn 7zBuf 7zBuf2 7zCrc 7zCrcOpt 7zDec 7zFile 7zStream Bcj2 Bra
    Bra86 BraIA64 CpuArch Delta Lzma2Dec LzmaDec Ppmd7 Ppmd7Dec Sha256 Sha256Opt)
set(lzma_sources)
foreach(n ${ORB_LZMA_FILES})
  list(APPEND lzma_sources "${LZMA_DIR}/${n}.c")
endforeach()
add_library(orb_lzma STATIC ${lzma_sources})
target_include_directories(orb_lzma SYSTEM PUBLIC "${LZMA_DIR}")
# PPMd also for the SDK's whole-block decoder, which unpacks the blocks that cannot be
# streamed.
target_compile_definitions(orb_lzma PRIVATE Z7_PPMD_SUPPORT)
# The decoder is the one hot loop of a setup: speed over size here.
target_compile_options(orb_lzma PRIVATE -w -O2)
# No C++ exception passes through the SDK's C code: the callbacks it makes into the
# decoder (RangeRead, RangeSeek, NextByte, SzAlloc) are noexcept. So the 32-bit build,
# where the unwind tables are DWARF data in the file, leaves them out (7 KB); 64-bit
# Windows wants the SEH tables of every function for its own stack walks.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_compile_options(orb_lzma PRIVATE -fno-asynchronous-unwind-tables)
endif()
# With -fdata-sections this GCC puts a zero-initialised array in .data (as zeros in the
# file) instead of .bss: the CRC tables are 12 KB of them.
set_source_files_properties("${LZMA_DIR}/7zCrc.c" PROPERTIES COMPILE_OPTIONS -fno-data-sections)
set_target_properties(orb_lzma PROPERTIES UNITY_BUILD OFF)

# luac for the build host, producing chunks whose header matches the target:
# pointer-size 4 targets get a 32-bit static luac run through qemu-i386-static.
set(luac_sources ${lua_sources} "${LUA_DIR}/luac.c")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ORB_LUAC_BIN "${CMAKE_BINARY_DIR}/host/luac32")
  set(luac_flags -m32 -static)
  set(ORB_LUAC_EMULATOR qemu-i386-static CACHE INTERNAL "")
  set(ORB_CHUNK_HEADER "1b4c75615200010404040800" CACHE INTERNAL "")
else()
  set(ORB_LUAC_BIN "${CMAKE_BINARY_DIR}/host/luac64")
  set(luac_flags)
  set(ORB_LUAC_EMULATOR "" CACHE INTERNAL "")
  set(ORB_CHUNK_HEADER "1b4c75615200010408040800" CACHE INTERNAL "")
endif()
add_custom_command(OUTPUT "${ORB_LUAC_BIN}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/host"
  COMMAND gcc ${luac_flags} -O2 -w -DLUA_COMPAT_ALL -o "${ORB_LUAC_BIN}" ${luac_sources} -lm
  DEPENDS ${luac_sources}
  COMMENT "Building host luac for ${CMAKE_SIZEOF_VOID_P}-byte size_t chunks")
add_custom_target(orb_host_luac DEPENDS "${ORB_LUAC_BIN}")
set(ORB_LUAC_BIN "${ORB_LUAC_BIN}" CACHE INTERNAL "")
