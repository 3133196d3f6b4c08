# cmake -DIN=<script> -DOUT=<copy> -DPAYLOAD=<folder> -P PayloadSize.cmake
# Copies a script with @ORB_PAYLOAD_SIZE@ replaced by the payload's unpacked size in
# bytes (0 when the folder does not exist), so the disk-space need follows the payload.
set(total 0)
if(IS_DIRECTORY "${PAYLOAD}")
  file(GLOB_RECURSE files LIST_DIRECTORIES false "${PAYLOAD}/*")
  foreach(f ${files})
    file(SIZE "${f}" n)
    math(EXPR total "${total} + ${n}")
  endforeach()
endif()
file(READ "${IN}" text)
string(REPLACE "@ORB_PAYLOAD_SIZE@" "${total}" text "${text}")
file(WRITE "${OUT}" "${text}")
