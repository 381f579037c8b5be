# Cross-compiling for 32-bit Windows (i686) with mingw-w64: the device is a 32-bit machine,
# so this build keeps the code 32-bit clean. Its programs run only where the host can run
# 32-bit programs.
set(TAPSHELF_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
