#!/usr/bin/env bash
# Static checks of the tool's sources: clang-format, clang-tidy (with the
# compile commands of build/) and cppcheck. Any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
product=$(ls src/*.cc | grep -v -e '_test\.cc$' -e 'win32')
clang-format --dry-run -Werror src/*.cc src/*.h bench/*.cc fuzz/*.cc \
  tests/helpers/*.cc
clang-tidy --quiet -p build $product
cppcheck --enable=warning,style,performance,portability --error-exitcode=1 \
  --inline-suppr --std=c++17 --quiet $product
