# cmake -DFILE=exe -DMAX_SIZE=n -P CheckSize.cmake: fails when the file is larger.
file(SIZE "${FILE}" size)
if(size GREATER MAX_SIZE)
  message(FATAL_ERROR "${FILE} is ${size} bytes, over the ceiling of ${MAX_SIZE}")
endif()
message(STATUS "${FILE}: ${size} bytes")
