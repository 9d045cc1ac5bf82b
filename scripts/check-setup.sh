#!/usr/bin/env bash
# The README's set-up on an archive that cannot give 32-bit Wine, as when
# its i386 lists are caught mid-sync: apt is pinned so that wine32:i386
# has no candidate, then
#   1. the README's first command, read from the README, builds the tool
#      (in build/) and runs it on the sample;
#   2. the test toolchain installs all the same, with the notice that
#      32-bit Wine is missing.
# CI runs it before the suite. Run it as root: the pin reaches apt through
# APT_CONFIG, which sudo would not pass on.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/preferences.d"
cat >"$work/preferences.d/no-wine32" <<'PIN'
Package: wine32:i386
Pin: version *
Pin-Priority: -1
PIN
echo "Dir::Etc::PreferencesParts \"$work/preferences.d\";" >"$work/apt.conf"
export APT_CONFIG=$work/apt.conf

fail() { echo "check-setup: FAILED: $*" >&2; exit 1; }

# 1. The first command, as the README writes it.
first=$(grep -m1 '^scripts/install-deps.sh && ' README.md) ||
  fail "no first command in the README"
echo "check-setup: running: $first"
output=$(bash -c "$first" | tail -n 1)
[ "$output" = '#define PACKAGE_VERSION "1.2.3"' ] ||
  fail "the tool printed '$output'"
echo "check-setup: the first command built and ran the tool: $output"

# 2. The test toolchain, without 32-bit Wine: tried and refused, even on a
# kernel that runs no 32-bit programs, where it is not tried otherwise.
INSTALL_DEPS_WINE32=always scripts/install-deps.sh --tests 2>"$work/stderr" ||
  { cat "$work/stderr" >&2; fail "install-deps.sh --tests failed"; }
cat "$work/stderr" >&2
grep -q 'NOTICE: 32-bit Wine is not installed' "$work/stderr" ||
  fail "no notice that 32-bit Wine is missing"
grep -q 'cannot install wine32:i386' "$work/stderr" ||
  fail "32-bit Wine was not tried"
echo "check-setup: the test toolchain installed without 32-bit Wine, with the notice"
