#!/usr/bin/env bash
# Builds the tool and runs its whole test suite (ctest), with compiler
# warnings as errors: the Linux build, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the 32-bit Windows build under Wine; then
# the static checks of scripts/lint.sh, the reproducible-build check, 60
# seconds of fuzzing a target (scripts/fuzz.sh), and the release packages
# (scripts/check-packages.sh). This is what CI runs.
#
# A machine whose kernel cannot run 32-bit programs cannot start 32-bit
# Wine: there the 32-bit Windows build is built but not run, and the same
# sources' tests run as a 64-bit Windows build under 64-bit Wine instead.
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
if scripts/runs-32-bit-programs.sh; then
  run_preset ci-win32
else
  echo "run-tests: this machine cannot run 32-bit programs: the 32-bit" \
    "Windows build is built only, and its tests run as a 64-bit Windows" \
    "build under 64-bit Wine."
  run_preset ci-win32 build-only
  run_preset ci-win64
fi

# The release packages of those builds: .deb, .tar.gz and .zip.
scripts/check-packages.sh

# Configures the folders it checks with their compile commands.
scripts/lint.sh

# Two builds in different folders give identical executables.
scripts/check-reproducible.sh

# libFuzzer, 60 seconds a target.
GENVERSION_FUZZ_PRESET=ci-fuzz scripts/fuzz.sh 60
