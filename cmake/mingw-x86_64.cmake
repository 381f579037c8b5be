# Cross-compiling for 64-bit Windows (x86_64) with mingw-w64: the build every run uses
# (tests, emulator, benchmarks), on 64-bit Wine.
set(TAPSHELF_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
