# Cross-build for 32-bit x86 Windows with Debian's mingw-w64, tested under
# Wine:
#   cmake -S . -B build-win32 --toolchain cmake/toolchains/i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

# The posix thread model: GoogleTest needs std::mutex. Linked statically
# (below), it adds no winpthread DLL.
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the C++ and GCC runtimes in: the program needs only DLLs that every
# Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run the .exe through Wine; tests/CMakeLists.txt gives Wine its own
# prefix in the build folder.
find_program(GENVERSION_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${GENVERSION_WINE})
