# Cross-build for 64-bit x86 Windows with Debian's mingw-w64, tested under
# 64-bit Wine. genversion ships as a 32-bit program; this build runs the
# same sources' tests on machines that cannot run 32-bit programs at all
# (a kernel without IA-32 support, where 32-bit Wine cannot start):
#   cmake -S . -B build-win64 --toolchain cmake/toolchains/x86_64-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

# The posix thread model: GoogleTest needs std::mutex. Linked statically
# (below), it adds no winpthread DLL.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine's own launcher picks its 32-bit loader where that is installed; the
# 64-bit loader and server are called by name.
find_program(GENVERSION_WINE wine64 PATHS /usr/lib/wine REQUIRED)
find_program(GENVERSION_WINESERVER wineserver64 PATHS /usr/lib/wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${GENVERSION_WINE})
