#!/usr/bin/env bash
# Builds the tool and runs its whole test suite (ctest), with compiler
# warnings as errors: the Linux build, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the 32-bit Windows build under Wine; then
# the static checks of scripts/lint.sh, the reproducible-build check, 60
# seconds of fuzzing a target (scripts/fuzz.sh), and the release packages
# (scripts/check-packages.sh). This is what CI runs.
#
# It builds in folders of its own (build-ci*, from the ci-* presets), so a
# developer's build/ and its cache stay as they were, and runs as many jobs
# at once as there are processors.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

for preset in ci-release ci-sanitize ci-win32; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" --parallel "$jobs"
  ctest --preset "$preset" --parallel "$jobs"
done

# The release packages of those builds: .deb, .tar.gz and .zip.
scripts/check-packages.sh

# Configures the folders it checks with their compile commands.
scripts/lint.sh

# Two builds in different folders give identical executables.
scripts/check-reproducible.sh

# libFuzzer, 60 seconds a target.
GENVERSION_FUZZ_PRESET=ci-fuzz scripts/fuzz.sh 60
