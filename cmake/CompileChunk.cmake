# cmake [-DLUAC_EMU=<emulator>] -DLUAC=<luac> -DIN=<x.lua> -DOUT=<x.luac> -DHEADER=<hex> -P CompileChunk.cmake
# Compiles one script and refuses a chunk whose header does not match the target's
# interpreter, so a wrong chunk fails the build instead of a user's run.
# Run beside the script so the chunk records only its file name as its source.
get_filename_component(in_dir "${IN}" DIRECTORY)
get_filename_component(in_name "${IN}" NAME)
execute_process(COMMAND ${LUAC_EMU} "${LUAC}" -o "${OUT}" "${in_name}" WORKING_DIRECTORY "${in_dir}"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "luac failed for ${IN}: ${err}")
endif()
file(READ "${OUT}" head LIMIT 12 HEX)
if(NOT head STREQUAL HEADER)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "chunk ${OUT} has header ${head}, the target interpreter needs ${HEADER}")
endif()
