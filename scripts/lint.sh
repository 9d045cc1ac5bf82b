#!/usr/bin/env bash
# Static checks of the sources: clang-format over everything C++ in the
# repository, clang-tidy over src/ (with the compile commands of a Linux and
# a Windows build that it configures in build-lint/ and build-lint-win32/)
# and cppcheck over the product. Any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-lint -DCMAKE_BUILD_TYPE=Debug -DGENVERSION_BUILD_TESTING=ON \
  >/dev/null
cmake -S . -B build-lint-win32 -DCMAKE_BUILD_TYPE=Debug \
  --toolchain cmake/toolchains/i686-w64-mingw32.cmake >/dev/null
clang-format --dry-run -Werror src/*.cc src/*.h bench/*.cc fuzz/*.cc \
  tests/helpers/*.cc tests/helpers/*.h

posix_sources=$(ls src/*.cc | grep -v -e 'win32')
# One clang-tidy a processor: it takes minutes over every file.
printf '%s\n' $posix_sources |
  xargs -P "$(nproc)" -n 2 clang-tidy --quiet -p build-lint

# The Windows files, as the mingw-w64 build compiles them: clang is told
# the target and given that compiler's own include folders.
includes=()
for folder in $(echo | i686-w64-mingw32-g++-posix -xc++ -E -v - 2>&1 |
    sed -n '/#include <...> search starts here/,/End of search list/p' |
    grep '^ '); do
  includes+=("--extra-arg=-isystem$(realpath "$folder")")
done
clang-tidy --quiet -p build-lint-win32 --extra-arg=--target=i686-w64-mingw32 \
  --extra-arg=-nostdinc++ "${includes[@]}" src/platform-win32.cc src/main.cc

product=$(ls src/*.cc | grep -v -e '_test\.cc$')
cppcheck --enable=warning,style,performance,portability --error-exitcode=1 \
  --inline-suppr --std=c++17 --quiet $product
