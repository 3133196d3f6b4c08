# cmake -DFILE=<file> -DBUDGET=<bytes> -P SizeBudget.cmake
# Fails (and removes the file, so the next build makes it again) when the file is larger
# than its budget; prints the size either way.
file(SIZE "${FILE}" size)
math(EXPR percent "${size} * 100 / ${BUDGET}")
if(size GREATER BUDGET)
  file(REMOVE "${FILE}")
  message(FATAL_ERROR "${FILE}: ${size} bytes, over its budget of ${BUDGET} bytes (${percent}%)")
endif()
message(STATUS "${FILE}: ${size} bytes, ${percent}% of its budget of ${BUDGET}")
