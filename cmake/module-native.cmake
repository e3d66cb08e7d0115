# Native (Linux) build of the module: libtarvolen_instr.so exporting only Linkage and
# ImportTable, over the portable platform library that the host can also reach.
include(${PROJECT_SOURCE_DIR}/cmake/resources.cmake)

file(GLOB TARVOLEN_PORTABLE_SOURCES CONFIGURE_DEPENDS platform/portable/*.cpp)
add_library(tarvolen_platform SHARED ${TARVOLEN_PORTABLE_SOURCES})
target_include_directories(tarvolen_platform PUBLIC ${PROJECT_SOURCE_DIR})
tarvolen_embed_resources(tarvolen_platform ${PROJECT_SOURCE_DIR}/resources/tarvolen_instr.rc)
tarvolen_warnings(tarvolen_platform)

add_library(tarvolen_instr SHARED ${TARVOLEN_MODULE_SOURCES})
target_include_directories(tarvolen_instr PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(tarvolen_instr PRIVATE tarvolen_platform)
set_target_properties(tarvolen_instr PROPERTIES
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_compile_options(tarvolen_instr PRIVATE -fno-exceptions -fno-rtti)
target_link_options(tarvolen_instr PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/module/exports.map)
# Clang leaves a sanitized library's runtime symbols to the program that loads it.
if(NOT (TARVOLEN_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang"))
  target_link_options(tarvolen_instr PRIVATE -Wl,--no-undefined)
endif()
set_property(TARGET tarvolen_instr APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/module/exports.map)
tarvolen_warnings(tarvolen_instr)
if(TARVOLEN_FUZZ)
  # Coverage feedback from the module's own code for the fuzz targets.
  target_compile_options(tarvolen_instr PRIVATE -fsanitize=fuzzer-no-link)
endif()
