# Cross-builds for 64-bit ARM Debian (arm64: a Raspberry Pi's 64-bit Raspberry Pi OS) with Debian's
# cross toolchain (crossbuild-essential-arm64) and the arm64 libraries installed through multiarch.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Multiarch: headers in /usr/include, libraries and CMake packages under /usr/lib/aarch64-linux-gnu.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
