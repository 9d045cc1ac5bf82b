#!/usr/bin/env bash
# Installs, from Debian's archive, everything the build and the whole test
# suite need: the native toolchain and GoogleTest, and mingw-w64 with 32-bit
# Wine for the Windows build (and 64-bit, for machines that cannot run
# 32-bit programs), meson for the Meson example, and what the
# release packages are checked with. Run it as root, or as a user who may
# use sudo: it asks sudo for root itself.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --add-architecture i386
# A mirror caught mid-sync fails an update now and then: try again, and go
# on with the lists there are if it keeps failing; the install says whether
# they serve.
for attempt in 1 2 3; do
  if apt-get -o Acquire::Retries=3 update; then
    break
  fi
  echo "install-deps: apt-get update failed (try $attempt of 3)" >&2
  sleep $((attempt * 10))
done
apt-get -o Acquire::Retries=3 install -y \
  ca-certificates cmake g++ libgtest-dev googletest make ninja-build man-db \
  libbenchmark-dev hyperfine valgrind autoconf python3 meson \
  lintian unzip git \
  clang libclang-rt-14-dev clang-format clang-tidy cppcheck \
  g++-mingw-w64-i686 wine wine32:i386 g++-mingw-w64-x86-64 wine64
