# cmake -DINPUT=exe -DOUTPUT=dat -DPAD_SIZE=n -DMAX_SIZE=m -P PadEngine.cmake
# Copies the engine to OUTPUT and pads it with zero bytes to PAD_SIZE when smaller.
# Fails when the unpadded engine is larger than MAX_SIZE.
foreach(var INPUT OUTPUT PAD_SIZE MAX_SIZE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "PadEngine: ${var} is not set")
  endif()
endforeach()

file(SIZE "${INPUT}" size)
if(size GREATER MAX_SIZE)
  message(FATAL_ERROR "PadEngine: ${INPUT} is ${size} bytes, over the ceiling of ${MAX_SIZE}")
endif()

get_filename_component(dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
file(COPY_FILE "${INPUT}" "${OUTPUT}")
# CMake strings cannot hold zero bytes: let truncate extend the file with zeros.
if(size LESS PAD_SIZE)
  execute_process(COMMAND truncate -s ${PAD_SIZE} "${OUTPUT}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "PadEngine: truncate failed on ${OUTPUT}")
  endif()
endif()
file(SIZE "${OUTPUT}" padded)
message(STATUS "Engine ${OUTPUT}: ${size} bytes, padded to ${padded}")
