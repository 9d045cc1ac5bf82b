#!/usr/bin/env bash
# Installs, from Debian's archive, what genversion needs:
#
#   scripts/install-deps.sh          building and running the tool: CMake,
#                                    a C++ compiler, Ninja and Make
#   scripts/install-deps.sh --tests  that, and what the whole test suite
#                                    needs (scripts/run-tests.sh)
#
# Run it as root, or as a user who may use sudo: it asks sudo for root
# itself.
#
# A mirror caught mid-sync breaks an update or a download now and then:
# both are tried again. A package the chosen set needs that still cannot be
# installed fails the script, with its name. 32-bit Wine is the one part of
# the test toolchain the suite can do without (it then tests the Windows
# build as a 64-bit program, as on a machine that runs no 32-bit programs):
# where the archive cannot give it, the script says so and goes on.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive

build_packages=(cmake g++ make ninja-build)
test_packages=(
  ca-certificates libgtest-dev googletest man-db git python3 autoconf
  libtool-bin
  libbenchmark-dev hyperfine valgrind meson lintian unzip
  clang libclang-rt-14-dev clang-format clang-tidy cppcheck
  gcc-multilib g++-multilib qemu-user
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64)
optional_packages=(wine32:i386)

case "${1:-}" in
  "") packages=("${build_packages[@]}") ;;
  --tests) packages=("${build_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 [--tests]" >&2
    exit 2
    ;;
esac

say() { echo "install-deps: $*" >&2; }

update() {
  for attempt in 1 2 3; do
    if apt-get -o Acquire::Retries=3 update; then
      return 0
    fi
    say "apt-get update failed (try $attempt of 3)"
    [ "$attempt" -eq 3 ] || sleep $((attempt * 5))
  done
  # Lists that failed to download are kept as they were: go on with those,
  # and let the install say whether they serve.
  say "going on with the package lists there are"
}

resolvable() {
  apt-get install -s -y --no-install-recommends "$@" >/dev/null 2>&1
}

# Installs the packages given, trying again after a failed download; false
# if they still cannot be installed. Packages the lists cannot resolve are
# not tried again: that does not mend in minutes.
install() {
  for attempt in 1 2 3; do
    resolvable "$@" || return 1
    if apt-get -o Acquire::Retries=3 install -y --no-install-recommends "$@"; then
      return 0
    fi
    say "apt-get install failed (try $attempt of 3)"
    [ "$attempt" -eq 3 ] || { sleep $((attempt * 5)); update; }
  done
  return 1
}

# Names each package of the list that apt cannot install now.
name_uninstallable() {
  for package in "$@"; do
    if ! resolvable "$package"; then
      say "cannot install $package from this machine's package archive"
    fi
  done
}

update
if ! install "${packages[@]}"; then
  name_uninstallable "${packages[@]}"
  say "FAILED: the packages above are needed; nothing is built without them"
  exit 1
fi

# 32-bit Wine is of no use where the kernel runs no 32-bit programs.
# INSTALL_DEPS_WINE32=always tries it all the same (scripts/check-setup.sh
# does, to see the script survive an archive that cannot give it).
if [ "${1:-}" = --tests ] && [ "${INSTALL_DEPS_WINE32:-}" != always ] &&
  ! "$(dirname "$0")/runs-32-bit-programs.sh"; then
  say "NOTICE: 32-bit Wine is not installed: this kernel runs no 32-bit"
  say "NOTICE: programs. The 32-bit Windows build is built, and its tests"
  say "NOTICE: run as a 64-bit Windows build under 64-bit Wine."
elif [ "${1:-}" = --tests ]; then
  added_i386=no
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added_i386=yes
    update
  fi
  if ! install "${optional_packages[@]}"; then
    name_uninstallable "${optional_packages[@]}"
    say "NOTICE: 32-bit Wine is not installed. The suite goes on without"
    say "NOTICE: it: the 32-bit Windows build is built, and its tests run as"
    say "NOTICE: a 64-bit Windows build under 64-bit Wine."
    # Leave apt as it was: no i386 lists to fetch on every later update.
    if [ "$added_i386" = yes ] &&
      ! dpkg-query -W -f '${Architecture}\n' | grep -qx i386; then
      dpkg --remove-architecture i386
    fi
  fi
fi
say "done"
