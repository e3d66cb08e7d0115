# Windows build of the module: Tarvolen_Instr.gau, a DLL without the C runtime's start
# files or TLS, importing only system DLLs, exporting two data records by its .def file.
set(TARVOLEN_WIN32_SOURCES
  platform/win32/dll_main.cpp platform/win32/msvcrt_math.cpp platform/win32/memory.cpp
  platform/win32/program.cpp platform/win32/resources.cpp platform/win32/riff.cpp
  platform/win32/sound.cpp platform/win32/text.cpp)
enable_language(RC)

add_library(tarvolen_instr SHARED
  ${TARVOLEN_MODULE_SOURCES} ${TARVOLEN_WIN32_SOURCES}
  resources/tarvolen_instr.rc module/tarvolen_instr.def)
set_target_properties(tarvolen_instr PROPERTIES
  OUTPUT_NAME Tarvolen_Instr PREFIX "" SUFFIX ".gau")
target_include_directories(tarvolen_instr PRIVATE ${PROJECT_SOURCE_DIR})
target_include_directories(tarvolen_instr PRIVATE ${PROJECT_BINARY_DIR}/generated ${PROJECT_SOURCE_DIR}/resources)
target_compile_definitions(tarvolen_instr PRIVATE WIN32_LEAN_AND_MEAN)
target_compile_options(tarvolen_instr PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics
  -fno-asynchronous-unwind-tables -ffreestanding>)
target_link_options(tarvolen_instr PRIVATE
  -nostartfiles -nostdlib -Wl,-e,_DllMain@12 -Wl,--enable-stdcall-fixup -Wl,--no-insert-timestamp -Wl,--subsystem,windows)
target_link_libraries(tarvolen_instr PRIVATE msvcrt kernel32 user32 winmm dsound gcc)
tarvolen_warnings(tarvolen_instr)
