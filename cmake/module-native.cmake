# Native (Linux) build of the module: libtarvolen_instr.so exporting only Linkage and
# ImportTable, over the portable platform library that the host can also reach.
include(${PROJECT_SOURCE_DIR}/cmake/resources.cmake)

set(TARVOLEN_PORTABLE_SOURCES
  platform/portable/backend.cpp platform/portable/memory.cpp platform/portable/program.cpp
  platform/portable/resources.cpp platform/portable/riff.cpp platform/portable/sound.cpp
  platform/portable/text.cpp)
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
# clang links the sanitizer runtimes into executables only; a sanitized module takes
# those symbols from the host that loads it, so it may not insist on resolving them.
if(NOT (TARVOLEN_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
  target_link_options(tarvolen_instr PRIVATE -Wl,--no-undefined)
endif()
set_property(TARGET tarvolen_instr APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/module/exports.map)
tarvolen_warnings(tarvolen_instr)
