# 32-bit x86 Linux build with the host's GCC and Debian's amd64 multilib
# packages (gcc-multilib, g++-multilib), linked statically. It runs the
# code as the 32-bit Windows program does, with 32-bit size_t, long and
# pointers, on any Linux machine: under qemu-i386 (Debian's qemu-user)
# where the kernel runs no 32-bit programs, natively with
# -DGENVERSION_I386_EMULATOR= where it does:
#   cmake -S . -B build-linux32 --toolchain cmake/toolchains/i686-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
# Static: qemu-i386 then needs no 32-bit loader or libraries installed.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")

set(GENVERSION_I386_EMULATOR qemu-i386 CACHE STRING
    "What runs the 32-bit programs in tests; empty where they run natively")
if(GENVERSION_I386_EMULATOR)
  find_program(GENVERSION_I386_EMULATOR_PATH ${GENVERSION_I386_EMULATOR}
               REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GENVERSION_I386_EMULATOR_PATH})
endif()
