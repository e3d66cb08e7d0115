# The warning list every target of the project builds with.
set(TARVOLEN_WARNINGS
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wdouble-promotion
  -Wcast-align -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual -Wformat=2
  -Wimplicit-fallthrough -Wundef)
if(TARVOLEN_WERROR)
  list(APPEND TARVOLEN_WARNINGS -Werror)
endif()

function(tarvolen_warnings target)
  target_compile_options(${target} PRIVATE ${TARVOLEN_WARNINGS})
endfunction()
