# Runs artgen into a scratch folder and fails unless every file it writes is
# byte-identical to the committed one and the two folders hold the same names.
# cmake -DARTGEN=<artgen> -DCOMMITTED=<resources/bitmaps> -DSCRATCH=<dir> -P check_reproducible.cmake
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
execute_process(COMMAND "${ARTGEN}" "${SCRATCH}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "artgen failed: ${rc}")
endif()
file(GLOB made RELATIVE "${SCRATCH}" "${SCRATCH}/*.bmp")
file(GLOB kept RELATIVE "${COMMITTED}" "${COMMITTED}/*.bmp")
list(SORT made)
list(SORT kept)
if(NOT made STREQUAL kept)
  message(FATAL_ERROR "artgen writes other files than are committed:\n made: ${made}\n kept: ${kept}")
endif()
foreach(name IN LISTS made)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${SCRATCH}/${name}" "${COMMITTED}/${name}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${name} differs from the committed file: run artgen ${COMMITTED}")
  endif()
endforeach()
