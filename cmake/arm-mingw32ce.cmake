# Cross-compiling for the Pocket PC (ARM, Windows CE 5.01) with the CeGCC tool chain
# arm-mingw32ce: GCC 4.4, C and C++98, the device's own headers and import libraries.
# The tool chain's bin folder must be on PATH (scripts/ce-toolchain.sh finds it).
# Only the product is built: the emulator, the tests and the benchmarks run on the desktop.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TAPSHELF_DEVICE ON)
set(CMAKE_C_COMPILER arm-mingw32ce-gcc)
set(CMAKE_CXX_COMPILER arm-mingw32ce-g++)
set(CMAKE_RC_COMPILER arm-mingw32ce-windres)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# The desktop's default libraries (kernel32, user32, ...) are the device's coredll, which
# the tool chain links by itself.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "")
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "")
