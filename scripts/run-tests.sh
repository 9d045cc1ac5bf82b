#!/usr/bin/env bash
# Builds the tool and runs its whole test suite (ctest), with compiler
# warnings as errors: the Linux build, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, the 32-bit Linux build (under qemu-i386 where
# the kernel runs no 32-bit programs), then the 32-bit Windows build under
# Wine; then the static checks of scripts/lint.sh, the reproducible-build
# check, 20 seconds of fuzzing a target (scripts/fuzz.sh), and the release
# packages (scripts/check-packages.sh). This is what CI runs.
#
# Where 32-bit Wine cannot start (a kernel that runs no 32-bit programs) or
# is not installed, the 32-bit Windows build is built but not run, and the
# same sources' tests run as a 64-bit Windows build under 64-bit Wine.
#
# It builds in folders of its own (build-ci*, from the ci-* presets), so a
# developer's build/ and its cache stay as they were, and runs as many jobs
# at once as there are processors.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

run_preset() {  # PRESET [build-only]
  cmake --preset "$1"
  cmake --build --preset "$1" --parallel "$jobs"
  if [ "${2:-}" != build-only ]; then
    ctest --preset "$1" --parallel "$jobs"
  fi
}

run_preset ci-release
run_preset ci-sanitize

# The 32-bit Linux build (the tool's 32-bit size_t, long and pointers):
# natively where the kernel runs 32-bit programs, else under qemu-i386.
status=0
scripts/runs-32-bit-programs.sh || status=$?
if [ "$status" -eq 0 ]; then
  echo "run-tests: the 32-bit Linux build runs natively."
  linux32_emulator=
elif [ "$status" -eq 1 ] && scripts/runs-32-bit-programs.sh qemu; then
  echo "run-tests: this kernel runs no 32-bit programs: the 32-bit Linux" \
    "build runs under qemu-i386."
  linux32_emulator=qemu-i386
elif [ "$status" -eq 1 ]; then
  echo "run-tests: FAILED: this kernel runs no 32-bit programs, and" \
    "qemu-i386 is missing or cannot run one: install qemu-user" \
    "(scripts/install-deps.sh --tests)" >&2
  exit 1
else
  echo "run-tests: FAILED: no 32-bit Linux build without gcc-multilib" >&2
  exit 1
fi
cmake --preset ci-linux32 "-DGENVERSION_I386_EMULATOR=$linux32_emulator"
cmake --build --preset ci-linux32 --parallel "$jobs"
ctest --preset ci-linux32 --parallel "$jobs"

if scripts/runs-32-bit-programs.sh wine; then
  run_preset ci-win32
else
  echo "run-tests: NOTICE: no 32-bit Wine that runs here: the 32-bit" \
    "Windows build is built only, and its tests run as a 64-bit Windows" \
    "build under 64-bit Wine."
  run_preset ci-win32 build-only
  run_preset ci-win64
fi

# The real configure.ac files of public projects, where a copy of them
# stands beside the checkout: no version other than Autoconf's.
if [ -d ../shared/realworld/files ]; then
  python3 scripts/check-realworld.py build-ci/genversion ../shared/realworld
else
  echo "run-tests: no ../shared/realworld beside the checkout: the" \
    "real-world files are not run"
fi

# The release packages of those builds: .deb, .tar.gz and .zip.
scripts/check-packages.sh

# Configures the folders it checks with their compile commands.
scripts/lint.sh

# Two builds in different folders give identical executables.
scripts/check-reproducible.sh

# libFuzzer, 20 seconds a target: long campaigns are run by hand.
GENVERSION_FUZZ_PRESET=ci-fuzz scripts/fuzz.sh 20
